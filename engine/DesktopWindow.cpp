#include "engine/DesktopWindow.h"

namespace {

const wchar_t kDefViewClass[] = L"SHELLDLL_DefView";

BOOL CALLBACK FindDefViewChild(HWND window, LPARAM param)
{
    HWND defView = FindWindowExW(window, nullptr, kDefViewClass, nullptr);
    if (!defView)
        return TRUE;
    *reinterpret_cast<HWND*>(param) = defView;
    return FALSE;
}

} // namespace

HWND FindDesktopListView()
{
    HWND progman = FindWindowExW(nullptr, nullptr, L"Progman", nullptr);
    if (!progman)
        return nullptr;

    // With a wallpaper slideshow or animated wallpaper the shell moves the
    // desktop view out of "Progman" into one of its "WorkerW" windows.
    HWND defView = FindWindowExW(progman, nullptr, kDefViewClass, nullptr);
    if (!defView)
        EnumWindows(FindDefViewChild, reinterpret_cast<LPARAM>(&defView));
    if (!defView)
        return nullptr;
    return FindWindowExW(defView, nullptr, L"SysListView32", nullptr);
}
