#include "dict/DictionaryFileKestrix.h"

#include <gtest/gtest.h>

#include "dict/CreateDictionaryFile.h"
#include "tests/support/PrefixInstall.h"
#include "tests/support/ProcessTempDirectory.h"

namespace {

using testsupport::ReadFileBytes;

TEST(IsTransferable, NeedsTwoUnitsEachAndNoAsciiLetterInTheWord)
{
    EXPECT_TRUE(IsTransferable({L"ni hao", L"\x4F60\x597D", 1}));
    EXPECT_TRUE(IsTransferable({L"ab", L"12", 0}));
    EXPECT_TRUE(IsTransferable({L"ab", L"\xFF34\x6064", 0}));  // full-width Ｔ is no ASCII letter
    EXPECT_TRUE(IsTransferable({L"ab", L"@[`{", 0}));          // the neighbours of A-Z and a-z
    EXPECT_FALSE(IsTransferable({L"de", L"\x7684", 1}));
    EXPECT_FALSE(IsTransferable({L"t xu", L"T\x6064", 1}));
    EXPECT_FALSE(IsTransferable({L"ab", L"\x4F60z", 1}));
    EXPECT_FALSE(IsTransferable({L"ab", L"A\x4F60", 1}));
    EXPECT_FALSE(IsTransferable({L"a", L"\x554A\x554A", 1}));
    EXPECT_FALSE(IsTransferable({L"", L"", 1}));
}

class KestrixFile : public testing::Test {
protected:
    void SetUp() override
    {
        file = CreateDictionaryFile(IME_TYPE_KESTRIX, DictionaryFileMode::Write);
        ASSERT_NE(nullptr, file);
    }
    std::string Written() const
    {
        EXPECT_TRUE(file->Flush());
        return ReadFileBytes(temp.Directory() + L"kestrix.tmp");
    }

    testsupport::ProcessTempDirectory temp{L"kestrix test"};
    std::unique_ptr<DictionaryFileBase> file;
};

TEST_F(KestrixFile, WritesOneAnsiLinePerEntry)
{
    EXPECT_EQ(temp.Directory() + L"kestrix.tmp", file->Path());
    EXPECT_EQ(TextEncoding::Ansi, file->Encoding());
    EXPECT_EQ("", Written());
    ASSERT_TRUE(file->WriteEntry({L"ni hao", L"\x4F60\x597D", 99}));
    EXPECT_EQ("\xC4\xE3\xBA\xC3\x09\x31\x09\x6E\x69\x20\x68\x61\x6F\x0D\x0A", Written());
}

TEST_F(KestrixFile, WritesOnlyWhatPassesTheFilterInReadOrder)
{
    const DictionaryEntry entries[] = {
        {L"ni hao", L"\x4F60\x597D", 1},    {L"de", L"\x7684", 1},
        {L"zhong guo", L"\x4E2D\x56FD", 1}, {L"t xu", L"T\x6064", 1},
        {L"a yi", L"\x963F\x59E8", 1},      {L"a", L"\x554A\x554A", 1},
        {L"yi er san", L"123", 1},          {L"bei jing", L"\x5317\x4EAC", 1},
        {L"shang hai", L"\x4E0A\x6D77", 1}, {L"tian jin", L"\x5929\x6D25", 1},
    };
    int accepted = 0;
    for (const DictionaryEntry& entry : entries) accepted += file->WriteEntry(entry) ? 1 : 0;
    EXPECT_EQ(7, accepted);
    EXPECT_EQ(testsupport::AnsiBytes(L"\x4F60\x597D\t1\tni hao\r\n"
                                     L"\x4E2D\x56FD\t1\tzhong guo\r\n"
                                     L"\x963F\x59E8\t1\ta yi\r\n"
                                     L"123\t1\tyi er san\r\n"
                                     L"\x5317\x4EAC\t1\tbei jing\r\n"
                                     L"\x4E0A\x6D77\t1\tshang hai\r\n"
                                     L"\x5929\x6D25\t1\ttian jin\r\n"),
              Written());
}

TEST_F(KestrixFile, RefusesEntriesThatWouldBreakOrCorruptTheFile)
{
    const DictionaryEntry refused[] = {
        {L"ni hao", L"\x4F60\t\x597D", 1},    // a TAB would add a column
        {L"ni hao", L"\x4F60\x597D\r\n", 1},  // CR LF would end the line early
        {L"ni\nhao", L"\x4F60\x597D", 1},     // so would a bare LF for many readers
        {L"ni\thao", L"\x4F60\x597D", 1},      {L"ni hao", L"\x4F60\x0001\x597D", 1},
        {L"ni hao", L"\x4F60\x007F\x597D", 1}, {L"ni hao", L"\x4F60\x0085\x597D", 1},
        {L"han geul", L"\xD55C\xAE00", 1},  // not in the ANSI code page: no "??" entry
        {L"ni hao", L"\x4F60\x00B2", 1},    // nor a best-fit "2" for superscript two
    };
    for (const DictionaryEntry& entry : refused) {
        SCOPED_TRACE(testing::Message() << "entry " << (&entry - refused));
        EXPECT_FALSE(file->WriteEntry(entry));
    }
    EXPECT_EQ("", Written());
    EXPECT_TRUE(file->WriteEntry({L"ni hao", L"\x4F60\x3000\x597D", 1}));
}

TEST_F(KestrixFile, WriteThatFallsShortIsTakenBackAndFailsTheFileForGood)
{
    // The first block of lines fits on the disk, the second only in part.
    testsupport::SmallDisk disk(temp.Directory() + L"small disk", 100 * 1024);
    ASSERT_TRUE(disk.Ready()) << disk.Problem();
    testsupport::ProcessTempVariable onDisk(disk.Directory());
    std::unique_ptr<DictionaryFileBase> full =
        CreateDictionaryFile(IME_TYPE_KESTRIX, DictionaryFileMode::Write);
    ASSERT_NE(nullptr, full);

    std::size_t accepted = 0;
    bool failed = false;
    for (int i = 0; i < 10000; ++i) {
        const bool taken = full->WriteEntry({L"ni hao", L"\x4F60\x597D", 1});
        EXPECT_FALSE(taken && failed) << "entry " << i << " taken after the file failed";
        accepted += taken ? 1 : 0;
        failed = failed || !taken;
    }
    ASSERT_TRUE(failed) << "the disk never filled up";
    EXPECT_FALSE(full->Flush());
    EXPECT_FALSE(full->WriteText(L"\x4F60\x597D\t1\tni hao\r\n"));

    // Whole lines only, and fewer than were taken: nothing cut, nothing glued to a cut line.
    const std::string line = testsupport::AnsiBytes(L"\x4F60\x597D\t1\tni hao\r\n");
    const std::string written = ReadFileBytes(full->Path());
    EXPECT_FALSE(written.empty());
    EXPECT_EQ(0u, written.size() % line.size()) << written.size() << " bytes";
    EXPECT_LT(written.size() / line.size(), accepted);
    std::string wholeLines;
    for (std::size_t i = 0; i < written.size() / line.size(); ++i) wholeLines += line;
    EXPECT_TRUE(written == wholeLines);
}

}  // namespace
