// One temporary dictionary file through which entries leave one IME and enter another.
// The whole file is held in memory and read line by line as UTF-16LE; text is written in
// the file's encoding. Destroying the object deletes the file. A subclass may read a file of
// the user's instead: it has no path here, so the base neither holds nor deletes it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "dict/DictionaryEntry.h"
#include "dict/TempDirectory.h"
#include "win/UniqueHandles.h"

class DictionaryFileBase {
public:
    static constexpr std::size_t PathCapacity = 256;
    static constexpr std::int32_t ReadStatusMalformed = 3;
    static constexpr std::int32_t ReadStatusExhausted = 4;
    // The longest line that can hold an entry, in units: a reading of some dozens of
    // syllables and its word take a few hundred. A longer line is not one, and is never held
    // whole: a file without line ends would otherwise be copied line, word and import line,
    // several times its own size in memory.
    static constexpr std::size_t LongestLine = 4096;

    virtual ~DictionaryFileBase();
    DictionaryFileBase(const DictionaryFileBase&) = delete;
    DictionaryFileBase& operator=(const DictionaryFileBase&) = delete;

    // Read mode: Export into the file's own path, then Load it. Write mode: Load, which
    // creates the file empty. False as well when the file's path could not be composed.
    bool Open();

    virtual bool Export(const wchar_t* path) = 0;
    virtual bool Import() = 0;
    // The next Parsed entry; comments, empty, malformed and overlong lines are passed over.
    // False at the end of the content, with the entry left as it was.
    virtual bool ReadEntry(DictionaryEntry& entry);
    virtual bool WriteEntry(const DictionaryEntry& entry) = 0;
    // The next line without its terminator (CR or CR LF, and LF alone where a subclass says
    // so). A line longer than LongestLine comes back as its first LongestLine + 1 units: too
    // long to be an entry, and no larger. False when no unit remains, and at a last line
    // without a terminator when such a line is to be dropped (below).
    virtual bool ReadLine(std::wstring& line);
    // Encodes the text as it stands and adds it to what the file writes at its position, in
    // blocks: Flush makes it reach the file. False, with nothing added, when the text can't
    // be encoded exactly, or when the file has failed (below).
    virtual bool WriteText(const std::wstring& text);
    virtual ParseLineResult ParseLine(const std::wstring& line, std::wstring& pinyin,
                                      std::wstring& word, std::int32_t& weight);

    // Writes out what WriteText has gathered. A write that fails or falls short fails the
    // file for good: the part of the block that reached it is taken back, so the file holds
    // whole texts only, and this and every later WriteText and Flush return false. A block
    // that WriteText can't have fails it the same way.
    bool Flush();

    const wchar_t* Path() const { return path; }
    TextEncoding Encoding() const { return encoding; }
    std::int32_t ReadStatus() const { return readStatus; }
    // Whether content was met that no entry can come of: a line that is not one, or bytes that
    // are text in no encoding the file reads.
    bool MetUnreadableContent() const { return metUnreadableContent; }

protected:
    explicit DictionaryFileBase(DictionaryFileMode fileMode);

    // Sets the path to TempDirectory followed by fileName, or leaves it empty when that
    // does not fit.
    void ComposePath(const wchar_t* fileName);
    // For content whose writer may have stopped in the middle of it: a last line that no line
    // end closes may be cut, and is then not read.
    void DropUnterminatedLastLine(bool drop) { dropUnterminatedLastLine = drop; }
    // For content from writers that end lines in LF alone (Linux and macOS): LF ends a line
    // as well.
    void EndLinesAtLineFeed(bool ends) { lineFeedEndsLine = ends; }
    void SetEncoding(TextEncoding value) { encoding = value; }

