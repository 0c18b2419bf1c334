#include "ui/IMEListWnd.h"

#include <algorithm>

#include "ime/IMECatalogue.h"
#include "res/Resource.h"
#include "res/StatusTexts.h"
#include "res/SurfaceColours.h"

const MessageEntry<IMEListWnd> IMEListWnd::Messages[] = {
    OnMessage<IMEListWnd>(WM_CREATE, &IMEListWnd::OnCreate),
    OnMessage<IMEListWnd>(WM_PAINT, &IMEListWnd::OnPaint),
};

const WindowClass& IMEListWnd::Class()
{
    static const WindowClass panelClass{WindowClassTraits{}};
    return panelClass;
}

bool IMEListWnd::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return Dispatch<IMEListWnd>(*this, Messages, message, wParam, lParam, result);
}

HWND IMEListWnd::Create(HWND parent, UINT id)
{
    return CreateWindowOfClass(Class(), parent, placement, nullptr, WS_CHILD, 0, id);
}

void IMEListWnd::CollectCheckedTypes(std::vector<IME_TYPE>& types) const
{
    for (size_t i = 0; i < boxes_.size() && i < IMECatalogue.size(); ++i) {
        if (boxes_[i]->IsSelected()) types.push_back(IMECatalogue[i].type);
    }
}

void IMEListWnd::ShowProgress()
{
    mode_ = ShowingProgress;
    HideBoxesAndRepaint();
}

void IMEListWnd::ShowResult(bool outcome)
{
    succeeded_ = outcome;
    mode_ = ShowingResult;
    HideBoxesAndRepaint();
}

void IMEListWnd::HideBoxesAndRepaint()
{
    for (const auto& box : boxes_) ::ShowWindow(box->hwnd(), SW_HIDE);
    RepaintNow();
}

LRESULT IMEListWnd::OnCreate(UINT, WPARAM, LPARAM, bool&)
{
    const HINSTANCE module = ModuleInstance();
    checkedBitmap_.reset(::LoadBitmapW(module, MAKEINTRESOURCEW(IDB_BOX_CHECKED)));
    uncheckedBitmap_.reset(::LoadBitmapW(module, MAKEINTRESOURCEW(IDB_BOX_UNCHECKED)));
    checkedLockedBitmap_.reset(::LoadBitmapW(module, MAKEINTRESOURCEW(IDB_BOX_CHECKED_LOCKED)));

    // The count that sized the main window, so the boxes always fit the panel.
    const int count = std::min(detectedImeCount, static_cast<int>(IMECatalogue.size()));
    for (int i = 0; i < count; ++i) {
        const IME_INFO& info = IMECatalogue[static_cast<size_t>(i)];
        auto box = std::make_unique<CCheckBoxBtn>();
        box->Create(hwnd(), nullptr, info.name.c_str(), 0, ID_SYNC);
        if (IsTransferCapable(info.type)) box->SetChecked(true);
        box->SetBitmaps(uncheckedBitmap_.get(), checkedBitmap_.get(), checkedLockedBitmap_.get());
        if (!info.supported) box->SetLocked(true);
        box->MoveTo(i % 2 == 0 ? 50 : 240, 50 + 38 * (i / 2));
        ::ShowWindow(box->hwnd(), SW_SHOW);
        boxes_.push_back(std::move(box));
    }

    // The system owns the region once it is the window's; until then it is ours.
    win::unique_hrgn region(::CreateRoundRectRgn(placement.left, placement.top, placement.right,
                                                 placement.bottom, 10, 10));
    if (region && ::SetWindowRgn(hwnd(), region.get(), TRUE)) region.release();
    return 0;
}

LRESULT IMEListWnd::OnPaint(UINT, WPARAM, LPARAM, bool&)
{
    win::unique_paint paint(hwnd());
    const HDC dc = paint.dc();
    {
        win::unique_hbrush white(::CreateSolidBrush(PanelColour));
        ::FillRect(dc, &placement, white.get());
    }

    LOGFONTW logFont{};
    logFont.lfQuality = CLEARTYPE_QUALITY;
    const wchar_t* text = StatusTexts[0];
    RECT textRect{30, 15, placement.right - 30, 45};
    if (mode_ != ShowingList) {
        text = mode_ == ShowingProgress ? StatusTexts[1] : StatusTexts[succeeded_ ? 2 : 3];
        logFont.lfHeight = 18;
        logFont.lfWidth = 7;
        logFont.lfWeight = 600;
        textRect = {30, 30, placement.right - 30, placement.bottom - 45};
    }

    win::unique_hfont font(::CreateFontIndirectW(&logFont));
    win::unique_select_object selectedFont(dc, font.get());
    ::DrawTextW(dc, text, -1, &textRect, DT_CALCRECT);
    ::DrawTextW(dc, text, -1, &textRect, 0);
    return 0;
}
