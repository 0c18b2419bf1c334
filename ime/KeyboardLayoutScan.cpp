#include "ime/KeyboardLayoutScan.h"

#include <windows.h>

#include <cwchar>

#include "win/UniqueHandles.h"

std::vector<std::wstring> LayoutTexts;

namespace {

constexpr const wchar_t* KeyboardLayoutsKey = L"SYSTEM\\CURRENTCONTROLSET\\CONTROL\\KEYBOARD LAYOUTS";
constexpr DWORD NameCapacity = 260;   // characters
constexpr DWORD ValueCapacity = 260;  // characters

// Reads "Layout Text" of one accepted layout. The value may be of any type and may fill
// the buffer without a terminating NUL: the text is cut at the data actually returned.
bool ReadLayoutText(HKEY layouts, const wchar_t* keyName, std::wstring& text)
{
    win::unique_hkey layout;
    if (RegOpenKeyExW(layouts, keyName, 0, KEY_QUERY_VALUE, layout.put()) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t value[ValueCapacity] = {};
    DWORD size = sizeof(value);
    if (RegQueryValueExW(layout.get(), L"Layout Text", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS) {
        return false;
    }
    const size_t units = size / sizeof(wchar_t);
    text.assign(value, wcsnlen(value, units < ValueCapacity ? units : ValueCapacity));
    return true;
}

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
    for (DWORD index = 0;; ++index) {
        wchar_t name[NameCapacity] = {};
        DWORD nameLength = NameCapacity;
        if (RegEnumKeyExW(layouts.get(), index, name, &nameLength, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS) {
            break;  // the end of the list, or a name that does not fit: keep what was read
        }
        if (!IsChineseImeLayoutKey(name)) continue;
        std::wstring text;
        if (ReadLayoutText(layouts.get(), name, text)) LayoutTexts.push_back(std::move(text));
    }
    return true;
}
