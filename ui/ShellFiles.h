// The files the user hands the window through the shell: dropped on it, or chosen in the
// system's open-file dialog. shell32 and comdlg32 are bound at run time, from the system
// directory (win/DllSearch.h), as comctl32 is (ui/CommonControls.h): neither is among the DLLs
// that Windows always takes from there, so imported statically either would first be looked
// for beside lexiferry.exe, in a Downloads folder say. Missing, the window simply takes no
// dropped file, and the dialog does not open.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace shellfiles {

// Whether the window takes files dropped on it (WM_DROPFILES).
void AcceptDroppedFiles(HWND window, bool accept);
// The one file of a drop; false when it holds none or more than one. The drop is finished
// either way: its memory is freed, and the handle must not be used again.
bool TakeDroppedFile(HDROP drop, std::wstring& path);

// The open-file dialog, owned by owner, for one existing file, with the window's title and
// filters. The process's current directory stays as it is. False when cancelled or failed.
bool AskForFile(HWND owner, std::wstring& path);

}  // namespace shellfiles
