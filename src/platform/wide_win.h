#pragma once
// The user-interface boundary: the program's Shift_JIS texts become UTF-16 for the W functions, so
// they show correctly whatever the system's code page.
#include <windows.h>

#include <string>

std::wstring Cp932ToWide(const char* text);
std::wstring Cp932ToWide(const char* text, int length);
std::string WideToCp932(const wchar_t* text);
