#include "dict/DictionaryFileSogouText.h"

#include <windows.h>

#include <cwchar>
#include <string>

#include "win/FullPath.h"
#include "win/UniqueHandles.h"

namespace {

constexpr UINT GbkCodePage = 936;

}  // namespace

DictionaryFileSogouText::DictionaryFileSogouText()
    : DictionaryFileSogou(DictionaryFileMode::Read, nullptr)
{
}

bool DictionaryFileSogouText::ReadUserFile(const wchar_t* path)
{
    // Bounded: a path one unit longer than any Windows takes is refused as too long.
    std::wstring systemPath;
    if (path == nullptr || !SystemPathOf(std::wstring(path, wcsnlen(path, 32768)), systemPath)) {
        return false;
    }
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
