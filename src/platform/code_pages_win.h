#pragma once
// Code pages through Windows' own conversion.
#include "platform/platform.h"

class Win32CodePages : public CodePages {
  public:
    bool ToUtf8(unsigned codePage, const char* bytes, size_t count, std::string& out) override;
};
