#include "layout/DisplaySetup.h"
#include <cwchar>

namespace {

constexpr const wchar_t* kSetupSection = L"Setup";
constexpr DWORD kValueChars = kFormatBufferChars;

std::wstring RectText(const RECT& rc)
{
    return CWideString::Format(L"%ld,%ld,%ld,%ld", rc.left, rc.top, rc.right, rc.bottom).c_str();
}

bool ParseRect(const CWideString& text, RECT& rc)
{
    return swscanf(text.c_str(), L"%ld,%ld,%ld,%ld", &rc.left, &rc.top, &rc.right, &rc.bottom) == 4;
}

std::wstring MonitorSection(size_t index)
{
    return CWideString::Format(L"Monitor%u", static_cast<unsigned>(index + 1)).c_str();
}

} // namespace

CDisplaySetup::CDisplaySetup(const CDisplayConfig& display, const wchar_t* layoutName)
    : m_layoutName(layoutName ? layoutName : L"")
{
    CDisplaySource& source = display.Source();
    m_spacing = source.IconSpacing();
    const int count = display.HasMonitorList() ? (display.Filled() < display.MonitorCountValue()
                                                      ? display.Filled()
                                                      : display.MonitorCountValue())
                                               : 0;
    for (int i = 0; i < count; ++i) {
        const MonitorEntry& entry = display.Monitors()[i];
        SetupMonitor monitor;
        monitor.devicePath = source.MonitorDevicePath(entry.monitor);
        monitor.dpi = source.MonitorDpi(entry.monitor);
        monitor.rect = entry.info.rcMonitor;
        monitor.work = entry.info.rcWork;
        m_monitors.push_back(monitor);
    }
}

std::wstring CDisplaySetup::Text() const
{
    std::wstring text = m_layoutName;
    for (size_t i = 0; i < m_monitors.size(); ++i) {
        const SetupMonitor& monitor = m_monitors[i];
        if (monitor.devicePath.empty() && monitor.dpi == 0)
            continue;
        text += CWideString::Format(L", monitor %u:", static_cast<unsigned>(i + 1)).c_str();
        if (!monitor.devicePath.empty())
            text += L" " + monitor.devicePath;
        if (monitor.dpi != 0)
            text += CWideString::Format(L" %u dpi", monitor.dpi).c_str();
    }
    return text;
}

std::wstring CDisplaySetup::Digest() const
{
    // FNV-1a, 64 bits, over the UTF-16 code units.
    unsigned long long hash = 14695981039346656037ull;
    for (const wchar_t c : Text()) {
        hash ^= static_cast<unsigned short>(c);
        hash *= 1099511628211ull;
    }
    wchar_t digits[17];
    swprintf(digits, 17, L"%016llx", hash);
    return digits;
}

void CDisplaySetup::Store(CProfileWriter& writer) const
{
    writer.Write(kSetupSection, L"Text", Text().c_str());
    writer.Write(kSetupSection, L"LayoutName", m_layoutName.c_str());
    writer.Write(kSetupSection, L"IconSpacing", CWideString::Format(L"%ld,%ld", m_spacing.cx, m_spacing.cy).c_str());
    writer.Write(kSetupSection, L"Monitors", CWideString::Format(L"%u", static_cast<unsigned>(m_monitors.size())).c_str());
    for (size_t i = 0; i < m_monitors.size(); ++i) {
        const SetupMonitor& monitor = m_monitors[i];
        const std::wstring section = MonitorSection(i);
        writer.Write(section.c_str(), L"DevicePath", monitor.devicePath.c_str());
        writer.Write(section.c_str(), L"Dpi", CWideString::Format(L"%u", monitor.dpi).c_str());
        writer.Write(section.c_str(), L"Rect", RectText(monitor.rect).c_str());
        writer.Write(section.c_str(), L"WorkArea", RectText(monitor.work).c_str());
    }
}

bool CDisplaySetup::Load(const CProfileReader& reader)
{
    *this = CDisplaySetup();
    CDisplaySetup setup;
    setup.m_layoutName = reader.Text(kSetupSection, L"LayoutName", kValueChars).c_str();
    const int count = reader.Int(kSetupSection, L"Monitors", -1);
    if (setup.m_layoutName.empty() || count < 0 || count > 64 ||
        swscanf(reader.Text(kSetupSection, L"IconSpacing", kValueChars).c_str(), L"%ld,%ld", &setup.m_spacing.cx,
                &setup.m_spacing.cy) != 2)
        return false;
    for (int i = 0; i < count; ++i) {
        const std::wstring section = MonitorSection(static_cast<size_t>(i));
        SetupMonitor monitor;
        monitor.devicePath = reader.Text(section.c_str(), L"DevicePath", kValueChars).c_str();
        const int dpi = reader.Int(section.c_str(), L"Dpi", 0);
        monitor.dpi = dpi > 0 ? static_cast<UINT>(dpi) : 0;
        if (!ParseRect(reader.Text(section.c_str(), L"Rect", kValueChars), monitor.rect) ||
            !ParseRect(reader.Text(section.c_str(), L"WorkArea", kValueChars), monitor.work))
            return false;
        setup.m_monitors.push_back(monitor);
    }
    *this = std::move(setup);
    return true;
}
