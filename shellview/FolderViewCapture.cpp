#include "shellview/FolderViewCapture.h"

namespace {

// Index is the view index + 1; the position becomes relative to the monitor
// that holds it.
// Captures the display configuration afresh for each record unless the
// caller's list stands for every one.
IconRecord ItemRecord(const CDesktopItem& item, CDisplayConfig& display, bool captured)
{
    POINT pt = item.position;
    IconRecord record;
    record.Monitor = captured ? display.FindMonitor(pt) : display.LookupMonitor(pt);
    record.Name = item.name;
    record.Path = item.parsingName;
    record.XCoord = pt.x;
    record.YCoord = pt.y;
    record.Index = item.index + 1;
    return record;
}

} // namespace

bool CFolderViewCapture::Ready() const
{
    int count = 0;
    return m_pair.View() && m_pair.Folder() && SUCCEEDED(DesktopItemCount(m_pair, count));
}

int CFolderViewCapture::Run(CRecordSink& sink)
{
    if (!m_pair.View() || !m_pair.Folder())
        return 0;
    CDesktopItemWalk walk(m_pair, true);
    if (!walk.Start() || walk.Count() <= 0)
        return 0;

    int written = 0;
    CDesktopItem item;
    while (walk.Next(item)) {
        item.child.Reset();
        sink.Put(ItemRecord(item, m_display, false));
        ++written;
    }
    m_status = walk.Status();
    return written;
}

int CDesktopItemsCapture::Run(CRecordSink& sink)
{
    for (const CDesktopItem& item : m_items)
        sink.Put(ItemRecord(item, m_display, true));
    return static_cast<int>(m_items.size());
}

std::unique_ptr<CLayoutCapture> MakeFolderViewCapture(CDisplayConfig& display, CDesktopViewPair& pair)
{
    return std::make_unique<CFolderViewCapture>(pair, display);
}
