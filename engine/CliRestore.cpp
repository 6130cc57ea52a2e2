#include "engine/CliRestore.h"
#include <shlwapi.h>
#include <algorithm>
#include <cwchar>
#include "cli/access/CliContext.h"
#include "cli/access/ConsoleOut.h"
#include "engine/RestoreEngine.h"
#include "engine/NameMatch.h"
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"

bool CFolderViewRestoreAccess::CellSpacing(SIZE& spacing)
{
    return ReadCellSpacing(m_pair.View(), spacing);
}

bool CFolderViewRestoreAccess::ScanUnmatched(const CIconRecordArray& records, std::vector<int>& unmatched)
{
    return ScanUnmatchedItems(m_pair, records, unmatched);
}

bool CFolderViewRestoreAccess::ItemRect(int index, SIZE spacing, RECT& rect)
{
    m_asideIndex = -1;
    POINT pt = {};
    if (FAILED(m_pair.View()->Item(index, m_aside.Put())) || !m_aside ||
        FAILED(m_pair.View()->GetItemPosition(m_aside.Get(), &pt)))
        return false;
    m_asideIndex = index;
    rect = { pt.x, pt.y, pt.x + spacing.cx, pt.y + spacing.cy };
    return true;
}

void CFolderViewRestoreAccess::MoveItem(int index, POINT cell)
{
    if (index != m_asideIndex && FAILED(m_pair.View()->Item(index, m_aside.Put())))
        return;
    m_asideIndex = -1;
    PCUITEMID_CHILD child = m_aside.Get();
    if (child)
        PositionItems(m_pair.View(), 1, &child, &cell);
    m_aside.Reset();
}

bool CFolderViewRestoreAccess::BeginPlacement()
{
    // Each item keeps the ID list and position read here: the ID list still
    // names the item if the view's indices shift, and every further call
    // would cross into the shell's process again.
    m_items.clear();
    m_byName.clear();
    int count = 0;
    if (FAILED(DesktopItemCount(m_pair, count)) || count <= 0)
        return false;
    m_items.reserve(static_cast<size_t>(count));
    CDesktopItem item;
    for (int index = 0; index < count; ++index) {
        if (!ReadDesktopItem(m_pair, index, true, item))
            continue;
        CurrentItem current;
        current.child = std::move(item.child);
        current.name = item.name;
        current.parsingName = item.parsingName;
        current.position = item.position;
        m_byName[ShellNameKey(item.name)].push_back(static_cast<int>(m_items.size()));
        m_items.push_back(std::move(current));
    }
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
        if (ShellNamesEqual(m_items[*it].name.c_str(), record.Name.c_str()))
            return *it;
    }
    return -1;
}

CRestoreAccess::Identity CFolderViewRestoreAccess::ReadIdentity(int candidate, CWideString& text)
{
    text = m_items[candidate].parsingName.c_str();
    return Identity::Text;
}

bool CFolderViewRestoreAccess::Place(int candidate, POINT pt)
{
    const CurrentItem& item = m_items[candidate];
    const bool inPlace = item.position.x == pt.x && item.position.y == pt.y;
    auto known = m_moveOf.find(candidate);
    if (known != m_moveOf.end()) {
        Move& move = m_moves[known->second];
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
        children.push_back(m_items[move.candidate].child.Get());
        points.push_back(move.target);
    }
    const int count = static_cast<int>(children.size());
    m_moved = 0;
    if (count == 0) {
        OutPrint(OutStream::Out, L"Layout: %s\nOstrel: No Icons Repositioned\n", m_source);
        return;
    }
    const HRESULT hr = PositionItems(m_pair.View(), static_cast<UINT>(count), children.data(), points.data());
    // The view may refuse the call, or put an icon elsewhere (a grid it
    // snaps to, an arrangement it keeps): only what reads back at its
    // target counts as repositioned.
    for (int i = 0; i < count; ++i) {
        POINT pt = {};
        if (SUCCEEDED(m_pair.View()->GetItemPosition(children[i], &pt)) && pt.x == points[i].x &&
            pt.y == points[i].y)
            ++m_moved;
    }
    OutPrint(OutStream::Out, L"Layout: %s\nOstrel: Repositioned: %d Icons\n", m_source, m_moved);
    if (m_moved == count)
        return;
    if (FAILED(hr))
        OutPrint(OutStream::Err, L"Ostrel: %d Icons could not be repositioned (error 0x%08lX)\n", count - m_moved,
                 static_cast<unsigned long>(hr));
    else
        OutPrint(OutStream::Err, L"Ostrel: %d Icons did not reach their saved positions\n", count - m_moved);
}

bool RestoreFromCli(const wchar_t* source, bool fromStore)
{
    if (!source)
        source = L"";
    CCliContext& cli = Cli();
    CIconRecordArray records;
    if (fromStore) {
        bool currentFormat = false;
        if (ReadLayout(cli.flavor, source, cli.display, false, records, &currentFormat) <= 0) {
            OutPrint(OutStream::Out, L"No Registry Layout Information Stored:\n%s", source);
            return false;
        }
    } else {
        if (!PathFileExistsW(source)) {
            OutPrint(OutStream::Out, L"File not found: %s\n", source);
            return false;
        }
        bool currentFormat = false;
        if (!ReadLayoutFile(source, cli.display, records, &currentFormat)) {
            OutPrint(OutStream::Out, L"No File Layout Information Stored: %s\n", source);
            return false;
        }
    }

    CDesktopViewPair pair;
    if (!pair.Open())
        return false;
    ProbeCliCommonControls();
    CFolderViewRestoreAccess access(pair, source);
    return RunRestore(access, records, cli.display.WorkArea(), cli.ccFlag);
}
