// The program's entry: one copy at a time, one window, one worker for the transfer.
#include <windows.h>

#include "app/DllSearch.h"
#include "app/TransformQueue.h"
#include "ime/IMECatalogue.h"
#include "res/WindowTexts.h"
#include "ui/MainWnd.h"
#include "win/UniqueHandles.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    // First of all: every DLL loaded by name from here on comes from the system directory,
    // never from the program's own folder, where a downloaded program shares the Downloads
    // folder with whatever else landed there, nor from the current directory. The DLLs
    // imported statically are all ones that Windows loads from the system directory in any
    // case; comctl32 is loaded later, by the window (ui/CommonControls.h).
    dllsearch::RestrictToSystemDirectory();

    // Owned for the whole run; the last handle's close ends the mutex, so a later copy may
    // start. A mutex that cannot be made for another reason only loses the protection.
    win::unique_handle mutex(::CreateMutexW(nullptr, TRUE, L"lexiferry_mutex"));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) return 0;

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

    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    mutex.reset();
    return static_cast<int>(message.wParam);
}
