#include "dict/DictionaryFileBase.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <new>

#include "dict/AnsiExactUnits.h"

namespace {

constexpr unsigned char Utf16Mark[] = {0xFF, 0xFE};
constexpr unsigned char Utf8Mark[] = {0xEF, 0xBB, 0xBF};

template <std::size_t Size>
bool StartsWith(const unsigned char* bytes, std::uint32_t size, const unsigned char (&mark)[Size])
{
    return size >= Size && std::memcmp(bytes, mark, Size) == 0;
}

constexpr wchar_t CarriageReturn = L'\r';
constexpr wchar_t LineFeed = L'\n';
// A UTF-16 unit never takes more than three bytes in UTF-8 or in an ANSI code page.
constexpr std::size_t MaxBytesPerUnit = 3;
// Accepted texts are converted some thousands of units at a time, and written when the
// converted block has no room for another such batch: few calls of either kind, and 64 KiB
// in all beside the export.
constexpr std::size_t PendingBlockUnits = 8 * 1024;
constexpr std::size_t ConvertedBlockBytes = 48 * 1024;
// A full pending block is converted into an emptied converted block, whatever its units
// turn into; with less room the conversion could fail for want of it, and that fails the
// whole file. Blocks made larger for a long text keep the same proportion.
static_assert(ConvertedBlockBytes >= PendingBlockUnits * MaxBytesPerUnit,
              "the converted block must hold any full pending block once converted");

// What WriteText's encoding turns the units into.
enum class Target { Units, Utf8, Ansi };

Target TargetOf(TextEncoding encoding)
{
    switch (encoding) {
        case TextEncoding::Utf16:
            return Target::Units;
        case TextEncoding::Utf8:
            return Target::Utf8;
        case TextEncoding::Ansi:
            break;
    }
    // The system's ANSI code page may itself be UTF-8 (a Windows option for worldwide
    // language support).
    static const bool ansiIsUtf8 = GetACP() == CP_UTF8;  // fixed for the process's life
    return ansiIsUtf8 ? Target::Utf8 : Target::Ansi;
}

// UTF-8 holds every character; only a surrogate without its partner is none, and it must
// be refused rather than become U+FFFD.
bool HasLoneSurrogate(const wchar_t* units, std::size_t count)
{
    const auto isLow = [](wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
    for (std::size_t i = 0; i < count; ++i) {
        const wchar_t unit = units[i];
        if (unit < 0xD800 || unit > 0xDFFF) continue;
        if (isLow(unit) || i + 1 == count || !isLow(units[i + 1])) return true;
        ++i;  // the pair's low half
    }
    return false;
}

}  // namespace

bool EncodedTextBytes(std::uint64_t contentBytes, std::uint32_t markBytes, int& textBytes)
{
    if (contentBytes < markBytes ||
        contentBytes - markBytes > static_cast<std::uint64_t>(INT_MAX)) {
        return false;
    }
    textBytes = static_cast<int>(contentBytes - markBytes);
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
    if (!file || !ReadContent(file.get())) return false;
    // Invalid UTF-8 becomes U+FFFD, so a bad byte spoils only its own line, which the line
    // format then refuses.
    return contentSize == 0 || DecodeExportedContent(0) == Decoding::Decoded;
}

bool DictionaryFileBase::ReadContent(HANDLE source)
{
    DWORD sizeHigh = 0;
    const DWORD size = GetFileSize(source, &sizeHigh);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    if (sizeHigh != 0) return false;  // content beyond 4 GiB would be cut off silently
    if (size == 0) return true;
    // The caller may have read the file's head to tell what it is.
    const LARGE_INTEGER start{};
    if (!SetFilePointerEx(source, start, nullptr, FILE_BEGIN)) return false;

    content.reset(new (std::nothrow) unsigned char[size]);
    if (!content) return false;
    DWORD read = 0;
    if (!ReadFile(source, content.get(), size, &read, nullptr) || read != size) {
        content.reset();
        return false;
    }
    contentSize = size;
    return true;
}

void DictionaryFileBase::TakeContent(std::unique_ptr<unsigned char[]> bytes, std::uint32_t size)
{
    content = std::move(bytes);
    contentSize = content ? size : 0;
    readPosition = 0;
}

DictionaryFileBase::Decoding DictionaryFileBase::DecodeExportedContent(DWORD utf8Flags)
{
    encoding = DetectEncoding();
    return encoding != TextEncoding::Utf8 ? Decoding::Decoded
                                          : DecodeContent(CP_UTF8, sizeof(Utf8Mark), utf8Flags);
}

TextEncoding DictionaryFileBase::DetectEncoding()
{
    if (StartsWith(content.get(), contentSize, Utf16Mark)) {
        readPosition = 1;
        return TextEncoding::Utf16;
    }
    if (StartsWith(content.get(), contentSize, Utf8Mark)) return TextEncoding::Utf8;
    return TextEncoding::Utf16;
}

bool DictionaryFileBase::ContentStartsWithMark() const
{
    return StartsWith(content.get(), contentSize, Utf16Mark) ||
           StartsWith(content.get(), contentSize, Utf8Mark);
}

bool DictionaryFileBase::ContentHoldsNulByte() const
{
    return contentSize != 0 && std::memchr(content.get(), 0, contentSize) != nullptr;
}

void DictionaryFileBase::DiscardContent()
{
    content.reset();
    contentSize = 0;
    readPosition = 0;
}

DictionaryFileBase::Decoding DictionaryFileBase::DecodeContent(UINT codePage,
                                                               std::uint32_t markBytes, DWORD flags,
                                                               TextTest accepts)
{
    int textBytes = 0;
    if (!EncodedTextBytes(contentSize, markBytes, textBytes)) return Decoding::Failed;
    if (textBytes == 0) {
        DiscardContent();
        return Decoding::Decoded;
    }
    const char* text = reinterpret_cast<const char*>(content.get()) + markBytes;
    const int unitCount = MultiByteToWideChar(codePage, flags, text, textBytes, nullptr, 0);
    if (unitCount <= 0) {
        return GetLastError() == ERROR_NO_UNICODE_TRANSLATION ? Decoding::NotInCodePage
                                                              : Decoding::Failed;
    }
    std::uint32_t decodedBytes = 0;
    if (!DecodedContentBytes(static_cast<std::uint64_t>(unitCount), decodedBytes)) {
        return Decoding::Failed;
    }
    // wchar_t is UTF-16LE on Windows, so the units land in the buffer as the bytes ReadLine
    // expects; new[] aligns a byte buffer for any fundamental type.
    std::unique_ptr<unsigned char[]> decoded(new (std::nothrow) unsigned char[decodedBytes]);
    if (!decoded ||
        MultiByteToWideChar(codePage, flags, text, textBytes,
                            reinterpret_cast<wchar_t*>(decoded.get()), unitCount) != unitCount) {
        return Decoding::Failed;
    }
    if (accepts != nullptr && !accepts(reinterpret_cast<const wchar_t*>(decoded.get()),
                                       static_cast<std::size_t>(unitCount))) {
        return Decoding::NotAccepted;
    }
    content = std::move(decoded);
    contentSize = decodedBytes;
    readPosition = 0;
    return Decoding::Decoded;
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
    const wchar_t* last = first + (units - readPosition);
    const wchar_t* found =
        lineFeedEndsLine
            ? std::find_if(first, last,
                           [](wchar_t unit) { return unit == CarriageReturn || unit == LineFeed; })
            : std::wmemchr(first, CarriageReturn, units - readPosition);
    if (found == last) found = nullptr;
    if (!found && dropUnterminatedLastLine) {
        readPosition = units;
        return false;
    }
    const std::uint32_t length =
        found ? static_cast<std::uint32_t>(found - first) : units - readPosition;
    line.assign(first, length > LongestLine ? LongestLine + 1 : length);
    readPosition += length;
    if (readPosition < units) {
        const bool carriageReturn = UnitAt(readPosition) == CarriageReturn;
        ++readPosition;  // past the CR or the LF
        if (carriageReturn && readPosition < units && UnitAt(readPosition) == LineFeed) {
            ++readPosition;
        }
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
        const ParseLineResult parsed =
            lineScratch.size() > LongestLine
                ? ParseLineResult::Malformed
                : ParseLine(lineScratch, pinyinScratch, wordScratch, weight);
        switch (parsed) {
            case ParseLineResult::Parsed:
                // Swapped, not moved: the entry and the scratch strings both keep their room.
                entry.pinyin.swap(pinyinScratch);
                entry.word.swap(wordScratch);
                entry.weight = weight;
                return true;
            case ParseLineResult::Malformed:
                // One bad line must not hide the entries after it.
                readStatus = ReadStatusMalformed;
                metUnreadableContent = true;
                break;
            case ParseLineResult::Skipped:
                break;
        }
    }
}

bool DictionaryFileBase::MakePendingRoom(std::size_t count)
{
    if (pendingCapacity - pendingSize >= count) return true;
    if (!ConvertPending()) return false;
    if (count <= pendingCapacity) return true;
    // A text longer than a block gets blocks of its own size, kept for the next one; what
    // the old block holds is written out first.
    if (!WriteConverted()) return false;
    const std::size_t capacity = count > PendingBlockUnits ? count : PendingBlockUnits;
    const std::size_t bytes = capacity * MaxBytesPerUnit > ConvertedBlockBytes
                                  ? capacity * MaxBytesPerUnit
                                  : ConvertedBlockBytes;
    pending.reset(new (std::nothrow) wchar_t[capacity]);
    converted.reset(new (std::nothrow) char[bytes]);
    const bool allocated = pending && converted;
    pendingCapacity = allocated ? capacity : 0;
    convertedCapacity = allocated ? bytes : 0;
    // A text the source gave that can't be written makes the file less than the whole.
    if (!allocated) writeFailed = true;
    return allocated;
}

bool DictionaryFileBase::WriteText(const std::wstring& text)
{
    return AddText({text});
}

bool DictionaryFileBase::AddText(std::initializer_list<std::wstring_view> pieces)
{
    if (!file || writeFailed) return false;
    // A block is written with one WriteFile: its size must fit a DWORD, and a conversion's
    // sizes an int.
    constexpr std::size_t maxUnits = INT_MAX / MaxBytesPerUnit;
    std::size_t count = 0;
    for (std::wstring_view piece : pieces) {
        if (piece.size() > maxUnits - count) return false;
        count += piece.size();
    }
    // Nothing to convert is a conversion that yields no bytes; raw units just add nothing.
    if (count == 0) return encoding == TextEncoding::Utf16;
    if (!MakePendingRoom(count)) return false;

    // The text is copied in first and counted only once all of it is known to be encodable:
    // a refused text leaves its units past pendingSize, where the next one overwrites them.
    wchar_t* const text = pending.get() + pendingSize;
    wchar_t* out = text;
    const Target target = TargetOf(encoding);
    if (target == Target::Ansi) {
        // A character the code page lacks must not become "?" or a look-alike in the user's
        // dictionary: such a text is refused instead. Looked up as each unit is copied: one
        // pass over the text.
        const AnsiExactUnits& exact = AnsiExactUnits::System();
        for (std::wstring_view piece : pieces) {
            for (wchar_t unit : piece) {
                if (!exact.HoldsExactly(unit)) return false;
                *out++ = unit;
            }
        }
    } else {
        for (std::wstring_view piece : pieces) {
            std::wmemcpy(out, piece.data(), piece.size());
            out += piece.size();
        }
        if (target == Target::Utf8 && HasLoneSurrogate(text, count)) return false;
    }
    pendingSize += count;
    return true;
}

bool DictionaryFileBase::Flush()
{
    return ConvertPending() && WriteConverted();
}

bool DictionaryFileBase::ConvertPending()
{
    if (writeFailed) return false;
    if (pendingSize == 0) return true;
    // Room for any units of this number, whatever they convert to.
    if (convertedCapacity - convertedSize < pendingSize * MaxBytesPerUnit && !WriteConverted()) {
        return false;
    }
    char* const out = converted.get() + convertedSize;
    const Target target = TargetOf(encoding);
    if (target == Target::Units) {
        // wchar_t is UTF-16LE on Windows: raw units are their own bytes.
        std::memcpy(out, pending.get(), pendingSize * sizeof(wchar_t));
        convertedSize += pendingSize * sizeof(wchar_t);
        pendingSize = 0;
        return true;
    }
    // Every unit here was found to have an exact character: the plain conversion gives each
    // the bytes an exact one would, without WC_NO_BEST_FIT_CHARS and the used-default flag,
    // which make Wine take a path several times slower.
    const int size =
        WideCharToMultiByte(target == Target::Utf8 ? CP_UTF8 : CP_ACP,
                            target == Target::Utf8 ? WC_ERR_INVALID_CHARS : 0, pending.get(),
                            static_cast<int>(pendingSize), out,
                            static_cast<int>(convertedCapacity - convertedSize), nullptr, nullptr);
    if (size <= 0) {
        // Lines accepted and then lost: the file must not pass for whole.
        writeFailed = true;
        return false;
    }
    convertedSize += static_cast<std::size_t>(size);
    pendingSize = 0;
    return true;
}

bool DictionaryFileBase::WriteConverted()
{
    if (writeFailed) return false;
    if (convertedSize == 0) return true;
    const DWORD size = static_cast<DWORD>(convertedSize);
    convertedSize = 0;
    LARGE_INTEGER blockStart{};
    const bool positionKnown =
        SetFilePointerEx(file.get(), LARGE_INTEGER{}, &blockStart, FILE_CURRENT) != FALSE;
    DWORD written = 0;
    if (WriteFile(file.get(), converted.get(), size, &written, nullptr) && written == size) {
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
