// OstrelWatch.exe against deskhost.exe in a Wine virtual desktop whose
// display mode changes while both run.
#include <windows.h>
#include <shlwapi.h>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>
#include "DeskHostProcess.h"
#include "layout/WatchNames.h"
#include "shellview/FolderView.h"
#include "tests/cli/CliProcess.h"
#include "tests/common/TestSupport.h"
#include "tests/watch/WatchDesktop.h"

namespace {

using Positions = std::map<std::wstring, std::pair<long, long>>;
const wchar_t kBigLayout[] = L"Layout 1920 x 1080 (48)";
const wchar_t kSmallLayout[] = L"Layout 1280 x 1024 (48)";
const wchar_t* const kNames[] = { L"north.txt", L"east.txt", L"south.txt", L"west.txt", L"centre.txt" };
// Places for 1920 x 1080 (four of them off a 1280 x 1024 screen), for
// 1280 x 1024, and a shuffle.
const POINT kBig[] = { { 30, 30 }, { 1500, 200 }, { 1700, 850 }, { 600, 850 }, { 1800, 500 } };
const POINT kSmall[] = { { 1100, 30 }, { 30, 400 }, { 500, 800 }, { 900, 900 }, { 200, 100 } };
const POINT kShuffled[] = { { 400, 400 }, { 500, 400 }, { 600, 400 }, { 700, 400 }, { 800, 400 } };

std::vector<DeskIcon> Icons(const POINT (&places)[5])
{
    std::vector<DeskIcon> icons;
    for (int i = 0; i < 5; ++i)
        icons.push_back({ kNames[i], places[i], false });
    return icons;
}

Positions Expected(const POINT (&places)[5])
{
    Positions positions;
    for (int i = 0; i < 5; ++i)
        positions[kNames[i]] = { places[i].x, places[i].y };
    return positions;
}

bool Within(const Positions& positions, long width, long height)
{
    for (const auto& icon : positions) {
        if (icon.second.first >= width || icon.second.second >= height)
            return false;
    }
    return !positions.empty();
}

// The positions once the host has moved every icon into a screen of that size.
Positions WaitUntilWithin(long width, long height)
{
    Positions positions;
    for (int i = 0; i < 100 && !Within(positions = ViewPositions(), width, height); ++i)
        Sleep(50);
    return positions;
}

void DeleteLayouts()
{
    for (const wchar_t* name : { kBigLayout, kSmallLayout })
        SHDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Quenlo\\Tovak\\") + name).c_str());
}

// A user's drag of one icon, through the view.
void DragIcon(const wchar_t* name, POINT to)
{
    CDesktopViewPair pair;
    std::vector<CDesktopItem> items;
    ASSERT_TRUE(pair.Open() && ReadDesktopItems(pair, false, items, nullptr));
    for (const CDesktopItem& item : items) {
        PCUITEMID_CHILD child = item.child.Get();
        if (wcsstr(item.parsingName, name)) {
            ASSERT_EQ(PositionItems(pair.View(), 1, &child, &to), S_OK);
        }
    }
}

TEST(WatchEndToEnd, RestoresAfterDisplayChangesAndShellRestarts)
{
    if (!InVirtualDesktop()) {
        ASSERT_EQ(RunInVirtualDesktop(L"--gtest_filter=WatchEndToEnd.*", 110000), 0);
        return;
    }
    CoInitialize(nullptr);
    DeleteLayouts();
    {
        CShellWindowsForwarding forwarding;
        ASSERT_TRUE(forwarding.Installed());
        CDeskHostProcess host;
        ASSERT_EQ(host.Launch(Icons(kSmall)), S_OK);
        ASSERT_TRUE(RunCliProcess({ L"save", L"/n", kSmallLayout, L"/y" }).finished);
        host.Quit();
        ASSERT_EQ(host.Launch(Icons(kBig)), S_OK);
        ASSERT_NE(RunCliProcess({ L"save", L"/y" }).out.find(kBigLayout), std::wstring::npos);

        const CWatchLogFile log;
        log.Clear();
        CWatchProcess watcher;
        ASSERT_TRUE(watcher.Start());
        ASSERT_TRUE(log.WaitFor(std::wstring(L"Watching; on screen: ") + kBigLayout, 0, 10000)) << Narrow(log.Since(0));
        size_t mark = 0;
        auto restored = [&](const wchar_t* layout) {
            return log.WaitFor(std::wstring(L"Restored ") + layout, mark, 20000) &&
                   log.WaitFor(L"Every icon stayed in place", mark, 10000);
        };

        // The smaller screen: the host shoves icons into view some hundreds
        // of milliseconds later, then the watcher puts back the smaller
        // screen's layout, and once more the larger one's.
        mark = log.Mark();
        ASSERT_TRUE(SetDisplayMode(1280, 1024));
        const Positions shoved = WaitUntilWithin(1280, 1024);
        EXPECT_NE(shoved, Expected(kBig));
        EXPECT_NE(shoved, Expected(kSmall));
        ASSERT_TRUE(restored(kSmallLayout)) << Narrow(log.Since(mark));
        EXPECT_EQ(ViewPositions(), Expected(kSmall));
        mark = log.Mark();
        ASSERT_TRUE(SetDisplayMode(1920, 1080));
        ASSERT_TRUE(restored(kBigLayout)) << Narrow(log.Since(mark));
        EXPECT_EQ(ViewPositions(), Expected(kBig));

        // A switch undone within 1 s moves nothing, not even the icon that
        // the user moved since the layout was saved.
        DragIcon(L"north.txt", POINT{ 1000, 600 });
        const Positions arranged = ViewPositions();
        mark = log.Mark();
        const ULONGLONG start = GetTickCount64();
        ASSERT_TRUE(SetDisplayMode(1280, 1024) && SetDisplayMode(1920, 1080));
        EXPECT_LT(GetTickCount64() - start, 1000u);
        ASSERT_TRUE(log.WaitFor(L"every icon in place: nothing moved", mark, 20000)) << Narrow(log.Since(mark));
        EXPECT_EQ(ViewPositions(), arranged);

        // The shell starts again with its icons elsewhere: restored.
        host.Quit();
        mark = log.Mark();
        ASSERT_EQ(host.Launch(Icons(kShuffled)), S_OK);
        ASSERT_TRUE(restored(kBigLayout)) << Narrow(log.Since(mark));
        EXPECT_EQ(ViewPositions(), Expected(kBig));

        // A size with no layout: the host's shove stays as it is.
        mark = log.Mark();
        ASSERT_TRUE(SetDisplayMode(1024, 768));
        const Positions unsaved = WaitUntilWithin(1024, 768);
        ASSERT_TRUE(log.WaitFor(L"No layout stored for Layout 1024 x 768 (48): nothing moved", mark, 20000))
            << Narrow(log.Since(mark));
        EXPECT_EQ(ViewPositions(), unsaved);

        EXPECT_TRUE(watcher.Exit());
        host.Quit();
    }
    DeleteLayouts();
    CoUninitialize();
}

} // namespace
