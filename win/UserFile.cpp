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

bool ReadFileHead(HANDLE file, unsigned char* head, std::size_t capacity, std::size_t& headBytes,
                  std::uint64_t& fileBytes)
{
    DWORD sizeHigh = 0;
    const DWORD sizeLow = GetFileSize(file, &sizeHigh);
    if (sizeLow == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    fileBytes = std::uint64_t{sizeHigh} << 32 | sizeLow;
    const DWORD wanted =
        fileBytes < capacity ? static_cast<DWORD>(fileBytes) : static_cast<DWORD>(capacity);
    DWORD read = 0;
    if (!ReadFile(file, head, wanted, &read, nullptr) || read != wanted) return false;
    headBytes = read;
    return true;
}

}  // namespace win
