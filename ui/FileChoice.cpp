// The main window's choice of a dictionary file of the user's, for a new PC without Sogou or
// a Sogou whose export fails: the file link with its open-file dialog, a file dropped on the
// window, and the file the program was started with.
#include <windows.h>

#include "dict/SogouFileRecognition.h"
#include "dict/TempDirectory.h"
#include "res/Resource.h"
#include "res/WindowTexts.h"
#include "ui/MainWnd.h"
#include "ui/ShellFiles.h"
#include "win/FullPath.h"

namespace {

// The link's place: the title artwork's row (20 to 46), from beside the artwork (which ends at
// 180) to the panel's right edge, 478. Its text is drawn right-aligned in it.
constexpr RECT FileLinkRect{200, 20, 478, 46};

// What follows the path's last separator.
std::wstring FileNameOf(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

}  // namespace

void MainWnd::PlaceFileLink()
{
    fileLink_.Create(hwnd(), FileLinkRect, ID_CHOOSE_FILE, ChooseFileText);
    shellfiles::AcceptDroppedFiles(hwnd(), true);
}

bool MainWnd::TakeFile(const std::wstring& path)
{
    if (!choosing_) return false;
    // The worker reads the file later, so a relative path is made full now.
    const std::wstring full = FullPathOrAsGiven(path);
    // A transfer writes and deletes its temporary files: one of them as the source would be
    // gone before it was read.
    if (IsTransferTemporaryFile(full) || !RecognisedAsSogouDictionary(full)) {
        ::MessageBoxW(hwnd(), NotADictionaryText, SyncRefusalCaption, MB_OK);
        return false;
    }
    chosenFile_ = full;
    // The window text holds the whole name, for screen readers; a long one is drawn shortened.
    ::SetWindowTextW(fileLink_.hwnd(), (ChosenFilePrefix + FileNameOf(full)).c_str());
    return true;
}

bool MainWnd::MovesFocusByTab(const MSG& message)
{
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
    if (message.hwnd != hwnd() && !::IsChild(hwnd(), message.hwnd)) return false;
    const HWND link = fileLink_.hwnd();
    if (link == nullptr || !::IsWindowVisible(link) || !::IsWindowEnabled(link)) return false;
    ::SetFocus(::GetFocus() == link ? hwnd() : link);
    return true;
}

LRESULT MainWnd::OnChooseFile(UINT, WPARAM, LPARAM, bool&)
{
    std::wstring path;
    // The dialog is modal: a click on the sync button can't come while it is open.
    if (choosing_ && shellfiles::AskForFile(hwnd(), path)) TakeFile(path);
    return 0;
}

LRESULT MainWnd::OnDropFiles(UINT, WPARAM wParam, LPARAM, bool&)
{
    std::wstring path;
    // Taken from the drop in any case: that frees it.
    if (shellfiles::TakeDroppedFile(reinterpret_cast<HDROP>(wParam), path)) TakeFile(path);
    return 0;
}

void MainWnd::EndChoosing()
{
    choosing_ = false;
    shellfiles::AcceptDroppedFiles(hwnd(), false);
    // Kept, greyed, where it names the file being read; out of the way otherwise.
    ::EnableWindow(fileLink_.hwnd(), FALSE);
    if (chosenFile_.empty()) ::ShowWindow(fileLink_.hwnd(), SW_HIDE);
}
