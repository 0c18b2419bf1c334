// The few common-control functions the window uses, bound at run time to the system's
// comctl32.dll. comctl32 is not one of the DLLs that Windows always takes from its system
// directory: imported statically, it would be looked up beside lexiferry.exe first, before
// the program can restrict the search, and a comctl32.dll that landed in the Downloads folder
// would run inside Lexiferry. Loaded here, after the search has been restricted, it comes from
// the system directory (win/DllSearch.h) or not at all. The manifest names no common-controls
// version, so this is version 5.82, the one the window has always drawn with; the functions
// below are all in it.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace comctl {

// Each answers like its namesake, and as a failed call when comctl32 or the function is
// missing: the buttons then draw nothing and have no tooltip, and the window still works.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);
HIMAGELIST ImageList_LoadImageW(HINSTANCE instance, const wchar_t* name, int width, int grow,
                                COLORREF mask, UINT type, UINT flags);
BOOL WINAPI ImageList_Destroy(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* width, int* height);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);

}  // namespace comctl
