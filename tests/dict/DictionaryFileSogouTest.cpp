#include "dict/DictionaryFileSogou.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "dict/CreateDictionaryFile.h"
#include "dict/SogouFileRecognition.h"

#include "tests/dict/FixtureFile.h"
#include "tests/support/EnvironmentOverride.h"
#include "tests/support/PrefixInstall.h"
#include "tests/support/ProcessTempDirectory.h"
#include "tests/support/ScratchRegistry.h"
#include "tests/support/SogouBackupWriter.h"
#include "win/FullPath.h"

namespace {

struct ParseCase {
    const wchar_t* line;
    ParseLineResult result;
    const wchar_t* pinyin;
    const wchar_t* word;
};

TEST(SogouParseLine, ReadsTheExportLineFormat)
{
    testsupport::ProcessTempDirectory temp;
    DictionaryFileSogou file(DictionaryFileMode::Read);
    const ParseCase cases[] = {
        {L";comment 'ni'hao \x4F60", ParseLineResult::Skipped, L"", L""},
        {L";", ParseLineResult::Skipped, L"", L""},
        {L"", ParseLineResult::Skipped, L"", L""},
        {L"'ni'hao \x4F60\x597D", ParseLineResult::Parsed, L"ni hao", L"\x4F60\x597D"},
        {L"'a \x963F \x59E8", ParseLineResult::Parsed, L"a", L"\x963F \x59E8"},
        {L"'ni''hao \x4F60\x597D", ParseLineResult::Parsed, L"ni  hao", L"\x4F60\x597D"},
        {L"'nihao \x4F60\x597D\tmore", ParseLineResult::Parsed, L"nihao", L"\x4F60\x597D\tmore"},
        {L"'ni'hao ", ParseLineResult::Parsed, L"ni hao", L""},
        {L"' \x4F60", ParseLineResult::Parsed, L"", L"\x4F60"},
        {L"'zhong'guo  \x4E2D\x56FD", ParseLineResult::Parsed, L"zhong guo", L" \x4E2D\x56FD"},
        {L"ni'hao \x4F60\x597D", ParseLineResult::Malformed, L"", L""},
        {L"'nihao\x4F60\x597D", ParseLineResult::Malformed, L"", L""},
        {L"'nihao\t\x4F60\x597D", ParseLineResult::Malformed, L"", L""},
        {L"'nihao\x3000\x4F60\x597D", ParseLineResult::Malformed, L"", L""},
        {L" 'ni'hao \x4F60\x597D", ParseLineResult::Malformed, L"", L""},
        // A character that a decoder lost on the way.
        {L"'ni'hao \x4F60\xFFFD", ParseLineResult::Malformed, L"", L""},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << (&c - cases));
        std::wstring pinyin;
        std::wstring word;
        std::int32_t weight = 0;
        const ParseLineResult result = file.ParseLine(c.line, pinyin, word, weight);
        EXPECT_EQ(c.result, result);
        if (result == ParseLineResult::Parsed) {
            EXPECT_EQ(c.pinyin, pinyin);
            EXPECT_EQ(c.word, word);
            EXPECT_EQ(1, weight);
        }
    }
}

TEST(SogouReadEntry, PassesOverCommentsEmptyAndMalformedLines)
{
    testsupport::ProcessTempDirectory temp;
    testsupport::FixtureSogouFile file(testsupport::Utf16Export({
        L";export of the user dictionary",
        L"'ni'hao \x4F60\x597D",
        L"",
        L"broken line",
        L"'nihao\x4F60\x597D",
        L"'chang " + std::wstring(DictionaryFileBase::LongestLine, L'\x957F'),
        L"'zhong'guo \x4E2D\x56FD",
    }));
    ASSERT_TRUE(file.Open());
    DictionaryEntry entry;
    ASSERT_TRUE(file.ReadEntry(entry));
    EXPECT_EQ(L"ni hao", entry.pinyin);
    EXPECT_EQ(L"\x4F60\x597D", entry.word);
    EXPECT_EQ(1, entry.weight);
    ASSERT_TRUE(file.ReadEntry(entry));
    EXPECT_EQ(L"zhong guo", entry.pinyin);
    EXPECT_EQ(L"\x4E2D\x56FD", entry.word);
    EXPECT_EQ(DictionaryFileBase::ReadStatusMalformed, file.ReadStatus());
    EXPECT_FALSE(file.ReadEntry(entry));
    EXPECT_EQ(L"zhong guo", entry.pinyin);
}

class SogouCommandLine : public testing::Test {
protected:
    void Install(const std::wstring& directory, const std::wstring& version)
    {
        registry.SetString(L"SOFTWARE\\sogouinput", nullptr, directory);
        registry.SetString(L"SOFTWARE\\sogouinput", L"version", version);
    }
    bool Compose(const wchar_t* exportPath = L"C:\\users\\u\\Temp\\sogou.tmp")
    {
        return ComposeExportCommandLine(exportPath, toolPath, commandLine);
    }

