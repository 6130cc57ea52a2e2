#include "deskshell/ListViewRestore.h"
#include <commctrl.h>
#include <algorithm>
#include "deskshell/DeskCommands.h"
#include "engine/NameMatch.h"
#include "engine/RestoreEngine.h"
#include "deskshell/ShellExtStrings.h"
#include "engine/ShellNames.h"
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"

namespace {

// Labels as the candidate search reads them.
constexpr int kCandidateLabelChars = 1040;

} // namespace

DWORD CListViewRestoreAccess::ReadViewFlags()
{
    return m_listView.ExtendedStyle();
}

void CListViewRestoreAccess::SetViewFlags(DWORD mask, DWORD flags)
{
    m_listView.SetExtendedStyle(mask, flags);
}

DWORD CListViewRestoreAccess::ArrangeMask() const
{
    return LVS_EX_SNAPTOGRID | LVS_EX_AUTOAUTOARRANGE;
}

DWORD CListViewRestoreAccess::SnapMask() const
{
    return LVS_EX_SNAPTOGRID;
}

bool CListViewRestoreAccess::CellSpacing(SIZE& spacing)
{
    spacing = m_listView.CellSpacing();
    return true;
}

bool CListViewRestoreAccess::ScanUnmatched(const CIconRecordArray& records, std::vector<int>& unmatched)
{
    // The labels that the scan reads make the candidates' index as well.
    StartIndex();
    unmatched =
        ScanUnmatchedIcons(m_listView, records, [this](int index, const wchar_t* label) { AddToIndex(index, label); });
    return true;
}

bool CListViewRestoreAccess::ItemRect(int index, SIZE, RECT& rect)
{
    return m_listView.ReadBounds(index, rect);
}

void CListViewRestoreAccess::MoveItem(int index, POINT cell)
{
    m_mover.PlaceAndVerify(index, cell);
}

void CListViewRestoreAccess::StartIndex()
{
    m_byName.clear();
    m_indexed = true;
    m_read = -1;
    m_childOf = -1;
    m_indexedCount = m_listView.Count();
}

void CListViewRestoreAccess::AddToIndex(int index, const wchar_t* label)
{
    m_byName[ShellNameKey(label)].push_back(index);
}

void CListViewRestoreAccess::IndexLabels()
{
    StartIndex();
    wchar_t label[kLabelChars];
    for (int index = 0; index < m_indexedCount; ++index) {
        if (m_listView.ReadItem(index, label, kLabelChars, nullptr))
            AddToIndex(index, label);
    }
}

bool CListViewRestoreAccess::BeginPlacement()
{
    // Moving icons out of the way changes no label and no index.
    if (!m_indexed)
        IndexLabels();
    return true;
}

bool CListViewRestoreAccess::ReadCandidate(int index, const wchar_t* name)
{
    wchar_t label[kCandidateLabelChars];
    LPARAM param = 0;
    if (!m_listView.ReadItem(index, label, kCandidateLabelChars, &param) || !ShellNamesEqual(label, name))
        return false;
    m_read = index;
    m_readParam = param;
    m_childOf = -1;
    return true;
}

int CListViewRestoreAccess::NextCandidate(const IconRecord& record, int after)
{
    if (after < 0 || &record != m_searched) {
        m_searched = &record;
        m_searchKey = ShellNameKey(record.Name.c_str());
    }
    // The second round runs on a fresh index; there a candidate whose label
    // has changed again is passed over.
    for (int round = 0; round < 2; ++round) {
        bool stale = false;
        auto bucket = m_byName.find(m_searchKey);
        if (bucket != m_byName.end()) {
            const std::vector<int>& candidates = bucket->second;
            for (auto it = std::upper_bound(candidates.begin(), candidates.end(), after); it != candidates.end();
                 ++it) {
                if (ReadCandidate(*it, record.Name.c_str()))
                    return *it;
                stale = true;
                if (round == 0)
                    break;
            }
        }
        // Icons that came after the index was made are not in it.
        if (round == 1 || (!stale && m_listView.Count() == m_indexedCount))
            return -1;
        IndexLabels();
    }
    return -1;
}

