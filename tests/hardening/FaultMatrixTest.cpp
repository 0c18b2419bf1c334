// Every way the outside world can let a sync down, one test each, through the real program:
// lexiferry.exe under the virtual display, the stand-in export tool as a real process, the
// stand-in Kestrix IME behind a real keyboard layout, the prefix's real registry. Each row
// checks what the user sees, what the IME received, that the temporary directory is empty
// afterwards and that the program ends with code 0 as soon as it is closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <utility>

#include "tests/app/TransferFixture.h"
#include "tests/hardening/ExportText.h"
#include "tests/hardening/FaultScene.h"
#include "tests/support/EnvironmentOverride.h"
#include "tests/support/ProcessTempDirectory.h"
#include "tests/support/SogouBackupWriter.h"

namespace hardening {
namespace {

using testsupport::AnsiBytes;
using testsupport::FileExists;
using testsupport::RegistryView;
using testsupport::Utf8Bytes;

// A folder on the prefix's C: drive that a row fills, removed with everything in it after the
// row, also when the row fails.
class ScratchFolder {
public:
    explicit ScratchFolder(std::wstring path) : path_(std::move(path))
    {
        EXPECT_TRUE(testsupport::CreateDirectoryPath(path_)) << "cannot create the folder";
    }
    ~ScratchFolder() { testsupport::RemoveDirectoryTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    // A file in the folder.
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// The current directory of this process, which the program started from it inherits, for the
// length of a scope.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::wstring& directory)
    {
        wchar_t saved[MAX_PATH] = {};
        const DWORD length = GetCurrentDirectoryW(MAX_PATH, saved);
        if (length > 0 && length < MAX_PATH) saved_.assign(saved, length);
        EXPECT_TRUE(SetCurrentDirectoryW(directory.c_str()));
    }
    ~CurrentDirectory()
    {
        if (!saved_.empty()) SetCurrentDirectoryW(saved_.c_str());
    }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::wstring saved_;
};

// The program as a user runs it after downloading it: a copy in a Downloads folder, which
// holds whatever else was downloaded, too.
std::wstring CopyOfTheProgramIn(const ScratchFolder& downloads)
{
    const std::wstring copy = downloads / L"lexiferry.exe";
    EXPECT_TRUE(CopyFileW(gui::BuildPath(L"lexiferry.exe").c_str(), copy.c_str(), FALSE));
    return copy;
}

// What the log line must name: this PC, this user, the version in the program's own version
// resource, the time in UTC, all as the program's environment gives them.
std::string ComputerName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    EXPECT_TRUE(GetComputerNameW(name, &size));
    return Utf8Bytes(name);
}

std::string UserName()
{
    wchar_t name[256] = {};
    DWORD size = 256;
    EXPECT_TRUE(GetUserNameW(name, &size));
    return Utf8Bytes(name);
}

std::string ProductVersionOf(const std::wstring& program)
{
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeW(program.c_str(), &ignored));
    if (info.empty() ||
        !GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(info.size()), info.data())) {
        return "no version resource";
    }
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), L"\\StringFileInfo\\080404b0\\ProductVersion", &value,
                        &length)) {
        return "no product version";
    }
    return Utf8Bytes(std::wstring(static_cast<const wchar_t*>(value),
                                  wcsnlen(static_cast<const wchar_t*>(value), length)));
}

// The time now, in 100 ns units.
ULONGLONG Now()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// The moment a log's time field names, or 0 when it is not YYYY-MM-DDTHH:MM:SSZ.
ULONGLONG LoggedMoment(const std::string& field)
{
    if (field.size() != 20 || field[4] != '-' || field[7] != '-' || field[10] != 'T' ||
        field[13] != ':' || field[16] != ':' || field[19] != 'Z') {
        return 0;
    }
    unsigned parts[6] = {};
    if (std::sscanf(field.c_str(), "%4u-%2u-%2uT%2u:%2u:%2u", &parts[0], &parts[1], &parts[2],
                    &parts[3], &parts[4], &parts[5]) != 6) {
        return 0;
    }
    SYSTEMTIME time{};
    WORD* const fields[] = {&time.wYear, &time.wMonth,  &time.wDay,
                            &time.wHour, &time.wMinute, &time.wSecond};
    for (int i = 0; i < 6; ++i) *fields[i] = static_cast<WORD>(parts[i]);
    FILETIME moment{};
    if (!SystemTimeToFileTime(&time, &moment)) return 0;
    return (static_cast<ULONGLONG>(moment.dwHighDateTime) << 32) | moment.dwLowDateTime;
}

std::string Utf16Bytes(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// A file's creation and last-write times and its attributes. (Its last-access time is the
// reader's to change.)
struct FileStamp {
    FILETIME created{};
    FILETIME written{};
    DWORD attributes = 0;
    bool operator==(const FileStamp& other) const
    {
        return CompareFileTime(&created, &other.created) == 0 &&
               CompareFileTime(&written, &other.written) == 0 && attributes == other.attributes;
    }
};

FileStamp StampOf(const std::wstring& path)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    stamp.created = data.ftCreationTime;
    stamp.written = data.ftLastWriteTime;
    stamp.attributes = data.dwFileAttributes;
    return stamp;
}

// Dates the file back to a time no run of the program could give it.
void DateBack(const std::wstring& path)
{
    win::unique_hfile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    const FILETIME past{0x5A1B2C00, 0x01D5C000};  // in 2019
    ASSERT_TRUE(SetFileTime(file.get(), &past, nullptr, &past));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
}

class FaultMatrix : public testing::Test {
protected:
    void SetUp() override { scene.Sogou().SetExportLines(fixture.exportLines); }

    void Expect(const RunResult& result, Seen seen, const std::wstring& importedText)
    {
        EXPECT_EQ(SeenName(seen), std::string(SeenName(result.seen)));
        EXPECT_TRUE(result.exitedWithZero) << "the program did not end at once with code 0";
        EXPECT_TRUE(SameBytes(AnsiBytes(importedText), result.imported));
        if (seen == Seen::Success) {
            EXPECT_EQ(std::vector<std::wstring>{scene.Temp().Directory() + L"kestrix.tmp"},
                      result.escapePaths);
        }
        EXPECT_LE(result.escapePaths.size(), 1u) << "more than one import per run";
        ExpectNothingLeft(result.leftInTemp);
    }
    void ExpectNothingLeft(const std::vector<std::wstring>& leftInTemp)
    {
        for (const std::wstring& name : leftInTemp) {
            ADD_FAILURE() << "left in the temporary directory: " << testing::PrintToString(name);
        }
    }
    void ExpectImported(const RunResult& result, const std::wstring& text)
    {
        Expect(result, Seen::Success, text);
    }
    void ExpectFailed(const RunResult& result) { Expect(result, Seen::Failure, L""); }

    // The program (the built one unless another is given) started with a current directory
    // of the row's choosing, as Explorer starts a downloaded program in the Downloads folder.
    RunResult RunFrom(const std::wstring& currentDirectory, const std::wstring& program = {})
    {
        const CurrentDirectory inherited(currentDirectory);
        return scene.Run(60000, program);
    }