    testsupport::ScratchRegistry registry;
    std::wstring toolPath;
    std::wstring commandLine;
};

TEST_F(SogouCommandLine, IsComposedByteForByteWhereNothingNeedsQuoting)
{
    Install(L"C:\\SogouInput", L"12.3.0.4567");
    ASSERT_TRUE(Compose());
    EXPECT_EQ(
        L"C:\\SogouInput\\12.3.0.4567\\sgtool.exe --appid=userdict --export "
        L"C:\\users\\u\\Temp\\sogou.tmp",
        commandLine);

    // The directory is used unchanged, so a trailing backslash is doubled.
    Install(L"C:\\SogouInput\\", L"12.3");
    ASSERT_TRUE(Compose());
    EXPECT_EQ(
        L"C:\\SogouInput\\\\12.3\\sgtool.exe --appid=userdict --export "
        L"C:\\users\\u\\Temp\\sogou.tmp",
        commandLine);
}

TEST_F(SogouCommandLine, QuotesProgramAndExportPathThatHoldSpaceOrTab)
{
    Install(L"C:\\Program Files (x86)\\SogouInput", L"12.3");
    ASSERT_TRUE(Compose(L"C:\\users\\Li Lei\\Temp\\sogou.tmp"));
    EXPECT_EQ(
        L"\"C:\\Program Files (x86)\\SogouInput\\12.3\\sgtool.exe\" --appid=userdict "
        L"--export \"C:\\users\\Li Lei\\Temp\\sogou.tmp\"",
        commandLine);

    Install(L"C:\\Sogou", L"12\t3");
    ASSERT_TRUE(Compose());
    EXPECT_EQ(
        L"\"C:\\Sogou\\12\t3\\sgtool.exe\" --appid=userdict --export "
        L"C:\\users\\u\\Temp\\sogou.tmp",
        commandLine);
}

TEST_F(SogouCommandLine, FailsOnMissingValuesAndDirectoriesThatAreNotAbsolute)
{
    EXPECT_FALSE(Compose());
    registry.CreateKey(L"SOFTWARE\\sogouinput");
    EXPECT_FALSE(Compose());
    registry.SetString(L"SOFTWARE\\sogouinput", nullptr, L"C:\\Sogou");
    EXPECT_FALSE(Compose());
    registry.SetString(L"SOFTWARE\\sogouinput", L"version", L"1.0");
    EXPECT_TRUE(Compose());
    EXPECT_EQ(L"C:\\Sogou\\1.0\\sgtool.exe", toolPath);

    // Each of these would be searched for, or taken from the current drive or directory.
    for (const wchar_t* directory :
         {L"", L"Sogou", L"..\\Sogou", L"\\Sogou", L"/Sogou", L"C:Sogou", L"C:Sogou/x",
          L"1:\\Sogou", L"1:/Sogou", L"\\\\server", L"//server/", L"\\\\\\share", L"//\\share",
          L"//server//share"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(directory)));
        Install(directory, L"1.0");
        EXPECT_FALSE(Compose());
    }
    // Windows reads '/' as '\' in every place of the two absolute forms; the value is used as
    // it is stored.
    for (const wchar_t* directory :
         {L"\\\\server\\share", L"C:/Sogou", L"c:/Program Files/Sogou", L"C:\\Sogou/x",
          L"//server/share", L"\\\\server/share", L"/\\server\\share"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(directory)));
        Install(directory, L"1.0");
        ASSERT_TRUE(Compose());
        EXPECT_EQ(directory + std::wstring(L"\\1.0\\sgtool.exe"), toolPath);
    }
}

