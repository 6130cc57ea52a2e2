#include "deskshell/ListViewCapture.h"
#include "engine/ShellNames.h"

CListViewCapture::CListViewCapture(CDeskContext& context, HWND listView, bool displayCaptured)
    : m_context(context), m_listView(listView), m_status(m_objects.Open(context)), m_displayCaptured(displayCaptured)
{
}

int CListViewCapture::Run(CRecordSink& sink)
{
    if (!Ready())
        return 0;
    IShellFolder* folder = m_objects.Folder();
    IFolderView* folderView = m_objects.FolderView();

    int written = 0;
    wchar_t text[kLabelChars];
    for (int index = m_listView.Next(-1), previous = -1; index > previous; previous = index, index = m_listView.Next(index)) {
        LPARAM param = 0;
        POINT pt;
        if (!m_listView.ReadItem(index, text, kLabelChars, &param) || !m_listView.ReadPosition(index, pt))
            continue;

        IconRecord record;
        record.Name = text;
        record.Index = index + 1;

        CItemIdList owned;
        PCUITEMID_CHILD child = nullptr;
        if (folderView) {
            if (FAILED(folderView->Item(index, owned.Put())) || !owned)
                continue;
            child = owned.Get();
        } else {
            child = reinterpret_cast<PCUITEMID_CHILD>(param);
            if (!child) {
                record.Path = text;
                record.XCoord = pt.x;
                record.YCoord = pt.y;
                record.Legacy = true;
                sink.Put(record);
                ++written;
                continue;
            }
        }

        record.Monitor = m_displayCaptured ? m_context.display.FindMonitor(pt) : m_context.display.LookupMonitor(pt);
        if (!ItemParsingName(folder, child, record.Path) && !ItemClassIdText(folder, child, record.Path))
            continue;
        if (record.Path.IsAbsent())
            continue;
        record.XCoord = pt.x;
        record.YCoord = pt.y;
        sink.Put(record);
        ++written;
    }
    return written;
}

std::unique_ptr<CLayoutCapture> MakeListViewCapture(CDeskContext& context, HWND listView, bool displayCaptured)
{
    return std::make_unique<CListViewCapture>(context, listView, displayCaptured);
}
