#include "cli/CliFlows.h"
#include <vector>
#include "cli/AsciiNoCase.h"
#include "cli/ConsoleInput.h"
#include "cli/ConsoleQuestion.h"
#include "cli/access/CliContext.h"
#include "cli/access/CliRestore.h"
#include "cli/access/ConsoleOut.h"
#include "engine/DesktopWindow.h"
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"
#include "layout/SnapshotStore.h"
#include "layout/UndoLayout.h"
#include "shellview/FolderView.h"
#include "shellview/FolderViewCapture.h"

namespace {

// Captures the process-wide display configuration for one flow and releases
// its monitor list when the flow ends.
class CDisplayCapture
{
public:
    explicit CDisplayCapture(CCliContext& context) : m_context(context), m_count(context.display.Capture()) {}
    ~CDisplayCapture() { m_context.display.Release(); }
    CDisplayCapture(const CDisplayCapture&) = delete;
    CDisplayCapture& operator=(const CDisplayCapture&) = delete;

    CWideString FullLayoutName() const { return m_context.display.LayoutName(m_count, true, m_context.flavor); }

private:
    CCliContext& m_context;
    int m_count;
};

// Keeps a window from redrawing. Only one window of the system can be locked
// at a time: when the lock is refused, the unlock must not lift another
// program's lock.
class CWindowUpdateLock
{
public:
    explicit CWindowUpdateLock(HWND window) : m_locked(LockWindowUpdate(window) != FALSE) {}
    ~CWindowUpdateLock()
    {
        if (m_locked)
            LockWindowUpdate(nullptr);
    }
    CWindowUpdateLock(const CWindowUpdateLock&) = delete;
    CWindowUpdateLock& operator=(const CWindowUpdateLock&) = delete;

private:
    bool m_locked;
};

HWND LocateListView(const CCliContext& context)
{
    const HWND listView = FindDesktopListView();
    if (!listView)
        OutText(context, OutStream::Err, L"Could not locate Desktop ListView.\n");
    return listView;
}

// Runs a restore with the wait cursor shown and the list view's drawing locked.
template <typename Restore>
void GuardedRestore(HWND listView, Restore restore)
{
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    CWindowUpdateLock lock(listView);
    restore();
}

void GuardedRestore(CCliContext& context, HWND listView, const wchar_t* source, bool fromStore)
{
    GuardedRestore(listView, [&] { RestoreFromCli(context, source, fromStore); });
}

void ReportInvalidName(const CCliContext& context, const wchar_t* name)
{
    OutPrint(context, OutStream::Err, L"Invalid layout name: '%s'\nA layout name cannot contain '\\'.\n", name);
}

// Asks (unless answerYes) and restores a layout that the store holds.
void ConfirmAndRestore(CCliContext& context, HWND listView, bool answerYes, const wchar_t* storedName)
{
    if (!answerYes) {
        const CWideString question = CWideString::Format(L"Restore Icon Locations for:\n\t%s", storedName);
        if (!AskYesNo(context, question.c_str()))
            return;
    }
    GuardedRestore(context, listView, storedName, true);
}

} // namespace

void SaveToStore(CCliContext& context, bool answerYes, const wchar_t* name)
{
    if (name && *name && !IsValidLayoutName(name)) {
        ReportInvalidName(context, name);
        return;
    }
    CDesktopViewPair pair;
    if (!OpenDesktopViewPair(context, pair))
        return;
    ProbeIconSize(context.display, pair.View());
    CDisplayCapture display(context);
    const CWideString target = (name && *name) ? CWideString(name) : display.FullLayoutName();

    if (!answerYes) {
        const CWideString question = CWideString::Format(L"Save Icon Locations for:\n%s", target.c_str());
        if (!AskYesNo(context, question.c_str()))
            return;
    }

    const std::unique_ptr<CLayoutCapture> capture = MakeFolderViewCapture(context.display, pair);
    if (!capture) {
        OutText(context, OutStream::Err, L"Could not read the desktop icons: layout not saved.\n");
        return;
    }
    int written = 0;
    switch (SaveLayout(context.flavor, target.c_str(), *capture, &written)) {
    case SaveResult::Saved:
        if (written > 0)
            OutPrint(context, OutStream::Out, L"Layout: %s\nOstrel: saved %d Icons\n", target.c_str(), written);
        break;
    case SaveResult::InvalidName:
        ReportInvalidName(context, target.c_str());
        break;
    case SaveResult::Unreachable:
        OutText(context, OutStream::Err, L"Could not read the desktop icons: layout not saved.\n");
        break;
    case SaveResult::Empty:
        OutPrint(context, OutStream::Err, L"Layout: %s\nOstrel: No desktop icons found: the layout was not saved.\n",
                 target.c_str());
        break;
    case SaveResult::Failed:
        if (FAILED(capture->Status()))
            ReportUnreadPositions(context, L"Layout", target.c_str(), capture->Status(), L"the layout was not saved");
        else
            OutPrint(context, OutStream::Err,
                     L"Layout: %s\nOstrel: Could not write the layout store: the layout was not saved.\n",
                     target.c_str());
        break;
    case SaveResult::Busy:
        OutPrint(context, OutStream::Err,
                 L"Layout: %s\nOstrel: Another program kept the layout store busy: the layout was not saved.\n",
                 target.c_str());
        break;
    }
}