TEST_F(SogouCommandLine, NeverReadsPastTheValueBuffer)
{
    const std::wstring full(260, L'v');  // fills all 260 units, no room for a terminator
    Install(L"C:\\Sogou", L"1.0");
    registry.SetRaw(L"SOFTWARE\\sogouinput", L"version", REG_SZ, full.data(), 520);
    EXPECT_FALSE(Compose());
    registry.SetRaw(L"SOFTWARE\\sogouinput", nullptr, REG_SZ, full.data(), 520);
    registry.SetString(L"SOFTWARE\\sogouinput", L"version", L"1.0");
    EXPECT_FALSE(Compose());
    // Longer than the buffer.
    registry.SetString(L"SOFTWARE\\sogouinput", nullptr, std::wstring(400, L'd'));
    EXPECT_FALSE(Compose());

    // 259 units fit, with or without a stored terminator.
    const std::wstring longest = L"C:\\" + std::wstring(256, L'd');
    registry.SetRaw(L"SOFTWARE\\sogouinput", nullptr, REG_SZ, longest.data(), 518);
    ASSERT_TRUE(Compose());
    EXPECT_EQ(0u, commandLine.find(longest + L"\\1.0\\sgtool.exe "));
    registry.SetString(L"SOFTWARE\\sogouinput", nullptr, longest);
    EXPECT_TRUE(Compose());

    // A REG_EXPAND_SZ value is expanded, and what it expands to must fit as well.
    const wchar_t expandable[] = L"C:\\%LEXIFERRY_SOGOU_FOLDER%";
    registry.SetRaw(L"SOFTWARE\\sogouinput", nullptr, REG_EXPAND_SZ, expandable,
                    sizeof(expandable));
    {
        testsupport::EnvironmentOverride folder(L"LEXIFERRY_SOGOU_FOLDER", L"Sogou");
        ASSERT_TRUE(Compose());
        EXPECT_EQ(L"C:\\Sogou\\1.0\\sgtool.exe", toolPath);
    }
    testsupport::EnvironmentOverride folder(L"LEXIFERRY_SOGOU_FOLDER", std::wstring(257, L'd'));
    EXPECT_FALSE(Compose());
}

TEST_F(SogouCommandLine, RefusesValuesThatAreNotStrings)
{
    Install(L"C:\\Sogou", L"1.0");
    const DWORD number = 7;
    registry.SetRaw(L"SOFTWARE\\sogouinput", L"version", REG_DWORD, &number, sizeof(number));
    EXPECT_FALSE(Compose());
    registry.SetString(L"SOFTWARE\\sogouinput", L"version", L"1.0");
    const wchar_t text[] = L"C:\\Sogou";
    registry.SetRaw(L"SOFTWARE\\sogouinput", nullptr, REG_BINARY, text, sizeof(text));
    EXPECT_FALSE(Compose());
    registry.SetRaw(L"SOFTWARE\\sogouinput", nullptr, REG_MULTI_SZ, L"C:\\Sogou\0", 20);
    EXPECT_FALSE(Compose());
}

// The user's own file of the export tool's lines, as Sogou's dictionary manager or a
// converter writes it.

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;  // pinyin, word

Entries EntriesOf(DictionaryFileBase& file)
{
    Entries entries;
    DictionaryEntry entry;
    while (file.ReadEntry(entry)) {
        EXPECT_EQ(1, entry.weight);
        entries.emplace_back(entry.pinyin, entry.word);
    }
    return entries;
}

// The file's entries; a failure when it does not open.
Entries EntriesOfTextFile(const std::wstring& path)
{
    std::unique_ptr<DictionaryFileBase> file = OpenSogouTextFile(path.c_str());
    if (!file) {
        ADD_FAILURE() << "not opened";
        return {};
    }
    return EntriesOf(*file);
}

const Entries TextFileEntries = {
    {L"ni hao", L"\x4F60\x597D"}, {L"shi jie", L"\x4E16\x754C"}, {L"a yi", L"\x963F\x59E8"}};

// The lines that give TextFileEntries, each as its bytes in one encoding, without line end.
std::vector<std::string> TextFileLines(const std::string& encoding)
{
    // The GBK bytes written out: converted with code page 936, they would check the reader's
    // conversion against itself.
    if (encoding == "GBK") {
        return {";Sogou user dictionary",    "'ni'hao \xC4\xE3\xBA\xC3", "broken", "",
                "'shi'jie \xCA\xC0\xBD\xE7", "'a'yi \xB0\xA2\xD2\xCC"};
    }
    const std::vector<std::wstring> lines = {
        L";Sogou user dictionary", L"'ni'hao \x4F60\x597D", L"broken", L"",
        L"'shi'jie \x4E16\x754C",  L"'a'yi \x963F\x59E8"};
    std::vector<std::string> bytes;
    for (const std::wstring& line : lines) {
        bytes.push_back(encoding == "UTF-8" ? testsupport::Utf8Bytes(line)
                                            : testsupport::Utf16Bytes(line));
    }
    return bytes;
}

