#include "ime/RegistryText.h"

#include <cwchar>

#include "win/UniqueHandles.h"

bool ReadRegistryText(HKEY key, const wchar_t* subKey, const wchar_t* valueName, std::wstring& text,
                      DWORD* type)
{
    win::unique_hkey opened;
    if (subKey != nullptr) {
        if (RegOpenKeyExW(key, subKey, 0, KEY_QUERY_VALUE, opened.put()) != ERROR_SUCCESS) {
            return false;
        }
        key = opened.get();
    }
    // The value may be of any type and may fill the buffer without a terminating NUL: the
    // text is cut at the data actually returned.
    wchar_t value[RegistryTextCapacity] = {};
    DWORD size = sizeof(value);
    DWORD storedType = REG_NONE;
    if (RegQueryValueExW(key, valueName, nullptr, &storedType, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS) {
        return false;
    }
    const size_t units = size / sizeof(wchar_t);
    text.assign(value, wcsnlen(value, units < RegistryTextCapacity ? units : RegistryTextCapacity));
    if (type != nullptr) *type = storedType;
    return true;
}
