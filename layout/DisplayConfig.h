#pragma once
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include "layout/LayoutFlavor.h"
#include "layout/WideString.h"

// What the display configuration asks of the system. Tests feed it several
// monitors; the product always uses SystemDisplaySource().
class CDisplaySource
{
public:
    virtual ~CDisplaySource() = default;
    virtual int MonitorCount() = 0;                                   // SM_CMONITORS
    virtual void EnumMonitors(const std::function<void(HMONITOR)>& each) = 0;
    virtual bool MonitorInfo(HMONITOR monitor, MONITORINFO* info) = 0;
    virtual RECT WorkArea() = 0;                                      // SPI_GETWORKAREA
    virtual POINT VirtualOrigin() = 0;                                // SM_X/YVIRTUALSCREEN
    virtual SIZE ScreenSize() = 0;                                    // SM_CX/CYSCREEN
    // What tells one monitor from another (its target's device path) and its
    // effective DPI; empty and 0 when the system does not say.
    virtual std::wstring MonitorDevicePath(HMONITOR) { return std::wstring(); }
    virtual UINT MonitorDpi(HMONITOR) { return 0; }
    // SPI_ICONHORIZONTALSPACING and SPI_ICONVERTICALSPACING; 0 when unknown.
    virtual SIZE IconSpacing() { return { 0, 0 }; }
};

CDisplaySource& SystemDisplaySource();

struct MonitorEntry
{
    HMONITOR monitor;
    MONITORINFO info;
    RECT offset; // rcMonitor in desktop list view coordinates
};

// The monitors, their arrangement and the desktop icon size. Positions are
// related to monitors in desktop list view coordinates, whose origin is the
// top-left corner of the virtual screen.
class CDisplayConfig
{
public:
    explicit CDisplayConfig(CDisplaySource* source = nullptr);
    CDisplayConfig(const CDisplayConfig&) = delete;
    CDisplayConfig& operator=(const CDisplayConfig&) = delete;

    // Frees the previous monitor list and reads the system's; returns the
    // monitor count.
    int Capture();
    // Frees the monitor list (the icon size stays).
    void Release();

    // Captures, then finds the first monitor that holds pt; on success pt
    // becomes monitor-relative. Returns the index or -1 (pt unchanged).
    int LookupMonitor(POINT& pt);
    // The same in the monitor list as captured, for a capture of positions
    // read under that list.
    int FindMonitor(POINT& pt) const;
    // Monitor-relative to desktop list view coordinates. An index that names
    // no monitor of the current list (-1, or a layout of another
    // configuration) leaves pt unchanged and gives false.
    bool OffsetToDesktop(int index, POINT& pt) const;
    // True when pt lies on none of the monitors.
    bool IsOffScreen(POINT pt) const;

    // "Layout %d x %d" or "Multi-Monitor ..." with the icon size suffix when
    // withSuffix is set and the icon size is known.
    CWideString LayoutName(int monitorCount, bool withSuffix, const CLayoutFlavor& flavor) const;

    int MonitorCountValue() const { return m_count; }
    int Filled() const { return m_filled; }
    bool HasMonitorList() const { return m_monitors != nullptr; }
    const MonitorEntry* Monitors() const { return m_monitors.get(); }
    // The primary monitor's work area moved into desktop list view
    // coordinates, like the monitor list.
    const RECT& WorkArea() const { return m_workArea; }
    POINT PrimaryCentre() const { return m_primaryCentre; }

    int IconSize() const { return m_iconSize; }
    void SetIconSize(int size) { m_iconSize = size; }

    CDisplaySource& Source() const { return *m_source; }
    void SetSource(CDisplaySource* source) { m_source = source ? source : &SystemDisplaySource(); }

private:
    CDisplaySource* m_source;
    int m_count = 0;
    std::unique_ptr<MonitorEntry[]> m_monitors;
    int m_filled = 0;
    RECT m_workArea = {};
    POINT m_primaryCentre = {};
    int m_iconSize = 0;
};
