#include "ui/CBitmapButton.h"

#include <iterator>
#include <utility>

const MessageEntry<CBitmapButton> CBitmapButton::Messages[] = {
    OnMessage<CBitmapButton>(WM_CREATE, &CBitmapButton::OnCreate),
    OnMessage<CBitmapButton>(WM_DESTROY, &CBitmapButton::OnDestroy),
    // The relay row lets the message go on to the rows below it.
    OnMessageRange<CBitmapButton>(WM_MOUSEFIRST, WM_MOUSELAST, &CBitmapButton::OnMouseRelay),
    OnMessage<CBitmapButton>(WM_LBUTTONDOWN, &CBitmapButton::OnLButtonDown),
    OnMessage<CBitmapButton>(WM_LBUTTONDBLCLK, &CBitmapButton::OnLButtonDblClk),
    OnMessage<CBitmapButton>(WM_MOUSEMOVE, &CBitmapButton::OnMouseMove),
    OnMessage<CBitmapButton>(WM_LBUTTONUP, &CBitmapButton::OnLButtonUp),
    OnMessage<CBitmapButton>(WM_CAPTURECHANGED, &CBitmapButton::OnCaptureChanged),
    OnMessage<CBitmapButton>(WM_KEYDOWN, &CBitmapButton::OnKeyDown),
    OnMessage<CBitmapButton>(WM_KEYUP, &CBitmapButton::OnKeyUp),
    OnMessage<CBitmapButton>(WM_SETFOCUS, &CBitmapButton::OnFocusChange),
    OnMessage<CBitmapButton>(WM_KILLFOCUS, &CBitmapButton::OnFocusChange),
    OnMessage<CBitmapButton>(WM_ENABLE, &CBitmapButton::OnEnable),
    OnMessage<CBitmapButton>(WM_ERASEBKGND, &CBitmapButton::OnEraseBackground),
    OnMessage<CBitmapButton>(WM_PAINT, &CBitmapButton::OnPaint),
    OnMessage<CBitmapButton>(WM_PRINTCLIENT, &CBitmapButton::OnPaint),
    OnMessage<CBitmapButton>(WM_UPDATEUISTATE, &CBitmapButton::OnUpdateUIState),
};

const WindowClass& CBitmapButton::Class()
{
    static const WindowClass buttonClass{[] {
        // The tooltip class must exist before the first button creates its tooltip.
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
        comctl::InitCommonControlsEx(&controls);
        WindowClassTraits traits;
        traits.superclassOf = L"BUTTON";
        return traits;
    }()};
    return buttonClass;
}

bool CBitmapButton::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                         LRESULT& result)
{
    return Dispatch<CBitmapButton>(*this, Messages, message, wParam, lParam, result);
}

HWND CBitmapButton::Create(HWND parent, const RECT& rect, UINT id)
{
    return CreateWindowOfClass(Class(), parent, rect, nullptr, WS_CHILD, 0, id);
}

void CBitmapButton::AssignStrip(unique_himagelist strip)
{
    strip_ = std::move(strip);
    if ((options_ & AutoSize) != 0 && hwnd() != nullptr) SizeToFrame();
}

void CBitmapButton::AssignFrames(int normal, int pressed, int focused, int disabled)
{
    if (normal != Unset) normalFrame_ = normal;
    if (pressed != Unset) pressedFrame_ = pressed;
    if (focused != Unset) focusedFrame_ = focused;
    if (disabled != Unset) disabledFrame_ = disabled;
}

int CBitmapButton::CurrentFrame() const noexcept
{
    const auto orNormal = [this](int frame) { return frame != Unset ? frame : normalFrame_; };
    if (hwnd() != nullptr && !::IsWindowEnabled(hwnd())) return orNormal(disabledFrame_);
    if (state_.pressed) return orNormal(pressedFrame_);
    if (state_.focused) return orNormal(focusedFrame_);
    return normalFrame_;
}

