// OstrelWatch.exe against deskhost.exe in a Wine virtual desktop whose
// display mode changes while both run.
#include <windows.h>
#include <gtest/gtest.h>
#include "shellview/FolderView.h"
#include "tests/cli/CliProcess.h"
#include "tests/common/TestSupport.h"
#include "tests/watch/WatchDesktop.h"
#include "layout/WatchNames.h"
#include "watch/resource.h"

namespace {

// Places for 1920 x 1080 (three of them off a 1280 x 1024 screen), for
// 1280 x 1024, and a shuffle.
std::vector<DeskIcon> Icons(std::vector<POINT> places)
{
    std::vector<DeskIcon> icons;
    for (const wchar_t* name : { L"north.txt", L"east.txt", L"south.txt", L"west.txt", L"centre.txt" })
        icons.push_back({ name, places[icons.size()], false });
    return icons;
}
const std::vector<DeskIcon> kBig = Icons({ { 30, 30 }, { 1500, 200 }, { 1700, 850 }, { 600, 850 }, { 1800, 500 } });
const std::vector<DeskIcon> kSmall = Icons({ { 1100, 30 }, { 30, 400 }, { 500, 800 }, { 900, 900 }, { 200, 100 } });
const std::vector<DeskIcon> kShuffled = Icons({ { 400, 400 }, { 500, 400 }, { 600, 400 }, { 700, 400 }, { 800, 400 } });

// The positions once the host has moved every icon onto a screen of that size.
Positions WaitUntilOn(long width, long height)
{
    for (int i = 0;; ++i, Sleep(50)) {
        const Positions positions = ViewPositions();
        bool on = !positions.empty();
        for (const auto& icon : positions)
            on = on && icon.second.first < width && icon.second.second < height;
        if (on || i == 100)
            return positions;
    }
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
        CWatchProcess watcher;
        ASSERT_TRUE(watcher.Start());
        EXPECT_NE(WatchLogSince(0).find(std::wstring(L"Watching; on screen: ") + kBigLayout), std::wstring::npos);
        size_t mark = 0;
        auto switchTo = [&](int width, int height) { return mark = WatchLogMark(), SetDisplayMode(width, height); };
        auto restored = [&](const wchar_t* layout) {
            return WaitForWatchLog(std::wstring(L"Restored ") + layout, mark, 20000) &&
                   WaitForWatchLog(L"Every icon stayed in place", mark, 10000);
        };

        // The smaller screen: the host shoves icons into view some hundreds
        // of milliseconds later, then the watcher puts the smaller screen's
        // layout back; and the larger one's after the switch back.
        ASSERT_TRUE(switchTo(1280, 1024));
        const Positions shoved = WaitUntilOn(1280, 1024);
        EXPECT_TRUE(shoved != PositionsOf(kBig) && shoved != PositionsOf(kSmall));
        ASSERT_TRUE(restored(kSmallLayout)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kSmall));
        ASSERT_TRUE(switchTo(1920, 1080));
        ASSERT_TRUE(restored(kBigLayout)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kBig));

        // A switch undone within 1 s moves nothing, not even an icon that
        // the user moved after the save.
        CDesktopViewPair pair;
        std::vector<CDesktopItem> items;
        ASSERT_TRUE(pair.Open() && ReadDesktopItems(pair, false, items, nullptr) && !items.empty());
        PCUITEMID_CHILD dragged = items[0].child.Get();
        POINT to = { 1000, 600 };
        ASSERT_EQ(PositionItems(pair.View(), 1, &dragged, &to), S_OK);
        const Positions arranged = ViewPositions();
        const ULONGLONG start = GetTickCount64();
        ASSERT_TRUE(switchTo(1280, 1024) && SetDisplayMode(1920, 1080));
        EXPECT_LT(GetTickCount64() - start, 1000u);
        ASSERT_TRUE(WaitForWatchLog(L"every icon in place: nothing moved", mark, 20000)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), arranged);

        // The shell starts again with its icons elsewhere: restored.
        host.Quit();
        mark = WatchLogMark();
        ASSERT_EQ(host.Launch(kShuffled), S_OK);
        ASSERT_TRUE(restored(kBigLayout)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kBig));

        // "Undo Last Restore" puts back what that restore replaced; a second
        // one returns to the restored layout; with no undo layout for the
        // configuration on screen nothing moves.
        auto undo = [&](const std::wstring& said) {
            mark = WatchLogMark();
            return PostMessageW(FindWindowW(kWatchWindowClass, nullptr), WM_COMMAND, IDM_UNDO, 0) &&
                   WaitForWatchLog(said, mark, 20000);
        };
        const std::wstring undid = std::wstring(L"Undid the last restore of ") + kBigLayout + L": 5 icons moved";
        ASSERT_TRUE(undo(undid)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kShuffled));
        ASSERT_TRUE(undo(undid)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kBig));

        // A size with no layout: the host's shove stays.
        ASSERT_TRUE(switchTo(1024, 768));
        const Positions unsaved = WaitUntilOn(1024, 768);
        ASSERT_TRUE(WaitForWatchLog(L"No layout stored for Layout 1024 x 768 (48): nothing moved", mark, 20000));
        EXPECT_EQ(ViewPositions(), unsaved);
        ASSERT_TRUE(undo(L"Nothing to undo for Layout 1024 x 768 (48): nothing moved"));
        EXPECT_EQ(ViewPositions(), unsaved);
        EXPECT_TRUE(watcher.Exit());
    }
    DeleteLayouts();
    CoUninitialize();
}

} // namespace
