#include "layout/DisplayConfig.h"
#include "layout/ResText.h"
#include <string>

namespace {

class CSystemDisplaySource : public CDisplaySource
{
public:
    int MonitorCount() override { return GetSystemMetrics(SM_CMONITORS); }

    void EnumMonitors(const std::function<void(HMONITOR)>& each) override
    {
        EnumDisplayMonitors(nullptr, nullptr, Callback, reinterpret_cast<LPARAM>(&each));
    }

    bool MonitorInfo(HMONITOR monitor, MONITORINFO* info) override
    {
        return GetMonitorInfoW(monitor, info) != FALSE;
    }

    RECT WorkArea() override
    {
        RECT rc = {};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0);
        return rc;
    }

    POINT VirtualOrigin() override
    {
        return { GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN) };
    }

    SIZE ScreenSize() override
    {
        return { GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
    }

private:
    static BOOL CALLBACK Callback(HMONITOR monitor, HDC, LPRECT, LPARAM param)
    {
        (*reinterpret_cast<const std::function<void(HMONITOR)>*>(param))(monitor);
        return TRUE;
    }
};

} // namespace

CDisplaySource& SystemDisplaySource()
{
    static CSystemDisplaySource s_source;
    return s_source;
}

CDisplayConfig::CDisplayConfig(CDisplaySource* source)
    : m_source(source ? source : &SystemDisplaySource())
{
}

void CDisplayConfig::Release()
{
    m_monitors.reset();
    m_count = 0;
    m_filled = 0;
}

int CDisplayConfig::Capture()
{
    Release();
    int count = m_source->MonitorCount();
    if (count < 0)
        count = 0;
    m_count = count;
    m_monitors.reset(new MonitorEntry[count > 0 ? count : 1]());

    m_source->EnumMonitors([this](HMONITOR monitor) {
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        if (!m_source->MonitorInfo(monitor, &info))
            return;
        if (m_filled < m_count) {
            m_monitors[m_filled].monitor = monitor;
            m_monitors[m_filled].info = info;
        }
        ++m_filled;
    });

    const POINT origin = m_source->VirtualOrigin();
    m_workArea = m_source->WorkArea();
    OffsetRect(&m_workArea, -origin.x, -origin.y);
    for (int i = 0; i < m_count; ++i) {
        MonitorEntry& entry = m_monitors[i];
        entry.offset = entry.info.rcMonitor;
        OffsetRect(&entry.offset, -origin.x, -origin.y);
        if (entry.info.dwFlags & MONITORINFOF_PRIMARY) {
            m_primaryCentre.x = entry.offset.left + (entry.offset.right - entry.offset.left) / 2;
            m_primaryCentre.y = entry.offset.top + (entry.offset.bottom - entry.offset.top) / 2;
        }
    }
    return m_count;
}

int CDisplayConfig::LookupMonitor(POINT& pt)
{
    const int count = Capture();
    for (int i = 0; i < count; ++i) {
        const RECT& rc = m_monitors[i].offset;
        if (PtInRect(&rc, pt)) {
            pt.x -= rc.left;
            pt.y -= rc.top;
            return i;
        }
    }
    return -1;
}

bool CDisplayConfig::OffsetToDesktop(int index, POINT& pt) const
{
    if (index < 0 || index >= m_count || !m_monitors)
        return false;
    pt.x += m_monitors[index].offset.left;
    pt.y += m_monitors[index].offset.top;
    return true;
}

bool CDisplayConfig::IsOffScreen(POINT pt) const
{
    for (int i = 0; i < m_count; ++i) {
        if (PtInRect(&m_monitors[i].offset, pt))
            return false;
    }
    return true;
}

CWideString CDisplayConfig::LayoutName(int monitorCount, bool withSuffix, const CLayoutFlavor& flavor) const
{
    std::wstring name;
    if (monitorCount == 1) {
        const SIZE screen = m_source->ScreenSize();
        name = CWideString::Format(LoadResText(flavor.resources, flavor.idsLayoutSingle),
                                   screen.cx, screen.cy).c_str();
    } else {
        name = CWideString::Format(L"%s ", LoadResText(flavor.resources, flavor.idsMultiMonitor)).c_str();
        const int slots = m_monitors ? (monitorCount < m_count ? monitorCount : m_count) : 0;
        for (int i = 0; i < slots; ++i) {
            const MONITORINFO& info = m_monitors[i].info;
            if (info.dwFlags & MONITORINFOF_PRIMARY)
                name += L'*';
            name += CWideString::Format(L"[%d x %d]", info.rcMonitor.right - info.rcMonitor.left,
                                        info.rcMonitor.bottom - info.rcMonitor.top).c_str();
        }
    }
    if (withSuffix && m_iconSize != 0) {
        name += L' ';
        name += CWideString::Format(LoadResText(flavor.resources, flavor.idsIconSize), m_iconSize).c_str();
    }
    // Every layout name passes through a 1024-character buffer.
    if (name.size() >= kFormatBufferChars)
        name.resize(kFormatBufferChars - 1);
    return CWideString(name.c_str());
}
