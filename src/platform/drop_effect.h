#pragma once
// Drop effects as the system counts them, and the answer a drop target gives.
#include <cstdint>

constexpr uint32_t kDropEffectNone = 0;
constexpr uint32_t kDropEffectCopy = 1;
constexpr uint32_t kDropEffectMove = 2;
constexpr uint32_t kDropEffectLink = 4;

// The effects the drag allows AND those the window accepts; when copy and move remain together,
// copy is taken out (of `accepted` too, which is kept for the next call).
uint32_t AnsweredDropEffect(uint32_t allowed, uint32_t& accepted);
