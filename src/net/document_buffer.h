#pragma once
// The one downloaded or loaded document: a zero-terminated byte string owned by its consumer,
// who releases it.
#include <cstddef>
#include <cstdint>

#include "feed/text.h"

constexpr size_t kMaxDocumentBytes = 16u * 1024 * 1024;

class DocumentBuffer {
  public:
    DocumentBuffer() = default;
    DocumentBuffer(const DocumentBuffer&) = delete;
    DocumentBuffer& operator=(const DocumentBuffer&) = delete;
    ~DocumentBuffer() { Release(); }

    bool held() const { return block_ != nullptr; }
    const char* text() const { return block_ ? block_ : ""; }
    size_t textLength() const { return textLength_; }
    size_t received() const { return received_; }
    TextView view() const { return TextView{text(), static_cast<int>(textLength_)}; }
    // The date the server gave the document (Last-Modified of a 200 answer) as a UTC file time; 0
    // when it gave none or the document was not fetched.
    int64_t lastModified() const { return lastModified_; }
    void SetLastModified(int64_t utcFileTime) { lastModified_ = utcFileTime; }

    // A new zero-filled block of `size` bytes (1 for an empty text); false when memory runs out.
    bool Allocate(size_t size);
    // Appends a received chunk as text: bytes after a zero byte inside the chunk are lost and the
    // next chunk continues after the shortened text. Grows geometrically; false when memory runs out.
    bool AppendChunk(const char* data, size_t size);
    // The block's bytes, for a reader that fills it (capacity = the size given to Allocate).
    char* data() { return block_; }
    size_t capacity() const { return capacity_; }
    // After a reader filled data(): the text ends at the first zero byte.
    void SetFilled(size_t size);
    void Release();
    // Exchanges the two documents whole (a finished fetch hands its body over without a copy).
    void Swap(DocumentBuffer& other);

  private:
    char* block_ = nullptr;
    size_t capacity_ = 0;
    size_t textLength_ = 0;
    size_t received_ = 0;
    int64_t lastModified_ = 0;
};
