#include "dict/DictionaryFileBase.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <climits>

#include "dict/AnsiExactUnits.h"
#include "tests/dict/FixtureFile.h"
#include "tests/support/PrefixInstall.h"
#include "tests/support/ProcessTempDirectory.h"

namespace {

using testsupport::AllLines;
using testsupport::FixtureFile;
using testsupport::Utf16Bytes;
using Lines = std::vector<std::wstring>;

const std::string Utf16Mark = "\xFF\xFE";

Lines LinesOf(const std::string& bytes)
{
    FixtureFile file(bytes);
    EXPECT_TRUE(file.Open());
    return AllLines(file);
}

TEST(DictionaryLineReader, SplitsAtCrAndCrLfOnly)
{
    testsupport::ProcessTempDirectory temp;
    EXPECT_EQ((Lines{L"a", L"b"}), LinesOf(Utf16Mark + Utf16Bytes(L"a\r\nb")));
    EXPECT_EQ((Lines{L"a", L"b"}), LinesOf(Utf16Bytes(L"a\r\nb\r\n")));
    EXPECT_EQ((Lines{L"a", L"b"}), LinesOf(Utf16Bytes(L"a\rb")));
    // Two CRs in a row hold an empty line; a CR at the very end only ends its line.
    EXPECT_EQ((Lines{L"a", L"", L"b"}), LinesOf(Utf16Bytes(L"a\r\rb\r")));
    EXPECT_EQ((Lines{L"", L"x"}), LinesOf(Utf16Bytes(L"\r\nx")));
    // A bare LF is an ordinary character: LF-only files read as one line.
    EXPECT_EQ((Lines{L"a\nb\nc"}), LinesOf(Utf16Bytes(L"a\nb\nc")));
    EXPECT_EQ((Lines{L"\n", L"z"}), LinesOf(Utf16Bytes(L"\n\r\nz")));
    // A line too long to be an entry is not held whole, and the next one is read as it is.
    const std::wstring longest(DictionaryFileBase::LongestLine, L'x');
    EXPECT_EQ((Lines{longest, longest + L"y", L"z"}),
              LinesOf(Utf16Bytes(longest + L"\r" + longest + L"yyy\r\nz")));
}

TEST(DictionaryLineReader, HandlesMarksAndIncompleteContent)
{
    testsupport::ProcessTempDirectory temp;
    EXPECT_EQ(Lines{}, LinesOf(""));
    EXPECT_EQ(Lines{}, LinesOf(Utf16Mark));
    // A trailing odd byte is no unit; a single byte is no content at all.
    EXPECT_EQ((Lines{L"a"}), LinesOf(Utf16Mark + Utf16Bytes(L"a") + "b"));
    EXPECT_EQ(Lines{}, LinesOf("\xFF"));
    // The mark is only a mark at the start.
    EXPECT_EQ((Lines{L"a\xFEFF"}), LinesOf(Utf16Bytes(L"a\xFEFF")));
    // Surrogate pairs pass through as two units.
    EXPECT_EQ((Lines{L"\xD840\xDC0B"}), LinesOf(Utf16Mark + Utf16Bytes(L"\xD840\xDC0B")));
}

TEST(DictionaryLineReader, DecodesUtf8AfterItsMark)
{
    testsupport::ProcessTempDirectory temp;
    {
        FixtureFile file("\xEF\xBB\xBF'ni'hao \xE4\xBD\xA0\xE5\xA5\xBD\r\nx");
        ASSERT_TRUE(file.Open());
        EXPECT_EQ(TextEncoding::Utf8, file.Encoding());
        EXPECT_EQ((Lines{L"'ni'hao \x4F60\x597D", L"x"}), AllLines(file));
    }

    EXPECT_EQ(Lines{}, LinesOf("\xEF\xBB\xBF"));
    // A broken sequence spoils its own line only.
    EXPECT_EQ((Lines{L"a\xFFFD", L"b"}), LinesOf("\xEF\xBB\xBF"
                                                 "a\xE4\r\nb"));
    // Too short to be the mark: read as UTF-16LE.
    EXPECT_EQ((Lines{L"\xBBEF"}), LinesOf("\xEF\xBB"));

    // The limits, without gigabytes of content: the text after the mark goes to one
    // conversion call (an int of bytes), and its units must fit the content's 32-bit size.
    // The index that overflowed an int was 2 x 2^30 units; the size went negative at 2^31.
    int textBytes = -1;
    EXPECT_TRUE(EncodedTextBytes(3, 3, textBytes));
    EXPECT_EQ(0, textBytes);
    EXPECT_TRUE(EncodedTextBytes(3ull + INT_MAX, 3, textBytes));
    EXPECT_EQ(INT_MAX, textBytes);
    EXPECT_FALSE(EncodedTextBytes(4ull + INT_MAX, 3, textBytes));
    EXPECT_FALSE(EncodedTextBytes(0xFFFFFFFFull, 3, textBytes));
    // Unmarked text, decoded from its first byte.
    EXPECT_TRUE(EncodedTextBytes(INT_MAX, 0, textBytes));
    EXPECT_FALSE(EncodedTextBytes(1ull + INT_MAX, 0, textBytes));
    std::uint32_t decodedBytes = 0;
    EXPECT_TRUE(DecodedContentBytes(1u << 30, decodedBytes));
    EXPECT_EQ(0x80000000u, decodedBytes);
    EXPECT_TRUE(DecodedContentBytes(INT_MAX, decodedBytes));
    EXPECT_EQ(0xFFFFFFFEu, decodedBytes);
    EXPECT_FALSE(DecodedContentBytes(0x80000000ull, decodedBytes));
    EXPECT_FALSE(DecodedContentBytes(0xFFFFFFFFull, decodedBytes));
}

TEST(DictionaryFile, EncodingComesFromContentOrClass)
{
    testsupport::ProcessTempDirectory temp;
    {
        FixtureFile empty("");
        empty.UseEncoding(TextEncoding::Ansi);
        ASSERT_TRUE(empty.Open());
        EXPECT_EQ(TextEncoding::Ansi, empty.Encoding());
    }

    FixtureFile unmarked(Utf16Bytes(L"x"));
    unmarked.UseEncoding(TextEncoding::Ansi);
    ASSERT_TRUE(unmarked.Open());
    EXPECT_EQ(TextEncoding::Utf16, unmarked.Encoding());
}

TEST(DictionaryFile, ReadEntryStopsAtTheEndAndLeavesTheEntry)
{
    testsupport::ProcessTempDirectory temp;
    FixtureFile file("");
    ASSERT_TRUE(file.Open());
    DictionaryEntry entry{L"ni hao", L"\x4F60\x597D", 7};
    EXPECT_FALSE(file.ReadEntry(entry));
    EXPECT_EQ(L"ni hao", entry.pinyin);
    EXPECT_EQ(7, entry.weight);
    EXPECT_EQ(DictionaryFileBase::ReadStatusExhausted, file.ReadStatus());
}

TEST(DictionaryFile, FileLivesExactlyAsLongAsTheObject)
{
    testsupport::ProcessTempDirectory temp;
    const std::wstring path = temp.Directory() + L"fixture.tmp";
    {
        // An export that wrote nothing: the file is created empty and yields nothing.
        FixtureFile file("");
        ASSERT_TRUE(file.Open());
        EXPECT_EQ(path, file.Path());
        EXPECT_TRUE(testsupport::FileExists(path));
    }
    EXPECT_FALSE(testsupport::FileExists(path));
    {
        FixtureFile failing("abcd");
        failing.exportSucceeds = false;
        EXPECT_FALSE(failing.Open());
        EXPECT_FALSE(testsupport::FileExists(path));
    }
    {
        // Write mode truncates what an earlier run left.
        ASSERT_TRUE(testsupport::WriteFileBytes(path, "stale"));
        FixtureFile file("", DictionaryFileMode::Write);
        ASSERT_TRUE(file.Open());
        EXPECT_EQ("", testsupport::ReadFileBytes(path));
    }
    EXPECT_FALSE(testsupport::FileExists(path));
}

TEST(DictionaryFile, WriteTextEncodesWithoutMarkOrTerminator)
{
    testsupport::ProcessTempDirectory temp;
    const std::wstring path = temp.Directory() + L"fixture.tmp";
    const struct {
        TextEncoding encoding;
        std::string bytes;
    } cases[] = {
        {TextEncoding::Utf16, std::string("a\0\x60\x4F", 4)},
        {TextEncoding::Utf8, "a\xE4\xBD\xA0"},
        {TextEncoding::Ansi, "a\xC4\xE3"},
    };
    for (const auto& expected : cases) {
        FixtureFile file("", DictionaryFileMode::Write);
        file.UseEncoding(expected.encoding);
        ASSERT_TRUE(file.Open());
        EXPECT_TRUE(file.WriteText(L"a\x4F60"));
        // Nothing to convert is a failed conversion; raw UTF-16 simply writes nothing.
        EXPECT_EQ(expected.encoding == TextEncoding::Utf16, file.WriteText(L""));
        EXPECT_TRUE(file.Flush());
        EXPECT_EQ(expected.bytes, testsupport::ReadFileBytes(path));
    }
}

TEST(DictionaryFile, AnsiRefusesTextTheCodePageCannotHoldExactly)
{
    testsupport::ProcessTempDirectory temp;
    FixtureFile file("", DictionaryFileMode::Write);
    file.UseEncoding(TextEncoding::Ansi);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.WriteText(L"\x4F60\x597D"));
    // Hangul has no place in code page 936; superscript two would be "best fitted" to a
    // plain 2; a lone surrogate has no character at all.
    EXPECT_FALSE(file.WriteText(L"\xD55C\xAE00"));
    EXPECT_FALSE(file.WriteText(L"x\x00B2"));
    EXPECT_FALSE(file.WriteText(L"\xD840"));
    EXPECT_TRUE(file.Flush());
    EXPECT_EQ("\xC4\xE3\xBA\xC3", testsupport::ReadFileBytes(temp.Directory() + L"fixture.tmp"));
}

