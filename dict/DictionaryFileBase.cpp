#include "dict/DictionaryFileBase.h"

#include <windows.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <new>

namespace {

constexpr wchar_t CarriageReturn = L'\r';
constexpr wchar_t LineFeed = L'\n';
// Tens of KiB: few WriteFile calls, and little memory beside the export.
constexpr std::size_t WriteBlockSize = 64 * 1024;

}  // namespace

bool Utf8TextBytes(std::uint64_t contentBytes, int& textBytes)
{
    constexpr std::uint64_t markSize = 3;
    if (contentBytes < markSize || contentBytes - markSize > static_cast<std::uint64_t>(INT_MAX)) {
        return false;
    }
    textBytes = static_cast<int>(contentBytes - markSize);
    return true;
}

bool DecodedContentBytes(std::uint64_t unitCount, std::uint32_t& contentBytes)
{
    constexpr std::uint64_t bytesPerUnit = 2;
    if (unitCount > UINT32_MAX / bytesPerUnit) return false;
    contentBytes = static_cast<std::uint32_t>(unitCount * bytesPerUnit);
    return true;
}

DictionaryFileBase::DictionaryFileBase(DictionaryFileMode fileMode) : mode(fileMode)
{
    RefreshTempDirectory();
}

DictionaryFileBase::~DictionaryFileBase()
{
    content.reset();
    file.reset();
    if (path[0] != L'\0') DeleteFileW(path);
}

void DictionaryFileBase::ComposePath(const wchar_t* fileName)
{
    const std::size_t directoryLength = wcsnlen(TempDirectory, TempDirectoryCapacity);
    const std::size_t nameLength = wcslen(fileName);
    if (directoryLength == 0 || directoryLength + nameLength >= PathCapacity) {
        path[0] = L'\0';
        return;
    }
    wmemcpy(path, TempDirectory, directoryLength);
    wmemcpy(path + directoryLength, fileName, nameLength);
    path[directoryLength + nameLength] = L'\0';
}

bool DictionaryFileBase::Open()
{
    if (path[0] == L'\0') return false;
    if (mode == DictionaryFileMode::Read && !Export(path)) return false;
    return Load(path);
}

bool DictionaryFileBase::Load(const wchar_t* filePath)
{
    file.reset(CreateFileW(
        filePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        mode == DictionaryFileMode::Write ? CREATE_ALWAYS : OPEN_ALWAYS, 0, nullptr));
    if (!file) return false;

    DWORD sizeHigh = 0;
    const DWORD size = GetFileSize(file.get(), &sizeHigh);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    if (sizeHigh != 0) return false;  // content beyond 4 GiB would be cut off silently
    if (size == 0) return true;

    content.reset(new (std::nothrow) unsigned char[size]);
    if (!content) return false;
    DWORD read = 0;
    if (!ReadFile(file.get(), content.get(), size, &read, nullptr) || read != size) {
        content.reset();
        return false;
    }
    contentSize = size;
    encoding = DetectEncoding();
    return encoding != TextEncoding::Utf8 || DecodeUtf8Content();
}

TextEncoding DictionaryFileBase::DetectEncoding()
{
    if (contentSize >= 2 && content[0] == 0xFF && content[1] == 0xFE) {
        readPosition = 1;
        return TextEncoding::Utf16;
    }
    if (contentSize >= 3 && content[0] == 0xEF && content[1] == 0xBB && content[2] == 0xBF) {
        return TextEncoding::Utf8;
    }
    return TextEncoding::Utf16;
}

bool DictionaryFileBase::DecodeUtf8Content()
{
    constexpr std::uint32_t markSize = 3;
    readPosition = 0;
    int textBytes = 0;
    if (!Utf8TextBytes(contentSize, textBytes)) return false;
    if (textBytes == 0) {
        content.reset();
        contentSize = 0;
        return true;
    }
    const char* text = reinterpret_cast<const char*>(content.get()) + markSize;
    // Invalid sequences become U+FFFD, so a bad byte spoils only its own line.
    const int unitCount = MultiByteToWideChar(CP_UTF8, 0, text, textBytes, nullptr, 0);
    std::uint32_t decodedBytes = 0;
    if (unitCount <= 0 ||
        !DecodedContentBytes(static_cast<std::uint64_t>(unitCount), decodedBytes)) {
        return false;
    }
    // wchar_t is UTF-16LE on Windows, so the units land in the buffer as the bytes ReadLine
    // expects; new[] aligns a byte buffer for any fundamental type.
    std::unique_ptr<unsigned char[]> decoded(new (std::nothrow) unsigned char[decodedBytes]);
    if (!decoded ||
        MultiByteToWideChar(CP_UTF8, 0, text, textBytes, reinterpret_cast<wchar_t*>(decoded.get()),
                            unitCount) != unitCount) {
        return false;
    }
    content = std::move(decoded);
    contentSize = decodedBytes;
    return true;
}

wchar_t DictionaryFileBase::UnitAt(std::uint32_t index) const
{
    return static_cast<wchar_t>(content[2 * index] | (content[2 * index + 1] << 8));
}

