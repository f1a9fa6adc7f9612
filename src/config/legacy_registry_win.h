#pragma once
// The legacy settings key in the registry, read once when no settings file exists and then deleted.
#include <windows.h>

#include <string>

#include "config/settings.h"

extern const wchar_t kLegacySettingsKey[];  // "Software\\Kestrel9\\newsroller" under HKEY_CURRENT_USER

class RegistryLegacySettings : public LegacySettingsStore {
  public:
    explicit RegistryLegacySettings(HKEY root = HKEY_CURRENT_USER, std::wstring path = kLegacySettingsKey)
        : root_(root), path_(std::move(path)) {}
    ~RegistryLegacySettings() override { Close(); }
    RegistryLegacySettings(const RegistryLegacySettings&) = delete;
    RegistryLegacySettings& operator=(const RegistryLegacySettings&) = delete;

    bool Open() override;
    // A 4-byte value (REG_DWORD or 4 bytes of REG_BINARY).
    bool ReadInt(const char* name, int32_t& value) override;
    // A string value whose Shift_JIS form fits `size` bytes with its zero; longer ones are refused.
    bool ReadText(const char* name, char* dest, int size) override;
    void CloseAndDelete() override;
    void Close() override;

  private:
    HKEY root_;
    std::wstring path_;
    HKEY key_ = nullptr;
};