// The writer decides a text's refusal unit by unit from this table: it must say what one
// exact conversion of each unit on its own says, for every unit.
TEST(DictionaryFile, AnsiExactUnitsAgreeWithAnExactConversionOfEachUnit)
{
    ASSERT_EQ(936u, GetACP());
    const AnsiExactUnits& table = AnsiExactUnits::System();
    unsigned exactCount = 0;
    unsigned disagreements = 0;
    for (unsigned value = 0; value <= 0xFFFF; ++value) {
        const wchar_t unit = static_cast<wchar_t>(value);
        char bytes[8];
        BOOL usedDefault = FALSE;
        const bool exact = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes,
                                               sizeof(bytes), nullptr, &usedDefault) > 0 &&
                           !usedDefault;
        exactCount += exact ? 1 : 0;
        if (exact != table.HoldsExactly(unit) && ++disagreements <= 10) {
            ADD_FAILURE() << "U+" << std::hex << value << ": one conversion says "
                          << (exact ? "exact" : "not exact");
        }
    }
    EXPECT_EQ(0u, disagreements);
    // Code page 936 holds ASCII and over twenty thousand characters; surrogates it does not.
    EXPECT_GT(exactCount, 20000u);
    EXPECT_TRUE(table.HoldsExactly(L'?'));
    EXPECT_FALSE(table.HoldsExactly(L'\xD840'));
}

