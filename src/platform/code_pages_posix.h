#pragma once
// Code pages through iconv, for native tests and tools: the code page numbers Windows uses, mapped
// to iconv's names for the same encodings.
#include "platform/platform.h"

class IconvCodePages : public CodePages {
  public:
    bool ToUtf8(unsigned codePage, const char* bytes, size_t count, std::string& out) override;
};