    // A working export tool, with the export of Sogou's own, in a folder where a search for
    // the tool would look; it leaves its sgtool.cmdline there when it runs.
    void PlantTool(const std::wstring& directory)
    {
        ASSERT_TRUE(testsupport::CreateDirectoryPath(directory));
        ASSERT_TRUE(CopyFileW((testsupport::StandinDirectory() + L"sgtool.exe").c_str(),
                              (directory + L"\\sgtool.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW((scene.Sogou().ToolDirectory() + L"sgtool.out").c_str(),
                              (directory + L"\\sgtool.out").c_str(), FALSE));
    }

    // An export tool that writes "'ni'hao 你好" and stops after 中华人 of the next line's
    // 中华人民, with the given exit code.
    void StopInTheLastWord(unsigned exitCode)
    {
        const std::string content =
            testsupport::Utf16Export({L"'ni'hao 你好", L"'zhong'hua'ren'min 中华人民"});
        scene.Sogou().SetExport(content);
        const std::size_t cut = content.size() - 3 * sizeof(wchar_t);  // before 民 CR LF
        scene.Sogou().SetBehaviour({.exitCode = exitCode, .writeLimit = static_cast<int>(cut)});
    }

    // A quiet run ends by itself with the exit code, without a window at any moment, with
    // what the IME received and nothing left in the temporary directory. The codes are the
    // numbers that deployment scripts test, written out here rather than taken from the
    // program.
    void ExpectQuiet(const QuietResult& result, DWORD exitCode, const std::wstring& importedText)
    {
        EXPECT_TRUE(result.ended) << "the quiet run did not end by itself";
        EXPECT_EQ(exitCode, result.exitCode);
        for (const std::wstring& window : result.windows) {
            ADD_FAILURE() << "a window in the quiet mode: " << testing::PrintToString(window);
        }
        EXPECT_TRUE(SameBytes(AnsiBytes(importedText), result.imported));
        EXPECT_LE(result.escapePaths.size(), 1u) << "more than one import per run";
        ExpectNothingLeft(result.leftInTemp);
    }
    // The quiet run's one log line, split into its fields; none when it wrote no line.
    std::vector<std::string> LoggedFields(const QuietResult& result)
    {
        const std::vector<std::string> lines = LogLines(result.log);
        EXPECT_EQ(1u, lines.size()) << result.log;
        EXPECT_EQ("\r\n", result.log.substr(result.log.size() < 2 ? 0 : result.log.size() - 2));
        return lines.empty() ? std::vector<std::string>{} : LogFields(lines[0]);
    }
    std::wstring LogOption() const { return L"/log:" + scene.LogPath(); }
    // A quiet run with arguments that name the user's file, which holds bytes: the file is
    // dated back first, and stays as it was, its bytes, times and attributes.
    QuietResult RunQuietFromUsersFile(const std::wstring& file, const std::string& bytes,
                                      const std::wstring& arguments)
    {
        EXPECT_TRUE(testsupport::WriteFileBytes(file, bytes));
        DateBack(file);
        const FileStamp stamp = StampOf(file);
        QuietResult result = scene.RunQuiet(arguments);
        EXPECT_EQ(bytes, testsupport::ReadFileBytes(file)) << "the file was changed";
        EXPECT_TRUE(stamp == StampOf(file)) << "the file's times or attributes were changed";
        return result;
    }

    const testsupport::TransferFixture& fixture = testsupport::RealisticExport();
    FaultScene scene;
};

// --- The Sogou installation in the registry ------------------------------------------------

// Sogou's 32-bit installer writes its key where every other row has it: only in the 32-bit
// view of HKLM\SOFTWARE.

TEST_F(FaultMatrix, SogouKeyOnlyInThe32BitRegistryView)
{
    EXPECT_FALSE(testsupport::SogouToolInstall::KeyIn(RegistryView::Bits64));
    ExpectImported(scene.Run(), fixture.expectedImport);
}

TEST_F(FaultMatrix, SogouKeyOnlyInThe64BitRegistryView)
{
    scene.InstallSogou(scene.SogouRoot(), RegistryView::Bits64);
    scene.Sogou().SetExportLines(fixture.exportLines);
    EXPECT_FALSE(testsupport::SogouToolInstall::KeyIn(RegistryView::Bits32));
    ExpectImported(scene.Run(), fixture.expectedImport);
}

TEST_F(FaultMatrix, SogouKeyInBothRegistryViewsTakesThe32BitOne)
{
    testsupport::SogouToolInstall other(L"C:\\LexiferryTest\\Sogou64", L"13.0.0.1",
                                        RegistryView::Bits64);
    other.SetExportLines({L"'ta'men 他们"});
    ExpectImported(scene.Run(), fixture.expectedImport);
    EXPECT_TRUE(other.ReceivedCommandLine().empty()) << "the 64-bit view's tool ran";
}

TEST_F(FaultMatrix, SogouKeyInNeitherRegistryView)
{
    scene.DeleteSogouKey();
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_FALSE(result.toolRan);
}

TEST_F(FaultMatrix, SogouKeyDirectoryStoredExpandableIsExpanded)
{
    // As an installer stores a path under Program Files. ProgramFiles(x86) is set for
    // programs of both widths on 64-bit Windows, as under Wine.
    scene.InstallSogou(L"C:\\Program Files (x86)\\SogouInput");
    scene.Sogou().SetExportLines(fixture.exportLines);
    scene.SetSogouString(nullptr, L"%ProgramFiles(x86)%\\SogouInput", true, REG_EXPAND_SZ);
    ExpectImported(scene.Run(), fixture.expectedImport);
    // The command line as ever, with the expanded path quoted for its spaces.
    EXPECT_EQ(L"\"" + scene.Sogou().ToolDirectory() + L"sgtool.exe\" --appid=userdict --export \"" +
                  scene.Temp().Directory() + L"sogou.tmp\"",
              scene.Sogou().ReceivedCommandLine());
}

TEST_F(FaultMatrix, SogouKeyDirectoryWithForwardSlashesIsUsedAsItStands)
{
    // Windows reads '/' as '\' and starts programs from such a path.
    scene.InstallSogou(L"C:\\Program Files (x86)\\SogouInput");
    scene.Sogou().SetExportLines(fixture.exportLines);
    scene.SetSogouString(nullptr, L"C:/Program Files (x86)/SogouInput");
    ExpectImported(scene.Run(), fixture.expectedImport);
    EXPECT_EQ(L"\"C:/Program Files (x86)/SogouInput\\" + scene.SogouVersion() +
                  L"\\sgtool.exe\" --appid=userdict --export \"" + scene.Temp().Directory() +
                  L"sogou.tmp\"",
              scene.Sogou().ReceivedCommandLine());
}

// A relative tool path is taken from the current directory, which is the Downloads folder
// when Explorer starts a downloaded program, and an empty directory gives
// "\<version>\sgtool.exe", the root of the current drive, where any local user may create
// folders: a working tool planted there must never run.

TEST_F(FaultMatrix, SogouKeyDirectoryRelativeRunsNoToolBesideTheProgram)
{
    const ScratchFolder downloads(L"C:\\LexiferryTest\\Downloads");
    const std::wstring planted = downloads / (L"SogouInput\\" + scene.SogouVersion());
    PlantTool(planted);
    scene.SetSogouString(nullptr, L"SogouInput");
    const RunResult result = RunFrom(downloads.Path(), CopyOfTheProgramIn(downloads));
    ExpectFailed(result);
    EXPECT_FALSE(result.toolRan);
    EXPECT_FALSE(FileExists(planted + L"\\sgtool.cmdline")) << "the tool beside the program ran";
}

TEST_F(FaultMatrix, SogouKeyDirectoryEmptyRunsNoToolAtTheDriveRoot)
{
    const ScratchFolder driveRoot(L"C:\\" + scene.SogouVersion());
    PlantTool(driveRoot.Path());
    scene.SetSogouString(nullptr, L"");
    const RunResult result = RunFrom(L"C:\\LexiferryTest");
    ExpectFailed(result);
    EXPECT_FALSE(result.toolRan);
    EXPECT_FALSE(FileExists(driveRoot / L"sgtool.cmdline")) << "the tool at the drive's root ran";
}

TEST_F(FaultMatrix, InstallDirectoryValueMissing)
{
    scene.DeleteSogouValue(nullptr);
    ExpectFailed(scene.Run());
}

TEST_F(FaultMatrix, InstallDirectoryValueOverLong)
{
    // Cut to its first 259 units it would still name a directory; it must not be cut.
    scene.SetSogouString(nullptr, scene.SogouRoot() + L"\\" + std::wstring(300, L'x'));
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_FALSE(result.toolRan);
}

TEST_F(FaultMatrix, InstallDirectoryValueWithoutNulIsReadExactly)
{
    scene.SetSogouString(nullptr, scene.SogouRoot(), false);
    ExpectImported(scene.Run(), fixture.expectedImport);
}

TEST_F(FaultMatrix, InstallDirectoryValueOfAnotherType)
{
    const DWORD number = 1;
    scene.SetSogouValue(nullptr, REG_DWORD, &number, sizeof(number));
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_FALSE(result.toolRan);
}

TEST_F(FaultMatrix, VersionValueMissing)
{
    scene.DeleteSogouValue(L"version");
    ExpectFailed(scene.Run());
}

TEST_F(FaultMatrix, VersionValueEmpty)
{
    scene.SetSogouString(L"version", L"");
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_FALSE(result.toolRan);
}

TEST_F(FaultMatrix, VersionValueOverLong)
{
    scene.SetSogouString(L"version", scene.SogouVersion() + std::wstring(260, L'0'));
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_FALSE(result.toolRan);
}

TEST_F(FaultMatrix, VersionValueWithoutNulIsReadExactly)
{
    scene.SetSogouString(L"version", scene.SogouVersion(), false);
    ExpectImported(scene.Run(), fixture.expectedImport);
}

TEST_F(FaultMatrix, VersionValueOfAnotherType)
{
    // The right text, but stored as binary data: not a value the installer wrote.
    const std::wstring text = scene.SogouVersion();
    scene.SetSogouValue(L"version", REG_BINARY, text.c_str(),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_FALSE(result.toolRan);
}

// --- The export tool --------------------------------------------------------------------

TEST_F(FaultMatrix, ToolMissing)
{
    ASSERT_TRUE(DeleteFileW((scene.Sogou().ToolDirectory() + L"sgtool.exe").c_str()));
    ExpectFailed(scene.Run());
}

TEST_F(FaultMatrix, ToolExitingNonZeroAfterItsExportStillTransfers)
{
    // Its exit code is its own business; the export it wrote is complete.
    scene.Sogou().SetBehaviour({.exitCode = 1});
    ExpectImported(scene.Run(), fixture.expectedImport);
}

TEST_F(FaultMatrix, ToolStartsInItsOwnFolderNotInTheProgramsCurrentDirectory)
{
    // Explorer starts a downloaded program in Downloads, where a DLL that the tool loads by
    // name would be found if the tool started there too.
    const ScratchFolder downloads(L"C:\\LexiferryTest\\Downloads");
    const RunResult result = RunFrom(downloads.Path(), CopyOfTheProgramIn(downloads));
    ExpectImported(result, fixture.expectedImport);
    const std::wstring toolDirectory = scene.Sogou().ToolDirectory();
    EXPECT_EQ(toolDirectory.substr(0, toolDirectory.size() - 1),
              scene.Sogou().ReceivedCurrentDirectory());
}

TEST_F(FaultMatrix, ToolStoppingInTheMiddleOfAWordWithACodeOfItsOwnLosesOnlyThatWord)
{
    // Ended from outside (taskkill /F gives 1): the cut last line has no line end.
    StopInTheLastWord(1);
    ExpectImported(scene.Run(), L"你好\t1\tni hao\r\n");
}

TEST_F(FaultMatrix, ToolEndingWithZeroAfterALastLineWithoutALineEnd)
{
    // The tool says it finished: its last line needs no line end.
    StopInTheLastWord(0);
    ExpectImported(scene.Run(), L"你好\t1\tni hao\r\n中华人\t1\tzhong hua ren min\r\n");
}

TEST_F(FaultMatrix, ToolExitingNonZeroWithoutAFile)
{
    scene.Sogou().SetBehaviour({.write = false, .exitCode = 1});
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_TRUE(result.toolRan);
}

TEST_F(FaultMatrix, ToolCrashingAfterItsExport)
{
    scene.Sogou().SetBehaviour({.crash = true});
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_TRUE(result.toolRan);
}

TEST_F(FaultMatrix, ToolCrashingInTheMiddleOfAWord)
{
    // Cut after the first character of 中国: read on, 中 would be imported as a word.
    const std::string content = testsupport::Utf16Export({L"'ni'hao 你好", L"'zhong'guo 中国"});
    const int cut = static_cast<int>(content.size() - 3 * sizeof(wchar_t));
    scene.Sogou().SetExport(content);
    scene.Sogou().SetBehaviour({.crash = true, .writeLimit = cut});
    ExpectFailed(scene.Run());
}

// --- What the export holds ---------------------------------------------------------------

TEST_F(FaultMatrix, ExportEmpty)
{
    scene.Sogou().SetExport("");
    ExpectFailed(scene.Run());
}

TEST_F(FaultMatrix, ExportOnlyAMark)
{
    scene.Sogou().SetExport("\xFF\xFE");
    ExpectFailed(scene.Run());
}

TEST_F(FaultMatrix, ExportOfAnOddNumberOfBytes)
{
    // The dangling byte is half a unit: everything before it is whole.
    scene.Sogou().SetExport(testsupport::Utf16Export({L"'ni'hao 你好", L"'zai'jian 再见"}) + "x");
    ExpectImported(scene.Run(), L"你好\t1\tni hao\r\n再见\t1\tzai jian\r\n");
}

TEST_F(FaultMatrix, ExportInUtf8WithItsMark)
{
    scene.Sogou().SetExport(
        "\xEF\xBB\xBF'ni'hao \xE4\xBD\xA0\xE5\xA5\xBD\r\n'zai'jian "
        "\xE5\x86\x8D\xE8\xA7\x81\r\n");
    ExpectImported(scene.Run(), L"你好\t1\tni hao\r\n再见\t1\tzai jian\r\n");
}

TEST_F(FaultMatrix, ExportWithoutAMark)
{
    scene.Sogou().SetExport(testsupport::Utf16Export(fixture.exportLines).substr(2));
    ExpectImported(scene.Run(), fixture.expectedImport);
}

TEST_F(FaultMatrix, ExportOfFiftyMegabytes)
{
    const GeneratedExport generated = ManyEntries(50u << 20);
    scene.Sogou().SetExport(generated.bytes);
    ExpectImported(scene.Run(), generated.expectedImport);
}

TEST_F(FaultMatrix, ExportWithOneLineOfAHundredThousandUnits)
{
    std::wstring word;
    for (int i = 0; i < 50000; ++i) word += L"你好";
    // Longer than any real entry: one malformed line, passed over.
    scene.Sogou().SetExportLines({L"'ni'hao " + word, L"'zai'jian 再见"});
    ExpectImported(scene.Run(), L"再见\t1\tzai jian\r\n");
}

TEST_F(FaultMatrix, ExportWithLoneSurrogates)
{
    // A surrogate without its partner is no character: its entry is refused, its
    // neighbours are not. The last one ends the file, with no line end after it.
    const GeneratedExport generated = LoneSurrogates();
    scene.Sogou().SetExport(generated.bytes);
    ExpectImported(scene.Run(), generated.expectedImport);
}

TEST_F(FaultMatrix, ExportWithEveryUtf16Unit)
{
    const GeneratedExport generated = EveryUnit();
    scene.Sogou().SetExport(generated.bytes);
    ExpectImported(scene.Run(), generated.expectedImport);
}

// --- The temporary directory -------------------------------------------------------------

TEST_F(FaultMatrix, TemporaryDirectoryWithSpaces)
{
    scene.UseTemp(L"C:\\LexiferryTest\\Li Lei\\Local Settings\\Temp");
    ExpectImported(scene.Run(), fixture.expectedImport);
}

TEST_F(FaultMatrix, TemporaryDirectoryWithChineseCharacters)
{
    scene.UseTemp(L"C:\\LexiferryTest\\用户\\李雷\\临时文件");
    ExpectImported(scene.Run(), fixture.expectedImport);
}

TEST_F(FaultMatrix, TemporaryDirectoryLongerThanFits)
{
    // GetTempPathW can't give it in 255 units: nothing may be made anywhere.
    std::wstring directory = L"C:\\LexiferryTest\\Long";
    while (directory.size() < 280) directory += L"\\" + std::wstring(40, L'd');
    scene.UseTemp(directory);
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_FALSE(result.toolRan);
}

TEST_F(FaultMatrix, TemporaryDirectoryThatFitsButItsFileNamesDoNot)
{
    // 250 units: with its backslash GetTempPathW gives it in 251, but "sogou.tmp" after it
    // makes 260, more than a path of the program may hold.
    std::wstring directory = L"C:\\LexiferryTest\\Long";
    while (directory.size() < 200) directory += L"\\" + std::wstring(20, L'd');
    directory += L"\\" + std::wstring(249 - directory.size(), L'e');
    scene.UseTemp(directory);
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_FALSE(result.toolRan);
}

TEST_F(FaultMatrix, TemporaryDirectoryOnADiskThatFillsUpWithTheImportFile)
{
    // The export fits on the disk; the import file, written after it, does not.
    const GeneratedExport generated = ManyEntries(1u << 20);
    const std::size_t importSize = AnsiBytes(generated.expectedImport).size();
    testsupport::SmallDisk disk(L"C:\\LexiferryTest\\Full Disk",
                                generated.bytes.size() + importSize / 2);
    ASSERT_TRUE(disk.Ready()) << disk.Problem();
    scene.Sogou().SetExport(generated.bytes);
    scene.UseTemp(L"C:\\LexiferryTest\\Full Disk");
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_TRUE(result.toolRan);
    EXPECT_TRUE(result.escapePaths.empty()) << "the IME was handed a cut import file";
    // The quiet mode tells the full disk from an IME that refused.
    const QuietResult quiet = scene.RunQuiet(L"/quiet");
    ExpectQuiet(quiet, 6, L"");
    EXPECT_TRUE(quiet.escapePaths.empty()) << "the IME was handed a cut import file";

    // The same export on a disk with room.
    scene.UseTemp(L"C:\\LexiferryTest\\Fault Temp");
    ExpectImported(scene.Run(), generated.expectedImport);
}

// --- The Kestrix IME ---------------------------------------------------------------------

TEST_F(FaultMatrix, KestrixShownButNoLayoutHasItsImeFile)
{
    scene.RemoveKestrix();
    // Detected by its layout text, so the sync can be asked for; no IME behind it.
    gui::LayoutInstall layout({{L"E0F00804", gui::KestrixName}});
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_TRUE(result.toolRan);
}

TEST_F(FaultMatrix, NoKestrixAtAllRefusesBeforeAnyExport)
{
    scene.RemoveKestrix();
    const RunResult result = scene.Run();
    Expect(result, Seen::Refusal, L"");
    EXPECT_FALSE(result.toolRan);
}

TEST_F(FaultMatrix, KestrixLayoutNamingAMissingImeFile)
{
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(0u, GetSystemDirectoryW(system, MAX_PATH));
    ASSERT_TRUE(DeleteFileW((std::wstring(system) + L"\\KestrixPinyin2.ime").c_str()));
    ExpectFailed(scene.Run());
}

TEST_F(FaultMatrix, KestrixEscapeRefuses)
{
    scene.Kestrix().SetRefuse(true);
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_EQ(std::vector<std::wstring>{scene.Temp().Directory() + L"kestrix.tmp"},
              result.escapePaths);
}

TEST_F(FaultMatrix, TwoLayoutsNamingTheKestrixImeImportOnce)
{
    testsupport::KestrixImeInstall second(L"E0F20804", L"KESTRIXPINYIN2.IME");
    ExpectImported(scene.Run(), fixture.expectedImport);
}

// --- Where the program was started from ----------------------------------------------------

// A downloaded program runs from the Downloads folder, where other files land unasked: DLLs
// named like ones the program or the system needs must never be loaded from there. Wine
// looks for these names beside the program first, as Windows does for every DLL that is not
// one it always takes from its system directory, only under native-first overrides. Wine's
// loader reads those from the Unix environment that the Wine process starting the program
// had, never from a Windows environment block; the test command sets them for this test
// program (tests/hardening/CMakeLists.txt), and the program inherits them.
TEST_F(FaultMatrix, DllsPlantedBesideTheProgramAreNeverLoaded)
{
    ASSERT_NE(std::wstring::npos,
              testsupport::EnvironmentVariable(L"WINEDLLOVERRIDES").find(L"comctl32,uxtheme=n,b"))
        << "without the overrides Wine loads its own DLLs whatever the program asks for";
    const ScratchFolder downloads(L"C:\\LexiferryTest\\Downloads");
    const std::vector<std::wstring> planted{L"comctl32.dll", L"uxtheme.dll"};
    for (const std::wstring& name : planted) {
        ASSERT_TRUE(CopyFileW((testsupport::StandinDirectory() + L"planted.dll").c_str(),
                              (downloads / name).c_str(), FALSE));
    }
    ExpectImported(scene.Run(60000, CopyOfTheProgramIn(downloads)), fixture.expectedImport);
    for (const std::wstring& name : planted) {
        EXPECT_FALSE(FileExists(downloads / (name + L".loaded")))
            << "lexiferry.exe loaded the " << testing::PrintToString(name) << " beside it";
    }
}

// --- Closing the window in the middle of a sync -------------------------------------------

TEST_F(FaultMatrix, WindowClosedDuringASlowExportEndsAtOnceAndLeavesNothingToTheNextRun)
{
    scene.Sogou().SetBehaviour({.delayMs = 1500});
    {
        gui::Program program;
        ASSERT_TRUE(program.Start());
        const HWND main = program.WaitForMainWindow();
        ASSERT_NE(nullptr, main);
        const gui::MainWindowParts parts = gui::FindParts(main);
        gui::Click(parts.sync, 66, 20);
        for (int i = 0; i < 50 && scene.Sogou().ReceivedCommandLine().empty(); ++i) {
            gui::Settle(100);
        }
        ASSERT_FALSE(scene.Sogou().ReceivedCommandLine().empty()) << "the export never started";
        const ULONGLONG start = GetTickCount64();
        gui::Click(parts.cancel, 66, 20);
        DWORD exitCode = 1234;
        ASSERT_TRUE(program.WaitForExit(5000, exitCode));
        EXPECT_EQ(0u, exitCode);
        EXPECT_LT(GetTickCount64() - start, 1000u) << "closing waited for the export";
        // The tool, abandoned in the middle of its export, ends with the program: nothing of
        // the transfer runs on unseen.
        const std::string toolId = scene.Sogou().RecordedAtStart("processId");
        ASSERT_FALSE(toolId.empty());
        const win::unique_handle tool(
            OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(toolId))));
        EXPECT_TRUE(!tool || WaitForSingleObject(tool.get(), 5000) == WAIT_OBJECT_0)
            << "the export tool outlived the program";
    }

