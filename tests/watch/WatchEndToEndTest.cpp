// OstrelWatch.exe against deskhost.exe in a Wine virtual desktop whose
// display mode changes while both run.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
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

// Moves the first desktop item through the view, as the shell does when it
// moves an icon; with input, a mouse move comes with it through SendInput
// (which Wine's GetLastInputInfo registers), as with a user's drag.
void MoveFirstIcon(POINT to, bool input)
{
    if (input) {
        INPUT move = {};
        move.type = INPUT_MOUSE;
        move.mi.dx = 1;
        move.mi.dwFlags = MOUSEEVENTF_MOVE;
        ASSERT_EQ(SendInput(1, &move, sizeof(move)), 1u);
    }
    CDesktopViewPair pair;
    std::vector<CDesktopItem> items;
    ASSERT_TRUE(pair.Open() && ReadDesktopItems(pair, false, items, nullptr) && !items.empty());
    PCUITEMID_CHILD first = items[0].child.Get();
    ASSERT_EQ(PositionItems(pair.View(), 1, &first, &to), S_OK);
}

class CAutoSnapshotOff
{
public:
    CAutoSnapshotOff()
    {
        const DWORD off = 0;
        RegSetKeyValueW(HKEY_CURRENT_USER, kStoreKey, kAutoSnapshotValue, REG_DWORD, &off, sizeof(off));
    }
    ~CAutoSnapshotOff() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kStoreKey, kAutoSnapshotValue); }

private:
    static constexpr wchar_t kStoreKey[] = L"Software\\Quenlo\\Tovak";
};

// Where the fit to a setup never seen puts icons that all find their cells
// free: the cell under each icon (cells from the work area's corner at 21, 2
// in the icon spacing, wholly inside), counted from the nearer edge of the
// old work area, at that cell of the new one.
Positions FittedPlaces(const std::vector<DeskIcon>& icons, const RECT& from, const RECT& to)
{
    int cx = 0, cy = 0;
    SystemParametersInfoW(SPI_ICONHORIZONTALSPACING, 0, &cx, 0);
    SystemParametersInfoW(SPI_ICONVERTICALSPACING, 0, &cy, 0);
    auto cells = [](long low, long high, long first, long size) { return (high - size + 1 - (low + first) + size - 1) / size; };
    auto carry = [&](long at, long low, long high, long toLow, long toHigh, long first, long size) {
        const long count = cells(low, high, first, size);
        const long cell = std::clamp((at - low - first - size / 2 + size - 1) / size, 0L, count - 1);
        const long fromFar = count - 1 - cell;
        const long kept = fromFar < cell ? cells(toLow, toHigh, first, size) - 1 - fromFar : cell;
        return toLow + first + kept * size;
    };
    Positions places;
    for (const DeskIcon& icon : icons)
        places[icon.name] = { carry(icon.pos.x, from.left, from.right, to.left, to.right, 21, cx),
                              carry(icon.pos.y, from.top, from.bottom, to.top, to.bottom, 2, cy) };
    return places;
}

