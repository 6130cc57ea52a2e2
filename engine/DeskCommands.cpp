#include "engine/DeskCommands.h"
#include <cwchar>
#include "engine/DeskListView.h"
#include "engine/DeskViewObjects.h"
#include "layout/LayoutStore.h"

namespace {

// Finds the desktop list view or tells the user it is missing.
HWND FindListViewOrWarn(const CDeskContext& context)
{
    HWND listView = FindDesktopListView();
    if (!listView)
        context.ShowMessage(context.Text(112), MB_OKCANCEL | MB_ICONWARNING);
    return listView;
}

void ShowWaitCursor()
{
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

bool Confirm(const CDeskContext& context, UINT question, const wchar_t* name)
{
    const CWideString text = CWideString::Format(context.Text(question), name);
    return context.ShowMessage(text.c_str(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

// Selects the icons that the layout holds no record for.
void HighlightLayout(CDeskContext& context, HWND listView, const wchar_t* name)
{
    CIconRecordArray records;
    bool currentFormat = false;
    const int read = ReadLayout(context.flavor, name, context.display, context.settings.forceVisible != 0, records,
                                &currentFormat);
    context.currentFormat = currentFormat;
    if (read <= 0) {
        context.ShowMessage(CWideString::Format(context.Text(113), name).c_str(), MB_ICONEXCLAMATION);
        return;
    }
    const CDeskListView view(listView);
    for (int index : ScanUnmatchedIcons(view, records))
        view.Select(index);
}

} // namespace

void ProbeDesktopView(CDeskContext& context)
{
    CDeskViewObjects objects;
    objects.Open(context);
}

CWideString FindCurrentLayout(CDeskContext& context, int monitorCount)
{
    const std::vector<CWideString> names = ListLayouts(context.flavor);
    for (bool withSuffix : { true, false }) {
        const CWideString wanted = context.display.LayoutName(monitorCount, withSuffix, context.flavor);
        for (const CWideString& name : names) {
            if (wcscmp(name.c_str(), wanted.c_str()) == 0)
                return name;
        }
    }
    return CWideString();
}

void SaveDesktopCommand(CDeskContext& context)
{
    HWND listView = FindListViewOrWarn(context);
    if (!listView)
        return;
    ProbeDesktopView(context);
    const int monitors = context.display.Capture();
    const CWideString name = context.display.LayoutName(monitors, true, context.flavor);
    if (context.settings.confirmSave && !Confirm(context, 114, name.c_str()))
        return;
    ShowWaitCursor();
    std::unique_ptr<CLayoutCapture> capture = MakeListViewCapture(context, listView);
    int written = 0;
    SaveLayout(context.flavor, name.c_str(), *capture, &written);
}

int RestoreDesktopCommand(CDeskContext& context)
{
    HWND listView = FindListViewOrWarn(context);
    if (!listView)
        return 0;
    ShowWaitCursor();
    ProbeDesktopView(context);
    const int monitors = context.display.Capture();
    const CWideString name = FindCurrentLayout(context, monitors);
    if (name.IsAbsent())
        return 0;
    if (context.settings.confirmRestore && !Confirm(context, 126, name.c_str()))
        return 0;
    return RestoreLayoutInShell(context, listView, name.c_str(), 0);
}

void HighlightUnmatchedCommand(CDeskContext& context)
{
    HWND listView = FindListViewOrWarn(context);
    if (!listView)
        return;
    ShowWaitCursor();
    ProbeDesktopView(context);
    const int monitors = context.display.Capture();
    const CWideString name = FindCurrentLayout(context, monitors);
    if (name.IsAbsent())
        return;
    HighlightLayout(context, listView, name.c_str());
}
