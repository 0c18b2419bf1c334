#include "ui/CCheckBoxBtn.h"

#include <cassert>

#include "win/UniqueHandles.h"

const MessageEntry<CCheckBoxBtn> CCheckBoxBtn::Messages[] = {
    OnMessage<CCheckBoxBtn>(WM_PAINT, &CCheckBoxBtn::OnPaint),
    OnMessage<CCheckBoxBtn>(WM_LBUTTONDOWN, &CCheckBoxBtn::OnLButtonDown),
    // The second press of a double click must not flip the box back.
    OnMessage<CCheckBoxBtn>(WM_LBUTTONDBLCLK, &CCheckBoxBtn::OnIgnore),
    OnMessage<CCheckBoxBtn>(WM_DRAWITEM, &CCheckBoxBtn::OnIgnore),
};

const WindowClass& CCheckBoxBtn::Class()
{
    static const WindowClass boxClass{[] {
        WindowClassTraits traits;
        traits.superclassOf = L"BUTTON";
        return traits;
    }()};
    return boxClass;
}

bool CCheckBoxBtn::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return Dispatch<CCheckBoxBtn>(*this, Messages, message, wParam, lParam, result);
}

HWND CCheckBoxBtn::Create(HWND parent, const RECT* rect, const wchar_t* text, DWORD exStyle,
                          UINT id)
{
    label_ = text != nullptr ? text : L"";
    const RECT defaultRect{0, 0, 150, 20};
    return CreateWindowOfClass(Class(), parent, rect != nullptr ? *rect : defaultRect, nullptr,
                               WS_CHILD, exStyle, id);
}

bool CCheckBoxBtn::SetBitmaps(HBITMAP hUnchecked, HBITMAP hChecked, HBITMAP hCheckedLocked)
{
    assert(hChecked && hUnchecked);
    const HBITMAP handles[3] = {hUnchecked, hChecked, hCheckedLocked};
    for (int i = 0; i < 3; ++i) {
        BITMAP info{};
        if (handles[i] == nullptr || !::GetObjectW(handles[i], sizeof(info), &info)) info = {};
        bitmaps_[i] = {handles[i], info.bmWidth, info.bmHeight};
    }
    return true;
}

void CCheckBoxBtn::SetChecked(bool value)
{
    checked_ = value;
    RepaintNow();
}

void CCheckBoxBtn::MoveTo(int x, int y)
{
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    ::MoveWindow(hwnd(), x, y, client.right - client.left, client.bottom - client.top, TRUE);
}

LRESULT CCheckBoxBtn::OnLButtonDown(UINT, WPARAM, LPARAM, bool&)
{
    // Consumed: the system button never sees a whole click, so it neither captures the
    // mouse nor takes the focus nor sends BN_CLICKED.
    checked_ = !checked_;
    RepaintNow();
    return 0;
}

LRESULT CCheckBoxBtn::OnIgnore(UINT, WPARAM, LPARAM, bool&)
{
    return 0;
}

LRESULT CCheckBoxBtn::OnPaint(UINT, WPARAM, LPARAM, bool&)
{
    const BoxBitmap& box = bitmaps_[DrawingState()];
    RECT client{};
    ::GetClientRect(hwnd(), &client);

    win::unique_paint paint(hwnd());
    const HDC dc = paint.dc();
    ::SetBkColor(dc, RGB(255, 255, 255));
    {
        win::unique_hdc memory(::CreateCompatibleDC(nullptr));
        if (memory && box.bitmap != nullptr) {
            win::unique_select_object selected(memory.get(), box.bitmap);
            ::BitBlt(dc, 0, 0, box.width, box.width, memory.get(), 0, 0, SRCCOPY);
        }
    }

    RECT labelRect{box.width + 5, client.top + 4, client.right, client.bottom};
    LOGFONTW logFont{};
    logFont.lfHeight = 18;
    logFont.lfWidth = 7;
    logFont.lfWeight = 500;
    logFont.lfQuality = CLEARTYPE_QUALITY;
    win::unique_hfont font(::CreateFontIndirectW(&logFont));
    win::unique_select_object selectedFont(dc, font.get());
    ::DrawTextW(dc, label_.c_str(), static_cast<int>(label_.size()), &labelRect,
                DT_CALCRECT | DT_WORDBREAK);
    ::DrawTextW(dc, label_.c_str(), static_cast<int>(label_.size()), &labelRect, DT_WORDBREAK);
    return 0;
}