RECT WorkArea()
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromPoint(POINT{}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

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
        ASSERT_EQ(RunInVirtualDesktop(L"--gtest_filter=WatchEndToEnd.Restores*", 110000), 0);
        return;
    }
    CoInitialize(nullptr);
    {
        CShellWindowsForwarding forwarding;
        CDeskHostProcess host;
        ASSERT_TRUE(forwarding.Installed() && LaunchWithLayouts(host, kSmall, kBig));
        // The layouts saved by hand alone, as before the snapshots came.
        const CAutoSnapshotOff off;
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
        // layout back; an icon that the user drags right after stays where
        // the user put it. Then the larger one's after the switch back.
        ASSERT_TRUE(switchTo(1280, 1024));
        const Positions shoved = WaitUntilOn(1280, 1024);
        EXPECT_TRUE(shoved != PositionsOf(kBig) && shoved != PositionsOf(kSmall));
        ASSERT_TRUE(WaitForWatchLog(std::wstring(L"Restored ") + kSmallLayout, mark, 20000)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kSmall));
        Sleep(700);
        MoveFirstIcon({ 700, 600 }, true);
        const Positions dragged = ViewPositions();
        ASSERT_TRUE(WaitForWatchLog(L"left the user's moves alone", mark, 10000)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), dragged);
        ASSERT_TRUE(switchTo(1920, 1080));
        ASSERT_TRUE(restored(kBigLayout)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kBig));

        // A switch undone within 1 s moves nothing, not even an icon that
        // the user moved after the save.
        MoveFirstIcon({ 1000, 600 }, false);
        const Positions arranged = ViewPositions();
        const ULONGLONG start = GetTickCount64();
        ASSERT_TRUE(switchTo(1280, 1024) && SetDisplayMode(1920, 1080));
        EXPECT_LT(GetTickCount64() - start, 1000u);
        ASSERT_TRUE(WaitForWatchLog(L"every icon in place: nothing moved", mark, 20000)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), arranged);

        // The shell starts again with its icons elsewhere: restored. The
        // shell moves an icon again, with no input of the user: restored
        // once more, and that second restore keeps nothing for undo.
        host.Quit();
        mark = WatchLogMark();
        ASSERT_EQ(host.Launch(kShuffled), S_OK);
        ASSERT_TRUE(WaitForWatchLog(std::wstring(L"Restored ") + kBigLayout, mark, 20000)) << Narrow(WatchLogSince(mark));
        Sleep(700);
        MoveFirstIcon({ 1000, 600 }, false);
        auto restoredAgain = [&] {
            const std::wstring log = WatchLogSince(mark);
            const size_t again = log.find(L"restoring once more");
            return again != std::wstring::npos && log.find(std::wstring(L"Restored ") + kBigLayout, again) != std::wstring::npos;
        };
        for (int i = 0; i < 200 && !restoredAgain(); ++i)
            Sleep(50);
        ASSERT_TRUE(restoredAgain()) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kBig));

        // "Undo Last Restore" puts back what the first restore of the change
        // replaced; a second one returns to the restored layout; with no
        // undo layout for the configuration on screen nothing moves.
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

        // The desktop stops answering: a restore is given up after 10 s,
        // and "Exit" ends the watcher at once while its next restore waits.
        ASSERT_TRUE(host.SetViewAnswering(false));
        const HWND window = FindWindowW(kWatchWindowClass, nullptr);
        ASSERT_TRUE(PostMessageW(window, WM_COMMAND, IDM_RESTORE_NOW, 0));
        ASSERT_TRUE(WaitForWatchLog(L"The desktop did not answer within 10 s", mark, 20000)) << Narrow(WatchLogSince(mark));
        mark = WatchLogMark();
        ASSERT_TRUE(PostMessageW(window, WM_COMMAND, IDM_RESTORE_NOW, 0));
        ASSERT_TRUE(WaitForWatchLog(L"Restore Now", mark, 5000));
        Sleep(500);
        ASSERT_TRUE(PostMessageW(window, WM_COMMAND, IDM_EXIT, 0));
        EXPECT_EQ(WaitForSingleObject(watcher.Process(), 2000), WAIT_OBJECT_0);
        host.SetViewAnswering(true);
    }
    DeleteLayouts();
    CoUninitialize();
}

