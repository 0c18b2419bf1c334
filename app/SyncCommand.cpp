// The sync button's command: the one place where a request from the user becomes a transfer.
#include <memory>
#include <vector>

#include "app/Transform.h"
#include "app/TransformQueue.h"
#include "res/WindowTexts.h"
#include "ui/MainWnd.h"

LRESULT MainWnd::OnSync(UINT, WPARAM, LPARAM, bool&)
{
    std::vector<IME_TYPE> selected;
    panel_.CollectCheckedTypes(selected);
    if (selected.size() < 2) {
        ::MessageBoxW(hwnd(), SyncRefusalText, SyncRefusalCaption, MB_OK);
        return 0;
    }
    // Only Kestrix and Sogou can be selected, and the one direction the program knows is
    // from Sogou to Kestrix: the selection decides whether, never what.
    if (transformQueue == nullptr) return 0;  // only before the entry has made it
    transformQueue->Push(std::make_unique<Transform>(IME_TYPE_SOGOU, IME_TYPE_KESTRIX));
    // The worker may be running the job already; from here on only the outcome message
    // tells about it.
    ::EnableWindow(syncButton_.hwnd(), FALSE);
    panel_.ShowProgress();
    return 0;
}
