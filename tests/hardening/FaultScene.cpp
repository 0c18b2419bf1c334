#include "tests/hardening/FaultScene.h"

#include <algorithm>

#include "res/StatusTexts.h"
#include "win/UniqueHandles.h"

namespace hardening {

namespace {

constexpr wchar_t RefusalCaption[] = L"输入法同步工具";
// Long enough for the slowest row (tens of megabytes through a per-line write under Wine);
// a hang still ends the test instead of holding CI.
constexpr DWORD ExitTimeoutMs = 5000;
// A quiet run that shows a window is not waited for long: it may be waiting for a click.
constexpr DWORD QuietRunTimeoutMs = 60000;
constexpr DWORD WindowSeenGraceMs = 3000;

struct WindowSearch {
    DWORD processId;
    std::vector<std::wstring>* found;
};

// An enumeration callback of its own: a lambda is not CALLBACK (stdcall) on 32-bit Windows.
BOOL CALLBACK RecordProcessWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
    wchar_t className[64] = {};
    wchar_t title[64] = {};
    GetClassNameW(window, className, 64);
    GetWindowTextW(window, title, 64);
    const std::wstring seen = std::wstring(className) + L" '" + title + L"'";
    std::vector<std::wstring>& found = *search->found;
    if (std::find(found.begin(), found.end(), seen) == found.end()) found.push_back(seen);
    return TRUE;
}

}  // namespace

const char* SeenName(Seen seen)
{
    switch (seen) {
        case Seen::Success:
            return "the success sentence";
        case Seen::Failure:
            return "the failure sentence";
        case Seen::Refusal:
            return "the refusal message box";
        case Seen::Nothing:
            break;
    }
    return "no outcome";
}

FaultScene::FaultScene()
    : temp(std::make_unique<testsupport::TempDirectoryOverride>(L"C:\\LexiferryTest\\Fault Temp")),
      sogou(std::make_unique<testsupport::SogouToolInstall>(SogouRoot(), SogouVersion())),
      kestrix(std::make_unique<testsupport::KestrixImeInstall>())
{
}

FaultScene::~FaultScene() = default;

void FaultScene::InstallSogou(const std::wstring& root, testsupport::RegistryView view)
{
    sogou.reset();
    sogou = std::make_unique<testsupport::SogouToolInstall>(root, SogouVersion(), view);
}

win::unique_hkey FaultScene::OpenSogouKey() const
{
    win::unique_hkey key = sogou->OpenKey(KEY_SET_VALUE);
    EXPECT_TRUE(key) << "no Sogou key to change";
    return key;
}

void FaultScene::UseTemp(const std::wstring& directory)
{
    temp.reset();
    temp = std::make_unique<testsupport::TempDirectoryOverride>(directory);
}

void FaultScene::SetSogouValue(const wchar_t* name, DWORD type, const void* data, DWORD size) const
{
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(OpenSogouKey().get(), name, 0, type,
                                            static_cast<const BYTE*>(data), size));
}

void FaultScene::SetSogouString(const wchar_t* name, const std::wstring& text, bool withNul,
                                DWORD type) const
{
    SetSogouValue(name, type, text.c_str(),
                  static_cast<DWORD>((text.size() + (withNul ? 1 : 0)) * sizeof(wchar_t)));
}

void FaultScene::DeleteSogouValue(const wchar_t* name) const
{
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(OpenSogouKey().get(), name));
}

void FaultScene::DeleteSogouKey() const
{
    sogou->DeleteKey();
    EXPECT_FALSE(sogou->OpenKey(KEY_QUERY_VALUE));
}

RunResult FaultScene::Run(DWORD outcomeTimeoutMs, const std::wstring& programPath)
{
    RunResult result;
    {
        gui::Program program;
        const std::wstring path =
            programPath.empty() ? gui::BuildPath(L"lexiferry.exe") : programPath;
        const bool started = unixLocale.empty() ? program.Start(path)
                                                : program.StartWithUnixLocale(path, unixLocale);
        EXPECT_TRUE(started) << "cannot start the program: error " << GetLastError();
        const HWND main = program.WaitForMainWindow();
        EXPECT_NE(nullptr, main) << "the window did not open";
        if (main == nullptr) return result;
        gui::MainWindowParts parts = gui::FindParts(main);

        gui::Click(parts.sync, 66, 20);
        result.seen = WaitForOutcome(parts, outcomeTimeoutMs);
        HWND closer = nullptr;
        if (result.seen == Seen::Success || result.seen == Seen::Failure) closer = parts.ok;
        if (result.seen == Seen::Refusal && DismissRefusal(parts)) closer = parts.cancel;
        if (closer != nullptr) {
            const ULONGLONG start = GetTickCount64();
            gui::Click(closer, 66, 20);
            DWORD exitCode = 1234;
            result.exitedWithZero = program.WaitForExit(ExitTimeoutMs, exitCode) && exitCode == 0 &&
                                    GetTickCount64() - start < 3000;
        }
        // Leaving the scope ends a program that hangs, and any tool it left running.
    }
    result.imported = kestrix ? kestrix->ReceivedBytes() : std::string();
    if (kestrix) result.escapePaths = kestrix->ReceivedPaths();
    result.leftInTemp = FilesIn(temp->Directory());
    result.toolRan = sogou && !sogou->ReceivedCommandLine().empty();
    return result;
}

