#include <gtest/gtest.h>
#include <ole2.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// Objects used after they were freed, or freed twice, show instead of going unseen: the system
// heap takes a second free of a block without a sign, and freed memory keeps its old values. Each
// block carries a mark and its size; delete checks the mark and fills the object with 0xDD.
namespace {

constexpr uint64_t kLiveBlock = 0x4B434F4C42564C4Cull;
constexpr size_t kHeader = 16;  // keeps the block's alignment

void* Allocate(size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!block) throw std::bad_alloc();
    reinterpret_cast<uint64_t*>(block)[0] = kLiveBlock;
    reinterpret_cast<uint64_t*>(block)[1] = size;
    return block + kHeader;
}

void Release(void* p) noexcept {
    if (!p) return;
    auto* block = static_cast<unsigned char*>(p) - kHeader;
    auto* mark = reinterpret_cast<uint64_t*>(block);
    if (*mark != kLiveBlock) {
        std::fputs("an object was freed twice (or never allocated with new)\n", stderr);
        std::abort();
    }
    mark[0] = 0;
    std::memset(p, 0xDD, static_cast<size_t>(mark[1]));
    std::free(block);
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // As the program does at its start: the settings dialog registers itself as a drop target.
    if (FAILED(OleInitialize(nullptr))) return 1;
    int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
