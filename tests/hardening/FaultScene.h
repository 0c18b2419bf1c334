// One run of the real lexiferry.exe against stand-ins that a test has set up to fail in one
// way: the user's click on sync, what the window then shows, what the Kestrix IME received,
// what was left in the temporary directory, and how the process ended.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/PrefixInstall.h"
#include "tests/ui/ProgramWindow.h"

namespace hardening {

// What the user sees after pressing sync.
enum class Seen {
    Success,  // the success sentence and the OK button
    Failure,  // the failure sentence and the OK button
    Refusal,  // the message box: fewer than two IMEs to select
    Nothing,  // none of these in time: the program hangs or has gone
};

const char* SeenName(Seen seen);

struct RunResult {
    Seen seen = Seen::Nothing;
    bool exitedWithZero = false;  // after OK (or cancel, after a refusal), promptly
    std::string imported;         // the bytes the IME read through its escape
    std::vector<std::wstring> escapePaths;
    std::vector<std::wstring> leftInTemp;  // file names still in the temporary directory
    bool toolRan = false;
};

// What a run of the quiet mode did.
struct QuietResult {
    bool ended = false;  // in time, by itself
    DWORD exitCode = 0;
    // Every top-level window the process had while it ran, as "class 'title'", visible or not.
    std::vector<std::wstring> windows;
    std::string imported;
    std::vector<std::wstring> escapePaths;
    std::vector<std::wstring> leftInTemp;
    bool toolRan = false;
    std::string log;  // what LogPath() held afterwards
};

class FaultScene {
public:
    // A temporary directory with a space in its name, Sogou's tool and registry values, the
    // Kestrix IME in system32 with its layout. Rows take away or spoil what they need.
    FaultScene();
    ~FaultScene();

    testsupport::TempDirectoryOverride& Temp() { return *temp; }
    testsupport::SogouToolInstall& Sogou() { return *sogou; }
    testsupport::KestrixImeInstall& Kestrix() { return *kestrix; }
    void UseTemp(const std::wstring& directory);
    // Sogou's installation again, at another root or with its key in the given registry view
    // only.
    void InstallSogou(const std::wstring& root,
                      testsupport::RegistryView view = testsupport::RegistryView::Bits32);
    void RemoveKestrix() { kestrix.reset(); }
    // Neither Sogou's key, nor its tool, nor its keyboard layout.
    void RemoveSogou() { sogou.reset(); }
    // Later runs start the program in a Unix locale of its own (see
    // gui::Program::StartWithUnixLocale).
    void UseUnixLocale(std::string variables) { unixLocale = std::move(variables); }
    // Registry values of HKLM\SOFTWARE\sogouinput as they are stored, of any type and size.
    void SetSogouValue(const wchar_t* name, DWORD type, const void* data, DWORD size) const;
    void SetSogouString(const wchar_t* name, const std::wstring& text, bool withNul = true,
                        DWORD type = REG_SZ) const;
    void DeleteSogouValue(const wchar_t* name) const;
    void DeleteSogouKey() const;
    std::wstring SogouRoot() const { return L"C:\\LexiferryTest\\SogouInput"; }
    std::wstring SogouVersion() const { return L"12.3.0.4567"; }

    // Starts the program (the one built, unless another copy is named), presses sync, waits
    // for the outcome and closes the window again.
    RunResult Run(DWORD outcomeTimeoutMs = 60000, const std::wstring& programPath = {});
    // Starts the program (the one built, unless another is named) with arguments, as a
    // deployment tool does, and watches its top-level windows until it ends; one that stays
    // makes the run end early, unended.
    QuietResult RunQuiet(const std::wstring& arguments, const std::wstring& programPath = {});
    // The log file that a row may name with /log; it is emptied before each quiet run.
    std::wstring LogPath() const { return L"C:\\LexiferryTest\\Logs\\lexiferry.log"; }

private:
    win::unique_hkey OpenSogouKey() const;
    Seen WaitForOutcome(gui::MainWindowParts& parts, DWORD timeoutMs) const;
    bool DismissRefusal(const gui::MainWindowParts& parts) const;

    std::unique_ptr<testsupport::TempDirectoryOverride> temp;
    std::unique_ptr<testsupport::SogouToolInstall> sogou;
    std::unique_ptr<testsupport::KestrixImeInstall> kestrix;
    std::string unixLocale;
};

// The lines of a log, each without its CR LF; a last line without one is a line too.
std::vector<std::string> LogLines(const std::string& log);
// The fields of a log line, split at its TABs.
std::vector<std::string> LogFields(const std::string& line);

// The files in a directory (not its sub-directories); empty when it does not exist.
std::vector<std::wstring> FilesIn(const std::wstring& directory);

// Compares two byte strings without printing megabytes: the sizes and the first difference.
testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual);

}  // namespace hardening
