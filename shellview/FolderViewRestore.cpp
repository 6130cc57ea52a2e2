#include "shellview/FolderViewRestore.h"
#include <algorithm>
#include <cwchar>
#include "engine/NameMatch.h"
#include "engine/RestoreEngine.h"

CFolderViewRestoreAccess::CFolderViewRestoreAccess(const CDesktopViewPair& pair, ItemsReadHook beforeMoves,
                                                   DisplayCheck sameDisplay)
    : m_pair(pair), m_flags(pair.View()), m_sameDisplay(std::move(sameDisplay))
{
    // Until the first move, the items hold the positions as read.
    if (beforeMoves)
        m_firstMove = CFirstMoveHook([this, beforeMoves] { beforeMoves(m_items); });
}

bool CFolderViewRestoreAccess::CellSpacing(SIZE& spacing)
{
    return ReadCellSpacing(m_pair.View(), spacing);
}

bool CFolderViewRestoreAccess::ReadItems()
{
    // Each item keeps the ID list and position read here: the ID list still
    // names the item if the view's indices shift, and every further call
    // would cross into the shell's process again.
    m_byName.clear();
    m_read = ReadDesktopItems(m_pair, true, m_items, &m_count, &m_readStatus);
    m_movedAside.assign(m_items.size(), false);
    return m_read;
}

bool CFolderViewRestoreAccess::ScanUnmatched(const CIconRecordArray& records, std::vector<int>& unmatched)
{
    unmatched.clear();
    if (!ReadItems())
        return false;
    unmatched = FindUnmatchedItems(m_items, records);
    return true;
}

bool CFolderViewRestoreAccess::ItemRect(int index, SIZE spacing, RECT& rect)
{
    if (index < 0 || static_cast<size_t>(index) >= m_items.size())
        return false;
    const POINT pt = m_items[static_cast<size_t>(index)].position;
    rect = { pt.x, pt.y, pt.x + spacing.cx, pt.y + spacing.cy };
    return true;
}

bool CFolderViewRestoreAccess::MayMove(bool batch)
{
    if (m_displayChanged)
        return false;
    if (m_displayChecked && !batch)
        return true;
    m_displayChecked = true;
    m_displayChanged = m_sameDisplay && !m_sameDisplay();
    return !m_displayChanged;
}

void CFolderViewRestoreAccess::MoveItem(int index, POINT cell)
{
    if (index < 0 || static_cast<size_t>(index) >= m_items.size() || !MayMove(false))
        return;
    m_firstMove.Fire();
    PCUITEMID_CHILD child = m_items[static_cast<size_t>(index)].child.Get();
    PositionItems(m_pair.View(), 1, &child, &cell);
    m_movedAside[static_cast<size_t>(index)] = true;
}

bool CFolderViewRestoreAccess::BeginPlacement()
{
    if (FAILED(m_readStatus) || (!m_read && !ReadItems()))
        return false;
    if (m_count <= 0)
        return false;
    m_byName.clear();
    for (size_t i = 0; i < m_items.size(); ++i)
        m_byName[ShellNameKey(m_items[i].name)].push_back(static_cast<int>(i));
    return true;
}

int CFolderViewRestoreAccess::NextCandidate(const IconRecord& record, int after)
{
    if (record.Name.IsAbsent())
        return -1;
    auto bucket = m_byName.find(ShellNameKey(record.Name.c_str()));
    if (bucket == m_byName.end())
        return -1;
    const std::vector<int>& candidates = bucket->second;
    for (auto it = std::upper_bound(candidates.begin(), candidates.end(), after); it != candidates.end(); ++it) {
        if (ShellNamesEqual(m_items[static_cast<size_t>(*it)].name, record.Name.c_str()))
            return *it;
    }
    return -1;
}

CRestoreAccess::Identity CFolderViewRestoreAccess::ReadIdentity(int candidate, CWideString& text)
{
    text = m_items[static_cast<size_t>(candidate)].parsingName;
    return Identity::Text;
}

bool CFolderViewRestoreAccess::Place(int candidate, POINT pt)
{
    CDesktopItem& item = m_items[static_cast<size_t>(candidate)];
    // Where the view put an item moved out of the way is read, not assumed.
    bool known = true;
    if (m_movedAside[static_cast<size_t>(candidate)]) {
        POINT now = {};
        known = SUCCEEDED(m_pair.View()->GetItemPosition(item.child.Get(), &now));
        if (known) {
            item.position = now;
            m_movedAside[static_cast<size_t>(candidate)] = false;
        }
    }
    const bool inPlace = known && item.position.x == pt.x && item.position.y == pt.y;
    auto listed = m_moveOf.find(candidate);
    if (listed != m_moveOf.end()) {
        Move& move = m_moves[listed->second];
        move.target = pt;
        move.active = !inPlace;
    } else if (!inPlace) {
        m_moveOf.emplace(candidate, m_moves.size());
        m_moves.push_back({ candidate, pt, true });
    }
    return true;
}

void CFolderViewRestoreAccess::Finish()
{
    std::vector<PCUITEMID_CHILD> children;
    std::vector<POINT> points;
    for (const Move& move : m_moves) {
        if (!move.active)
            continue;
        children.push_back(m_items[static_cast<size_t>(move.candidate)].child.Get());
        points.push_back(move.target);
    }
    const int count = static_cast<int>(children.size());
    m_result = FolderViewMoves();
    m_result.requested = count;
    const bool move = count > 0 && MayMove(true);
    m_result.displayChanged = m_displayChanged;
    if (!move)
        return;
    m_firstMove.Fire();
    m_result.status = PositionItems(m_pair.View(), static_cast<UINT>(count), children.data(), points.data());
    // The view may refuse the call, or put an icon elsewhere (a grid it
    // snaps to, an arrangement it keeps): only what reads back at its
    // target counts as repositioned.
    for (int i = 0; i < count; ++i) {
        POINT pt = {};
        if (SUCCEEDED(m_pair.View()->GetItemPosition(children[i], &pt)) && pt.x == points[i].x &&
            pt.y == points[i].y)
            ++m_result.moved;
    }
}

bool RestoreThroughFolderView(const CDesktopViewPair& pair, const CIconRecordArray& records,
                              const CDisplayConfig& display, const CLayoutFlavor& flavor, bool viewFlags,
                              FolderViewMoves& moves, ItemsReadHook beforeMoves)
{
    // The display may change while the restore reads the desktop: a layout
    // of the old configuration must not land on the new screen.
    const CWideString forName = display.LayoutName(display.MonitorCountValue(), true, flavor);
    const DisplayCheck sameDisplay = [&] {
        CDisplayConfig now(&display.Source());
        now.SetIconSize(display.IconSize());
        return wcscmp(OnScreenLayoutName(now, flavor, pair.View()).c_str(), forName.c_str()) == 0;
    };
    CFolderViewRestoreAccess access(pair, std::move(beforeMoves), sameDisplay);
    RestoreOutcome outcome;
    const bool ran = RunRestore(access, records, display.WorkArea(), viewFlags, &outcome);
    moves = access.Moves();
    moves.byFileName = outcome.byFileName;
    moves.readStatus = access.ReadStatus();
    return ran;
}
