// OstrelWatch.exe against deskhost.exe in a Wine virtual desktop whose
// display mode changes while both run.
#include <windows.h>
#include <gtest/gtest.h>
#include "shellview/FolderView.h"
#include "tests/cli/CliProcess.h"
#include "tests/common/TestSupport.h"
#include "tests/watch/WatchDesktop.h"

namespace {

// Places for 1920 x 1080 (three of them off a 1280 x 1024 screen), for
// 1280 x 1024, and a shuffle.
std::vector<DeskIcon> Icons(std::vector<POINT> places)
{
    const wchar_t* const names[] = { L"north.txt", L"east.txt", L"south.txt", L"west.txt", L"centre.txt" };
    std::vector<DeskIcon> icons;
    for (size_t i = 0; i < places.size(); ++i)
        icons.push_back({ names[i], places[i], false });
    return icons;
}
const std::vector<DeskIcon> kBig = Icons({ { 30, 30 }, { 1500, 200 }, { 1700, 850 }, { 600, 850 }, { 1800, 500 } });
const std::vector<DeskIcon> kSmall = Icons({ { 1100, 30 }, { 30, 400 }, { 500, 800 }, { 900, 900 }, { 200, 100 } });
const std::vector<DeskIcon> kShuffled = Icons({ { 400, 400 }, { 500, 400 }, { 600, 400 }, { 700, 400 }, { 800, 400 } });

// The positions once the host has moved every icon onto a screen of that size.
Positions WaitUntilOn(long width, long height)
{
    Positions positions;
    for (int i = 0; i < 100; ++i, Sleep(50)) {
        positions = ViewPositions();
        bool on = !positions.empty();
        for (const auto& icon : positions)
            on = on && icon.second.first < width && icon.second.second < height;
        if (on)
            break;
    }
    return positions;
}

// A user's drag of the first icon, through the view.
void DragFirstIcon(POINT to)
{
    CDesktopViewPair pair;
    std::vector<CDesktopItem> items;
    ASSERT_TRUE(pair.Open() && ReadDesktopItems(pair, false, items, nullptr) && !items.empty());
    PCUITEMID_CHILD child = items[0].child.Get();
    ASSERT_EQ(PositionItems(pair.View(), 1, &child, &to), S_OK);
}

TEST(WatchEndToEnd, RestoresAfterDisplayChangesAndShellRestarts)
{
    if (!InVirtualDesktop()) {
        ASSERT_EQ(RunInVirtualDesktop(L"--gtest_filter=WatchEndToEnd.*", 110000), 0);
        return;
    }
    CoInitialize(nullptr);
    {
        CShellWindowsForwarding forwarding;
        CDeskHostProcess host;
        ASSERT_TRUE(forwarding.Installed() && LaunchWithLayouts(host, kSmall, kBig));
        ClearWatchLog();
        CWatchProcess watcher;
        ASSERT_TRUE(watcher.Start());
        ASSERT_TRUE(WaitForWatchLog(std::wstring(L"Watching; on screen: ") + kBigLayout, 0, 10000));
        size_t mark = 0;
        auto restored = [&](const wchar_t* layout) {
            return WaitForWatchLog(std::wstring(L"Restored ") + layout, mark, 20000) &&
                   WaitForWatchLog(L"Every icon stayed in place", mark, 10000);
        };

        // The smaller screen: the host shoves icons into view some hundreds
        // of milliseconds later, then the watcher puts the smaller screen's
        // layout back; and the larger one's after the switch back.
        mark = WatchLogMark();
        ASSERT_TRUE(SetDisplayMode(1280, 1024));
        const Positions shoved = WaitUntilOn(1280, 1024);
        EXPECT_TRUE(shoved != PositionsOf(kBig) && shoved != PositionsOf(kSmall));
        ASSERT_TRUE(restored(kSmallLayout)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kSmall));
        mark = WatchLogMark();
        ASSERT_TRUE(SetDisplayMode(1920, 1080));
        ASSERT_TRUE(restored(kBigLayout)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kBig));

        // A switch undone within 1 s moves nothing, not even an icon that
        // the user moved after the save.
        DragFirstIcon(POINT{ 1000, 600 });
        const Positions arranged = ViewPositions();
        mark = WatchLogMark();
        const ULONGLONG start = GetTickCount64();
        ASSERT_TRUE(SetDisplayMode(1280, 1024) && SetDisplayMode(1920, 1080));
        EXPECT_LT(GetTickCount64() - start, 1000u);
        ASSERT_TRUE(WaitForWatchLog(L"every icon in place: nothing moved", mark, 20000)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), arranged);

        // The shell starts again with its icons elsewhere: restored.
        host.Quit();
        mark = WatchLogMark();
        ASSERT_EQ(host.Launch(kShuffled), S_OK);
        ASSERT_TRUE(restored(kBigLayout)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kBig));

        // A size with no layout: the host's shove stays.
        mark = WatchLogMark();
        ASSERT_TRUE(SetDisplayMode(1024, 768));
        const Positions unsaved = WaitUntilOn(1024, 768);
        ASSERT_TRUE(WaitForWatchLog(L"No layout stored for Layout 1024 x 768 (48): nothing moved", mark, 20000));
        EXPECT_EQ(ViewPositions(), unsaved);
        EXPECT_TRUE(watcher.Exit());
    }
    DeleteLayouts();
    CoUninitialize();
}

} // namespace