    // An export that an earlier run left (one that was ended from outside, or whose tool
    // outlived it), and the next run's export fails to write anything: what the last run
    // left is not its own.
    ASSERT_TRUE(testsupport::WriteFileBytes(scene.Temp().Directory() + L"sogou.tmp",
                                            testsupport::Utf16Export({L"'jiu'de 旧的"})));
    scene.Sogou().SetBehaviour({.write = false});
    const RunResult result = scene.Run();
    ExpectFailed(result);
    EXPECT_TRUE(result.toolRan);
}

// --- The quiet mode: what deployment tools run in each user's session ---------------------

TEST_F(FaultMatrix, QuietRunCarriesTheExportOverWithoutAnyWindowAndLogsOneLine)
{
    // A slow export: a window or a message box made at any moment of the run is seen.
    scene.Sogou().SetBehaviour({.delayMs = 1000});
    const ULONGLONG before = Now();
    const QuietResult result = scene.RunQuiet(L"/quiet " + LogOption());
    const ULONGLONG after = Now();
    ExpectQuiet(result, 0, fixture.expectedImport);
    EXPECT_TRUE(result.toolRan);

    ASSERT_FALSE(result.log.empty());
    EXPECT_NE("\xEF\xBB\xBF", result.log.substr(0, 3)) << "a mark before the line";
    const std::vector<std::string> fields = LoggedFields(result);
    ASSERT_EQ(8u, fields.size()) << result.log;
    // The field has whole seconds.
    const ULONGLONG logged = LoggedMoment(fields[0]);
    EXPECT_LE(before - before % 10000000, logged) << fields[0];
    EXPECT_GE(after, logged) << fields[0];
    EXPECT_EQ(ComputerName(), fields[1]);
    EXPECT_EQ(UserName(), fields[2]);
    EXPECT_EQ("lexiferry " + ProductVersionOf(gui::BuildPath(L"lexiferry.exe")), fields[3]);
    EXPECT_EQ("0", fields[4]);
    EXPECT_EQ(std::to_string(fixture.entryCount), fields[5]);
    EXPECT_EQ(std::to_string(fixture.acceptedCount), fields[6]);
    EXPECT_NE(std::string::npos,
              fields[7].find(Utf8Bytes(scene.Sogou().ToolDirectory() + L"sgtool.exe")))
        << fields[7];
}

