#include "win/FullPath.h"

#include <windows.h>

#include <utility>

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

}  // namespace

bool FullPathOf(const std::wstring& path, std::wstring& full)
{
    // With the terminator when the buffer is too small, without it when the path fit.
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return false;
    std::wstring made(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, made.data(), nullptr);
    if (written == 0 || written >= needed) return false;
    made.resize(written);
    full = std::move(made);
    return true;
}

std::wstring FullPathOrAsGiven(const std::wstring& path)
{
    std::wstring full = path;
    FullPathOf(path, full);
    return full;
}

bool SystemPathOf(const std::wstring& path, std::wstring& systemPath)
{
    if (path.empty() || path.size() > LongestPath) return false;
    if (StartsWith(path, L"\\\\?\\")) {
        systemPath = path;
        return true;
    }
    // Windows refuses a path whose full form has MAX_PATH units or more unless it is in the
    // \\?\ form (Windows 10 takes longer ones only for programs that declare it, where an
    // option allows it). What counts is the full path: "dict.txt" under a current directory
    // of 255 units is as long as that directory. The \\?\ form is taken as it is, without
    // resolving a relative path, '/' or "..", so it is given the full path.
    std::wstring full;
    if (!FullPathOf(path, full)) return false;
    if (full.size() < MAX_PATH || StartsWith(full, L"\\\\.\\") || StartsWith(full, L"\\\\?\\")) {
        systemPath = path;  // short enough for the system; a device's path has no longer form
        return true;
    }
    std::wstring made =
        StartsWith(full, L"\\\\") ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
    if (made.size() > LongestPath) return false;
    systemPath = std::move(made);
    return true;
}