void SaveToFile(CCliContext& context, const wchar_t* path)
{
    CDesktopViewPair pair;
    if (!OpenDesktopViewPair(context, pair))
        return;
    const std::unique_ptr<CLayoutCapture> capture = MakeFolderViewCapture(context.display, pair);
    if (!capture) {
        OutText(context, OutStream::Err, L"Could not read the desktop icons: layout file not saved.\n");
        return;
    }
    int written = 0;
    switch (SaveLayoutFile(context.flavor, path, *capture, &written)) {
    case FileSaveResult::Saved:
        if (written > 0)
            OutPrint(context, OutStream::Out, L"Layout File: %s\nOstrel: saved %d Icons\n", path, written);
        break;
    case FileSaveResult::Unreachable:
        OutText(context, OutStream::Err, L"Could not read the desktop icons: layout file not saved.\n");
        break;
    case FileSaveResult::CannotCreate:
        OutPrint(context, OutStream::Err, L"Could not create the layout file: %s\n", path);
        break;
    case FileSaveResult::Empty:
        OutPrint(context, OutStream::Err, L"Layout File: %s\nOstrel: No desktop icons found: the file was not saved.\n", path);
        break;
    case FileSaveResult::Failed:
        if (FAILED(capture->Status()))
            ReportUnreadPositions(context, L"Layout File", path, capture->Status(), L"the file was not saved");
        else
            OutPrint(context, OutStream::Err,
                     L"Layout File: %s\nOstrel: Could not write the file: the layout was not saved.\n", path);
        break;
    }
}

void RestoreFromFile(CCliContext& context, const wchar_t* path)
{
    const HWND listView = LocateListView(context);
    if (!listView)
        return;
    CDisplayCapture display(context);
    GuardedRestore(context, listView, path, false);
}

void RestoreByName(CCliContext& context, bool answerYes, const wchar_t* name)
{
    const HWND listView = LocateListView(context);
    if (!listView)
        return;
    ProbeIconSize(context.display, nullptr);
    CDisplayCapture display(context);
    const CWideString target = (name && *name) ? CWideString(name) : display.FullLayoutName();

    const std::vector<CWideString> layouts = ListLayouts(context.flavor);
    const CWideString* stored = nullptr;
    for (const CWideString& layout : layouts) {
        if (EqualsAsciiNoCase(layout.c_str(), target.c_str())) {
            stored = &layout;
            break;
        }
    }
    if (!stored) {
        OutPrint(context, OutStream::Err, L"Layout not found: %s.\n", target.c_str());
        return;
    }
    ConfirmAndRestore(context, listView, answerYes, stored->c_str());
}

void ChooseLayout(CCliContext& context, bool answerYes)
{
    const HWND listView = LocateListView(context);
    if (!listView)
        return;
    ProbeIconSize(context.display, nullptr);
    CDisplayCapture display(context);

    const std::vector<CWideString> layouts = ListLayouts(context.flavor);
    OutPrint(context, OutStream::Out, L"Current Resolution: %s\n\n", display.FullLayoutName().c_str());
    const size_t listed = layouts.size() < kSelectionKeyCount ? layouts.size() : kSelectionKeyCount;
    for (size_t i = 0; i < listed; ++i)
        OutPrint(context, OutStream::Out, L"%c) %s\n", kSelectionKeys[i], layouts[i].c_str());

    OutText(context, OutStream::Out, L"Choose Layout (press ESC to cancel): ");
    const int key = context.system->ReadKey();
    if (key == kNoKey) {
        OutText(context, OutStream::Out, L"\n");
        return;
    }
    for (size_t i = 0; i < listed; ++i) {
        if (key != kSelectionKeys[i])
            continue;
        OutPrint(context, OutStream::Out, L"%c\n\n", kSelectionKeys[i]);
        ConfirmAndRestore(context, listView, answerYes, layouts[i].c_str());
        return;
    }
}

void UndoLastRestore(CCliContext& context, bool answerYes)
{
    const HWND listView = LocateListView(context);
    if (!listView)
        return;
    ProbeIconSize(context.display, nullptr);
    CDisplayCapture display(context);
    const CWideString name = UndoLayoutName(context.display, context.flavor);
    CIconRecordArray records;
    if (ReadUndoLayout(context.flavor, UndoSetup(context.display, context.flavor), context.display, false, records,
                       nullptr) <= 0) {
        OutPrint(context, OutStream::Err, L"Nothing to undo for: %s.\n", name.c_str());
        return;
    }
    if (!answerYes) {
        const CWideString question = CWideString::Format(L"Undo Last Restore for:\n\t%s", name.c_str());
        if (!AskYesNo(context, question.c_str()))
            return;
    }
    GuardedRestore(listView, [&] { RestoreRecordsFromCli(context, name.c_str(), records); });
}

void ListHistory(CCliContext& context)
{
    ProbeIconSize(context.display, nullptr);
    CDisplayCapture display(context);
    const CDisplaySetup setup = UndoSetup(context.display, context.flavor);
    const std::vector<SnapshotEntry> entries = CSnapshotStore().List(setup);
    if (entries.empty()) {
        OutPrint(context, OutStream::Err, L"No snapshots for: %s.\n", setup.Text().c_str());
        return;
    }
    int number = 0;
    for (const SnapshotEntry& entry : entries) {
        const SYSTEMTIME local = SnapshotLocalTime(entry);
        const CWideString when = CWideString::Format(L"%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth,
                                                     local.wDay, local.wHour, local.wMinute, local.wSecond);
        OutPrint(context, OutStream::Out, L"%d. %s %s (%d icons) %s\n", ++number, when.c_str(),
                 SnapshotKindText(entry.kind), SnapshotIconCount(entry, context.display), entry.path.c_str());
    }
    OutPrint(context, OutStream::Out, L"%s\n", setup.Text().c_str());
}
