#include "shellview/FolderViewCapture.h"

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
        POINT pt = item.position;
        IconRecord record;
        record.Monitor = m_display.LookupMonitor(pt);
        record.Name = item.name;
        record.Path = item.parsingName;
        record.XCoord = pt.x;
        record.YCoord = pt.y;
        record.Index = item.index + 1;
        item.child.Reset();
        sink.Put(record);
        ++written;
    }
    return written;
}

std::unique_ptr<CLayoutCapture> MakeFolderViewCapture(CDisplayConfig& display, CDesktopViewPair& pair)
{
    return std::make_unique<CFolderViewCapture>(pair, display);
}