TEST_F(FaultMatrix, QuietRunExitCodeSaysWhatTheSourceGave)
{
    // Entries, none of them one that Kestrix takes.
    scene.Sogou().SetExportLines({L"'de 的", L"'ka'la'OK 卡拉OK"});
    QuietResult result = scene.RunQuiet(L"/quiet " + LogOption());
    ExpectQuiet(result, 5, L"");
    std::vector<std::string> fields = LoggedFields(result);
    ASSERT_EQ(8u, fields.size());
    EXPECT_EQ("5", fields[4]);
    EXPECT_EQ("2", fields[5]);
    EXPECT_EQ("0", fields[6]);

    // No entry: the tool writes nothing, or ends by a crash after writing, or is missing.
    scene.Sogou().SetBehaviour({.write = false, .exitCode = 1});
    ExpectQuiet(scene.RunQuiet(L"/quiet"), 4, L"");
    scene.Sogou().SetBehaviour({.crash = true});
    ExpectQuiet(scene.RunQuiet(L"/quiet"), 4, L"");
    ASSERT_TRUE(DeleteFileW((scene.Sogou().ToolDirectory() + L"sgtool.exe").c_str()));
    result = scene.RunQuiet(L"/quiet " + LogOption());
    ExpectQuiet(result, 4, L"");
    fields = LoggedFields(result);
    ASSERT_EQ(8u, fields.size());
    EXPECT_EQ("4", fields[4]);
    EXPECT_NE(std::string::npos,
              fields[7].find(Utf8Bytes(scene.Sogou().ToolDirectory() + L"sgtool.exe")))
        << fields[7];

    // Sogou not installed, and no file to read instead: its tool is not even looked for.
    scene.RemoveSogou();
    ExpectQuiet(scene.RunQuiet(L"/quiet"), 2, L"");
}

