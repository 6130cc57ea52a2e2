#include "tests/engine/EngineFixture.h"
#include <commctrl.h>
#include "cli/access/CliContext.h"
#include "cli/access/CliRestore.h"

namespace {

// View indices, ascending, of the items that no record claims: the walk and
// the scan as the command-line restore runs them. False when the view cannot
// count its items.
bool ScanUnmatchedItems(const CDesktopViewPair& pair, const CIconRecordArray& records, std::vector<int>& unmatched)
{
    unmatched.clear();
    std::vector<CDesktopItem> items;
    if (!ReadDesktopItems(pair, false, items, nullptr))
        return false;
    for (int at : FindUnmatchedItems(items, records))
        unmatched.push_back(items[static_cast<size_t>(at)].index);
    return true;
}

class ShellViewAccessTest : public CEngineTest
{
protected:
    ShellViewAccessTest() { cli.display.SetIconSize(0); }
};

TEST_F(ShellViewAccessTest, OpensThePairThroughTheShellWindows)
{
    Start({ { L"a.txt", { 100, 100 } } });
    CDesktopViewPair pair;
    ASSERT_TRUE(pair.Open());
    EXPECT_NE(nullptr, pair.View());
    EXPECT_NE(nullptr, pair.Folder());
    EXPECT_EQ(L"", err);

    ProbeIconSize(cli.display, pair.View());
    EXPECT_EQ(48, cli.display.IconSize());
    host.SetIconSize(32);
    ProbeIconSize(cli.display, nullptr);
    EXPECT_EQ(32, cli.display.IconSize()) << "opens a view for the probe alone";
    host.Faults().noIconSize = true;
    host.SetIconSize(16);
    ProbeIconSize(cli.display, pair.View());
    EXPECT_EQ(32, cli.display.IconSize()) << "a failed probe keeps the size";
    pair.Release();

    // No desktop registered: the call succeeds without a dispatch object.
    host.Faults().noDesktopWindow = true;
    CComRef<IFolderView2> view;
    EXPECT_TRUE(FAILED(OpenDesktopViewInterface(IID_IFolderView2, view.PutVoid())));
    EXPECT_FALSE(view);
    EXPECT_FALSE(OpenDesktopViewPair(cli, pair));
    EXPECT_EQ(L"Could not get IShellFolder or IFolderView2.\n", err);
    EXPECT_EQ(L"", out);

    host.Faults().noDesktopWindow = false;
    host.Faults().noShellView = true;
    EXPECT_TRUE(FAILED(OpenDesktopViewInterface(IID_IFolderView2, view.PutVoid())));
}

// An item that vanished after the count was read (Item or GetDisplayNameOf
// fails) is left out; its names are never used.
TEST_F(ShellViewAccessTest, EnumerationSkipsItemsThatCannotBeRead)
{
    Start({ { L"a.txt", { 100, 100 } }, { L"b.doc", { 200, 150 } }, { L"c.txt", { 300, 100 } } });
    CDesktopViewPair pair;
    ASSERT_TRUE(pair.Open());
    int count = 0;
    ASSERT_TRUE(SUCCEEDED(DesktopItemCount(pair, count)));
    ASSERT_EQ(3, count);

    CDesktopItem item;
    ASSERT_TRUE(ReadDesktopItem(pair, 1, true, item));
    EXPECT_STREQ(L"b.doc", item.name);
    EXPECT_EQ(PathOf(L"b.doc"), item.parsingName);
    EXPECT_EQ(POINT({ 200, 150 }), item.position);

    host.Faults().failItemAt = 0;
    host.Faults().failDisplayNameAt = 2;
    EXPECT_FALSE(ReadDesktopItem(pair, 0, true, item));
    EXPECT_FALSE(ReadDesktopItem(pair, 2, false, item));

    CIconRecordArray records;
    std::vector<int> unmatched;
    ASSERT_TRUE(ScanUnmatchedItems(pair, records, unmatched));
    EXPECT_EQ(std::vector<int>({ 1 }), unmatched) << "unreadable items are never listed";

    host.Faults().noItemCount = true;
    EXPECT_FALSE(ScanUnmatchedItems(pair, records, unmatched));
    EXPECT_TRUE(unmatched.empty());
}

// The ID lists come from the view's enumerator in chunks of 256: every item,
// once, in view order (a selected item too), across the chunk boundary.
TEST_F(ShellViewAccessTest, WalkReadsEveryItemOnceInViewOrder)
{
    std::vector<DeskIcon> icons;
    for (int i = 0; i < 300; ++i)
        icons.push_back({ L"walk " + std::to_wstring(i) + L".txt", { 21 + 75 * (i / 14), 2 + 75 * (i % 14) } });
    Start(icons, [] { DeskHostOptions o; o.width = 3000; o.height = 1100; return o; }());
    ListView_SetItemState(host.ListView(), 150, LVIS_SELECTED, LVIS_SELECTED);
    CDesktopViewPair pair;
    ASSERT_TRUE(pair.Open());
    std::vector<CDesktopItem> items;
    int count = 0;
    ASSERT_TRUE(ReadDesktopItems(pair, true, items, &count));
    EXPECT_EQ(300, count);
    ASSERT_EQ(300u, items.size());
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(i, items[static_cast<size_t>(i)].index);
        EXPECT_EQ(host.Label(i), items[static_cast<size_t>(i)].name);
        EXPECT_EQ(host.Position(i), items[static_cast<size_t>(i)].position);
    }
}

// An item is claimed by the first unclaimed record with its exact display
// name and parsing name.
TEST_F(ShellViewAccessTest, UnmatchedItemScanComparesNameAndPathExactly)
{
    Start({ { L"a.txt", { 100, 100 } }, { L"b.doc", { 200, 100 } }, { L"c.txt", { 300, 100 } },
            { L"d.txt", { 400, 100 } } });
    CDesktopViewPair pair;
    ASSERT_TRUE(pair.Open());

    CIconRecordArray records;
    records.push_back(MakeRecord(L"a.txt", PathOf(L"a.txt"), 0, 0));
    records.push_back(MakeRecord(L"a.txt", PathOf(L"a.txt"), 0, 0)); // nothing left to claim
    records.push_back(MakeRecord(L"B.DOC", PathOf(L"b.doc"), 0, 0));
    records.push_back(MakeRecord(L"c.txt", PathOf(L"C.TXT"), 0, 0));
    records.push_back(MakeRecord(L"d.txt", L"d.txt", 0, 0));
    std::vector<int> unmatched;
    ASSERT_TRUE(ScanUnmatchedItems(pair, records, unmatched));
    EXPECT_EQ(std::vector<int>({ 1, 2, 3 }), unmatched);

    SIZE spacing = {};
    ASSERT_TRUE(ReadCellSpacing(pair.View(), spacing));
    EXPECT_EQ(75, spacing.cx);
    EXPECT_EQ(75, spacing.cy);
}

} // namespace
