#include "deskshell/DeskListView.h"
#include <commctrl.h>
#include <string>
#include <unordered_map>

namespace {

LPARAM PackPoint(POINT pt)
{
    return MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
}

} // namespace

int CDeskListView::Count() const
{
    return static_cast<int>(SendMessageW(m_window, LVM_GETITEMCOUNT, 0, 0));
}

int CDeskListView::Next(int after) const
{
    return static_cast<int>(SendMessageW(m_window, LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_ALL));
}

bool CDeskListView::ReadItem(int index, wchar_t* text, int capacity, LPARAM* param) const
{
    text[0] = L'\0';
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = text;
    item.cchTextMax = capacity;
    if (!SendMessageW(m_window, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return false;
    if (param)
        *param = item.lParam;
    return true;
}

bool CDeskListView::ReadPosition(int index, POINT& pt) const
{
    pt = {};
    return SendMessageW(m_window, LVM_GETITEMPOSITION, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&pt)) != 0;
}

bool CDeskListView::SetPosition(int index, POINT pt) const
{
    return SendMessageW(m_window, LVM_SETITEMPOSITION, static_cast<WPARAM>(index), PackPoint(pt)) != 0;
}

bool CDeskListView::PlaceAndVerify(int index, POINT pt, CFirstMoveHook* firstMove) const
{
    POINT now;
    if (ReadPosition(index, now) && now.x == pt.x && now.y == pt.y)
        return true;
    if (firstMove)
        firstMove->Fire();
    if (!SetPosition(index, pt))
        return false;
    return ReadPosition(index, now) && now.x == pt.x && now.y == pt.y;
}

bool CDeskListView::ReadBounds(int index, RECT& rc) const
{
    rc = {};
    rc.left = LVIR_BOUNDS;
    return SendMessageW(m_window, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rc)) != 0;
}

SIZE CDeskListView::CellSpacing() const
{
    const DWORD spacing = static_cast<DWORD>(SendMessageW(m_window, LVM_GETITEMSPACING, FALSE, 0));
    return { static_cast<LONG>(LOWORD(spacing)), static_cast<LONG>(HIWORD(spacing)) };
}

int CDeskListView::FindByName(int start, const wchar_t* text) const
{
    LVFINDINFOW find = {};
    find.flags = LVFI_STRING;
    find.psz = text;
    return static_cast<int>(SendMessageW(m_window, LVM_FINDITEMW, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(&find)));
}

void CDeskListView::Select(int index) const
{
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(m_window, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

DWORD CDeskListView::ExtendedStyle() const
{
    return static_cast<DWORD>(SendMessageW(m_window, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

void CDeskListView::SetExtendedStyle(DWORD mask, DWORD style) const
{
    SendMessageW(m_window, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
}

bool CDeskIconMover::PlaceAndVerify(int index, POINT pt, PCUITEMID_CHILD child)
{
    CItemIdList owned;
    if (m_folderView && !child && SUCCEEDED(m_folderView->Item(index, owned.Put())))
        child = owned.Get();
    if (!m_folderView || !child)
        return m_listView.PlaceAndVerify(index, pt, &m_firstMove);
    if (At(child, pt))
        return true;
    m_firstMove.Fire();
    // SVSI_POSITIONITEM lets the view choose where the item goes: when the
    // call comes while a mouse-positioned context menu is being handled (our
    // commands run from the desktop's context menu), the view puts the item
    // at the menu's position instead of the point given. The view is asked
    // once more; an icon that it still holds elsewhere is misplaced. A list
    // view move would only show it at pt until the desktop is laid out again
    // from the view's record, which SaveViewState also keeps.
    PCUITEMID_CHILD children[] = { child };
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (SUCCEEDED(m_folderView->SelectAndPositionItems(1, children, &pt, SVSI_POSITIONITEM)) && At(child, pt))
            return true;
    }
    return false;
}

bool CDeskIconMover::At(PCUITEMID_CHILD child, POINT pt) const
{
    POINT inView = {};
    return SUCCEEDED(m_folderView->GetItemPosition(child, &inView)) && inView.x == pt.x && inView.y == pt.y;
}

PCUITEMID_CHILD ItemIdList(IFolderView* folderView, int index, LPARAM param, CItemIdList& owned)
{
    if (!folderView)
        return reinterpret_cast<PCUITEMID_CHILD>(param);
    if (FAILED(folderView->Item(index, owned.Put())))
        return nullptr;
    return owned.Get();
}

std::vector<int> ScanUnmatchedIcons(const CDeskListView& listView, const CIconRecordArray& records,
                                    const std::function<void(int index, const wchar_t* label)>& read)
{
    // Which record claims which icon does not matter here, only how many
    // records of each exact Name are still unclaimed.
    std::unordered_map<std::wstring, int> unclaimed;
    for (const IconRecord& record : records)
        ++unclaimed[record.Name.c_str()];

    std::vector<int> unmatched;
    const int count = listView.Count();
    wchar_t text[kLabelChars];
    for (int index = 0; index < count; ++index) {
        if (!listView.ReadItem(index, text, kLabelChars, nullptr))
            continue;
        if (read)
            read(index, text);
        auto found = unclaimed.find(text);
        if (found != unclaimed.end() && found->second > 0)
            --found->second;
        else
            unmatched.push_back(index);
    }
    return unmatched;
}
