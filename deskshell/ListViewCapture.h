#pragma once
#include <windows.h>
#include <memory>
#include "deskshell/DeskContext.h"
#include "deskshell/DeskListView.h"
#include "deskshell/DeskViewObjects.h"
#include "layout/Capture.h"

// The shell extension's capture: the desktop list view items, named by their
// labels and identified by their parsing names (or "::{CLSID}" for a shell
// object without one). Index is the list view index + 1; items that cannot
// be read are left out without renumbering. Without a folder view the item
// parameter is the ID list, and an item without one becomes a legacy record.
class CListViewCapture : public CLayoutCapture
{
public:
    // Opens the desktop view objects at once (refreshing the probes). With
    // displayCaptured the monitors are those the caller captured, not
    // captured again for each icon.
    CListViewCapture(CDeskContext& context, HWND listView, bool displayCaptured = false);
    bool Ready() const override { return m_status >= 0 && m_listView.Window(); }
    int Run(CRecordSink& sink) override;

private:
    CDeskContext& m_context;
    CDeskListView m_listView;
    CDeskViewObjects m_objects;
    HRESULT m_status;
    bool m_displayCaptured;
};

// The capture of the desktop through the list view (and the shell view of the
// context's site), for the layout store and layout file writers.
std::unique_ptr<CLayoutCapture> MakeListViewCapture(CDeskContext& context, HWND listView, bool displayCaptured = false);
