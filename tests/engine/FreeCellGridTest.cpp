#include <gtest/gtest.h>
#include <vector>
#include "engine/FreeCellGrid.h"
#include "tests/engine/EngineFixture.h"

namespace {

TEST(FreeCellGrid, CellsRunDownEachColumnInsideTheWorkArea)
{
    CFreeCellGrid grid;
    // Columns while x < 350 - 10, rows while y < 330 - 100.
    grid.Build({ 100, 100 }, { 0, 0, 350, 330 });
    const std::vector<POINT> cells = grid.Cells();
    ASSERT_EQ(12u, cells.size());
    EXPECT_EQ(POINT({ 21, 2 }), cells[0]);
    EXPECT_EQ(POINT({ 21, 102 }), cells[1]);
    EXPECT_EQ(POINT({ 21, 202 }), cells[2]);
    EXPECT_EQ(POINT({ 121, 2 }), cells[3]);
    EXPECT_EQ(POINT({ 321, 202 }), cells[11]);

    grid.Build({ 100, 100 }, { 0, 0, 331, 302 });
    EXPECT_EQ(3u * 2u, grid.Remaining()) << "x = 321 and y = 202 are outside";
}

// A cell is under a rectangle when its centre is, left and top edges inside,
// right and bottom edges outside; one rectangle removes one cell.
TEST(FreeCellGrid, RemovalTakesTheFirstCellWhoseCentreIsInside)
{
    CFreeCellGrid grid;
    grid.Build({ 100, 100 }, { 0, 0, 350, 330 });
    // Centre of (121, 102) is (171, 152).
    EXPECT_FALSE(grid.RemoveUnder(100, 100, 171, 300)) << "right edge outside";
    EXPECT_FALSE(grid.RemoveUnder(172, 100, 271, 300)) << "between the centres";
    EXPECT_TRUE(grid.RemoveUnder(171, 152, 172, 153));
    EXPECT_FALSE(grid.RemoveUnder(171, 152, 172, 153)) << "already taken";

    // A wide rectangle takes the cells in list order: column by column.
    EXPECT_TRUE(grid.RemoveUnder(0, 0, 400, 400));
    EXPECT_TRUE(grid.RemoveUnder(0, 0, 400, 400));
    const std::vector<POINT> cells = grid.Cells();
    EXPECT_EQ(POINT({ 21, 202 }), cells[0]);

    POINT cell;
    EXPECT_TRUE(grid.TakeFirst(cell));
    EXPECT_EQ(POINT({ 21, 202 }), cell);
    EXPECT_TRUE(grid.TakeFirst(cell));
    EXPECT_EQ(POINT({ 121, 2 }), cell) << "skips (121, 102), taken before";
    EXPECT_EQ(7u, grid.Remaining());

    // Far-away and huge coordinates are harmless.
    EXPECT_FALSE(grid.RemoveUnder(-5000000000LL, -5000000000LL, -4000000000LL, -4000000000LL));
    EXPECT_TRUE(grid.RemoveUnder(-5000000000LL, -5000000000LL, 5000000000LL, 5000000000LL));
}

TEST(FreeCellGrid, SpacingWithoutWidthOrHeightGivesNoCells)
{
    CFreeCellGrid grid;
    grid.Build({ 0, 75 }, { 0, 0, 1920, 1040 });
    EXPECT_TRUE(grid.Empty());
    grid.Build({ 75, 0 }, { 0, 0, 1920, 1040 });
    EXPECT_TRUE(grid.Empty());
    grid.Build({ -75, 75 }, { 0, 0, 1920, 1040 });
    EXPECT_TRUE(grid.Empty());
    POINT cell;
    EXPECT_FALSE(grid.TakeFirst(cell));
    grid.Build({ 75, 75 }, { 0, 0, 20, 1040 });
    EXPECT_TRUE(grid.Empty()) << "work area narrower than the first column";
}

// With a monitor to the left of the primary, list view coordinates start at
// that monitor: the grid still lies on the primary monitor's work area.
TEST(FreeCellGrid, CellsLieOnThePrimaryWorkAreaInListViewCoordinates)
{
    CFakeDisplay display;
    display.monitors = { { { -1280, 0, 0, 1024 }, false }, { { 0, 0, 1920, 1080 }, true } };
    display.workArea = { 0, 0, 1920, 1040 };
    CDisplayConfig config(&display);
    config.Capture();
    const RECT primary = config.Monitors()[1].offset;
    ASSERT_EQ(1280, primary.left);

    CFreeCellGrid grid;
    grid.Build({ 75, 75 }, config.WorkArea());
    const std::vector<POINT> cells = grid.Cells();
    ASSERT_FALSE(cells.empty());
    EXPECT_EQ(POINT({ 1280 + 21, 2 }), cells.front());
    for (POINT cell : cells)
        ASSERT_TRUE(PtInRect(&primary, cell)) << cell;
}

} // namespace
