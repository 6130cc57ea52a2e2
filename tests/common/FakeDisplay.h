#pragma once
#include <string>
#include <vector>
#include "layout/DisplayConfig.h"

// A display source with monitors given by the test, in enumeration order.
class CFakeDisplay : public CDisplaySource
{
public:
    struct Monitor
    {
        RECT rect;          // screen coordinates
        bool primary;
        bool infoFails = false;
        std::wstring devicePath = std::wstring();
        UINT dpi = 0;
        RECT work = {}; // rcWork; empty: the whole monitor
    };

    std::vector<Monitor> monitors;
    int countOverride = -1; // SM_CMONITORS when it differs from the list
    RECT workArea = { 0, 0, 1920, 1040 };

    int MonitorCount() override { return countOverride >= 0 ? countOverride : static_cast<int>(monitors.size()); }
    void EnumMonitors(const std::function<void(HMONITOR)>& each) override
    {
        for (size_t i = 0; i < monitors.size(); ++i)
            each(reinterpret_cast<HMONITOR>(i + 1));
    }
    bool MonitorInfo(HMONITOR monitor, MONITORINFO* info) override
    {
        const Monitor& m = monitors[reinterpret_cast<size_t>(monitor) - 1];
        if (m.infoFails)
            return false;
        info->rcMonitor = m.rect;
        info->rcWork = IsRectEmpty(&m.work) ? m.rect : m.work;
        info->dwFlags = m.primary ? MONITORINFOF_PRIMARY : 0;
        return true;
    }
    RECT WorkArea() override { return workArea; }
    std::wstring MonitorDevicePath(HMONITOR monitor) override { return At(monitor).devicePath; }
    UINT MonitorDpi(HMONITOR monitor) override { return At(monitor).dpi; }
    SIZE IconSpacing() override { return spacing; }
    const Monitor& At(HMONITOR monitor) const { return monitors[reinterpret_cast<size_t>(monitor) - 1]; }
    SIZE spacing = { 75, 75 };
    POINT VirtualOrigin() override
    {
        POINT origin = { 0, 0 };
        for (const Monitor& m : monitors) {
            if (m.rect.left < origin.x) origin.x = m.rect.left;
            if (m.rect.top < origin.y) origin.y = m.rect.top;
        }
        return origin;
    }
    SIZE ScreenSize() override
    {
        for (const Monitor& m : monitors)
            if (m.primary)
                return { m.rect.right - m.rect.left, m.rect.bottom - m.rect.top };
        return { 0, 0 };
    }
};
