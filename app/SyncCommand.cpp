// The sync button's command: the one place where a request from the user becomes a transfer.
#include <algorithm>
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
    // A file of the user's is the source in place of Sogou's export, whether Sogou is there
    // or not: then only Kestrix must be checked.
    const bool fromFile = !chosenFile_.empty();
    const bool accepted =
        fromFile ? std::find(selected.begin(), selected.end(), IME_TYPE_KESTRIX) != selected.end()
                 : selected.size() >= 2;
    if (!accepted) {
        ::MessageBoxW(hwnd(), SyncRefusalText, SyncRefusalCaption, MB_OK);
        return 0;
    }
    // Only Kestrix and Sogou can be selected, and the one direction the program knows is
    // from Sogou to Kestrix: the selection decides whether, never what.
    if (transformQueue == nullptr) return 0;  // only before the entry has made it
    transformQueue->Push(fromFile ? std::make_unique<Transform>(chosenFile_, IME_TYPE_KESTRIX)
                                  : std::make_unique<Transform>(IME_TYPE_SOGOU, IME_TYPE_KESTRIX));
    // The worker may be running the job already; from here on only the outcome message
    // tells about it.
    ::EnableWindow(syncButton_.hwnd(), FALSE);
    EndChoosing();
    panel_.ShowProgress();
    return 0;
}
