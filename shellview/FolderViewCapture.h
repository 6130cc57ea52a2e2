#pragma once
#include <memory>
#include <vector>
#include "shellview/FolderView.h"
#include "layout/Capture.h"
#include "layout/DisplayConfig.h"

// The capture from another process: the items of the shell's desktop folder
// view, with their display and parsing names, in view order. Index is the
// view index + 1; an item that vanished while the walk ran leaves a gap.
class CFolderViewCapture : public CLayoutCapture
{
public:
    CFolderViewCapture(CDesktopViewPair& pair, CDisplayConfig& display) : m_pair(pair), m_display(display) {}
    // A view whose item count cannot be read is not reached: saving from it
    // would replace a stored layout with an empty one.
    bool Ready() const override;
    int Run(CRecordSink& sink) override;
    HRESULT Status() const override { return m_status; }

private:
    CDesktopViewPair& m_pair;
    CDisplayConfig& m_display;
    HRESULT m_status = S_OK;
};

// The items that a restore has just read, captured as CFolderViewCapture
// captures the view, without another round trip and in the display
// configuration that the restore captured: the before-restore snapshot.
class CDesktopItemsCapture : public CLayoutCapture
{
public:
    CDesktopItemsCapture(const std::vector<CDesktopItem>& items, CDisplayConfig& display)
        : m_items(items), m_display(display)
    {
    }
    bool Ready() const override { return true; }
    int Run(CRecordSink& sink) override;

private:
    const std::vector<CDesktopItem>& m_items;
    CDisplayConfig& m_display;
};

// The capture of the desktop through the view pair, for the writers.
std::unique_ptr<CLayoutCapture> MakeFolderViewCapture(CDisplayConfig& display, CDesktopViewPair& pair);
