// The fit of the stored arrangements to a setup never seen, from a store on disk.
#include <gtest/gtest.h>
#include "watch/WatchFit.h"
#include "tests/common/FakeCapture.h"
#include "tests/common/FakeDisplay.h"
#include "tests/common/TestSupport.h"

namespace {

const wchar_t kLaptop[] = L"\\\\?\\DISPLAY#LAP0001#4&2f3e1d&0&UID265988#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";
const wchar_t kOther[] = L"\\\\?\\DISPLAY#DEL4321#5&1a2b3c&0&UID4352#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";

// A cell's top-left corner inside a work area at the origin.
POINT Cell(long column, long row, SIZE spacing) { return { 21 + column * spacing.cx, 2 + row * spacing.cy }; }

// A cell in a line of from cells, counted from the nearer end, in a line of to.
long Carried(long cell, long from, long to) { return from - 1 - cell < cell ? to - from + cell : cell; }

struct CScreen
{
    CFakeDisplay fake;
    CDisplayConfig display{ &fake };
    CDisplaySetup setup;

    CScreen(std::vector<CFakeDisplay::Monitor> monitors, SIZE spacing, const wchar_t* name)
    {
        fake.monitors = std::move(monitors);
        fake.spacing = spacing;
        display.Capture();
        setup = CDisplaySetup(display, name);
    }
};

const IconRecord* Named(const CFittedArrangement& fit, const wchar_t* name)
{
    for (const IconRecord& record : fit.records) {
        if (wcscmp(record.Name.c_str(), name) == 0)
            return &record;
    }
    return nullptr;
}

} // namespace

// An arrangement at 1920 x 1080 (25 x 13 cells of 75 above a 40-pixel
// taskbar) fitted to 1280 x 1024 (16 x 13) and to the same monitor at 150 %
// (16 x 9 cells of 113), there beside a monitor of no snapshot, which moves
// its list view coordinates; only the newest arranged snapshot counts. A
// store without the monitor fits nothing.
TEST(WatchFit, StoredArrangementFitsNewSizesAndScales)
{
    const SIZE at100 = { 75, 75 }, at150 = { 113, 113 };
    CScratchFolder root;
    const CSnapshotStore store(root.Path());
    const CScreen old({ { { 0, 0, 1920, 1080 }, true, false, kLaptop, 96, { 0, 0, 1920, 1040 } } }, at100,
                      L"Layout 1920 x 1080 (48)");
    struct Placed { const wchar_t* name; long column, row; };
    const Placed icons[] = { { L"a", 0, 0 }, { L"b", 24, 0 }, { L"c", 3, 12 }, { L"d", 13, 5 } };
    CFakeCapture earlier({ MakeIcon(L"C:\\Desktop\\a.txt", L"a", 900, 500, 0, 1) });
    ASSERT_EQ(store.Write(TestCliFlavor(), old.setup, SnapshotKind::Arranged, earlier), FileSaveResult::Saved);
    CFakeCapture arranged;
    for (const Placed& icon : icons) {
        const POINT at = Cell(icon.column, icon.row, at100);
        arranged.records.push_back(MakeIcon((std::wstring(L"C:\\Desktop\\") + icon.name + L".txt").c_str(), icon.name,
                                            at.x + 10, at.y + 5, 0, static_cast<int>(arranged.records.size() + 1)));
    }
    ASSERT_EQ(store.Write(TestCliFlavor(), old.setup, SnapshotKind::Arranged, arranged), FileSaveResult::Saved);
    CFakeCapture replaced({ MakeIcon(L"C:\\Desktop\\a.txt", L"a", 300, 300, 0, 1) });
    ASSERT_EQ(store.Write(TestCliFlavor(), old.setup, SnapshotKind::BeforeRestore, replaced), FileSaveResult::Saved);

    const CScreen smaller({ { { 0, 0, 1280, 1024 }, true, false, kLaptop, 96, { 0, 0, 1280, 984 } } }, at100,
                          L"Layout 1280 x 1024 (48)");
    const CScreen scaled({ { { 0, 0, 1920, 1080 }, true, false, kLaptop, 144, { 0, 0, 1920, 1040 } },
                           { { -1920, 0, 0, 1080 }, false, false, L"", 144 } },
                         at150, L"Multi-Monitor *[1920 x 1080][1920 x 1080] (48)");
    struct Case { const CScreen* screen; SIZE spacing; long columns, rows, left; };
    for (const Case& to : { Case{ &smaller, at100, 16, 13, 0 }, Case{ &scaled, at150, 16, 9, 1920 } }) {
        CFittedArrangement fit;
        ASSERT_TRUE(FitForSetup(store, to.screen->setup, to.screen->display, fit)) << to.screen->setup.Text().c_str();
        EXPECT_EQ(fit.icons, 4);
        EXPECT_EQ(fit.records.size(), 4u);
        EXPECT_EQ(fit.fromSetup, old.setup.Text());
        SnapshotEntry newest;
        ASSERT_TRUE(store.Newest(old.setup, SnapshotKind::Arranged, newest));
        EXPECT_EQ(CompareFileTime(&fit.newest, &newest.time), 0);
        for (const Placed& icon : icons) {
            const IconRecord* record = Named(fit, icon.name);
            ASSERT_NE(record, nullptr) << icon.name;
            const POINT cell = Cell(Carried(icon.column, 25, to.columns), Carried(icon.row, 13, to.rows), to.spacing);
            EXPECT_EQ(record->Monitor, 0) << icon.name;
            EXPECT_EQ(record->XCoord, cell.x + to.left) << icon.name;
            EXPECT_EQ(record->YCoord, cell.y) << icon.name;
        }
    }

    CScratchFolder elsewhere;
    const CSnapshotStore other(elsewhere.Path());
    const CScreen desk({ { { 0, 0, 1920, 1080 }, true, false, kOther, 96 } }, at100, L"Layout 1920 x 1080 (48)");
    ASSERT_EQ(other.Write(TestCliFlavor(), desk.setup, SnapshotKind::Arranged, arranged), FileSaveResult::Saved);
    CFittedArrangement fit;
    EXPECT_FALSE(FitForSetup(other, smaller.setup, smaller.display, fit));
    EXPECT_TRUE(fit.records.empty());
}