TEST(SogouTextFile, GivesTheSameEntriesInEveryEncodingAndLineEnd)
{
    testsupport::ProcessTempDirectory temp;
    const std::wstring path = temp.Directory() + L"\x8BCD\x5E93 export.txt";
    const struct {
        const char* name;
        const char* lines;
        std::string mark;
    } encodings[] = {
        {"UTF-16LE with its mark", "UTF-16LE", "\xFF\xFE"},
        {"UTF-16LE without a mark", "UTF-16LE", ""},
        {"UTF-8 with its mark", "UTF-8", "\xEF\xBB\xBF"},
        // All of it is valid GBK as well (as 浣犲ソ...), and holds Chinese both ways: UTF-8
        // must be chosen.
        {"UTF-8 without a mark", "UTF-8", ""},
        {"GBK", "GBK", ""},
    };
    for (const auto& encoding : encodings) {
        const bool wide = std::string(encoding.lines) == "UTF-16LE";
        const std::vector<std::string> lines = TextFileLines(encoding.lines);
        // CR LF after every line; CR or LF alone between lines, and none after the last.
        for (const std::wstring lineEnd : {L"\r\n", L"\r", L"\n"}) {
            SCOPED_TRACE(testing::Message()
                         << encoding.name << ", line end " << testing::PrintToString(lineEnd));
            const std::string end = wide ? testsupport::Utf16Bytes(lineEnd)
                                         : std::string(lineEnd.begin(), lineEnd.end());
            std::string bytes = encoding.mark;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                bytes += lines[i];
                if (lineEnd.size() == 2 || i + 1 < lines.size()) bytes += end;
            }
            ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes));
            EXPECT_EQ(TextFileEntries, EntriesOfTextFile(path));
        }
    }
    // GBK that is valid UTF-8 as well, as "'mo'mo \x012C\x012C" and "'mang'lu \x00E6\x00B5"
    // (Latin letters): the encoding whose text is Chinese is meant.
    ASSERT_TRUE(
        testsupport::WriteFileBytes(path, "'mo'mo \xC4\xAC\xC4\xAC\n'mang'lu \xC3\xA6\xC2\xB5"));
    EXPECT_EQ((Entries{{L"mo mo", L"\x9ED8\x9ED8"}, {L"mang lu", L"\x5FD9\x788C"}}),
              EntriesOfTextFile(path));
}

FILETIME FileTime(std::uint64_t value)
{
    return {static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

struct FileTimes {
    FILETIME creation{};
    FILETIME lastWrite{};
};

bool ReadTimes(const std::wstring& path, FileTimes& times)
{
    win::unique_hfile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    return file && GetFileTime(file.get(), &times.creation, nullptr, &times.lastWrite);
}

bool SameTime(const FILETIME& left, const FILETIME& right)
{
    return CompareFileTime(&left, &right) == 0;
}

TEST(SogouTextFile, LeavesTheUserFileAsItWasAndNeverHoldsIt)
{
    testsupport::ProcessTempDirectory temp;
    const std::wstring path = temp.Directory() + L"sogou-user.txt";
    const std::string bytes = "\xEF\xBB\xBF'ni'hao \xE4\xBD\xA0\xE5\xA5\xBD\r\n";
    ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes));
    {
        // Times years back, so that a write or a touch would show.
        win::unique_hfile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        const FILETIME created = FileTime(126000000000000000ull);  // 2000-04-14
        const FILETIME written = FileTime(127000000000000000ull);  // 2003-06-15
        ASSERT_TRUE(file && SetFileTime(file.get(), &created, nullptr, &written));
    }
    FileTimes before;
    ASSERT_TRUE(ReadTimes(path, before));

    std::unique_ptr<DictionaryFileBase> file;
    {
        // The user's editor holds it for writing and deleting, letting readers in.
        win::unique_hfile writer(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer);
        file = OpenSogouTextFile(path.c_str());
        ASSERT_NE(nullptr, file);
    }
    {
        // Nothing of ours holds it any more: another program may have it to itself.
        win::unique_hfile exclusive(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                                0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(exclusive);
    }
    EXPECT_EQ((Entries{{L"ni hao", L"\x4F60\x597D"}}), EntriesOf(*file));
    EXPECT_FALSE(file->WriteText(L"'zai'jian \x518D\x89C1\r\n"));
    file.reset();

    EXPECT_EQ(bytes, testsupport::ReadFileBytes(path));
    FileTimes after;
    ASSERT_TRUE(ReadTimes(path, after));
    EXPECT_TRUE(SameTime(before.creation, after.creation));
    EXPECT_TRUE(SameTime(before.lastWrite, after.lastWrite));
}

TEST(SogouTextFile, GivesNoneForWhatCannotBeReadAndNoEntryForOtherBytes)
{
    testsupport::ProcessTempDirectory temp;
    const std::wstring missing = temp.Directory() + L"missing.txt";
    EXPECT_EQ(nullptr, OpenSogouTextFile(missing.c_str()));
    EXPECT_FALSE(testsupport::FileExists(missing));
    EXPECT_EQ(nullptr, OpenSogouTextFile(nullptr));
    EXPECT_EQ(nullptr, OpenSogouTextFile(L""));
    EXPECT_EQ(nullptr, OpenSogouTextFile(temp.Directory().c_str()));
    const std::wstring folder = temp.Directory().substr(0, temp.Directory().size() - 1);
    EXPECT_EQ(nullptr, OpenSogouTextFile(folder.c_str()));
    // A device opens like a file, and a read from one may wait forever.
    EXPECT_EQ(nullptr, OpenSogouTextFile(L"NUL"));
    // Longer than any path Windows takes.
    EXPECT_EQ(nullptr, OpenSogouTextFile((L"C:\\" + std::wstring(40000, L'd')).c_str()));

    // Exactly 4 GiB, all of it a hole, so that it costs no disk.
    const std::wstring huge = temp.Directory() + L"huge.txt";
    {
        win::unique_hfile file(
            CreateFileW(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        LARGE_INTEGER size{};
        size.QuadPart = 0x100000000ll;
        ASSERT_TRUE(file && SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) &&
                    SetEndOfFile(file.get()));
    }
    EXPECT_EQ(nullptr, OpenSogouTextFile(huge.c_str()));
    DeleteFileW(huge.c_str());

    const std::wstring path = temp.Directory() + L"not a dictionary.txt";
    for (const std::string& bytes : {
             std::string(),
             // Neither UTF-8 nor code page 936: a GBK lead byte without its trail, before a
             // line end or at the very end.
             std::string("'ni'hao \xC4\xE3\xBA\xC3\r\n'zhong'guo \x81\r\n'a \xB0\xA2\r\n"),
             std::string("'ni'hao \xC4\xE3\xBA\xC3\r\n'zhong'guo \xD6"),
             // GBK after the UTF-8 mark: whatever of it would pass for UTF-8 ("'mo'mo 默默"
             // is), the mark is wrong about the file.
             std::string("\xEF\xBB\xBF'mo'mo \xC4\xAC\xC4\xAC\r\n'ni'hao \xC4\xE3\xBA\xC3\r\n"),
         }) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes));
        std::unique_ptr<DictionaryFileBase> file = OpenSogouTextFile(path.c_str());
        ASSERT_NE(nullptr, file);
        EXPECT_EQ(Entries{}, EntriesOf(*file));
    }
}

