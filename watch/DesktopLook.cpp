#include "watch/DesktopLook.h"
#include <shlobj.h>
#include "shellview/FolderView.h"

namespace {

// FNV-1a.
ULONGLONG Digest(const void* data, size_t size, ULONGLONG hash = 14695981039346656037ull)
{
    const BYTE* bytes = static_cast<const BYTE*>(data);
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// Every call crosses into the shell's process: the ID lists come many per
// call from the view's enumerator, then one position call each; names are
// not needed to tell that something moved.
bool ReadPositionDigest(IFolderView2* view, ULONGLONG& digest, size_t& icons)
{
    icons = 0;
    CComRef<IEnumIDList> items;
    if (FAILED(view->Items(SVGIO_ALLVIEW, IID_IEnumIDList, items.PutVoid())) || !items)
        return false;
    digest = 0;
    for (;;) {
        PITEMID_CHILD chunk[64] = {};
        ULONG fetched = 0;
        const HRESULT hr = items->Next(ARRAYSIZE(chunk), chunk, &fetched);
        for (ULONG i = 0; i < fetched && i < ARRAYSIZE(chunk); ++i) {
            CItemIdList child(chunk[i]);
            POINT position = {};
            if (!child || FAILED(view->GetItemPosition(child.Get(), &position)))
                return false;
            // A sum, so that the view's order does not count.
            digest += Digest(&position, sizeof(position), Digest(child.Get(), ILGetSize(child.Get())));
            ++icons;
        }
        if (hr != S_OK)
            return SUCCEEDED(hr);
    }
}

} // namespace

CDesktopState LookAtDesktop(CShellCallState& shell, CDisplaySetup* setup)
{
    CDesktopState state;
    state.shellWindow = GetShellWindow();
    if (state.shellWindow)
        GetWindowThreadProcessId(state.shellWindow, &state.shellProcess);
    CDesktopViewPair pair;
    const bool opened = pair.Open();
    state.layoutName = OnScreenLayoutName(shell.display, shell.flavor, opened ? pair.View() : nullptr).c_str();
    const CDisplaySetup onScreen(shell.display, state.layoutName.c_str());
    state.setup = onScreen.Text();
    if (setup)
        *setup = onScreen;
    shell.display.Release();
    state.reached = opened && ReadPositionDigest(pair.View(), state.positions, state.icons);
    return state;
}