    // For a subclass whose content comes from a file of the user's, which it opens itself.
    // Reads the whole of an open file into the content, undecoded, from its start whatever has
    // been read of it before. False when the file is over 4 GiB, when the memory can't be had,
    // or when the read fails or falls short.
    bool ReadContent(HANDLE source);
    // The same for bytes the subclass has read itself: they become the content, undecoded.
    void TakeContent(std::unique_ptr<unsigned char[]> bytes, std::uint32_t size);
    enum class Decoding : std::int32_t {
        Decoded = 0,
        NotInCodePage = 1,  // bytes that the code page refuses (with MB_ERR_INVALID_CHARS)
        Failed = 2,         // too large to be held, or a conversion the system can't make
        NotAccepted = 3,    // decoded, but not into text the caller accepts
    };
    // Decodes the content read as the export tool writes it: after an FF FE mark or without
    // one UTF-16LE, after an EF BB BF mark UTF-8 with utf8Flags.
    Decoding DecodeExportedContent(DWORD utf8Flags);
    // Whether decoded text is what the caller means the content to be.
    using TextTest = bool (*)(const wchar_t* units, std::size_t count);
    // Replaces the content after its first markBytes bytes, text in the code page, by the
    // same text in UTF-16LE, which ReadLine reads from its start, where accepts (if any) takes
    // it. Left as it was unless Decoded; never more than the content and its decoded text are
    // held at once.
    Decoding DecodeContent(UINT codePage, std::uint32_t markBytes, DWORD flags,
                           TextTest accepts = nullptr);
    // Whether the content read begins with either mark above, and whether any of its bytes
    // is 0.
    bool ContentStartsWithMark() const;
    bool ContentHoldsNulByte() const;
    // Leaves no content: nothing to read.
    void DiscardContent();
    void MarkUnreadableContent() { metUnreadableContent = true; }
    // The content as read, for a subclass that reads it as it is rather than as lines.
    const unsigned char* ContentBytes() const { return content.get(); }
    std::uint32_t ContentByteCount() const { return contentSize; }
    // WriteText of the text that the pieces make one after the other, without that text
    // being made first: making a line costs a good part of writing it. It goes round the
    // virtual WriteText, so the caller passes itself, and the compiler makes sure that there
    // is nothing to go round: its class keeps the base's WriteText and has no subclass.
    template <class File>
    bool WriteTextPieces(const File* /*self*/, std::initializer_list<std::wstring_view> pieces)
    {
        static_assert(std::is_final_v<File>, "a subclass could override WriteText");
        static_assert(
            std::is_same_v<decltype(&File::WriteText), decltype(&DictionaryFileBase::WriteText)>,
            "the class's own WriteText would be gone round");
        return AddText(pieces);
    }

private:
    // What WriteText does, with the text in pieces.
    bool AddText(std::initializer_list<std::wstring_view> pieces);
    bool Load(const wchar_t* filePath);
    TextEncoding DetectEncoding();
    std::uint32_t UnitCount() const { return contentSize / 2; }
    // Makes room for count more units in the pending block, writing out what it holds when
    // they would not fit. False when the file has failed, and when the room can't be had,
    // which fails it.
    bool MakePendingRoom(std::size_t count);
    // Converts the pending units into the converted block, writing the block out first when
    // they might not fit. False when the file has failed.
    bool ConvertPending();
    // Writes out the converted block; see Flush for a write that fails.
    bool WriteConverted();
    wchar_t UnitAt(std::uint32_t index) const;

    wchar_t path[PathCapacity] = {};
    std::int32_t readStatus = 0;
    std::unique_ptr<unsigned char[]> content;
    std::uint32_t contentSize = 0;
    std::uint32_t readPosition = 0;
    bool dropUnterminatedLastLine = false;
    bool lineFeedEndsLine = false;
    bool metUnreadableContent = false;
    TextEncoding encoding = TextEncoding::Utf16;
    win::unique_hfile file;
    DictionaryFileMode mode;

    // Kept from one entry to the next so that a long transfer does not allocate per line:
    // the line being parsed and its fields.
    std::wstring lineScratch;
    std::wstring pinyinScratch;
    std::wstring wordScratch;

    // Accepted texts wait here as they are, are converted a batch at a time into a block in
    // the file's encoding, and the block is written when it is full: one conversion call and
    // one WriteFile for many lines cost a fraction of one per line.
    std::unique_ptr<wchar_t[]> pending;
    std::size_t pendingCapacity = 0;  // units
    std::size_t pendingSize = 0;
    std::unique_ptr<char[]> converted;  // room for three bytes for each unit pending at least
    std::size_t convertedCapacity = 0;
    std::size_t convertedSize = 0;
    bool writeFailed = false;
};

// The sizes of decoding content (its mark of markBytes included) into the UTF-16LE that
// ReadLine reads. Both are false where the numbers can't be held: text after the mark longer
// than one conversion call takes (INT_MAX bytes), or more units than the content's 32-bit
// size holds.
bool EncodedTextBytes(std::uint64_t contentBytes, std::uint32_t markBytes, int& textBytes);
bool DecodedContentBytes(std::uint64_t unitCount, std::uint32_t& contentBytes);
