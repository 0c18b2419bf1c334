#include "ui/CommonControls.h"

#include "win/DllSearch.h"

namespace comctl {

namespace {

struct Functions {
    decltype(&::InitCommonControlsEx) initCommonControlsEx = nullptr;
    decltype(&::ImageList_LoadImageW) loadImage = nullptr;
    decltype(&::ImageList_Destroy) destroy = nullptr;
    decltype(&::ImageList_GetIconSize) getIconSize = nullptr;
    decltype(&::ImageList_Draw) draw = nullptr;
};

// Loaded once, on the UI thread's first use, and never freed: the window's image lists and
// tooltips live until the process ends.
const Functions& Library()
{
    static const Functions functions = [] {
        Functions bound;
        const HMODULE library = dllsearch::LoadFromSystemDirectory(L"comctl32.dll");
        if (library == nullptr) return bound;
        dllsearch::Bind(library, "InitCommonControlsEx", bound.initCommonControlsEx);
        dllsearch::Bind(library, "ImageList_LoadImageW", bound.loadImage);
        dllsearch::Bind(library, "ImageList_Destroy", bound.destroy);
        dllsearch::Bind(library, "ImageList_GetIconSize", bound.getIconSize);
        dllsearch::Bind(library, "ImageList_Draw", bound.draw);
        return bound;
    }();
    return functions;
}

}  // namespace

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls)
{
    const auto function = Library().initCommonControlsEx;
    return function != nullptr && function(controls);
}

HIMAGELIST ImageList_LoadImageW(HINSTANCE instance, const wchar_t* name, int width, int grow,
                                COLORREF mask, UINT type, UINT flags)
{
    const auto function = Library().loadImage;
    return function != nullptr ? function(instance, name, width, grow, mask, type, flags) : nullptr;
}

BOOL WINAPI ImageList_Destroy(HIMAGELIST list)
{
    const auto function = Library().destroy;
    return function != nullptr && function(list);
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* width, int* height)
{
    const auto function = Library().getIconSize;
    return function != nullptr && function(list, width, height);
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style)
{
    const auto function = Library().draw;
    return function != nullptr && function(list, index, dc, x, y, style);
}

}  // namespace comctl
