#include "ui/MainWnd.h"

#include "app/TransformQueue.h"
#include "ime/IMECatalogue.h"
#include "res/Resource.h"
#include "res/SurfaceColours.h"

const MessageEntry<MainWnd> MainWnd::Messages[] = {
    OnMessage<MainWnd>(WM_CREATE, &MainWnd::OnCreate),
    OnMessage<MainWnd>(WM_CLOSE, &MainWnd::OnClose),
    OnMessage<MainWnd>(WM_DESTROY, &MainWnd::OnDestroy),
    OnMessage<MainWnd>(WM_ERASEBKGND, &MainWnd::OnEraseBackground),
    OnMessage<MainWnd>(WM_PAINT, &MainWnd::OnPaint),
    OnMessage<MainWnd>(WM_TRANSFORM_SUCCEEDED, &MainWnd::OnTransformSucceeded),
    OnMessage<MainWnd>(WM_TRANSFORM_FAILED, &MainWnd::OnTransformFailed),
    OnCommand<MainWnd>(ID_SYNC, BN_CLICKED, &MainWnd::OnSync),
    OnCommand<MainWnd>(ID_CLOSE, BN_CLICKED, &MainWnd::OnClose),
    OnCommand<MainWnd>(ID_CHOOSE_FILE, BN_CLICKED, &MainWnd::OnChooseFile),
    OnMessage<MainWnd>(WM_DROPFILES, &MainWnd::OnDropFiles),
};

const WindowClass& MainWnd::Class()
{
    static const WindowClass mainClass{WindowClassTraits{}};
    return mainClass;
}

bool MainWnd::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return Dispatch<MainWnd>(*this, Messages, message, wParam, lParam, result);
}

HWND MainWnd::Create(const RECT& rect, const wchar_t* title, DWORD style, DWORD exStyle)
{
    return CreateWindowOfClass(Class(), nullptr, rect, title, style, exStyle, 0);
}

unique_himagelist MainWnd::LoadStrip(int id) const
{
    return unique_himagelist(comctl::ImageList_LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(id),
                                                          132, 1, CLR_NONE, IMAGE_BITMAP,
                                                          LR_CREATEDIBSECTION));
}

LRESULT MainWnd::OnCreate(UINT, WPARAM, LPARAM, bool&)
{
    ::GetClientRect(hwnd(), &clientRect_);
    const int width = clientRect_.right - clientRect_.left;
    const int bottom = clientRect_.bottom;

    bigIcon_ = ::LoadIconW(ModuleInstance(), MAKEINTRESOURCEW(IDI_APP));
    ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    titleBitmap_.reset(::LoadBitmapW(ModuleInstance(), MAKEINTRESOURCEW(IDB_TITLE)));

    PlaceButton(cancelButton_, {width / 2 + 30, bottom - 58, width - 70, bottom - 25}, ID_CLOSE,
                IDB_CANCEL_STRIP, 0, 2, 1, 0);
    PlaceButton(syncButton_, {70, bottom - 58, width / 2 - 10, bottom - 25}, ID_SYNC,
                IDB_SYNC_STRIP, 0, 2, 1, 0);

    panel_.placement = {0, 0, 460, 30 * RowsFor(detectedImeCount) + 98};
    panel_.Create(hwnd(), ID_SYNC);
    ::ShowWindow(panel_.hwnd(), SW_SHOW);
    ::MoveWindow(panel_.hwnd(), 18, 64, panel_.placement.right, panel_.placement.bottom, TRUE);

    PlaceFileLink();

    CentreOnWorkArea();
    return 1;
}

void MainWnd::PlaceButton(CBitmapButton& button, const RECT& rect, UINT id, int stripId,
                          int normalFrame, int pressedFrame, int focusedFrame, int disabledFrame)
{
    button.Create(hwnd(), rect, id);
    button.AssignStrip(LoadStrip(stripId));
    button.AssignFrames(normalFrame, pressedFrame, focusedFrame, disabledFrame);
    ::ShowWindow(button.hwnd(), SW_SHOW);
}

void MainWnd::CentreOnWorkArea()
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    const HMONITOR nearest = ::MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST);
    if (nearest == nullptr || !::GetMonitorInfoW(nearest, &monitor)) return;
    const RECT& area = monitor.rcWork;

    RECT window{};
    ::GetWindowRect(hwnd(), &window);
    const int w = window.right - window.left;
    const int h = window.bottom - window.top;
    const auto place = [](LONG low, LONG high, int size) {
        int at = (low + high) / 2 - size / 2;
        if (at + size > high) at = high - size;
        if (at < low) at = low;
        return at;
    };
    ::SetWindowPos(hwnd(), nullptr, place(area.left, area.right, w),
                   place(area.top, area.bottom, h), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT MainWnd::OnClose(UINT, WPARAM, LPARAM, bool&)
{
    ::DestroyWindow(hwnd());
    return 0;
}

LRESULT MainWnd::OnDestroy(UINT, WPARAM, LPARAM, bool&)
{
    ::PostQuitMessage(0);
    return 0;
}

LRESULT MainWnd::OnEraseBackground(UINT, WPARAM wParam, LPARAM, bool&)
{
    win::unique_hbrush background(::CreateSolidBrush(MainWindowColour));
    ::FillRect(reinterpret_cast<HDC>(wParam), &clientRect_, background.get());
    return 0;
}

LRESULT MainWnd::OnPaint(UINT, WPARAM, LPARAM, bool&)
{
    win::unique_paint paint(hwnd());
    BITMAP title{};
    if (!titleBitmap_ || !::GetObjectW(titleBitmap_.get(), sizeof(title), &title)) return 0;
    win::unique_hdc memory(::CreateCompatibleDC(paint.dc()));
    if (!memory) return 0;
    win::unique_select_object selected(memory.get(), titleBitmap_.get());
    ::BitBlt(paint.dc(), 20, 20, title.bmWidth, title.bmHeight, memory.get(), 0, 0, SRCCOPY);
    return 0;
}

LRESULT MainWnd::OnTransformSucceeded(UINT, WPARAM, LPARAM, bool&)
{
    ShowOutcome(true);
    return 0;
}

LRESULT MainWnd::OnTransformFailed(UINT, WPARAM, LPARAM, bool&)
{
    ShowOutcome(false);
    return 0;
}

void MainWnd::ShowOutcome(bool succeeded)
{
    ::ShowWindow(cancelButton_.hwnd(), SW_HIDE);
    ::ShowWindow(syncButton_.hwnd(), SW_HIDE);
    panel_.ShowResult(succeeded);

    // Only one outcome arrives per run; a second would find the OK button already there.
    if (okButton_.hwnd() != nullptr) return;
    const int width = clientRect_.right - clientRect_.left;
    const int bottom = clientRect_.bottom;
    // Only the normal frame is set: the OK button has one look in every state.
    PlaceButton(okButton_, {width / 2 - 60, bottom - 58, width / 2 + 60, bottom - 25}, ID_CLOSE,
                IDB_OK_STRIP, 0, CBitmapButton::Unset, CBitmapButton::Unset, CBitmapButton::Unset);
}
