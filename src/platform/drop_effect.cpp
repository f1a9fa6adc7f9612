#include "platform/drop_effect.h"

uint32_t AnsweredDropEffect(uint32_t allowed, uint32_t& accepted) {
    uint32_t effect = allowed & accepted;
    const uint32_t copyAndMove = kDropEffectCopy | kDropEffectMove;
    if ((effect & copyAndMove) == copyAndMove) {
        effect &= ~kDropEffectCopy;
        accepted &= ~kDropEffectCopy;
    }
    return effect;
}
