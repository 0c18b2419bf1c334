#include "win/DllSearch.h"

#include <string>

namespace dllsearch {

namespace {

// Looked up, not imported: a program that imports it does not start at all on Windows 7
// without KB2533623 (the loader refuses it, "entry point not found"), and kernel32 is loaded
// into every process, so nothing is searched for here.
SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories()
{
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel32 == nullptr) return nullptr;
    // Through void (*)(): the one function pointer type that converts to any other without a
    // warning about mismatched signatures.
    return reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
}

// The LOAD_LIBRARY_SEARCH_* flags of LoadLibraryExW came with the same update as the function
// and are refused without it (ERROR_INVALID_PARAMETER): used only once the restriction has
// been made. Set once on the UI thread before any other thread exists.
bool searchRestricted = false;

}  // namespace

void RestrictToSystemDirectory()
{
    RestrictToSystemDirectory(FindSetDefaultDllDirectories());
}

void RestrictToSystemDirectory(SetDefaultDllDirectoriesFunction setDefaultDllDirectories)
{
    searchRestricted = setDefaultDllDirectories != nullptr &&
                       setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    // An empty DLL directory takes the current directory out of the search order, on every
    // Windows since XP SP1.
    if (!searchRestricted) ::SetDllDirectoryW(L"");
}

HMODULE LoadFromSystemDirectory(const wchar_t* fileName)
{
    if (searchRestricted) {
        return ::LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    wchar_t directory[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(directory, length) + L"\\" + fileName;
    // By its full path nothing is searched for the DLL itself; the altered search path makes
    // its own imports be looked for in its directory first, not beside the program.
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace dllsearch
