// The white, round-cornered panel of the main window: one check box per detected IME under a
// header sentence, then the progress sentence, then the outcome.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "ime/ImeType.h"
#include "ui/CCheckBoxBtn.h"
#include "ui/Window.h"
#include "win/UniqueHandles.h"

enum PanelMode : int {
    ShowingList = 0,
    ShowingProgress = 1,
    ShowingResult = 2,
};

class IMEListWnd : public Window {
public:
    IMEListWnd() = default;

    // A child of style WS_CHILD with the rectangle placement; builds the boxes while created.
    HWND Create(HWND parent, UINT id);
    // Appends the type of every box that is checked and not locked, in catalogue order.
    void CollectCheckedTypes(std::vector<IME_TYPE>& types) const;
    void ShowProgress();
    void ShowResult(bool outcome);

    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Set by the main window before it creates the panel: the creation rectangle, the
    // window region's shape and the painted area.
    RECT placement{};

private:
    static const WindowClass& Class();
    void HideBoxesAndRepaint();

    LRESULT OnCreate(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, bool&);

    static const MessageEntry<IMEListWnd> Messages[];

    // Box i shows catalogue entry i.
    std::vector<std::unique_ptr<CCheckBoxBtn>> boxes_;
    // Shared by every box. The boxes' windows, children of the panel, are gone before these.
    win::unique_hbitmap checkedBitmap_;
    win::unique_hbitmap uncheckedBitmap_;
    win::unique_hbitmap checkedLockedBitmap_;
    PanelMode mode_ = ShowingList;
    bool succeeded_ = false;
};
