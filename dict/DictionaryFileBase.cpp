#include "dict/DictionaryFileBase.h"

#include <windows.h>

#include <climits>
#include <cwchar>
#include <new>

namespace {

constexpr wchar_t CarriageReturn = L'\r';
constexpr wchar_t LineFeed = L'\n';

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
    while (readPosition < units) {
        const wchar_t unit = UnitAt(readPosition++);
        if (unit == CarriageReturn) {
            if (readPosition < units && UnitAt(readPosition) == LineFeed) ++readPosition;
            return true;
        }
        line.push_back(unit);
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
                // Copied, not moved: the entry and the scratch strings both keep their room.
                entry.pinyin.assign(pinyinScratch);
                entry.word.assign(wordScratch);
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

bool DictionaryFileBase::ReserveConverted(std::size_t size)
{
    if (size <= convertedCapacity) return true;
    converted.reset(new (std::nothrow) char[size]);
    convertedCapacity = converted ? size : 0;
    return converted != nullptr;
}

bool DictionaryFileBase::WriteText(const std::wstring& text)
{
    if (!file) return false;
    const wchar_t* units = text.data();
    const int unitCount = static_cast<int>(text.size());
    const void* bytes = nullptr;
    DWORD byteCount = 0;

    if (encoding == TextEncoding::Utf16) {
        // wchar_t is UTF-16LE on Windows: the units are the bytes.
        bytes = units;
        byteCount = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    } else {
        // UTF-8 holds every character; only a lone surrogate has none, and it must fail
        // rather than become U+FFFD.
        UINT codePage = CP_UTF8;
        DWORD flags = WC_ERR_INVALID_CHARS;
        BOOL usedDefault = FALSE;
        BOOL* usedDefaultOut = nullptr;
        if (encoding == TextEncoding::Ansi && GetACP() != CP_UTF8) {
            // A character the code page lacks must not become "?" or a look-alike in the
            // user's dictionary: such a text is refused instead.
            codePage = CP_ACP;
            flags = WC_NO_BEST_FIT_CHARS;
            usedDefaultOut = &usedDefault;
        }
        // One conversion into a buffer that is large enough for any text of this length
        // (a UTF-16 unit never takes more than three bytes in UTF-8 or an ANSI code page),
        // rather than a first pass to learn the size: this runs once per entry.
        constexpr std::size_t maxBytesPerUnit = 3;
        if (unitCount == 0 || text.size() > INT_MAX / maxBytesPerUnit ||
            !ReserveConverted(text.size() * maxBytesPerUnit)) {
            return false;
        }
        const int size =
            WideCharToMultiByte(codePage, flags, units, unitCount, converted.get(),
                                static_cast<int>(convertedCapacity), nullptr, usedDefaultOut);
        if (size <= 0 || usedDefault) return false;
        bytes = converted.get();
        byteCount = static_cast<DWORD>(size);
    }

    DWORD written = 0;
    return WriteFile(file.get(), bytes, byteCount, &written, nullptr) && written == byteCount;
}

ParseLineResult DictionaryFileBase::ParseLine(const std::wstring&, std::wstring&, std::wstring&,
                                              std::int32_t&)
{
    return ParseLineResult::Parsed;
}
