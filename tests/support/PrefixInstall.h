// Installs the two test stand-ins into the Wine prefix for real, steers them, reads what
// they received, and removes everything again.
//
// How a test uses them:
//   * Register the test with PREFIX_LOCK (these helpers change the prefix's HKLM, system32
//     and HKCU\Environment) and add_dependencies(<test> sgtool KestrixPinyin2) so the
//     stand-ins are built; they are taken from $LEXIFERRY_TEST_BINARY_DIR/standins.
//   * Do not combine with ScratchRegistry in the same scope: its HKLM override would
//     catch these keys.
//   * SogouToolInstall copies sgtool.exe to <root>\<version>\sgtool.exe and sets
//     HKLM\SOFTWARE\sogouinput (default value <root>, "version" <version>) in the registry
//     view that a 32-bit installer writes to, or in the one it is given. SetExportLines
//     (or SetExport with raw bytes) chooses what the tool writes; SetBehaviour makes it
//     fail, wait, hang or crash; ReceivedCommandLine() is the raw command line it was started with,
//     ReceivedCurrentDirectory() the current directory it was started in.
//   * KestrixImeInstall copies KestrixPinyin2.ime to the system directory of this test's
//     width, and the stand-in of the other width (from the build tree of that width, when
//     there is one: LEXIFERRY_TEST_PEER_BINARY_DIR) to the other system directory, as a real IME
//     installs itself; it adds the keyboard layout key E0F00804 whose "Ime File" names it.
//     Where the other width cannot run (LEXIFERRY_TEST_PEER_UNRUNNABLE gives the reason),
//     it installs only its own; a test that needs both skips that part (WhyNoOtherWidth).
//     ReceivedBytes() is everything escape 0x800 has read from the files it was handed;
//     ReceivedPaths() the paths it was handed; SetRefuse(true) makes the escape answer 0.
//   * SogouToolInstall::RemoveLayout() leaves Sogou as its installers since Windows 8 leave it:
//     its key and tool, and no keyboard layout; TextServiceInstall then registers its text
//     service (one profile with its "Description" under HKLM\SOFTWARE\Microsoft\CTF\TIP, a
//     key that Windows and Wine share between the two registry views) and removes that class
//     id's key again, also a key that a killed run left behind.
//   * TempDirectoryOverride points HKCU\Environment TEMP/TMP and this process's TEMP/TMP
//     at a fresh directory. Child processes started from this process inherit it.
//   Example:
//     testsupport::TempDirectoryOverride temp(L"C:\\Lexiferry Test Temp");
//     testsupport::SogouToolInstall sogou;
//     sogou.SetExportLines({L";comment", L"'ni'hao 你好"});
//     testsupport::KestrixImeInstall kestrix;
//     ... run the program or a transfer ...
//     EXPECT_EQ(testsupport::AnsiBytes(L"你好\t1\tni hao\r\n"), kestrix.ReceivedBytes());
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/FileBytes.h"
#include "tests/support/ProcessTempDirectory.h"
#include "win/UniqueHandles.h"

namespace testsupport {

// The Windows path of a file in the build tree that an environment variable names (a Unix
// path); empty when the variable is not set.
std::wstring BuildTreePath(const wchar_t* variable, const std::wstring& relative);
// The directory holding the built stand-ins, as a Windows path with a trailing backslash.
std::wstring StandinDirectory();

bool FileExists(const std::wstring& path);
// Deletes a directory with everything below it. Missing is fine.
void RemoveDirectoryTree(const std::wstring& directory);
// Creates a directory and its missing parents.
bool CreateDirectoryPath(const std::wstring& directory);

// A Sogou export as the real tool writes it: FF FE, then each line and CR LF, UTF-16LE.
std::string Utf16Export(const std::vector<std::wstring>& lines);
// The text in the ANSI code page (936 in the test prefix).
std::string AnsiBytes(const std::wstring& text);
std::string Utf8Bytes(const std::wstring& text);

// The two views of HKLM\SOFTWARE on 64-bit Windows: a 32-bit program's writes land in the
// first (SOFTWARE\Wow6432Node), a 64-bit program's in the second.
enum class RegistryView : REGSAM { Bits32 = KEY_WOW64_32KEY, Bits64 = KEY_WOW64_64KEY };

struct SgToolBehaviour {
    bool write = true;  // false: exit without creating the export
    unsigned delayMs = 0;
    unsigned exitCode = 0;
    bool crash = false;   // crash after the write step
    int writeLimit = -1;  // write only this many bytes of the export; -1: all
    bool hang = false;    // never end after the write step
    bool child = false;   // leave a child behind that holds the export open, never ending
};

class SogouToolInstall {
public:
    explicit SogouToolInstall(std::wstring root = L"C:\\LexiferryTest\\SogouInput",
                              std::wstring version = L"12.3.0.4567",
                              RegistryView view = RegistryView::Bits32);
    ~SogouToolInstall();
    SogouToolInstall(const SogouToolInstall&) = delete;
    SogouToolInstall& operator=(const SogouToolInstall&) = delete;

