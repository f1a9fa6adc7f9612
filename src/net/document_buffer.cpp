#include "net/document_buffer.h"

#include <cstdlib>
#include <cstring>
#include <utility>

bool DocumentBuffer::Allocate(size_t size) {
    Release();
    if (size == 0) size = 1;
    block_ = static_cast<char*>(calloc(size, 1));
    if (!block_) return false;
    capacity_ = size;
    textLength_ = 0;
    received_ = 0;
    lastModified_ = 0;
    return true;
}

bool DocumentBuffer::AppendChunk(const char* data, size_t size) {
    if (!block_ && !Allocate(1)) return false;
    received_ += size;
    size_t textPart = strnlen(data, size);
    size_t needed = textLength_ + textPart + 1;
    if (needed > capacity_) {
        // Geometric growth keeps a large document linear in its size.
        size_t grown = capacity_ * 2;
        if (grown < needed) grown = needed;
        char* bigger = static_cast<char*>(realloc(block_, grown));
        if (!bigger) return false;
        block_ = bigger;
        capacity_ = grown;
    }
    memcpy(block_ + textLength_, data, textPart);
    textLength_ += textPart;
    block_[textLength_] = '\0';
    return true;
}

void DocumentBuffer::SetFilled(size_t size) {
    if (!block_) return;
    if (size >= capacity_) size = capacity_ - 1;
    block_[size] = '\0';
    textLength_ = strnlen(block_, size);
    received_ = size;
}

void DocumentBuffer::Release() {
    free(block_);
    block_ = nullptr;
    capacity_ = 0;
    textLength_ = 0;
    received_ = 0;
    lastModified_ = 0;
}

void DocumentBuffer::Swap(DocumentBuffer& other) {
    std::swap(block_, other.block_);
    std::swap(capacity_, other.capacity_);
    std::swap(textLength_, other.textLength_);
    std::swap(received_, other.received_);
    std::swap(lastModified_, other.lastModified_);
}