// Sogou as its installers since Windows 8 leave it: its key (in the 32-bit view) and its tool,
// and a text service with an English description instead of a keyboard layout.
TEST_F(FaultMatrix, QuietRunFindsASogouThatIsOnlyATextService)
{
    scene.Sogou().RemoveLayout();
    ExpectQuiet(scene.RunQuiet(L"/quiet"), 2, L"");
    const testsupport::TextServiceInstall service(L"{E7EA138E-69F8-11D7-A6EA-00065B844310}",
                                                  L"{E7EA138F-69F8-11D7-A6EA-00065B844311}",
                                                  L"Sogou Pinyin Input Method");
    const QuietResult result = scene.RunQuiet(L"/quiet");
    ExpectQuiet(result, 0, fixture.expectedImport);
    EXPECT_TRUE(result.toolRan);
}

TEST_F(FaultMatrix, QuietRunEndsAConsoleExportToolThatNeverEnds)
{
    // A command-line tool, as Sogou's is, that writes its export and then waits for ever, and
    // leaves a child behind that holds the export open and never ends either (a helper, an
    // updater). The program built for this row gives the tool 3 seconds, where the one that
    // ships gives minutes.
    scene.Sogou().UseConsoleTool();
    scene.Sogou().SetBehaviour({.hang = true, .child = true});
    // The tool's process and its child's, caught while they run: whoever ends them decides
    // their exit codes.
    std::atomic<bool> stop = false;
    win::unique_handle tool;
    win::unique_handle child;
    const auto caught = [&](const char* name, win::unique_handle& process) {
        const std::string id = scene.Sogou().RecordedAtStart(name);
        if (!process && !id.empty() && id != "0") {
            process.reset(
                OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                            FALSE, static_cast<DWORD>(std::stoul(id))));
        }
    };
    std::thread watch([&] {
        for (; !stop && !(tool && child); Sleep(20)) {
            caught("processId", tool);
            caught("childProcessId", child);
        }
    });
    const ULONGLONG start = GetTickCount64();
    const QuietResult result =
        scene.RunQuiet(L"/quiet " + LogOption(),
                       gui::BuildPath(L"tests\\hardening\\lexiferry_short_export_limit.exe"));
    const ULONGLONG took = GetTickCount64() - start;
    stop = true;
    watch.join();
    const auto ended = [](const win::unique_handle& process) {
        DWORD exitCode = STILL_ACTIVE;
        return GetExitCodeProcess(process.get(), &exitCode) && exitCode != STILL_ACTIVE &&
               exitCode != 99;  // 99: only the test's clean-up ended it
    };
    const bool childEnded = child && ended(child);
    if (child && !childEnded) TerminateProcess(child.get(), 99);  // not left to the next row

    // What it wrote before it was ended is not read: it had not finished.
    ExpectQuiet(result, 4, L"");
    EXPECT_GE(took, 3000u);
    EXPECT_LT(took, 15000u);
    EXPECT_EQ("0", scene.Sogou().RecordedAtStart("consoleWindow")) << "a console window opened";
    EXPECT_EQ("1", scene.Sogou().RecordedAtStart("startedHidden"));
    ASSERT_TRUE(tool) << "the tool's process was not caught";
    EXPECT_TRUE(ended(tool)) << "left running";
    // Its child too, so that the export it held is deleted (ExpectQuiet above): a file left
    // there would fail every later run at once.
    ASSERT_TRUE(child) << "the child's process was not caught";
    EXPECT_TRUE(childEnded) << "the tool's child was left running";
    const std::vector<std::string> fields = LoggedFields(result);
    ASSERT_EQ(8u, fields.size());
    EXPECT_EQ("4", fields[4]);
    EXPECT_EQ("0", fields[5]);
    EXPECT_NE(std::string::npos, fields[7].find("did not finish in time")) << fields[7];
}