PCUITEMID_CHILD CListViewRestoreAccess::CandidateIdList(int index, LPARAM param)
{
    m_childOf = index;
    m_child = ItemIdList(m_objects.FolderView(), index, param, m_ownedChild);
    return m_child;
}

CRestoreAccess::Identity CListViewRestoreAccess::ReadIdentity(int candidate, CWideString& text)
{
    LPARAM param = m_readParam;
    if (candidate != m_read) {
        wchar_t label[kCandidateLabelChars];
        if (!m_listView.ReadItem(candidate, label, kCandidateLabelChars, &param))
            return Identity::Unreadable;
    }
    PCUITEMID_CHILD child = CandidateIdList(candidate, param);
    if (!child)
        return Identity::NoIdList;

    IShellFolder* folder = m_objects.Folder();
    if (m_context.currentFormat)
        return ItemParsingName(folder, child, text) ? Identity::Text : Identity::Unreadable;
    // Older layouts named a file by its bare file name and a shell object by
    // its class identifier.
    if (ItemFileName(folder, child, text) || ItemClassIdText(folder, child, text))
        return Identity::Text;
    return Identity::Unreadable;
}

bool CListViewRestoreAccess::Place(int candidate, POINT pt)
{
    return m_mover.PlaceAndVerify(candidate, pt, candidate == m_childOf ? m_child : nullptr);
}

void CListViewRestoreAccess::Finish()
{
    if (m_context.settings.forceVisible) {
        const POINT centre = m_context.display.PrimaryCentre();
        for (int index = m_listView.Next(-1), previous = -1; index > previous;
             previous = index, index = m_listView.Next(index)) {
            POINT pt;
            if (m_listView.ReadPosition(index, pt) && m_context.display.IsOffScreen(pt))
                m_mover.PlaceAndVerify(index, centre);
        }
    }
    if (IShellView* view = m_objects.ShellView())
        view->SaveViewState();
}

int RestoreLayoutInShell(CDeskContext& context, HWND listView, const wchar_t* source, int selector)
{
    if (!source)
        source = L"";
    CIconRecordArray records;
    bool read = false;
    bool currentFormat = false;
    if (selector == 0)
        read = ReadLayout(context.flavor, source, context.display, context.settings.forceVisible != 0, records,
                          &currentFormat) > 0;
    else if (selector == 1)
        read = ReadLayoutFile(source, context.display, records, &currentFormat);
    else
        return 0;
    context.currentFormat = currentFormat;
    if (!read) {
        context.ShowMessage(CWideString::Format(context.Text(IDS_NO_ICON_INFO), source).c_str(), MB_ICONEXCLAMATION);
        return 0;
    }
    return RestoreRecordsInShell(context, listView, records, source);
}

int RestoreRecordsInShell(CDeskContext& context, HWND listView, const CIconRecordArray& records, const wchar_t* source)
{
    CDeskViewObjects objects;
    if (FAILED(objects.Open(context)))
        return 0;
    CDeskListView view(listView);
    RestoreOutcome outcome;
    {
        // The view's own auto-arrange and align-to-grid first: switching the
        // list view's styles alone leaves the shell arranging the icons.
        CFolderFlagSwitch folderFlags(objects.FolderView2());
        CArrangeSuspension arrange(folderFlags, context.ccFlag && objects.FolderView2());
        // The restore is what the user asked for: it runs even when the
        // positions it replaces could not be kept, and no extra box says so.
        CListViewRestoreAccess access(context, view, objects,
                                      CFirstMoveHook([&] { KeepUndoLayoutInShell(context, listView); }));
        RunRestore(access, records, context.display.WorkArea(), context.ccFlag, &outcome);
    }
    // The restore still counts as done (the caller opens no dialog), but the
    // user learns that the desktop did not take every position.
    if (outcome.misplaced > 0)
        context.ShowMessage(CWideString::Format(context.Text(IDS_MISPLACED), outcome.misplaced, source).c_str(),
                            MB_ICONEXCLAMATION);
    return 1;
}