// The window's check of a chosen file reads only its head, which may end in the middle of a
// character: whatever the encoding and wherever the head ends, a file the reading takes is
// recognised, and one it gives nothing from is not.
TEST(SogouTextFile, IsRecognisedByItsHeadAsTheReadingWouldTakeIt)
{
    testsupport::ProcessTempDirectory temp;
    const std::wstring path = temp.Directory() + L"\x8BCD\x5E93.txt";
    const auto narrow = [](const std::wstring& text) { return testsupport::Utf8Bytes(text); };
    const auto wide = [](const std::wstring& text) { return testsupport::Utf16Bytes(text); };
    const struct {
        const char* name;
        std::string mark;
        std::string (*encode)(const std::wstring&);  // of the ASCII comment line
        std::string line;                            // an entry line with its line end
    } encodings[] = {
        {"UTF-8", "", narrow, narrow(L"'ni'hao \x4F60\x597D\n")},
        {"UTF-8 with its mark", "\xEF\xBB\xBF", narrow, narrow(L"'ni'hao \x4F60\x597D\r\n")},
        {"GBK", "", narrow, "'ni'hao \xC4\xE3\xBA\xC3\n"},
        {"UTF-16LE", "", wide, wide(L"'ni'hao \x4F60\x597D\r\n")},
    };
    for (const auto& encoding : encodings) {
        // A comment line of every length up to an entry line's moves the head's end through
        // every byte of a line, in a file larger than the head.
        for (std::size_t shift = 0; shift < encoding.line.size(); ++shift) {
            SCOPED_TRACE(testing::Message() << encoding.name << ", shifted by " << shift);
            std::string bytes =
                encoding.mark + encoding.encode(L";" + std::wstring(shift, L'x') + L"\n");
            while (bytes.size() <= SogouFileHeadBytes + encoding.line.size()) {
                bytes += encoding.line;
            }
            ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes));
            EXPECT_TRUE(RecognisedAsSogouDictionary(path));
        }
    }

    // A backup, by its layout's mark.
    ASSERT_TRUE(
        testsupport::WriteFileBytes(path, std::string("SGPU") + std::string(40000, '\x7F')));
    EXPECT_TRUE(RecognisedAsSogouDictionary(path));

    for (const std::string& bytes : {
             std::string(),
             testsupport::Utf8Bytes(L"Meeting notes\r\nBring \x7B14\x8BB0\x672C\r\n"),
             std::string("\x89PNG\r\n\x1A\n") + std::string(100, '\0'),
             // Entries only after a head of comments: not near the start.
             std::string(SogouFileHeadBytes, ';') + "\n'ni'hao \xC4\xE3\xBA\xC3\n",
             // A first line longer than the head, without a line end in it.
             std::string(SogouFileHeadBytes + 10, 'x'),
         }) {
        SCOPED_TRACE(testing::PrintToString(bytes.substr(0, 40)));
        ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes));
        EXPECT_FALSE(RecognisedAsSogouDictionary(path));
    }
    EXPECT_FALSE(RecognisedAsSogouDictionary(temp.Directory() + L"missing.txt"));
    EXPECT_FALSE(RecognisedAsSogouDictionary(temp.Directory()));
    EXPECT_FALSE(RecognisedAsSogouDictionary(L"NUL"));
    EXPECT_FALSE(RecognisedAsSogouDictionary(L""));
}