TEST_F(FaultMatrix, QuietRunExitCodeSaysWhatBecameOfTheImport)
{
    // Kestrix refuses the file, or no IME stands behind its layout at all.
    scene.Kestrix().SetRefuse(true);
    QuietResult result = scene.RunQuiet(L"/quiet");
    ExpectQuiet(result, 7, L"");
    EXPECT_EQ(1u, result.escapePaths.size());
    scene.Kestrix().SetRefuse(false);

    // The temporary directory leaves no room for the import file's name.
    std::wstring directory = L"C:\\LexiferryTest\\Long";
    while (directory.size() < 200) directory += L"\\" + std::wstring(20, L'd');
    directory += L"\\" + std::wstring(249 - directory.size(), L'e');
    scene.UseTemp(directory);
    result = scene.RunQuiet(L"/quiet");
    ExpectQuiet(result, 6, L"");
    EXPECT_FALSE(result.toolRan);
    scene.UseTemp(L"C:\\LexiferryTest\\Fault Temp");

    // A log that cannot be written changes nothing of the run.
    ExpectQuiet(scene.RunQuiet(L"/quiet \"/log:C:\\LexiferryTest\\No Such Folder\\x.log\""), 0,
                fixture.expectedImport);

    scene.RemoveKestrix();
    {
        gui::LayoutInstall layout({{L"E0F00804", gui::KestrixName}});
        result = scene.RunQuiet(L"/quiet");
        ExpectQuiet(result, 7, L"");
        EXPECT_TRUE(result.toolRan);
    }
    // Kestrix not installed: checked before anything else, whatever the source.
    result = scene.RunQuiet(L"/quiet");
    ExpectQuiet(result, 3, L"");
    EXPECT_FALSE(result.toolRan);
    const ScratchFolder folder(L"C:\\LexiferryTest\\Export");
    ASSERT_TRUE(testsupport::WriteFileBytes(folder / L"dict.txt",
                                            testsupport::Utf16Export({L"'ni'hao 你好"})));
    ExpectQuiet(scene.RunQuiet(L"/quiet /from:" + (folder / L"dict.txt")), 3, L"");  // no space
}

