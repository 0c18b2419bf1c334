// Stand-in for Sogou's export tool. Accepts exactly
//   sgtool.exe --appid=userdict --export <path>
// and writes the bytes of "sgtool.out" (beside this program) to <path>. What it does is
// steered by "sgtool.ini" beside it, section [sgtool]:
//   write=0      exit without creating the export (default 1)
//   delayMs=N    sleep N milliseconds before writing
//   exitCode=N   the process's exit code (default 0)
//   crash=1      crash after the write step instead of exiting
//   writeLimit=N write only the first N bytes of "sgtool.out" (with crash=1: a crash in
//                the middle of the export)
//   hang=1       never end after the write step (a tool that waits for ever)
//   child=1      after the write step, start a child (this program with "--hold") that
//                holds the export open, refusing to let it be deleted, and never ends; its
//                process id goes to "sgtool.log" as childProcessId
// It records its raw command line in "sgtool.cmdline" and the current directory it was
// started in in "sgtool.cwd" (both UTF-16LE, no mark) and, in "sgtool.log", whether the
// export path already existed when it started, its process id, whether it has a console
// window and whether it was asked to start hidden. Built twice: as a windowed program
// (sgtool.exe), and as the command-line program that a real export tool is
// (sgtool_console.exe, SGTOOL_CONSOLE), which Windows gives a console of its own. A command line
// that does not split into those four arguments (an unquoted path with a space, say) makes
// it exit with code 2 without writing, as a real program would fail on it.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "tests/support/FileBytes.h"
#include "win/UniqueHandles.h"

namespace {

std::wstring OwnDirectory()
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L".\\";
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L'\\') + 1);
}

// A test may read the log while the tool runs, and holds it for a moment when it does: a write
// that meets the reader is tried again, not lost.
void WriteLog(const std::wstring& directory, const std::string& log)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (testsupport::WriteFileBytes(directory + L"sgtool.log", log)) return;
        Sleep(10);
    }
}

// A helper or an updater that the tool leaves behind, with the export open: it holds the
// handle it inherited, so that the file is held from its first moment.
bool IsHoldingChild(const wchar_t* commandLine)
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(commandLine, &argc);
    const bool holding = argv != nullptr && argc == 2 && wcscmp(argv[1], L"--hold") == 0;
    LocalFree(argv);
    return holding;
}

// The child, started with the export open and inherited; its process id, or 0.
DWORD StartHoldingChild(const std::wstring& exportPath)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    win::unique_hfile held(CreateFileW(exportPath.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                       OPEN_EXISTING, 0, nullptr));
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (!held || length == 0 || length >= MAX_PATH) return 0;
    std::wstring commandLine = L"\"" + std::wstring(self, length) + L"\" --hold";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &started)) {
        return 0;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return started.dwProcessId;
}

int RunTool()
{
    const wchar_t* commandLine = GetCommandLineW();
    if (IsHoldingChild(commandLine)) Sleep(INFINITE);
    const std::wstring directory = OwnDirectory();
    testsupport::WriteFileBytes(directory + L"sgtool.cmdline", commandLine,
                                static_cast<DWORD>(wcslen(commandLine) * sizeof(wchar_t)));
    wchar_t currentDirectory[MAX_PATH] = {};
    const DWORD currentLength = GetCurrentDirectoryW(MAX_PATH, currentDirectory);
    testsupport::WriteFileBytes(
        directory + L"sgtool.cwd", currentDirectory,
        currentLength < MAX_PATH ? static_cast<DWORD>(currentLength * sizeof(wchar_t)) : 0);

    const std::wstring ini = directory + L"sgtool.ini";
    const UINT write = GetPrivateProfileIntW(L"sgtool", L"write", 1, ini.c_str());
    const UINT delayMs = GetPrivateProfileIntW(L"sgtool", L"delayMs", 0, ini.c_str());
    const UINT exitCode = GetPrivateProfileIntW(L"sgtool", L"exitCode", 0, ini.c_str());
    const UINT crash = GetPrivateProfileIntW(L"sgtool", L"crash", 0, ini.c_str());
    const UINT hang = GetPrivateProfileIntW(L"sgtool", L"hang", 0, ini.c_str());
    const UINT child = GetPrivateProfileIntW(L"sgtool", L"child", 0, ini.c_str());
    const int writeLimit = static_cast<int>(
        GetPrivateProfileIntW(L"sgtool", L"writeLimit", static_cast<UINT>(-1), ini.c_str()));

    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(commandLine, &argc);
    const bool wellFormed = argv != nullptr && argc == 4 &&
                            wcscmp(argv[1], L"--appid=userdict") == 0 &&
                            wcscmp(argv[2], L"--export") == 0;
    const std::wstring exportPath = wellFormed ? argv[3] : L"";
    LocalFree(argv);

    const bool existed =
        wellFormed && GetFileAttributesW(exportPath.c_str()) != INVALID_FILE_ATTRIBUTES;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    const bool startedHidden =
        (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 && startup.wShowWindow == SW_HIDE;
    std::string log = std::string(existed ? "exportExisted=1" : "exportExisted=0") +
                      "\r\nprocessId=" + std::to_string(GetCurrentProcessId()) +
                      "\r\nconsoleWindow=" + (GetConsoleWindow() != nullptr ? "1" : "0") +
                      "\r\nstartedHidden=" + (startedHidden ? "1" : "0") + "\r\n";
    WriteLog(directory, log);
    if (!wellFormed) return 2;

    if (delayMs != 0) Sleep(delayMs);
    if (write != 0) {
        std::string content = testsupport::ReadFileBytes(directory + L"sgtool.out");
        if (writeLimit >= 0 && static_cast<std::size_t>(writeLimit) < content.size()) {
            content.resize(static_cast<std::size_t>(writeLimit));
        }
        testsupport::WriteFileBytes(exportPath, content);
    }
    if (child != 0) {
        log += "childProcessId=" + std::to_string(StartHoldingChild(exportPath)) + "\r\n";
        WriteLog(directory, log);
    }
    if (crash != 0) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
    if (hang != 0) Sleep(INFINITE);
    return static_cast<int>(exitCode);
}

}  // namespace

#ifdef SGTOOL_CONSOLE
int wmain()
{
    return RunTool();
}
#else
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return RunTool();
}
#endif