TEST(SogouTextFile, TakesPathsLongerThanMaxPath)
{
    testsupport::ProcessTempDirectory temp;
    // Windows makes folders of such paths only in the \\?\ form.
    std::wstring directory = temp.Directory();
    const std::wstring part = std::wstring(60, L'\x8BCD') + L" folder";
    while (directory.size() < 400) {
        directory += part;
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + directory).c_str(), nullptr));
        directory += L"\\";
    }
    const std::wstring path = directory + L"sogou.txt";
    ASSERT_TRUE(testsupport::WriteFileBytes(L"\\\\?\\" + path,
                                            testsupport::Utf16Export({L"'ni'hao \x4F60\x597D"})));
    const Entries expected = {{L"ni hao", L"\x4F60\x597D"}};
    EXPECT_EQ(expected, EntriesOfTextFile(path));
    EXPECT_EQ(expected, EntriesOfTextFile(L"\\\\?\\" + path));

    // Made full as the system would make it, before the \\?\ form takes it as it is.
    std::wstring roundabout = path;
    const std::size_t last = roundabout.rfind(L'\\');
    roundabout.replace(last, 1, L"\\.\\x\\..\\");
    for (wchar_t& unit : roundabout) {
        if (unit == L'\\') unit = L'/';
    }
    EXPECT_EQ(expected, EntriesOfTextFile(roundabout));
    // A relative one, from the current directory.
    wchar_t current[MAX_PATH] = {};
    ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, current));
    ASSERT_TRUE(SetCurrentDirectoryW(temp.Directory().c_str()));
    EXPECT_EQ(expected, EntriesOfTextFile(path.substr(temp.Directory().size())));
    // A short relative one under a current directory that takes up nearly all of MAX_PATH:
    // its full path is the long one. Wine takes such a path without the \\?\ form, Windows
    // does not, so the form handed to the system is checked too.
    std::wstring nearlyFull = temp.Directory() + L"near";
    nearlyFull += std::wstring(250 - nearlyFull.size(), L'n');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + nearlyFull).c_str(), nullptr));
    const std::wstring relative = L"sogou dictionary.txt";
    ASSERT_TRUE(testsupport::WriteFileBytes(L"\\\\?\\" + nearlyFull + L"\\" + relative,
                                            testsupport::Utf16Export({L"'ni'hao \x4F60\x597D"})));
    ASSERT_TRUE(SetCurrentDirectoryW(nearlyFull.c_str()));
    EXPECT_EQ(expected, EntriesOfTextFile(relative));
    std::wstring systemPath;
    EXPECT_TRUE(SystemPathOf(relative, systemPath));
    EXPECT_EQ(L"\\\\?\\" + nearlyFull + L"\\" + relative, systemPath);
    SetCurrentDirectoryW(current);
    testsupport::RemoveDirectoryTree(L"\\\\?\\" + nearlyFull);

    testsupport::RemoveDirectoryTree(L"\\\\?\\" + temp.Directory() + part);
}

using testsupport::BackupEntry;
using WeightedEntries = std::vector<std::tuple<std::wstring, std::wstring, std::int32_t>>;

// The entries that the user's file of these bytes gives, and whether it was refused as a
// damaged backup; nullopt when it gave no file at all.
std::optional<WeightedEntries> UserFileEntries(const std::string& bytes, bool& refused)
{
    const std::wstring path = TempDirectory + std::wstring(L"\x641C\x72D7\x5907\x4EFD.bin");
    EXPECT_TRUE(testsupport::WriteFileBytes(path, bytes));
    std::unique_ptr<DictionaryFileBase> file = OpenSogouUserFile(path.c_str(), refused);
    if (!file) return std::nullopt;
    WeightedEntries entries;
    for (DictionaryEntry entry; file->ReadEntry(entry);) {
        entries.emplace_back(entry.pinyin, entry.word, entry.weight);
    }
    file.reset();
    EXPECT_EQ(bytes, testsupport::ReadFileBytes(path)) << "the user's file was changed";
    return entries;
}

