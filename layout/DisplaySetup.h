#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "layout/DisplayConfig.h"
#include "layout/ProfileFile.h"

// One monitor of a display setup.
struct SetupMonitor
{
    std::wstring devicePath; // its identity; empty when the system does not say
    UINT dpi = 0;            // effective DPI; 0 when the system does not say
    RECT rect = {};          // screen coordinates
    RECT work = {};          // its work area, screen coordinates
};

// The display configuration as the person sees it: the full layout name and,
// per monitor in enumeration order, its identity and effective DPI. Two
// monitors of one model, or one monitor at another scale, make other setups.
// It also carries the geometry (rectangles, work areas, the icon spacing)
// that an arrangement of one setup needs to be carried to another.
class CDisplaySetup
{
public:
    CDisplaySetup() = default;
    // From the captured display configuration and its full layout name.
    CDisplaySetup(const CDisplayConfig& display, const wchar_t* layoutName);

    const std::wstring& LayoutName() const { return m_layoutName; }
    const std::vector<SetupMonitor>& Monitors() const { return m_monitors; }
    SIZE IconSpacing() const { return m_spacing; }

    // Shown to people: the layout name, then what is known of each monitor.
    std::wstring Text() const;
    // 16 hexadecimal digits made from the text: always a valid folder name.
    std::wstring Digest() const;

    // The sections of a setup file, and back; Load gives false (and an empty
    // setup) for a file that holds no setup.
    void Store(CProfileWriter& writer) const;
    bool Load(const CProfileReader& reader);

private:
    std::wstring m_layoutName;
    std::vector<SetupMonitor> m_monitors;
    SIZE m_spacing = {};
};