TEST_F(FaultMatrix, QuietRunThatMayDoNothing)
{
    {
        // Another copy holds the mutex.
        win::unique_handle held(CreateMutexW(nullptr, TRUE, L"lexiferry_mutex"));
        ASSERT_TRUE(held);
        const QuietResult result = scene.RunQuiet(L"/quiet " + LogOption());
        ExpectQuiet(result, 1, L"");
        EXPECT_FALSE(result.toolRan);
        const std::vector<std::string> fields = LoggedFields(result);
        ASSERT_EQ(8u, fields.size());
        EXPECT_EQ("1", fields[4]);
    }
    // Usage errors: nothing done, and the line in the log where /log could be read.
    const std::wstring log = LogOption();
    const struct {
        std::wstring arguments;
        bool logged;
    } rows[] = {
        {L"/quiet /unknown " + log, true},
        {L"/quiet \"C:\\dropped file.txt\"", false},
        {L"/quiet /from", false},
        {L"/quiet /from: " + log, true},
        {L"/quiet /log", false},
        {L"/quiet /from /log " + scene.LogPath(), true},  // /from's value left out
        {L"/quiet /from:a.txt /from:b.txt " + log, true},
        {L"-QUIET " + log + L" /Quiet", true},
        {L"/quiet " + log + L" /log:C:\\LexiferryTest\\Logs\\other.log", true},
        {L"/quiet \"\" " + log, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.arguments));
        const QuietResult result = scene.RunQuiet(row.arguments);
        ExpectQuiet(result, 87, L"");
        EXPECT_FALSE(result.toolRan);
        EXPECT_EQ(row.logged, !result.log.empty()) << result.log;
        if (!row.logged) continue;
        const std::vector<std::string> fields = LoggedFields(result);
        ASSERT_EQ(8u, fields.size());
        EXPECT_EQ("87", fields[4]);
    }
    const ScratchFolder logs(L"C:\\LexiferryTest\\Logs");  // removed with what it holds
    EXPECT_FALSE(FileExists(logs / L"other.log")) << "a second /log was written";

    // The user's file named as the log as well, which a run appends to, or as the import
    // file, which a run empties and deletes; under other names of the same file. Nothing is
    // done, and no line goes into a log that is the user's file.
    const ScratchFolder old(L"C:\\LexiferryTest\\Old PC");
    const std::string bytes = testsupport::Utf16Export({L"'ni'hao 你好"});
    const std::wstring file = old / L"dict.txt";
    const std::wstring link = old / L"link to dict.txt";
    const std::wstring importFile = scene.Temp().Directory() + L"kestrix.tmp";
    ASSERT_TRUE(testsupport::WriteFileBytes(file, bytes));
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), file.c_str(), nullptr));
    ASSERT_TRUE(testsupport::WriteFileBytes(importFile, bytes));
    for (const std::wstring& path : {file, importFile}) {
        DateBack(path);
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));  // writable
    }
    const FileStamp fileStamp = StampOf(file);
    const FileStamp importFileStamp = StampOf(importFile);
    const auto quoted = [](const std::wstring& option, const std::wstring& path) {
        return L"\"" + option + path + L"\"";
    };
    const struct {
        std::wstring arguments;
        bool logged;
    } sameFileRows[] = {
        {L"/quiet " + quoted(L"/from:", file) + L" " + quoted(L"/log:", link), false},
        {L"/quiet " + quoted(L"/log:", file) + L" /unknown " + quoted(L"/from:", link), false},
        {L"/quiet " + quoted(L"/from:", L"c:/lexiferrytest/fault temp/KESTRIX.TMP") + L" " + log,
         true},
        // The log as a temporary file, which a run empties or deletes: there, and not yet there.
        {L"/quiet " + quoted(L"/log:", L"c:/lexiferrytest/fault temp/KESTRIX.TMP"), false},
        {L"/quiet " + quoted(L"/log:", L"c:/lexiferrytest/fault temp/Sogou.tmp"), false},
    };
    for (const auto& row : sameFileRows) {
        SCOPED_TRACE(testing::PrintToString(row.arguments));
        const QuietResult result = scene.RunQuiet(row.arguments);
        EXPECT_TRUE(result.ended);
        EXPECT_EQ(87u, result.exitCode);
        EXPECT_TRUE(result.windows.empty()) << testing::PrintToString(result.windows);
        EXPECT_TRUE(result.imported.empty());
        EXPECT_EQ(std::vector<std::wstring>{L"kestrix.tmp"}, result.leftInTemp);
        EXPECT_FALSE(result.toolRan);
        EXPECT_EQ(row.logged, !result.log.empty()) << result.log;
        EXPECT_EQ(bytes, testsupport::ReadFileBytes(file)) << "the user's file was changed";
        EXPECT_TRUE(fileStamp == StampOf(file)) << "the user's file's times were changed";
        EXPECT_EQ(bytes, testsupport::ReadFileBytes(importFile)) << "the user's file was changed";
        EXPECT_TRUE(importFileStamp == StampOf(importFile)) << "its times were changed";
        if (!row.logged) continue;
        const std::vector<std::string> fields = LoggedFields(result);
        ASSERT_EQ(8u, fields.size());
        EXPECT_EQ("87", fields[4]);
    }
    DeleteFileW(importFile.c_str());
}

// The user's own export, from Sogou's dictionary manager on another PC or from a converter:
// Sogou need not be installed, and its file is never changed.
TEST_F(FaultMatrix, QuietRunFromTheUsersOwnFileInEachEncoding)
{
    scene.RemoveSogou();
    const ScratchFolder folder(L"C:\\LexiferryTest\\Old PC");
    const std::vector<std::wstring> lines{L";搜狗拼音输入法 用户词库",
                                          L"'ni'hao 你好",
                                          L"'zhong'guo'ren 中国人",
                                          L"'de 的",  // one character
                                          L"'ka'la'OK 卡拉OK",
                                          L"'zai'jian 再见"};
    std::wstring crlf;
    std::wstring cr;
    std::wstring lf;
    for (const std::wstring& line : lines) {
        crlf += line + L"\r\n";
        cr += line + L"\r";
        lf += line + L"\n";
    }
    const std::wstring expected =
        L"你好\t1\tni hao\r\n中国人\t1\tzhong guo ren\r\n再见\t1\tzai jian\r\n";
    // Each with another way of writing the options.
    const struct {
        const char* name;
        std::string bytes;
        const wchar_t* before;  // the options before the file's path, and after it
        const wchar_t* after;
    } encodings[] = {
        {"UTF-16LE with its mark", "\xFF\xFE" + Utf16Bytes(crlf), L"/quiet /from:", L""},
        {"UTF-16LE without a mark, CR alone", Utf16Bytes(cr), L"/from ", L" /QUIET"},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + Utf8Bytes(crlf), L"-Quiet -FROM ", L""},
        {"UTF-8 without a mark, CR alone", Utf8Bytes(cr), L"/quiet /From:", L""},
        {"UTF-8 without a mark, LF alone, as Linux and macOS write it", Utf8Bytes(lf),
         L"/quiet /from:", L""},
        // The ANSI code page of the test prefix is 936.
        {"GBK", AnsiBytes(crlf), L"/quiet /from:", L""},
    };
    int number = 0;
    for (const auto& encoding : encodings) {
        SCOPED_TRACE(encoding.name);
        const std::wstring file = folder / (L"用户词库 " + std::to_wstring(++number) + L".txt");
        const std::wstring arguments =
            encoding.before + (L"\"" + file + L"\"") + encoding.after + L" " + LogOption();
        const QuietResult result = RunQuietFromUsersFile(file, encoding.bytes, arguments);
        ExpectQuiet(result, 0, expected);
        const std::vector<std::string> fields = LoggedFields(result);
        ASSERT_EQ(8u, fields.size());
        EXPECT_EQ("5", fields[5]);
        EXPECT_EQ("3", fields[6]);
        EXPECT_NE(std::string::npos, fields[7].find(Utf8Bytes(file))) << fields[7];
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    // The user's editor has a file open for reading and writing, letting others read it but
    // no other writer in: the run reads it all the same, and could not open it for writing.
    const std::wstring edited = folder / L"用户词库 1.txt";
    const win::unique_hfile editor(CreateFileW(edited.c_str(), GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                               nullptr));
    ASSERT_TRUE(editor);
    ExpectQuiet(scene.RunQuiet(L"/quiet \"/from:" + edited + L"\""), 0, expected);

    // GBK whose bytes are valid UTF-8 as well, of Latin letters: "'mo'mo \x012C\x012C".
    const std::wstring file = folder / L"short.txt";
    ASSERT_TRUE(testsupport::WriteFileBytes(file, "'mo'mo \xC4\xAC\xC4\xAC\r\n"));
    ExpectQuiet(scene.RunQuiet(L"/quiet \"/from:" + file + L"\""), 0, L"默默\t1\tmo mo\r\n");
}

