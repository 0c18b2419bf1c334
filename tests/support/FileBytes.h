// Whole-file reads and writes for the tests and the stand-ins. Header-only, so the stand-in
// programs use it without linking the test library.
#pragma once

#include <windows.h>

#include <string>

#include "win/UniqueHandles.h"

namespace testsupport {

// The file's bytes; empty when it can't be read. Open for reading by anyone, so a file that
// the program still holds can be inspected.
inline std::string ReadFileBytes(const std::wstring& path)
{
    win::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) return {};
    std::string bytes(size, '\0');
    DWORD read = 0;
    if (size != 0 && !ReadFile(file.get(), bytes.data(), size, &read, nullptr)) return {};
    bytes.resize(read);
    return bytes;
}

// The file's UTF-16LE units as text, as the stand-ins record what they received (no mark);
// empty when it can't be read.
inline std::wstring ReadFileUnits(const std::wstring& path)
{
    const std::string bytes = ReadFileBytes(path);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                        bytes.size() / sizeof(wchar_t));
}

// Creates or truncates the file and writes all the bytes, or reports false.
inline bool WriteFileBytes(const std::wstring& path, const void* data, DWORD size)
{
    win::unique_hfile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return size == 0 || (WriteFile(file.get(), data, size, &written, nullptr) && written == size);
}

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    return WriteFileBytes(path, bytes.data(), static_cast<DWORD>(bytes.size()));
}

}  // namespace testsupport
