#include "ime/TextServiceScan.h"

#include <windows.h>

#include "ime/RegistryText.h"
#include "win/UniqueHandles.h"

namespace {

// Windows keeps one copy of this key that programs of both widths see, so the program's own
// view is the only one to read.
constexpr const wchar_t* TextServicesKey = L"SOFTWARE\\Microsoft\\CTF\\TIP";
// The profiles for language 0804, Simplified Chinese, relative to a text service's key.
constexpr const wchar_t* ChineseProfilesKey = L"\\LanguageProfile\\0x00000804";

}  // namespace

std::vector<TextServiceProfile> CollectTextServiceProfiles()
{
    std::vector<TextServiceProfile> profiles;
    win::unique_hkey services;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TextServicesKey, 0, KEY_ENUMERATE_SUB_KEYS,
                      services.put()) != ERROR_SUCCESS) {
        return profiles;
    }
    ForEachSubKeyName(services.get(), [&](const std::wstring& classId) {
        // Opened by name, so the language key matches as the registry compares names: exactly
        // 0x00000804, without regard to case.
        win::unique_hkey chinese;
        if (RegOpenKeyExW(services.get(), (classId + ChineseProfilesKey).c_str(), 0,
                          KEY_ENUMERATE_SUB_KEYS, chinese.put()) != ERROR_SUCCESS) {
            return;
        }
        ForEachSubKeyName(chinese.get(), [&](const std::wstring& profileId) {
            // A profile without a readable description still names its text service.
            TextServiceProfile profile{classId, {}};
            ReadRegistryText(chinese.get(), profileId.c_str(), L"Description", profile.description);
            profiles.push_back(std::move(profile));
        });
    });
    return profiles;
}