QuietResult FaultScene::RunQuiet(const std::wstring& arguments, const std::wstring& programPath)
{
    QuietResult result;
    const std::wstring log = LogPath();
    EXPECT_TRUE(testsupport::CreateDirectoryPath(log.substr(0, log.find_last_of(L'\\'))));
    DeleteFileW(log.c_str());
    if (sogou) sogou->ForgetRuns();
    if (kestrix) kestrix->ForgetImports();
    {
        gui::Program program;
        // Without a console, as a deployment tool or Explorer starts a windowed program on
        // Windows. Under Wine it would otherwise share this test's console, which has no
        // window, and so would a command-line export tool that it starts.
        EXPECT_TRUE(
            program.Start(programPath.empty() ? gui::BuildPath(L"lexiferry.exe") : programPath,
                          arguments, DETACHED_PROCESS))
            << "cannot start the program: error " << GetLastError();
        WindowSearch search{program.Id(), &result.windows};
        const ULONGLONG start = GetTickCount64();
        ULONGLONG deadline = start + QuietRunTimeoutMs;
        while (program.Running() && GetTickCount64() < deadline) {
            EnumWindows(RecordProcessWindow, reinterpret_cast<LPARAM>(&search));
            if (!result.windows.empty()) {
                deadline = std::min(deadline, GetTickCount64() + WindowSeenGraceMs);
            }
            Sleep(10);
        }
        result.ended = program.WaitForExit(0, result.exitCode);
        // Leaving the scope ends a program that hangs, and any tool it left running.
    }
    result.imported = kestrix ? kestrix->ReceivedBytes() : std::string();
    if (kestrix) result.escapePaths = kestrix->ReceivedPaths();
    result.leftInTemp = FilesIn(temp->Directory());
    result.toolRan = sogou && !sogou->ReceivedCommandLine().empty();
    result.log = testsupport::ReadFileBytes(log);
    DeleteFileW(log.c_str());
    // Only when empty: a log the run should not have written stays for the row to find.
    RemoveDirectoryW(log.substr(0, log.find_last_of(L'\\')).c_str());
    return result;
}

Seen FaultScene::WaitForOutcome(gui::MainWindowParts& parts, DWORD timeoutMs) const
{
    for (ULONGLONG end = GetTickCount64() + timeoutMs; GetTickCount64() < end;) {
        if (gui::WaitForOwnedWindow(parts.main, RefusalCaption, 0) != nullptr) return Seen::Refusal;
        if (!IsWindowVisible(parts.sync) && !IsWindowVisible(parts.cancel)) {
            parts = gui::FindParts(parts.main);
            if (parts.ok != nullptr && IsWindowVisible(parts.ok)) {
                gui::Settle(200);
                const LOGFONTW font = gui::SentenceFont();
                if (gui::ShowsText(parts.panel, 30, 30, StatusTexts[2], font)) return Seen::Success;
                if (gui::ShowsText(parts.panel, 30, 30, StatusTexts[3], font)) return Seen::Failure;
            }
        }
        if (!IsWindow(parts.main)) break;
        gui::Settle(100);
    }
    return Seen::Nothing;
}

bool FaultScene::DismissRefusal(const gui::MainWindowParts& parts) const
{
    const HWND box = gui::WaitForOwnedWindow(parts.main, RefusalCaption, 0);
    for (HWND child : gui::Children(box)) {
        if (gui::ControlId(child) != IDOK) continue;
        RECT client{};
        GetClientRect(child, &client);
        gui::Click(child, client.right / 2, client.bottom / 2);
        for (int i = 0; i < 40 && IsWindow(box); ++i) gui::Settle(50);
    }
    return !IsWindow(box);
}

std::vector<std::wstring> FilesIn(const std::wstring& directory)
{
    std::vector<std::wstring> names;
    std::wstring pattern = directory;
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((pattern + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

namespace {

// The pieces of text between the separators; with dropLastEmpty, none after a last separator.
std::vector<std::string> Pieces(const std::string& text, const char* separator, bool dropLastEmpty)
{
    std::vector<std::string> pieces;
    const std::size_t length = std::char_traits<char>::length(separator);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos;
         start = end + length) {
        pieces.push_back(text.substr(start, end - start));
    }
    if (start < text.size() || !dropLastEmpty) pieces.push_back(text.substr(start));
    return pieces;
}

}  // namespace

std::vector<std::string> LogLines(const std::string& log)
{
    return Pieces(log, "\r\n", true);
}

std::vector<std::string> LogFields(const std::string& line)
{
    return Pieces(line, "\t", false);
}

testing::AssertionResult SameBytes(const std::string& expected, const std::string& actual)
{
    if (expected == actual) return testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    return testing::AssertionFailure() << "expected " << expected.size() << " bytes, got "
                                       << actual.size() << "; first difference at byte " << at;
}

}  // namespace hardening