TEST(WatchEndToEnd, KeepsTheArrangementAndPutsBackTheNewest)
{
    if (!InVirtualDesktop()) {
        ASSERT_EQ(RunInVirtualDesktop(L"--gtest_filter=WatchEndToEnd.Keeps*", 150000), 0);
        return;
    }
    CoInitialize(nullptr);
    {
        CShellWindowsForwarding forwarding;
        CDeskHostProcess host;
        ASSERT_TRUE(forwarding.Installed() && LaunchWithLayouts(host, kSmall, kBig));
        CWatchProcess watcher;
        ASSERT_TRUE(watcher.Start(L"/look 1"));
        const HWND window = FindWindowW(kWatchWindowClass, nullptr);
        size_t mark = 0;
        auto kept = [&] { return WaitForWatchLog(L"Kept the arrangement", mark, 10000); };
        auto switchAndBack = [&](const std::wstring& restored) {
            mark = WatchLogMark();
            if (!SetDisplayMode(1280, 1024) || !WaitForWatchLog(std::wstring(L"Restored ") + kSmallLayout, mark, 20000))
                return false;
            mark = WatchLogMark();
            return SetDisplayMode(1920, 1080) && WaitForWatchLog(L"Restored " + restored, mark, 20000) &&
                   WaitForWatchLog(L"Every icon stayed in place", mark, 10000);
        };

        // What the desktop showed at the start is kept; the user then
        // arranges the icons, never saving: two looks later a snapshot, and
        // after a trip to another size the user's places come back.
        ASSERT_TRUE(kept()) << Narrow(WatchLogSince(0));
        mark = WatchLogMark();
        ASSERT_TRUE(MoveDesktopIcons(kShuffled));
        ASSERT_TRUE(kept()) << Narrow(WatchLogSince(mark));
        ASSERT_TRUE(switchAndBack(L"the arrangement of ")) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(kShuffled));

        // A layout saved by hand after the snapshot wins (30 s after the
        // restore no look has kept anything since).
        const std::vector<DeskIcon> saved = Icons({ { 30, 30 }, { 130, 30 }, { 230, 30 }, { 330, 30 }, { 430, 30 } });
        ASSERT_TRUE(MoveDesktopIcons(saved));
        ASSERT_NE(RunCliProcess({ L"save", L"/y" }).out.find(kBigLayout), std::wstring::npos);
        ASSERT_TRUE(switchAndBack(kBigLayout)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(saved));

        // "Earlier Arrangements" as the menu shows them: two kept before
        // each restore, then the user's; picking it restores it, and undo
        // returns to the saved layout.
        ASSERT_TRUE(PostMessageW(window, WM_APP + 1, 0, MAKELPARAM(WM_CONTEXTMENU, 0)));
        HWND menu = nullptr;
        for (int i = 0; i < 100 && !(menu = FindWindowW(L"#32768", nullptr)); ++i)
            Sleep(50);
        ASSERT_TRUE(menu);
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        for (int i = 0; i < 100 && IsWindowVisible(menu); ++i)
            Sleep(50);
        mark = WatchLogMark();
        ASSERT_TRUE(PostMessageW(window, WM_COMMAND, IDM_EARLIER_FIRST + 2, 0));
        ASSERT_TRUE(WaitForWatchLog(L"Earlier arrangement: Today ", mark, 10000) &&
                    WaitForWatchLog(L"Restored the arrangement of ", mark, 20000))
            << Narrow(WatchLogSince(mark));
        EXPECT_NE(WatchLogSince(mark).find(L", arranged"), std::wstring::npos);
        EXPECT_EQ(ViewPositions(), PositionsOf(kShuffled));
        mark = WatchLogMark();
        ASSERT_TRUE(PostMessageW(window, WM_COMMAND, IDM_UNDO, 0));
        ASSERT_TRUE(WaitForWatchLog(L"Undid the last restore of", mark, 20000)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), PositionsOf(saved));

        // A size never seen: the newest arrangement, fitted; undo returns to
        // what the host made of the icons.
        const RECT big = WorkArea();
        mark = WatchLogMark();
        ASSERT_TRUE(SetDisplayMode(1024, 768));
        const Positions shoved = WaitUntilOn(1024, 768);
        ASSERT_TRUE(WaitForWatchLog(std::wstring(L"Fitted the arrangement of ") + kBigLayout, mark, 20000) &&
                    WaitForWatchLog(L"Every icon stayed in place", mark, 10000))
            << Narrow(WatchLogSince(mark));
        const Positions fitted = FittedPlaces(kShuffled, big, WorkArea());
        std::set<std::pair<long, long>> cells;
        for (const auto& icon : fitted)
            EXPECT_TRUE(cells.insert(icon.second).second && icon.second.first < 1024 && icon.second.second < 768);
        EXPECT_EQ(ViewPositions(), fitted);
        mark = WatchLogMark();
        ASSERT_TRUE(PostMessageW(window, WM_COMMAND, IDM_UNDO, 0));
        ASSERT_TRUE(WaitForWatchLog(L"Undid the last restore of", mark, 20000)) << Narrow(WatchLogSince(mark));
        EXPECT_EQ(ViewPositions(), shoved);
        EXPECT_TRUE(watcher.Exit());
    }
    DeleteLayouts();
    CoUninitialize();
}

} // namespace