TEST(SogouBackupFile, DecodesTheRecordsOfRealBackupsByteForByte)
{
    testsupport::ProcessTempDirectory temp;
    // SGPU: the first two records of a Windows backup.
    const std::string sgpu =
        testsupport::SgpuBackup({{{0}, L"\x554A", 61, 0}, {{0, 173}, L"\x963F\x91CC", 7, 0}});
    const std::string records(
        "\x3d\x00\x00\x00\x00\x00\xfe\x07\x02\x02\x00\x00\x00\x08"
        "\x00\x02\x00\x4a\x55\x02\x00\x00\x00"
        "\x07\x00\x00\x00\x00\x00\xfe\x07\x02\x04\x00\x00\x00\xad"
        "\x00\x0c\x00\x04\x00\x3f\x96\xcc\x91\x04\x00\x00\x00\xad\x00",
        52);
    ASSERT_NE(std::string::npos, sgpu.find(records)) << "the writer lays records out otherwise";
    bool refused = true;
    EXPECT_EQ((WeightedEntries{{L"a", L"\x554A", 61}, {L"a li", L"\x963F\x91CC", 7}}),
              UserFileEntries(sgpu, refused));
    EXPECT_FALSE(refused);

    // The store: 阿里 of an older backup, its word scrambled with p1 = 10251, p2 = 9739 and
    // p3 = 8684.
    testsupport::StoreParts parts;
    const std::string store =
        testsupport::StoreBackup({{{0, 173}, L"\x963F\x91CC", 7, 0}}, 9739, 8684, 10251, &parts);
    EXPECT_EQ(std::string("\x04\x00\x00\x00\xad\x00", 6), store.substr(parts.readings, 6));
    EXPECT_EQ(std::string("\x00\x00\x00\x00\x07\x00\x00\x00\x00\x00\x00\x00\x0b\x28\x00\x00"
                          "\x00\x00\xff\xff\xff\xff",
                          22),
              store.substr(parts.wordRecords, 22));
    EXPECT_EQ(std::string("\x04\x00\x5f\xb0\xc7\x8f", 6), store.substr(parts.words, 6));
    EXPECT_EQ((WeightedEntries{{L"a li", L"\x963F\x91CC", 7}}), UserFileEntries(store, refused));
    EXPECT_FALSE(refused);
}

TEST(SogouBackupFile, HandsOutEveryEntryOfBothLayoutsInTheFilesOrder)
{
    testsupport::ProcessTempDirectory temp;
    // Readings of one to many syllables, the last of the pinyin ones, letters, digits and "#",
    // a word beyond the BMP, several words under one reading, and every flag.
    std::vector<BackupEntry> entries = {
        {{219, 117}, L"\x4F60\x597D", 12, 0},
        {{412}, L"\x505A", 3, 2},
        {{413, 438, 439, 448, 449}, L"\x5361\x62C9", 1, 4},
        {{219, 117}, L"\x62DF\x597D", 5, 5},
        {{0, 173}, L"\xD840\xDC00\x91CC", 9, 6},
        {std::vector<std::uint16_t>(40, 173), std::wstring(40, L'\x91CC'), 65535, 1},
    };
    std::wstring forty = L"li";
    for (int i = 1; i < 40; ++i) forty += L" li";
    const WeightedEntries expected = {
        {L"ni hao", L"\x4F60\x597D", 12},    {L"zuo", L"\x505A", 3},
        {L"A Z 0 9 #", L"\x5361\x62C9", 1},  {L"ni hao", L"\x62DF\x597D", 5},
        {L"a li", L"\xD840\xDC00\x91CC", 9}, {forty, std::wstring(40, L'\x91CC'), 65535},
    };
    bool refused = true;
    EXPECT_EQ(expected, UserFileEntries(testsupport::SgpuBackup(entries), refused));
    // The store walks one reading's chain to its end before the next reading.
    const WeightedEntries byReading = {expected[0], expected[3], expected[1],
                                       expected[2], expected[4], expected[5]};
    for (std::uint32_t p2 : {9739u, 8u, 0xFFFFFFFFu}) {
        EXPECT_EQ(byReading, UserFileEntries(testsupport::StoreBackup(entries, p2, 77), refused));
    }
    // More readings than buckets: full buckets, in order.
    entries.clear();
    WeightedEntries ordered;
    for (std::uint16_t i = 0; i < 1200; ++i) {
        entries.push_back(
            {{static_cast<std::uint16_t>(i % 413), static_cast<std::uint16_t>(i / 413)},
             std::wstring(1, static_cast<wchar_t>(0x4E00 + i)) + L"\x5B57",
             i,
             0});
        ordered.emplace_back(L"", entries.back().word, i);
    }
    const std::optional<WeightedEntries> read =
        UserFileEntries(testsupport::StoreBackup(entries), refused);
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(ordered.size(), read->size());
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        EXPECT_EQ(std::get<1>(ordered[i]), std::get<1>((*read)[i]));
        EXPECT_EQ(std::get<2>(ordered[i]), std::get<2>((*read)[i]));
    }
    EXPECT_EQ(L"a ai", std::get<0>((*read)[413]));
    EXPECT_FALSE(refused);
}

