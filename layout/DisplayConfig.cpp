#include "layout/DisplayConfig.h"
#include "layout/ResText.h"
#include "layout/SystemLibrary.h"
#include <shellscalingapi.h>
#include <cwchar>
#include <string>
#include <vector>

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

    // The target of the active path whose source is the monitor's GDI device:
    // its device path tells two monitors of one model apart and stays the same
    // across restarts. Wine 8 gives every monitor the path of a made-up
    // "Default_Monitor" (\\?\DISPLAY#Default_Monitor#0000&0000#{...}).
    std::wstring MonitorDevicePath(HMONITOR monitor) override
    {
        MONITORINFOEXW info = {};
        info.cbSize = sizeof(info);
        if (!GetMonitorInfoW(monitor, &info))
            return std::wstring();
        std::vector<DISPLAYCONFIG_PATH_INFO> paths;
        std::vector<DISPLAYCONFIG_MODE_INFO> modes;
        LONG status = ERROR_INSUFFICIENT_BUFFER;
        // The configuration may change between the two calls.
        for (int attempt = 0; attempt < 3 && status == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
            UINT32 pathCount = 0, modeCount = 0;
            if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) != ERROR_SUCCESS)
                return std::wstring();
            paths.resize(pathCount);
            modes.resize(modeCount);
            status = QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount, modes.data(),
                                        nullptr);
            paths.resize(pathCount);
        }
        if (status != ERROR_SUCCESS)
            return std::wstring();
        for (const DISPLAYCONFIG_PATH_INFO& path : paths) {
            DISPLAYCONFIG_SOURCE_DEVICE_NAME source = {};
            source.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
            source.header.size = sizeof(source);
            source.header.adapterId = path.sourceInfo.adapterId;
            source.header.id = path.sourceInfo.id;
            if (DisplayConfigGetDeviceInfo(&source.header) != ERROR_SUCCESS ||
                _wcsicmp(source.viewGdiDeviceName, info.szDevice) != 0)
                continue;
            DISPLAYCONFIG_TARGET_DEVICE_NAME target = {};
            target.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_TARGET_NAME;
            target.header.size = sizeof(target);
            target.header.adapterId = path.targetInfo.adapterId;
            target.header.id = path.targetInfo.id;
            if (DisplayConfigGetDeviceInfo(&target.header) == ERROR_SUCCESS)
                return target.monitorDevicePath;
        }
        return std::wstring();
    }

    // GetDpiForMonitor lives in shcore.dll (Windows 8.1 and later), taken from
    // System32 alone, and kept loaded (never freed while a DLL unloads). Wine 8
    // gives the system DPI for every monitor.
    UINT MonitorDpi(HMONITOR monitor) override
    {
        using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*);
        static const HMODULE s_shcore = LoadSystemLibrary(L"shcore.dll");
        static const auto s_getDpi = s_shcore ? reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(
                                                    GetProcAddress(s_shcore, "GetDpiForMonitor")))
                                              : nullptr;
        UINT x = 0, y = 0;
        if (!s_getDpi || FAILED(s_getDpi(monitor, MDT_EFFECTIVE_DPI, &x, &y)))
            return 0;
        return x;
    }

    SIZE IconSpacing() override
    {
        int x = 0, y = 0;
        if (!SystemParametersInfoW(SPI_ICONHORIZONTALSPACING, 0, &x, 0) ||
            !SystemParametersInfoW(SPI_ICONVERTICALSPACING, 0, &y, 0))
            return { 0, 0 };
        return { x, y };
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
    Capture();
    return FindMonitor(pt);
}

int CDisplayConfig::FindMonitor(POINT& pt) const
{
    for (int i = 0; m_monitors && i < m_count; ++i) {
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
