#include <gtest/gtest.h>
#include <tuple>
#include "watch/WatchFit.h"
#include "tests/common/FakeCapture.h"
#include "tests/common/FakeDisplay.h"

// A cell inside a work area at the origin; a cell of a line of from, counted from the nearer end, in one of to.
static POINT Cell(long column, long row, SIZE spacing) { return { 21 + column * spacing.cx, 2 + row * spacing.cy }; }
static long Carried(long cell, long from, long to) { return from - 1 - cell < cell ? to - from + cell : cell; }

// An arrangement at 1920 x 1080 (25 x 13 cells of 75 above a 40-pixel taskbar) fitted to 1280 x 1024
// (16 x 13) and to the same monitor at 150 % (16 x 9 cells of 113), there right of a monitor of no snapshot,
// which moves the list view coordinates; only the newest arranged snapshot counts. A new monitor fits nothing.
TEST(WatchFit, StoredArrangementFitsNewSizesAndScales)
{
    CFakeDisplay fake;
    CDisplayConfig display(&fake);
    const auto setup = [&](std::vector<CFakeDisplay::Monitor> monitors, SIZE spacing) {
        fake.monitors = std::move(monitors);
        fake.spacing = spacing;
        display.Capture();
        return CDisplaySetup(display, L"Layout");
    };
    const wchar_t* laptop = L"\\\\?\\DISPLAY#LAP0001#4&2f3e1d&0&UID265988";
    const SIZE at100 = { 75, 75 }, at150 = { 113, 113 };
    CScratchFolder root;
    const CSnapshotStore store(root.Path());
    const CDisplaySetup old = setup({ { { 0, 0, 1920, 1080 }, true, false, laptop, 96, { 0, 0, 1920, 1040 } } }, at100);
    const struct { const wchar_t* name; int column, row; } icons[] = {
        { L"a", 0, 0 }, { L"b", 24, 0 }, { L"c", 3, 12 }, { L"d", 13, 5 } };
    CFakeCapture earlier({ MakeIcon(L"a", L"a", 900, 500, 0, 1) }), placed;
    for (const auto& icon : icons) {
        const POINT at = Cell(icon.column, icon.row, at100);
        placed.records.push_back(MakeIcon(icon.name, icon.name, at.x + 10, at.y + 5, 0, icon.column * 100 + icon.row));
    }
    for (CFakeCapture* capture : { &earlier, &placed })
        ASSERT_EQ(store.Write(TestCliFlavor(), old, SnapshotKind::Arranged, *capture), FileSaveResult::Saved);
    ASSERT_EQ(store.Write(TestCliFlavor(), old, SnapshotKind::BeforeRestore, earlier), FileSaveResult::Saved);
    SnapshotEntry newest;
    ASSERT_TRUE(store.Newest(old, SnapshotKind::Arranged, newest));
    const struct { std::vector<CFakeDisplay::Monitor> monitors; SIZE spacing; long columns, rows, left; } cases[] = {
        { { { { 0, 0, 1280, 1024 }, true, false, laptop, 96, { 0, 0, 1280, 984 } } }, at100, 16, 13, 0 },
        { { { { 0, 0, 1920, 1080 }, true, false, laptop, 144, { 0, 0, 1920, 1040 } },
            { { -1920, 0, 0, 1080 }, false, false, L"", 144 } }, at150, 16, 9, 1920 } };
    CFittedArrangement fit;
    for (const auto& to : cases) {
        ASSERT_TRUE(FitForSetup(store, setup(to.monitors, to.spacing), display, fit));
        ASSERT_EQ(std::make_tuple(fit.fromSetup, CompareFileTime(&fit.newest, &newest.time), fit.records.size()),
                  std::make_tuple(old.Text(), 0L, size_t{ 4 }));
        for (size_t i = 0; i < 4; ++i) {
            const POINT at = Cell(Carried(icons[i].column, 25, to.columns), Carried(icons[i].row, 13, to.rows),
                                  to.spacing);
            const IconRecord& got = fit.records[i];
            EXPECT_EQ(std::make_tuple(std::wstring(got.Name.c_str()), got.Monitor, got.XCoord, got.YCoord),
                      std::make_tuple(std::wstring(icons[i].name), 0, at.x + to.left, at.y));
        }
    }
    const CDisplaySetup elsewhere = setup({ { { 0, 0, 1280, 1024 }, true, false, L"\\\\?\\DISPLAY#DEL", 96 } }, at100);
    EXPECT_FALSE(FitForSetup(store, elsewhere, display, fit));
}