    // <root>\<version>\ with a trailing backslash.
    std::wstring ToolDirectory() const;
    void SetExport(const std::string& bytes) const;
    void SetExportLines(const std::vector<std::wstring>& lines) const;
    void SetBehaviour(const SgToolBehaviour& behaviour) const;
    // Empty when the tool never ran (since ForgetRuns).
    std::wstring ReceivedCommandLine() const;
    std::wstring ReceivedCurrentDirectory() const;
    bool ExportExistedAtStart() const;
    // A value the tool recorded at its start ("processId", "consoleWindow" 0 or 1,
    // "startedHidden" 0 or 1), or after its write step ("childProcessId"); empty when it
    // never ran.
    std::string RecordedAtStart(const std::string& name) const;
    // The command-line build of the stand-in in place of the windowed one, as the real tool is.
    void UseConsoleTool() const;
    // Removes what earlier runs of the tool recorded.
    void ForgetRuns() const;
    // Takes away the keyboard layout that makes the IME discovery find this Sogou.
    void RemoveLayout() const;
    // HKLM\SOFTWARE\sogouinput in this installation's view; null when it is not there.
    win::unique_hkey OpenKey(REGSAM access) const;
    void DeleteKey() const;
    // Whether HKLM\SOFTWARE\sogouinput exists in a view, by whomever it was written.
    static bool KeyIn(RegistryView view);

private:
    std::wstring root_;
    std::wstring version_;
    RegistryView view_;
};

class KestrixImeInstall {
public:
    explicit KestrixImeInstall(std::wstring layoutKey = L"E0F00804",
                               std::wstring imeFile = L"KestrixPinyin2.ime");
    ~KestrixImeInstall();
    KestrixImeInstall(const KestrixImeInstall&) = delete;
    KestrixImeInstall& operator=(const KestrixImeInstall&) = delete;

    void SetRefuse(bool refuse) const;
    // Removes what earlier escapes recorded.
    void ForgetImports() const;
    std::string ReceivedBytes() const;
    std::vector<std::wstring> ReceivedPaths() const;
    // Whether this run installs the other width's stand-in too, in the other system directory
    // as a 64-bit Windows has it; if not, why, for the test that must skip what needs it.
    bool OtherWidthWanted() const { return !otherWidthPath_.empty(); }
    std::string WhyNoOtherWidth() const;
    // Whether this process finds the other width's stand-in where it was installed. Where it
    // does not, that folder is out of its reach, and a record read from there proves nothing.
    bool OtherWidthInstalled() const;
    // What the other width's stand-in received: nothing, unless its program was ours. Empty
    // also when it cannot be read: ask OtherWidthInstalled() first.
    std::string OtherWidthReceivedBytes() const;

private:
    std::wstring RecordPath(const wchar_t* extension) const;

    std::wstring layoutKey_;
    std::wstring imeFile_;
    std::wstring installedPath_;
    std::wstring otherWidthPath_;     // empty where this run leaves the other width alone
    std::wstring otherWidthMissing_;  // why the other width could not be installed
};

class TextServiceInstall {
public:
    // One profile of a text service for Simplified Chinese (language 0x00000804).
    TextServiceInstall(std::wstring classId, const std::wstring& profileId,
                       const std::wstring& description);
    ~TextServiceInstall();
    TextServiceInstall(const TextServiceInstall&) = delete;
    TextServiceInstall& operator=(const TextServiceInstall&) = delete;

private:
    std::wstring classKey_;
};

class TempDirectoryOverride {
public:
    explicit TempDirectoryOverride(std::wstring directory);
    ~TempDirectoryOverride();
    TempDirectoryOverride(const TempDirectoryOverride&) = delete;
    TempDirectoryOverride& operator=(const TempDirectoryOverride&) = delete;

    // With a trailing backslash, as GetTempPathW gives it.
    std::wstring Directory() const { return directory_ + L"\\"; }

private:
    struct SavedValue {
        bool present = false;
        DWORD type = REG_SZ;
        std::vector<BYTE> data;
    };
    std::wstring directory_;
    SavedValue savedTemp_;
    SavedValue savedTmp_;
    // This process read its environment at its start; GetTempPathW looks only there.
    ProcessTempVariable environment_;
};

}  // namespace testsupport