TEST(DictionaryFile, Utf8RefusesALoneSurrogateInsteadOfReplacingIt)
{
    testsupport::ProcessTempDirectory temp;
    FixtureFile file("", DictionaryFileMode::Write);
    file.UseEncoding(TextEncoding::Utf8);
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.WriteText(L"\xD840\xDC00"));  // a whole pair: U+20000
    EXPECT_FALSE(file.WriteText(L"a\xD840"));
    EXPECT_FALSE(file.WriteText({L'\xDC00', L'b'}));
    EXPECT_TRUE(file.Flush());
    EXPECT_EQ("\xF0\xA0\x80\x80", testsupport::ReadFileBytes(temp.Directory() + L"fixture.tmp"));
}

TEST(DictionaryFile, PathsThatDoNotFitMakeOpenFail)
{
    // 252 units of directory fit the temporary directory but not with a file name after it.
    const std::wstring nearlyFull = L"C:\\" + std::wstring(248, L'd') + L"\\";
    {
        testsupport::ProcessTempVariable temp(nearlyFull);
        FixtureFile file("abcd");
        EXPECT_STREQ(L"", file.Path());
        EXPECT_FALSE(file.Open());
    }
    {
        testsupport::ProcessTempVariable temp(L"C:\\" + std::wstring(300, L'd'));
        FixtureFile file("abcd");
        EXPECT_STREQ(L"", file.Path());
        EXPECT_FALSE(file.Open());
        EXPECT_STREQ(L"", TempDirectory);
    }
}

}  // namespace