TEST_F(FaultMatrix, QuietRunFromASogouBackupOfEitherLayout)
{
    scene.RemoveSogou();
    const ScratchFolder folder(L"C:\\LexiferryTest\\Old PC");
    const std::vector<testsupport::BackupEntry> entries = {
        {{219, 117}, L"你好", 30, 0},
        {{395, 112, 272}, L"中国人", 2, 4},
        {{61}, L"的", 9, 0},  // one character
        {{219, 117}, L"拟好", 1, 2},
    };
    const struct {
        const char* name;
        std::string bytes;
        std::wstring expected;  // in the file's order: the store's by reading
    } backups[] = {
        {"SGPU", testsupport::SgpuBackup(entries),
         L"你好\t1\tni hao\r\n中国人\t1\tzhong guo ren\r\n拟好\t1\tni hao\r\n"},
        {"store", testsupport::StoreBackup(entries),
         L"你好\t1\tni hao\r\n拟好\t1\tni hao\r\n中国人\t1\tzhong guo ren\r\n"},
    };
    for (const auto& backup : backups) {
        SCOPED_TRACE(backup.name);
        const std::wstring file = folder / L"搜狗词库备份_2024_07_26.bin";
        const QuietResult result = RunQuietFromUsersFile(
            file, backup.bytes, L"/quiet \"/from:" + file + L"\" " + LogOption());
        ExpectQuiet(result, 0, backup.expected);
        const std::vector<std::string> fields = LoggedFields(result);
        ASSERT_EQ(8u, fields.size());
        EXPECT_EQ("4", fields[5]);
        EXPECT_EQ("3", fields[6]);
    }

    // Damaged: a chain of the store that loops, an SGPU backup cut short, and a store cut
    // short, which is no longer told for one and is read as text of nothing but bytes that no
    // entry comes of. No entry, and the log says why, which a file that is missing does not.
    testsupport::StoreParts parts;
    std::string loops = testsupport::StoreBackup(entries, 9739, 8684, 1, &parts);
    loops.replace(parts.wordRecords + 18, 4, std::string(4, '\0'));
    const std::string sgpu = testsupport::SgpuBackup(entries);
    const std::string store = testsupport::StoreBackup(entries);
    for (const std::string& bytes :
         {loops, sgpu.substr(0, sgpu.size() / 2), store.substr(0, store.size() - 100)}) {
        const std::wstring file = folder / L"damaged.bin";
        ASSERT_TRUE(testsupport::WriteFileBytes(file, bytes));
        const QuietResult result = scene.RunQuiet(L"/quiet \"/from:" + file + L"\" " + LogOption());
        ExpectQuiet(result, 4, L"");
        const std::vector<std::string> fields = LoggedFields(result);
        ASSERT_EQ(8u, fields.size());
        EXPECT_EQ("0", fields[5]);
        EXPECT_EQ("No entry was read: the file " + Utf8Bytes(file) +
                      " is not a Sogou backup or text file that Lexiferry can read, or it is "
                      "damaged.",
                  fields[7]);
    }
    const QuietResult missing =
        scene.RunQuiet(L"/quiet \"/from:" + folder / L"missing.bin" + L"\" " + LogOption());
    ExpectQuiet(missing, 4, L"");
    const std::vector<std::string> fields = LoggedFields(missing);
    ASSERT_EQ(8u, fields.size());
    EXPECT_EQ(std::string::npos, fields[7].find("damaged")) << fields[7];
}

TEST_F(FaultMatrix, QuietRunFromAFileThatGivesNoEntry)
{
    scene.RemoveSogou();
    const ScratchFolder folder(L"C:\\LexiferryTest\\Old PC");
    const std::wstring file = folder / L"dict.txt";
    const auto fromOption = [](const std::wstring& path) {
        return L"/quiet \"/from:" + path + L"\"";
    };
    ExpectQuiet(scene.RunQuiet(fromOption(file)), 4, L"");           // missing
    ExpectQuiet(scene.RunQuiet(fromOption(folder.Path())), 4, L"");  // a folder
    ASSERT_TRUE(testsupport::WriteFileBytes(file, ""));
    ExpectQuiet(scene.RunQuiet(fromOption(file)), 4, L"");
    {
        // Held by a program that lets nobody else read it.
        ASSERT_TRUE(testsupport::WriteFileBytes(file, testsupport::Utf16Export({L"'ni'hao 你好"})));
        win::unique_hfile held(
            CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        ExpectQuiet(scene.RunQuiet(fromOption(file)), 4, L"");
    }
    // Bytes of no encoding: no NUL, no valid UTF-8, no valid GBK (FF is never a GBK byte).
    ASSERT_TRUE(
        testsupport::WriteFileBytes(file, "'ni'hao \xFF\xFE\xFF\r\n'zai'jian \x80\xFF\r\n"));
    ExpectQuiet(scene.RunQuiet(fromOption(file)), 4, L"");
    // The UTF-8 mark, then GBK: the mark is wrong about the file, whose words can't be told.
    ASSERT_TRUE(testsupport::WriteFileBytes(
        file, "\xEF\xBB\xBF'mo'mo \xC4\xAC\xC4\xAC\r\n'ni'hao \xC4\xE3\xBA\xC3\r\n"));
    ExpectQuiet(scene.RunQuiet(fromOption(file)), 4, L"");
    // Tens of megabytes without a line end: one line too long to be an entry, read without
    // copies of itself, and no word of that size reaches the IME.
    {
        std::string bytes = "'a'a ";
        for (int i = 0; i < 16 * 1024 * 1024; ++i) bytes += "\xE4\xB8\xAD";  // 中
        ASSERT_TRUE(testsupport::WriteFileBytes(file, bytes));
    }
    ExpectQuiet(scene.RunQuiet(fromOption(file)), 4, L"");
}

TEST_F(FaultMatrix, ArgumentsWithoutQuietStillOpenTheWindow)
{
    // A file dropped on the program, and options that only the quiet mode reads: the window
    // opens, and the watch that finds no window in the quiet rows sees it.
    const QuietResult result =
        scene.RunQuiet(L"\"C:\\LexiferryTest\\dropped file.txt\" /from:x.txt " + LogOption());
    EXPECT_FALSE(result.ended);
    EXPECT_NE(result.windows.end(), std::find_if(result.windows.begin(), result.windows.end(),
                                                 [](const std::wstring& window) {
                                                     return window.size() > 12 &&
                                                            window.substr(window.size() - 12) ==
                                                                L" 'Lexiferry'";
                                                 }))
        << testing::PrintToString(result.windows);
    EXPECT_TRUE(result.log.empty());
    EXPECT_FALSE(result.toolRan);
}

}  // namespace
}  // namespace hardening
