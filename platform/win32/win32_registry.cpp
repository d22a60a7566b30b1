// The settings store: values of REG_SZ under HKEY_CURRENT_USER.
#include "win32_internal.h"
#include "win32_runtime.h"

#include <cwchar>

namespace torven {

using win32::Widen;

namespace {

// The registry key that holds a section's settings: Software\<app>\<section> in HKCU.
std::wstring SettingsKey(std::string_view app, std::string_view section) {
    return L"Software\\" + Widen(app) + L"\\" + Widen(section);
}

}  // namespace

std::string Win32Runtime::GetSetting(std::string_view app, std::string_view section,
                                     std::string_view key, std::string_view defaultText) {
    // Only a REG_SZ of sane length counts; anything else reads as missing.
    wchar_t value[2048];
    DWORD bytes = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, SettingsKey(app, section).c_str(), Widen(key).c_str(),
                     RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, value, &bytes) != ERROR_SUCCESS)
        return std::string(defaultText);
    return win32::Narrow(std::wstring_view(value, wcsnlen(value, bytes / sizeof(wchar_t))));
}

bool Win32Runtime::SaveSettings(std::string_view app, std::string_view section,
                                std::span<const SettingText> values) {
    // Two clocks that end together write one after the other, so the key holds one
    // clock's values, not a mixture: a save writes only while it holds the mutex, which
    // the other holds for its few writes. A mutex left by a killed clock comes back as
    // abandoned, which is ours: it never holds a save up.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"TORVEN-settings");
    const DWORD waited = mutex ? WaitForSingleObject(mutex, INFINITE) : WAIT_FAILED;
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        if (mutex) CloseHandle(mutex);
        return false;
    }
    HKEY key = nullptr;
    bool ok = RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKey(app, section).c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS;
    for (const SettingText& value : values) {
        const std::wstring text = Widen(value.text);
        const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        ok = ok &&
             RegSetValueExW(key, Widen(value.key).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
    }
    if (key) RegCloseKey(key);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return ok;
}

}  // namespace torven