TEST(SogouBackupFile, RefusesADamagedBackupWholeAndReadsOtherFilesAsText)
{
    testsupport::ProcessTempDirectory temp;
    const std::vector<BackupEntry> entries = {{{219, 117}, L"\x4F60\x597D", 12, 0},
                                              {{219, 117}, L"\x62DF\x597D", 5, 0},
                                              {{0, 173}, L"\x963F\x91CC", 7, 0}};
    const auto withU16 = [](std::string bytes, std::size_t at, std::uint32_t value) {
        bytes[at] = static_cast<char>(value & 0xFF);
        bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
        return bytes;
    };
    const auto withU32 = [&](std::string bytes, std::size_t at, std::uint32_t value) {
        return withU16(withU16(bytes, at, value & 0xFFFF), at + 2, value >> 16);
    };
    const std::string sgpu = testsupport::SgpuBackup(entries);
    const std::uint32_t data = 0x50 + 4 * 6;  // the writer's index holds three spare offsets
    const std::uint32_t second = data + 29;   // the second record
    testsupport::StoreParts parts;
    const std::string store = testsupport::StoreBackup(entries, 9739, 8684, 1, &parts);
    const struct {
        const char* name;
        std::string bytes;
    } damaged[] = {
        {"SGPU cut short", sgpu.substr(0, sgpu.size() - 1)},
        {"SGPU header only", sgpu.substr(0, 0x40)},
        {"SGPU size", withU32(sgpu, 0x10, static_cast<std::uint32_t>(sgpu.size()) + 1)},
        {"SGPU count past the index", withU32(sgpu, 0x40, 7)},
        {"SGPU count of billions", withU32(sgpu, 0x40, 0xFFFFFFFF)},
        {"SGPU index inside the header", withU32(sgpu, 0x38, 0x4C)},
        {"SGPU data past the file", withU32(sgpu, 0x48, 0xFFFFFFF0)},
        {"SGPU in use past the data", withU32(sgpu, 0x4C, static_cast<std::uint32_t>(sgpu.size()))},
        {"SGPU record past the data in use", withU32(sgpu, 0x50, 0x7FFFFFFF)},
        {"SGPU odd reading", withU16(sgpu, second + 9, 3)},
        {"SGPU reading past the record", withU16(sgpu, second + 9, 0xFFFE)},
        {"SGPU syllable past the table", withU16(sgpu, second + 11, 450)},
        {"SGPU odd word", withU16(sgpu, second + 17, 5)},
        {"SGPU record's length", withU16(sgpu, second + 15, 13)},
        {"store configuration", withU16(store, 0x18, 11)},
        {"store words elsewhere", withU32(store, 0x40, 2)},
        {"store bucket past its store", withU32(store, parts.buckets + 4, 5)},
        {"store bucket's count negative", withU32(store, parts.buckets + 4, 0xFFFFFFFF)},
        {"store reading past its store", withU32(store, parts.keyRecords, 1000)},
        {"store odd reading", withU16(store, parts.readings, 3)},
        {"store syllable past the table", withU16(store, parts.readings + 2, 0xFFFF)},
        {"store word record past its store", withU32(store, parts.keyRecords + 4, 61)},
        {"store chain that loops", withU32(store, parts.wordRecords + 18, 0)},
        {"store chain that goes back", withU32(store, parts.wordRecords + 18, 0xFFFFFFFE)},
        {"store odd word", withU16(store, parts.words, 1)},
        {"store word past its store", withU32(store, parts.wordRecords, 0x10000)},
        {"store's stores past the payload", withU32(store, 104 + 12 * 3 + 4, 0xFFFFFF)},
    };
    for (const auto& row : damaged) {
        SCOPED_TRACE(row.name);
        bool refused = false;
        EXPECT_EQ(std::nullopt, UserFileEntries(row.bytes, refused));
        EXPECT_TRUE(refused);
    }

    // Not a backup of either layout: read as text, as before, and never refused as one. A
    // store cut short no longer adds up to its size.
    bool refused = true;
    const std::optional<WeightedEntries> text =
        UserFileEntries(testsupport::Utf16Export({L"'ni'hao \x4F60\x597D"}), refused);
    EXPECT_EQ((WeightedEntries{{L"ni hao", L"\x4F60\x597D", 1}}), text);
    EXPECT_FALSE(refused);
    EXPECT_EQ(WeightedEntries{}, UserFileEntries(store.substr(0, store.size() - 1), refused));
    EXPECT_FALSE(refused);
    EXPECT_EQ(WeightedEntries{}, UserFileEntries("SGP", refused));
    EXPECT_FALSE(refused);
    EXPECT_EQ(WeightedEntries{}, UserFileEntries(std::string(), refused));
    EXPECT_FALSE(refused);
    const std::wstring missing = TempDirectory + std::wstring(L"missing.bin");
    EXPECT_EQ(nullptr, OpenSogouUserFile(missing.c_str(), refused));
    EXPECT_FALSE(refused);
}

}  // namespace
