#include "dict/DictionaryFileSogouText.h"

#include <windows.h>

#include <cwchar>
#include <string>

#include "win/FullPath.h"
#include "win/UniqueHandles.h"

namespace {

constexpr UINT GbkCodePage = 936;
// The longest path Windows takes, in the \\?\ form; a longer one names no file.
constexpr std::size_t LongestPath = 32767;

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

// Windows refuses a path of MAX_PATH units or more unless it is in the \\?\ form (Windows 10
// takes longer ones only for programs that declare it, where an option allows it), and takes
// that form as it is, without resolving a relative path, '/' or "..": so a long path is first
// made full, as the system would, then given the form. A shorter one is left to the system.
bool SystemPath(const wchar_t* path, std::wstring& systemPath)
{
    const std::size_t length = wcsnlen(path, LongestPath + 1);
    if (length == 0 || length > LongestPath) return false;
    systemPath.assign(path, length);
    if (length < MAX_PATH || StartsWith(systemPath, L"\\\\?\\")) return true;

    std::wstring full;
    if (!FullPathOf(systemPath, full)) return false;
    if (StartsWith(full, L"\\\\.\\") || StartsWith(full, L"\\\\?\\")) {
        systemPath = full;  // a device's path has no longer form
    } else if (StartsWith(full, L"\\\\")) {
        systemPath = L"\\\\?\\UNC\\" + full.substr(2);
    } else {
        systemPath = L"\\\\?\\" + full;
    }
    return systemPath.size() <= LongestPath;
}

}  // namespace

DictionaryFileSogouText::DictionaryFileSogouText()
    : DictionaryFileSogou(DictionaryFileMode::Read, nullptr)
{
}

bool DictionaryFileSogouText::ReadUserFile(const wchar_t* path)
{
    std::wstring systemPath;
    if (path == nullptr || !SystemPath(path, systemPath)) return false;
    {
        // Read-only, never created, and shared with every other reader, writer or deleter:
        // the user's program may hold the file, and must be able to go on with it. The handle
        // is closed as soon as the file is read.
        win::unique_hfile source(CreateFileW(systemPath.c_str(), GENERIC_READ,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                             nullptr));
        // A console, a pipe or a port opens as well, and a read from it may wait forever.
        if (!source || GetFileType(source.get()) != FILE_TYPE_DISK || !ReadContent(source.get())) {
            return false;
        }
    }
    return DecodeText();
}

bool DictionaryFileSogouText::DecodeText()
{
    // Sogou's dictionary manager and the converters do not agree on an encoding. A mark
    // decides; else a NUL byte means UTF-16LE (the lines' apostrophes, spaces and line ends are
    // ASCII, which UTF-16LE writes with a NUL byte, UTF-8 and GBK never); else valid UTF-8 is
    // UTF-8; else valid code page 936 is GBK; else it is none of them and gives no entry.
    if (ContentStartsWithMark() || ContentHoldsNulByte()) return DecodeExportedContent();
    for (const UINT codePage : {static_cast<UINT>(CP_UTF8), GbkCodePage}) {
        switch (DecodeContent(codePage, 0, MB_ERR_INVALID_CHARS)) {
            case Decoding::Decoded:
                return true;
            case Decoding::Failed:
                return false;
            case Decoding::NotInCodePage:
                break;
        }
    }
    DiscardContent();
    return true;
}
