#include "dict/TempDirectory.h"

#include <windows.h>

#include <initializer_list>

#include "win/FullPath.h"
#include "win/SameFile.h"

wchar_t TempDirectory[TempDirectoryCapacity] = {};

namespace {

bool ReadTempDirectory(wchar_t (&directory)[TempDirectoryCapacity])
{
    constexpr DWORD capacity = TempDirectoryCapacity - 1;
    // GetTempPathW returns the length without the NUL when it fits, and the size needed,
    // NUL included, when it does not.
    const DWORD length = GetTempPathW(capacity, directory);
    if (length == 0 || length >= capacity) {
        directory[0] = L'\0';
        return false;
    }
    return true;
}

}  // namespace

bool RefreshTempDirectory()
{
    return ReadTempDirectory(TempDirectory);
}

bool IsTransferTemporaryFile(const std::wstring& path)
{
    // Without a temporary directory no temporary file can be made, and none is compared: a
    // bare name would be looked for in the current directory.
    wchar_t directory[TempDirectoryCapacity] = {};
    if (path.empty() || !ReadTempDirectory(directory)) return false;
    const std::wstring full = FullPathOrAsGiven(path);
    const std::size_t nameStart = full.find_last_of(L"\\/") + 1;
    // A path that names no file yet (a log that the run would create) is compared by its
    // folder, as a file, and its name.
    const bool missing = GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES;
    for (const wchar_t* name : {SogouTempFileName, KestrixTempFileName}) {
        if (IsSameFile(path, std::wstring(directory) + name)) return true;
        if (missing &&
            CompareStringOrdinal(full.c_str() + nameStart, -1, name, -1, TRUE) == CSTR_EQUAL &&
            IsSameFile(full.substr(0, nameStart), directory)) {
            return true;
        }
    }
    return false;
}