bool DictionaryFileBase::ReadLine(std::wstring& line)
{
    line.clear();
    const std::uint32_t units = UnitCount();
    if (readPosition >= units) return false;
    // Found and copied a whole line at a time: this runs for every line of the export.
    // wchar_t is UTF-16LE on Windows, so the content's bytes are the units.
    const wchar_t* first = reinterpret_cast<const wchar_t*>(content.get()) + readPosition;
    const wchar_t* found = std::wmemchr(first, CarriageReturn, units - readPosition);
    const std::uint32_t end =
        found ? static_cast<std::uint32_t>(found - first) + readPosition : units;
    line.assign(first, end - readPosition);
    readPosition = end;
    if (readPosition < units) {
        ++readPosition;  // past the CR
        if (readPosition < units && UnitAt(readPosition) == LineFeed) ++readPosition;
    }
    return true;
}

bool DictionaryFileBase::ReadEntry(DictionaryEntry& entry)
{
    for (;;) {
        pinyinScratch.clear();
        wordScratch.clear();
        std::int32_t weight = 0;
        if (!ReadLine(lineScratch)) {
            readStatus = ReadStatusExhausted;
            return false;
        }
        switch (ParseLine(lineScratch, pinyinScratch, wordScratch, weight)) {
            case ParseLineResult::Parsed:
                // Swapped, not moved: the entry and the scratch strings both keep their room.
                entry.pinyin.swap(pinyinScratch);
                entry.word.swap(wordScratch);
                entry.weight = weight;
                return true;
            case ParseLineResult::Malformed:
                // One bad line must not hide the entries after it.
                readStatus = ReadStatusMalformed;
                break;
            case ParseLineResult::Skipped:
                break;
        }
    }
}

bool DictionaryFileBase::MakeWriteRoom(std::size_t size)
{
    if (writeCapacity - writeSize >= size) return true;
    if (!Flush()) return false;
    if (size <= writeCapacity) return true;
    // A text longer than a block gets a buffer of its own size, kept for the next one.
    const std::size_t capacity = size > WriteBlockSize ? size : WriteBlockSize;
    writeBuffer.reset(new (std::nothrow) char[capacity]);
    writeCapacity = writeBuffer ? capacity : 0;
    return writeBuffer != nullptr;
}

bool DictionaryFileBase::WriteText(const std::wstring& text)
{
    if (!file || writeFailed) return false;
    // A block is written with one WriteFile: its size must fit a DWORD, and a conversion's
    // sizes an int.
    constexpr std::size_t maxBytesPerUnit = 3;
    if (text.size() > INT_MAX / maxBytesPerUnit) return false;
    const int unitCount = static_cast<int>(text.size());

    if (encoding == TextEncoding::Utf16) {
        // wchar_t is UTF-16LE on Windows: the units are the bytes.
        const std::size_t byteCount = text.size() * sizeof(wchar_t);
        if (byteCount == 0) return true;
        if (!MakeWriteRoom(byteCount)) return false;
        std::memcpy(writeBuffer.get() + writeSize, text.data(), byteCount);
        writeSize += byteCount;
        return true;
    }

    // UTF-8 holds every character; only a lone surrogate has none, and it must fail rather
    // than become U+FFFD.
    UINT codePage = CP_UTF8;
    DWORD flags = WC_ERR_INVALID_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = nullptr;
    if (encoding == TextEncoding::Ansi && GetACP() != CP_UTF8) {
        // A character the code page lacks must not become "?" or a look-alike in the user's
        // dictionary: such a text is refused instead.
        codePage = CP_ACP;
        flags = WC_NO_BEST_FIT_CHARS;
        usedDefaultOut = &usedDefault;
    }
    // One conversion straight into the write buffer, with room for any text of this length
    // (a UTF-16 unit never takes more than three bytes in UTF-8 or an ANSI code page), rather
    // than a first pass to learn the size: this runs once per entry.
    if (unitCount == 0 || !MakeWriteRoom(text.size() * maxBytesPerUnit)) return false;
    const std::size_t room = writeCapacity - writeSize;
    const int size = WideCharToMultiByte(
        codePage, flags, text.data(), unitCount, writeBuffer.get() + writeSize,
        room > INT_MAX ? INT_MAX : static_cast<int>(room), nullptr, usedDefaultOut);
    // A refused text leaves its bytes past writeSize, where the next text overwrites them.
    if (size <= 0 || usedDefault) return false;
    writeSize += static_cast<std::size_t>(size);
    return true;
}

bool DictionaryFileBase::Flush()
{
    if (writeFailed) return false;
    if (writeSize == 0) return true;
    const DWORD size = static_cast<DWORD>(writeSize);
    writeSize = 0;
    LARGE_INTEGER blockStart{};
    const bool positionKnown =
        SetFilePointerEx(file.get(), LARGE_INTEGER{}, &blockStart, FILE_CURRENT) != FALSE;
    DWORD written = 0;
    if (WriteFile(file.get(), writeBuffer.get(), size, &written, nullptr) && written == size) {
        return true;
    }
    // A full disk writes what fits and fails. A line cut there, and the next glued to it,
    // would be a garbage word in the user's dictionary; a file with lines missing must never
    // pass for the whole: take the part back and fail the file.
    writeFailed = true;
    if (positionKnown && SetFilePointerEx(file.get(), blockStart, nullptr, FILE_BEGIN)) {
        SetEndOfFile(file.get());
    }
    return false;
}

ParseLineResult DictionaryFileBase::ParseLine(const std::wstring&, std::wstring&, std::wstring&,
                                              std::int32_t&)
{
    return ParseLineResult::Parsed;
}
