#pragma once
#include <windows.h>
#include <shobjidl.h>

// Auto-arrange and snap-to-grid of a view: its flags, the mask of both and
// the mask of snap-to-grid alone.
class CViewFlagSwitch
{
public:
    virtual DWORD ReadViewFlags() = 0;
    virtual void SetViewFlags(DWORD mask, DWORD flags) = 0;
    virtual DWORD ArrangeMask() const = 0;
    virtual DWORD SnapMask() const = 0;

protected:
    ~CViewFlagSwitch() = default;
};

// The folder flags of the shell's desktop view: "Auto arrange icons" is
// FWF_AUTOARRANGE and "Align icons to grid" FWF_SNAPTOGRID. While
// auto-arrange is on, the shell arranges the icons and no position set
// through the view or the list view sticks.
class CFolderFlagSwitch final : public CViewFlagSwitch
{
public:
    explicit CFolderFlagSwitch(IFolderView2* view) : m_view(view) {}

    // 0 when the flags cannot be read.
    DWORD ReadViewFlags() override;
    void SetViewFlags(DWORD mask, DWORD flags) override;
    DWORD ArrangeMask() const override { return FWF_AUTOARRANGE | FWF_SNAPTOGRID; }
    DWORD SnapMask() const override { return FWF_SNAPTOGRID; }

private:
    IFolderView2* m_view;
};

// Auto-arrange and snap-to-grid are off while icons move; afterwards
// snap-to-grid returns to its former state and auto-arrange stays off.
class CArrangeSuspension
{
public:
    CArrangeSuspension(CViewFlagSwitch& flags, bool enabled) : m_flags(flags)
    {
        if (!enabled)
            return;
        m_kept = flags.ReadViewFlags();
        if (m_kept & flags.ArrangeMask()) {
            flags.SetViewFlags(flags.ArrangeMask(), 0);
            m_switched = true;
        }
    }
    ~CArrangeSuspension()
    {
        if (m_switched)
            m_flags.SetViewFlags(m_flags.SnapMask(), m_kept);
    }
    CArrangeSuspension(const CArrangeSuspension&) = delete;
    CArrangeSuspension& operator=(const CArrangeSuspension&) = delete;

private:
    CViewFlagSwitch& m_flags;
    DWORD m_kept = 0;
    bool m_switched = false;
};
