// The fit of an arrangement to a setup never seen, on plain data.
#include <gtest/gtest.h>
#include <set>
#include <tuple>
#include "engine/ArrangementFit.h"
#include "tests/engine/EngineFixture.h"

namespace {

// Cells lie at work area left + 21 + column * cx, top + 2 + row * cy.
POINT Cell(long column, long row, SIZE spacing) { return { 21 + column * spacing.cx, 2 + row * spacing.cy }; }

IconRecord Icon(const wchar_t* name, int monitor, POINT at)
{
    IconRecord record = MakeRecord(name, std::wstring(L"C:\\Users\\ann\\Desktop\\") + name, at.x, at.y);
    record.Monitor = monitor;
    return record;
}

FitMonitor Monitor(const wchar_t* identity, RECT rect, LONG taskbar, SIZE spacing)
{
    return { identity, rect, { rect.left, rect.top, rect.right, rect.bottom - taskbar }, spacing };
}

// Where the fit put an icon: monitor, position, and which snapshot placed it.
using Place = std::tuple<int, LONG, LONG, size_t>;
Place On(int monitor, POINT at, size_t snapshot = 0) { return { monitor, at.x, at.y, snapshot }; }

Place Placed(const ArrangementFit& fit, const wchar_t* name)
{
    for (const FittedIcon& icon : fit.icons) {
        if (wcscmp(icon.record.Name.c_str(), name) == 0)
            return { icon.record.Monitor, icon.record.XCoord, icon.record.YCoord, icon.snapshot };
    }
    return { -2, 0, 0, 0 };
}

// No two icons on one cell, every cell wholly inside its work area.
void ExpectApartAndOnScreen(const ArrangementFit& fit, const std::vector<FitMonitor>& setup)
{
    std::set<Place> taken;
    for (const FittedIcon& icon : fit.icons) {
        const FitMonitor& on = setup.at(icon.record.Monitor);
        const LONG x = on.rect.left + icon.record.XCoord, y = on.rect.top + icon.record.YCoord;
        const RECT cell = { x, y, x + on.spacing.cx, y + on.spacing.cy };
        RECT inside;
        EXPECT_TRUE(IntersectRect(&inside, &cell, &on.workArea) && EqualRect(&inside, &cell)) << icon.record.Name.c_str();
        EXPECT_TRUE(taken.insert(On(icon.record.Monitor, { cell.left, cell.top })).second) << icon.record.Name.c_str();
    }
}

const SIZE kAt100 = { 75, 75 };
const SIZE kAt150 = { 113, 113 };
const RECT kLaptop = { 0, 0, 1920, 1080 };

TEST(ArrangementFit, OneMonitorAtANewScaleOrSize)
{
    // 100 % to 150 %: 25 x 13 cells become 16 x 9. Every icon keeps its
    // column and row counted from the nearer edge: the right column stays
    // right, the bottom row stays at the bottom.
    FitSnapshot before = { L"Laptop", 1, { Monitor(L"\\\\?\\DISPLAY#LAP", kLaptop, 40, kAt100) }, {} };
    before.icons = { Icon(L"a", 0, Cell(0, 0, kAt100)), Icon(L"c", 0, Cell(24, 0, kAt100)),
                     Icon(L"d", 0, Cell(24, 12, kAt100)), Icon(L"e", 0, Cell(3, 5, kAt100)),
                     Icon(L"f", 0, { Cell(5, 8, kAt100).x + 30, Cell(5, 8, kAt100).y + 20 }) };
    std::vector<FitMonitor> setup = { Monitor(L"\\\\?\\DISPLAY#LAP", kLaptop, 40, kAt150) };
    ArrangementFit fit = FitArrangement({ before }, setup);
    ASSERT_EQ(5u, fit.icons.size());
    EXPECT_EQ(On(0, Cell(0, 0, kAt150)), Placed(fit, L"a"));
    EXPECT_EQ(On(0, Cell(15, 0, kAt150)), Placed(fit, L"c"));
    EXPECT_EQ(On(0, Cell(15, 8, kAt150)), Placed(fit, L"d"));
    EXPECT_EQ(On(0, Cell(3, 5, kAt150)), Placed(fit, L"e"));
    EXPECT_EQ(On(0, Cell(5, 4, kAt150)), Placed(fit, L"f")) << "off its cell by less than half: row 8 of 13 is 4 from the bottom";

    // 1920 x 1080 to 1280 x 1024: 25 columns become 16. Column 13 is 11 from
    // the right, so it wants column 4, which p keeps; q takes the free cell
    // one step away nearest its old place, right of the middle.
    before.icons = { Icon(L"p", 0, Cell(4, 0, kAt100)), Icon(L"q", 0, Cell(13, 0, kAt100)) };
    setup = { Monitor(L"\\\\?\\DISPLAY#LAP", { 0, 0, 1280, 1024 }, 40, kAt100) };
    fit = FitArrangement({ before }, setup);
    EXPECT_EQ(On(0, Cell(4, 0, kAt100)), Placed(fit, L"p"));
    EXPECT_EQ(On(0, Cell(5, 0, kAt100)), Placed(fit, L"q"));

    // A full screen into a smaller one: the 208 cells are filled, the rest
    // are left to the restore; nothing overlaps or lies off the work area.
    before.icons.clear();
    for (long column = 0; column < 25; ++column) {
        for (long row = 0; row < 13; ++row)
            before.icons.push_back(Icon(std::to_wstring(column * 100 + row).c_str(), 0, Cell(column, row, kAt100)));
    }
    fit = FitArrangement({ before }, setup);
    EXPECT_EQ(16u * 13u, fit.icons.size());
    EXPECT_EQ(25u * 13u - 16u * 13u, fit.unplaced);
    ExpectApartAndOnScreen(fit, setup);

    // A damaged geometry (2^32 pixels a side, cells of one) holds no cells.
    const RECT huge = { -MAXLONG, -MAXLONG, MAXLONG, MAXLONG };
    fit = FitArrangement({ before }, { { L"\\\\?\\DISPLAY#LAP", huge, huge, { 1, 1 } } });
    EXPECT_TRUE(fit.icons.empty());
    EXPECT_EQ(before.icons.size(), fit.unplaced);
}

TEST(ArrangementFit, EachMonitorFromItsNewestSnapshot)
{
    // At home the laptop alone; later at another desk another laptop with
    // the external monitor. Now the laptop with that external monitor to its
    // right: each monitor takes its own snapshot's cells. e lay on both
    // monitors now on screen and takes the newer place; g lay last on a
    // monitor not on screen, so the older snapshot places it.
    FitSnapshot home = { L"Home", 10, { Monitor(L"LAP", kLaptop, 40, kAt100) }, {} };
    home.icons = { Icon(L"a", 0, Cell(0, 0, kAt100)), Icon(L"b", 0, Cell(24, 0, kAt100)),
                   Icon(L"e", 0, Cell(2, 2, kAt100)), Icon(L"g", 0, Cell(0, 3, kAt100)) };
    FitSnapshot desk = { L"Desk", 20,
                         { Monitor(L"OTHER", { 0, 0, 2560, 1440 }, 40, kAt100), Monitor(L"EXT", { 2560, 0, 4480, 1200 }, 0, kAt100) }, {} };
    desk.icons = { Icon(L"c", 1, Cell(1, 2, kAt100)), Icon(L"E", 1, Cell(5, 5, kAt100)),
                   Icon(L"g", 0, Cell(7, 7, kAt100)), Icon(L"h", 0, Cell(1, 1, kAt100)) };
    const std::vector<FitMonitor> setup = { Monitor(L"LAP", kLaptop, 40, kAt100),
                                            Monitor(L"EXT", { 1920, 0, 3840, 1200 }, 0, kAt100) };
    const ArrangementFit fit = FitArrangement({ desk, home }, setup);
    EXPECT_EQ(5u, fit.icons.size()) << "h's monitor is not on screen";
    EXPECT_EQ(0u, fit.unplaced);
    EXPECT_EQ(On(1, Cell(1, 2, kAt100), 0), Placed(fit, L"c"));
    EXPECT_EQ(On(1, Cell(5, 5, kAt100), 0), Placed(fit, L"E"));
    EXPECT_EQ(On(0, Cell(0, 0, kAt100), 1), Placed(fit, L"a"));
    EXPECT_EQ(On(0, Cell(24, 0, kAt100), 1), Placed(fit, L"b"));
    EXPECT_EQ(On(0, Cell(0, 3, kAt100), 1), Placed(fit, L"g"));
    ExpectApartAndOnScreen(fit, setup);
}

} // namespace