void CBitmapButton::SizeToFrame()
{
    int width = 0;
    int height = 0;
    if (!strip_ || !comctl::ImageList_GetIconSize(strip_.get(), &width, &height)) return;
    RECT frame{0, 0, width, height};
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE));
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    ::SetWindowPos(hwnd(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBitmapButton::SetPressed(bool value)
{
    if (state_.pressed == value) return;
    state_.pressed = value;
    RepaintNow();
}

LRESULT CBitmapButton::OnCreate(UINT, WPARAM wParam, LPARAM lParam, bool&)
{
    // Owner-drawn, so the system button never paints over the frame.
    const LONG_PTR style = ::GetWindowLongPtrW(hwnd(), GWL_STYLE);
    ::SetWindowLongPtrW(hwnd(), GWL_STYLE, style | BS_OWNERDRAW);

    tooltip_ =
        ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, ModuleInstance(), nullptr);
    if (tooltip_ != nullptr && tooltipText_ != nullptr) {
        ::SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
        tool.lpszText = const_cast<wchar_t*>(tooltipText_);
        ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    if ((options_ & AutoSize) != 0) SizeToFrame();
    return BaseProc(WM_CREATE, wParam, lParam);
}

LRESULT CBitmapButton::OnDestroy(UINT, WPARAM wParam, LPARAM lParam, bool&)
{
    if (tooltip_ != nullptr) ::DestroyWindow(std::exchange(tooltip_, nullptr));
    return BaseProc(WM_DESTROY, wParam, lParam);
}

LRESULT CBitmapButton::OnMouseRelay(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = false;
    if (tooltip_ != nullptr) {
        MSG relayed{};
        relayed.hwnd = hwnd();
        relayed.message = message;
        relayed.wParam = wParam;
        relayed.lParam = lParam;
        ::SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    return 0;
}

LRESULT CBitmapButton::OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, bool&)
{
    // The system button takes the focus and the capture; only then is the press ours.
    const LRESULT result = BaseProc(message, wParam, lParam);
    if (::GetCapture() == hwnd()) SetPressed(true);
    return result;
}

LRESULT CBitmapButton::OnLButtonDblClk(UINT message, WPARAM wParam, LPARAM lParam, bool&)
{
    // A quick second press must look pressed like the first, whatever the system button
    // makes of a double click.
    const LRESULT result = BaseProc(message, wParam, lParam);
    if (::GetCapture() != hwnd()) ::SetCapture(hwnd());
    SetPressed(true);
    return result;
}

LRESULT CBitmapButton::OnMouseMove(UINT, WPARAM, LPARAM lParam, bool& handled)
{
    handled = false;
    if (::GetCapture() == hwnd()) {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ::ClientToScreen(hwnd(), &point);
        RECT bounds{};
        ::GetWindowRect(hwnd(), &bounds);
        SetPressed(::PtInRect(&bounds, point) != FALSE);
    }
    return 0;
}

LRESULT CBitmapButton::OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam, bool&)
{
    // The system button sends BN_CLICKED here, when the press ends over it.
    const LRESULT result = BaseProc(message, wParam, lParam);
    if (::GetCapture() == hwnd()) ::ReleaseCapture();
    return result;
}

LRESULT CBitmapButton::OnCaptureChanged(UINT, WPARAM, LPARAM, bool& handled)
{
    handled = false;
    SetPressed(false);
    return 0;
}

LRESULT CBitmapButton::OnKeyDown(UINT, WPARAM wParam, LPARAM, bool& handled)
{
    handled = false;
    if (wParam == VK_SPACE) SetPressed(true);
    return 0;
}

LRESULT CBitmapButton::OnKeyUp(UINT, WPARAM wParam, LPARAM, bool& handled)
{
    handled = false;
    if (wParam == VK_SPACE) SetPressed(false);
    return 0;
}

LRESULT CBitmapButton::OnFocusChange(UINT message, WPARAM, LPARAM, bool& handled)
{
    handled = false;
    state_.focused = message == WM_SETFOCUS;
    RepaintNow();
    return 0;
}

LRESULT CBitmapButton::OnEnable(UINT, WPARAM, LPARAM, bool& handled)
{
    handled = false;
    RepaintNow();
    return 0;
}

LRESULT CBitmapButton::OnEraseBackground(UINT, WPARAM, LPARAM, bool&)
{
    return 1;  // the frame covers the whole window
}

LRESULT CBitmapButton::OnPaint(UINT, WPARAM wParam, LPARAM, bool&)
{
    const auto draw = [this](HDC dc) {
        const int frame = CurrentFrame();
        if (strip_ && frame != Unset) {
            comctl::ImageList_Draw(strip_.get(), frame, dc, 0, 0, ILD_NORMAL);
        }
    };
    if (wParam != 0) {
        draw(reinterpret_cast<HDC>(wParam));
    } else {
        win::unique_paint paint(hwnd());
        draw(paint.dc());
    }
    return 0;
}

LRESULT CBitmapButton::OnUpdateUIState(UINT, WPARAM, LPARAM, bool&)
{
    return 0;  // no focus cues: the focused frame is the cue
}
