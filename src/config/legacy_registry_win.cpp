#include "config/legacy_registry_win.h"

#include <cstring>
#include <vector>

#include "platform/wide_win.h"

const wchar_t kLegacySettingsKey[] = L"Software\\Kestrel9\\newsroller";

bool RegistryLegacySettings::Open() {
    Close();
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    key_ = key;
    return true;
}

bool RegistryLegacySettings::ReadInt(const char* name, int32_t& value) {
    if (!key_) return false;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    LONG result = RegQueryValueExW(key_, Cp932ToWide(name).c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(&data), &size);
    if (result != ERROR_SUCCESS || size != sizeof data || (type != REG_DWORD && type != REG_BINARY))
        return false;
    value = static_cast<int32_t>(data);
    return true;
}

bool RegistryLegacySettings::ReadText(const char* name, char* dest, int size) {
    if (!key_ || size <= 0) return false;
    std::wstring valueName = Cp932ToWide(name);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key_, valueName.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return false;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes > 64 * 1024) return false;
    // One more character than stored, so the text is terminated even when the value is not.
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key_, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &got) != ERROR_SUCCESS) {
        return false;
    }
    buffer.back() = L'\0';
    std::string text = WideToCp932(buffer.data());
    if (text.size() + 1 > static_cast<size_t>(size)) return false;
    memcpy(dest, text.c_str(), text.size() + 1);
    return true;
}

void RegistryLegacySettings::Close() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
}

void RegistryLegacySettings::CloseAndDelete() {
    Close();
    RegDeleteKeyW(root_, path_.c_str());
}
