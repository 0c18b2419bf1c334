#include "win/UserFile.h"

#include <cwchar>
#include <string>

#include "win/FullPath.h"

namespace win {

unique_hfile OpenUserFileToRead(const wchar_t* path)
{
    // Bounded: a path one unit longer than any Windows takes is refused as too long.
    std::wstring systemPath;
    if (path == nullptr ||
        !SystemPathOf(std::wstring(path, wcsnlen(path, LongestPath + 1)), systemPath)) {
        return unique_hfile();
    }
    unique_hfile file(CreateFileW(systemPath.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (file && GetFileType(file.get()) != FILE_TYPE_DISK) return unique_hfile();
    return file;
}

}  // namespace win
