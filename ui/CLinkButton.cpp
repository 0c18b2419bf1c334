#include "ui/CLinkButton.h"

#include <vector>

#include "res/SurfaceColours.h"

const MessageEntry<CLinkButton> CLinkButton::Messages[] = {
    OnMessage<CLinkButton>(WM_ERASEBKGND, &CLinkButton::OnEraseBackground),
    OnMessage<CLinkButton>(WM_PAINT, &CLinkButton::OnPaint),
    OnMessage<CLinkButton>(WM_PRINTCLIENT, &CLinkButton::OnPaint),
    OnMessage<CLinkButton>(WM_SETCURSOR, &CLinkButton::OnSetCursor),
    OnMessage<CLinkButton>(WM_SETFOCUS, &CLinkButton::OnLookChange),
    OnMessage<CLinkButton>(WM_KILLFOCUS, &CLinkButton::OnLookChange),
    OnMessage<CLinkButton>(WM_ENABLE, &CLinkButton::OnLookChange),
    OnMessage<CLinkButton>(WM_SETTEXT, &CLinkButton::OnLookChange),
    OnMessage<CLinkButton>(WM_KEYDOWN, &CLinkButton::OnKeyDown),
    OnMessage<CLinkButton>(WM_UPDATEUISTATE, &CLinkButton::OnUpdateUIState),
};

const WindowClass& CLinkButton::Class()
{
    static const WindowClass linkClass{[] {
        WindowClassTraits traits;
        traits.superclassOf = L"BUTTON";
        return traits;
    }()};
    return linkClass;
}

bool CLinkButton::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return Dispatch<CLinkButton>(*this, Messages, message, wParam, lParam, result);
}

LOGFONTW CLinkButton::Font()
{
    LOGFONTW font{};
    font.lfUnderline = TRUE;
    font.lfQuality = CLEARTYPE_QUALITY;
    return font;
}

HWND CLinkButton::Create(HWND parent, const RECT& rect, UINT id, const wchar_t* text)
{
    const LOGFONTW font = Font();
    font_.reset(::CreateFontIndirectW(&font));
    // Owner-drawn, so that the system button never paints over the link; the parent gets its
    // WM_DRAWITEM and leaves it to the default procedure, which does nothing.
    return CreateWindowOfClass(Class(), parent, rect, text,
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, id);
}

LRESULT CLinkButton::OnEraseBackground(UINT, WPARAM, LPARAM, bool&)
{
    return 1;  // the paint covers the whole window
}

LRESULT CLinkButton::OnPaint(UINT, WPARAM wParam, LPARAM, bool&)
{
    if (wParam != 0) {
        Draw(reinterpret_cast<HDC>(wParam));
    } else {
        win::unique_paint paint(hwnd());
        Draw(paint.dc());
    }
    return 0;
}

void CLinkButton::Draw(HDC dc) const
{
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    win::unique_hbrush surface(::CreateSolidBrush(MainWindowColour));
    ::FillRect(dc, &client, surface.get());

    const int length = ::GetWindowTextLengthW(hwnd());
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    ::GetWindowTextW(hwnd(), text.data(), length + 1);
    win::unique_select_object selected(dc, font_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::IsWindowEnabled(hwnd()) ? LinkColour : DisabledLinkColour);
    // A long file name is drawn shortened; the window text keeps it whole.
    constexpr UINT format = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    ::DrawTextW(dc, text.data(), -1, &client, format | DT_END_ELLIPSIS);
    if (::GetFocus() != hwnd()) return;
    // The cue around the text alone, for the keyboard's user.
    RECT measured = client;
    ::DrawTextW(dc, text.data(), -1, &measured, format | DT_CALCRECT);
    RECT cue = client;
    cue.left = client.right - (measured.right - measured.left) - 2;
    if (cue.left < client.left) cue.left = client.left;
    ::DrawFocusRect(dc, &cue);
}

LRESULT CLinkButton::OnSetCursor(UINT, WPARAM, LPARAM, bool&)
{
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
}

LRESULT CLinkButton::OnLookChange(UINT message, WPARAM wParam, LPARAM lParam, bool&)
{
    const LRESULT result = BaseProc(message, wParam, lParam);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
    return result;
}

LRESULT CLinkButton::OnKeyDown(UINT, WPARAM wParam, LPARAM, bool& handled)
{
    if (wParam != VK_RETURN) {
        handled = false;  // the space key clicks it through the system button
        return 0;
    }
    ::SendMessageW(::GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd()), BN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd()));
    return 0;
}

LRESULT CLinkButton::OnUpdateUIState(UINT, WPARAM, LPARAM, bool&)
{
    return 0;  // the focus cue is the link's own
}
