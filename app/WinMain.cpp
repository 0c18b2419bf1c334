// The program's entry: one copy at a time, one window, one worker for the transfer; or, when
// the command line asks for it, the quiet mode without a window.
#include <windows.h>

#include "app/CommandLine.h"
#include "app/QuietRun.h"
#include "app/SingleInstance.h"
#include "app/TransformQueue.h"
#include "ime/IMECatalogue.h"
#include "res/WindowTexts.h"
#include "ui/MainWnd.h"
#include "win/DllSearch.h"

namespace {

// A test build of the program may be given a limit of seconds, so that a tool that never ends
// is seen to be ended; the program that ships has only the real one.
#ifdef LEXIFERRY_TEST_EXPORT_TIME_LIMIT_MS
constexpr unsigned long ExportTimeLimitMs = LEXIFERRY_TEST_EXPORT_TIME_LIMIT_MS;
#else
constexpr unsigned long ExportTimeLimitMs = QuietExportTimeLimitMs;
#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    // First of all, before anything loads a DLL by name. Where Windows can restrict the search
    // (Windows 8 on, Windows 7 with KB2533623), every DLL loaded by name from here on comes
    // from the system directory: never from the program's own folder, where a downloaded
    // program shares the Downloads folder with whatever else landed there, nor from the current
    // directory. On Windows 7 without that update only the current directory leaves the search
    // and the program's own folder stays first in it: the program loads comctl32 by its full
    // path (ui/CommonControls.h), but a DLL that Windows itself loads by name may still be
    // taken from beside the program. The DLLs imported statically are all ones that Windows
    // loads from the system directory in any case.
    dllsearch::RestrictToSystemDirectory();

    const CommandLine commandLine = CommandLine::OfThisProcess();
    if (commandLine.Quiet()) return RunQuietly(commandLine, ExportTimeLimitMs);

    SingleInstance instance;
    if (!instance.Claim()) return 0;

    detectedImeCount = DetectPinyinIMEs();

    MainWnd mainWnd;
    const RECT rect{0, 0, 500, MainWnd::HeightFor(detectedImeCount)};
    if (mainWnd.Create(rect, MainWindowTitle, WS_SYSMENU, WS_EX_APPWINDOW) == nullptr) return 1;

    // Started before the window is shown, with the window as the receiver of its outcome
    // messages. Never freed and never joined: closing the window must not wait for a
    // transfer, and the process end stops the worker wherever it is.
    transformQueue = new TransformQueue;
    transformQueue->Start(mainWnd.hwnd());

    ::ShowWindow(mainWnd.hwnd(), showCommand);
    ::UpdateWindow(mainWnd.hwnd());
    // Checked with the window on the screen, so that a refusal has its owner to show over.
    if (!commandLine.OpenedFile().empty()) mainWnd.TakeFile(commandLine.OpenedFile());

    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (mainWnd.MovesFocusByTab(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
