#include "dict/DictionaryFileSogouText.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "win/UserFile.h"

namespace {

constexpr UINT GbkCodePage = 936;
// A CJK ideograph: the unified ones with their extension A, the compatibility ones, and
// those beyond the BMP (planes 2 and 3, from surrogates D840 to D8BF).
bool HoldsIdeograph(const wchar_t* units, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const wchar_t unit = units[i];
        if ((unit >= 0x3400 && unit <= 0x4DBF) || (unit >= 0x4E00 && unit <= 0x9FFF) ||
            (unit >= 0xF900 && unit <= 0xFAFF)) {
            return true;
        }
        if (unit >= 0xD840 && unit <= 0xD8BF && i + 1 < count && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

// The bytes of a file's head up to and with its last line end, whatever the encoding: the last
// CR or LF byte and the NUL byte after it, which makes it the UTF-16LE unit. In UTF-8 and GBK
// those bytes are never part of a character; in UTF-16LE a cut after such a byte inside a
// character only leaves half a unit over, which is not read. 0 when there is no line end.
std::size_t WholeLinesBytes(const unsigned char* head, std::size_t count)
{
    for (std::size_t end = count; end > 0; --end) {
        const unsigned char byte = head[end - 1];
        if (byte != '\n' && byte != '\r') continue;
        return (end < count && head[end] == 0) ? end + 1 : end;
    }
    return 0;
}

}  // namespace

DictionaryFileSogouText::DictionaryFileSogouText()
    : DictionaryFileSogou(DictionaryFileMode::Read, nullptr, ExportToolRun{})
{
    // Converters on Linux and macOS end the lines in LF alone.
    EndLinesAtLineFeed(true);
}

bool DictionaryFileSogouText::ReadUserFile(const wchar_t* path)
{
    // Closed as soon as the file is read.
    const win::unique_hfile source = win::OpenUserFileToRead(path);
    return source && ReadUserFile(source.get());
}

bool DictionaryFileSogouText::ReadUserFile(HANDLE source)
{
    return ReadContent(source) && DecodeText();
}

bool DictionaryFileSogouText::HeadHoldsEntry(const unsigned char* head, std::size_t count,
                                             bool wholeFile)
{
    // Only a head: its size is the caller's small bound, never a whole large file's.
    if (head == nullptr || count > MAXDWORD) return false;
    const std::size_t kept = wholeFile ? count : WholeLinesBytes(head, count);
    if (kept == 0) return false;
    std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[kept]);
    if (!bytes) return false;
    std::memcpy(bytes.get(), head, kept);
    DictionaryFileSogouText file;
    file.TakeContent(std::move(bytes), static_cast<std::uint32_t>(kept));
    DictionaryEntry entry;
    return file.DecodeText() && file.ReadEntry(entry);
}

bool DictionaryFileSogouText::DecodeText()
{
    // Sogou's dictionary manager and the converters do not agree on an encoding. A mark
    // decides, and after the UTF-8 one only valid UTF-8 is read: a converter that wrote the
    // mark before GBK bytes made a file whose words can't be told. Else a NUL byte means
    // UTF-16LE (the lines' apostrophes, spaces and line ends are ASCII, which UTF-16LE writes
    // with a NUL byte, UTF-8 and GBK never).
    if (ContentStartsWithMark() || ContentHoldsNulByte()) {
        return KeepDecodedOrDiscard(DecodeExportedContent(MB_ERR_INVALID_CHARS));
    }
    // Else valid UTF-8 or valid code page 936 (GBK), and short files can be both at once:
    // "'mo'mo 默默" in GBK is the UTF-8 "'mo'mo ĬĬ". The user's words are Chinese, so the
    // encoding whose text holds Chinese characters is meant, UTF-8 where both do; where
    // neither does, UTF-8 as well. A file in neither encoding gives no entry. Content that an
    // encoding has proved invalid once is not decoded in it again: a decoding of a large file
    // costs as much as reading it.
    const struct {
        UINT codePage;
        TextTest accepts;
    } choices[] = {
        {CP_UTF8, HoldsIdeograph},
        {GbkCodePage, HoldsIdeograph},
        {CP_UTF8, nullptr},
        {GbkCodePage, nullptr},
    };
    bool invalidIn[2] = {false, false};  // UTF-8, GBK
    for (const auto& choice : choices) {
        bool& invalid = invalidIn[choice.codePage == CP_UTF8 ? 0 : 1];
        if (invalid) continue;
        const Decoding decoding =
            DecodeContent(choice.codePage, 0, MB_ERR_INVALID_CHARS, choice.accepts);
        if (decoding == Decoding::Decoded || decoding == Decoding::Failed) {
            return KeepDecodedOrDiscard(decoding);
        }
        invalid = decoding == Decoding::NotInCodePage;
    }
    return KeepDecodedOrDiscard(Decoding::NotInCodePage);
}

bool DictionaryFileSogouText::KeepDecodedOrDiscard(Decoding decoding)
{
    switch (decoding) {
        case Decoding::Decoded:
            return true;
        case Decoding::Failed:
            return false;
        case Decoding::NotInCodePage:
        case Decoding::NotAccepted:
            break;
    }
    DiscardContent();
    MarkUnreadableContent();
    return true;
}
