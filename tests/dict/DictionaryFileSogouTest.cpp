#include "dict/DictionaryFileSogou.h"

#include <gtest/gtest.h>

#include "tests/dict/FixtureFile.h"
#include "tests/support/EnvironmentOverride.h"
#include "tests/support/PrefixInstall.h"
#include "tests/support/ProcessTempDirectory.h"
#include "tests/support/ScratchRegistry.h"

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

}  // namespace
