#include "ime/KeyboardLayoutScan.h"

#include <windows.h>

#include <cwchar>

#include "ime/RegistryText.h"
#include "win/UniqueHandles.h"

std::vector<std::wstring> LayoutTexts;

namespace {

constexpr const wchar_t* KeyboardLayoutsKey =
    L"SYSTEM\\CURRENTCONTROLSET\\CONTROL\\KEYBOARD LAYOUTS";

}  // namespace

bool IsChineseImeLayoutKey(const wchar_t* keyName)
{
    if (keyName[0] != L'E') return false;
    // The second to fourth characters are not examined, but must exist for a tail to follow.
    for (int i = 1; i < 4; ++i) {
        if (keyName[i] == L'\0') return false;
    }
    return wcscmp(keyName + 4, L"0804") == 0;
}

bool CollectLayoutTexts()
{
    win::unique_hkey layouts;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyboardLayoutsKey, 0, KEY_ENUMERATE_SUB_KEYS,
                      layouts.put()) != ERROR_SUCCESS) {
        return false;
    }
    ForEachSubKeyName(layouts.get(), [&](const std::wstring& name) {
        if (!IsChineseImeLayoutKey(name.c_str())) return;
        std::wstring text;
        if (ReadRegistryText(layouts.get(), name.c_str(), L"Layout Text", text)) {
            LayoutTexts.push_back(std::move(text));
        }
    });
    return true;
}
