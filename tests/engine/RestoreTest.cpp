#include "tests/engine/EngineFixture.h"
#include "cli/access/CliContext.h"
#include "shellview/FolderView.h"
#include "cli/access/CliRestore.h"
#include "deskshell/DeskCommands.h"
#include "deskshell/ListViewRestore.h"
#include "engine/RestoreEngine.h"
#include "layout/RegKey.h"

namespace {

const RECT kWorkArea = { 0, 0, 1920, 1040 };

// Both restore engines over the same host desktop.
class RestoreTest : public CEngineTest
{
protected:
    RestoreTest() { context.currentFormat = true; }

    // The shell extension's engine; returns the number of passes.
    int RestoreInShell(const CIconRecordArray& records, bool viewFlags = false, RECT workArea = kWorkArea)
    {
        CDeskViewObjects objects;
        EXPECT_EQ(0, objects.Open(context));
        CDeskListView view(host.ListView());
        CListViewRestoreAccess access(context, view, objects);
        RestoreOutcome outcome;
        EXPECT_TRUE(RunRestore(access, records, workArea, viewFlags, &outcome));
        return outcome.passes;
    }

    // The command-line tool's engine.
    bool RestoreFromView(const CIconRecordArray& records, bool viewFlags = false)
    {
        CDesktopViewPair pair;
        EXPECT_TRUE(pair.Open());
        cli.display.SetSource(&display);
        OnScreenLayoutName(cli.display, cli.flavor, pair.View());
        FolderViewMoves moves;
        if (!RestoreThroughFolderView(pair, records, cli.display, cli.flavor, viewFlags, moves))
            return false;
        ReportRestore(cli, L"Work", moves);
        return true;
    }

    CIconRecordArray Layout(std::initializer_list<std::pair<const wchar_t*, POINT>> icons)
    {
        CIconRecordArray records;
        for (const auto& icon : icons)
            records.push_back(MakeRecord(icon.first, PathOf(icon.first), icon.second.x, icon.second.y));
        return records;
    }

    // Shows file names without their extension, so that two files can share one.
    void HideExtensions()
    {
        CRegKey advanced(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", KEY_ALL_ACCESS);
        advanced.WriteNumber(L"HideFileExt", 1);
    }
};

const std::vector<DeskIcon> kThree = { { L"a.txt", { 300, 300 } }, { L"b.doc", { 400, 300 } },
                                       { L"c.txt", { 500, 300 } } };

TEST_F(RestoreTest, SettledLayoutMovesNothingAndEndsAfterOnePass)
{
    Start(kThree);
    const CIconRecordArray layout = Layout({ { L"a.txt", { 300, 300 } }, { L"b.doc", { 400, 300 } },
                                             { L"c.txt", { 500, 300 } } });
    EXPECT_EQ(1, RestoreInShell(layout));
    EXPECT_EQ(0, host.Counters().setItemPosition);
    EXPECT_EQ(1, host.Counters().saveViewState);

    EXPECT_TRUE(RestoreFromView(layout));
    EXPECT_EQ(0, host.Counters().positionCalls);
    EXPECT_EQ(L"Layout: Work\nOstrel: No Icons Repositioned\n", out);
}

TEST_F(RestoreTest, EachIconIsSetOnce)
{
    Start(kThree);
    const CIconRecordArray layout = Layout({ { L"a.txt", { 600, 500 } }, { L"b.doc", { 700, 500 } },
                                             { L"c.txt", { 800, 500 } } });
    EXPECT_EQ(1, RestoreInShell(layout));
    EXPECT_EQ(3, host.Counters().positionCalls) << "each through the view, alone";
    EXPECT_EQ(3, host.Counters().itemsPositioned);
    EXPECT_EQ(0, host.Counters().setItemPosition);
    EXPECT_EQ(POINT({ 600, 500 }), At(L"a.txt"));
    EXPECT_EQ(POINT({ 800, 500 }), At(L"c.txt"));

    for (int i = 0; i < 3; ++i)
        host.SetPosition(i, { 100 * i + 300, 300 });
    host.ResetCounters();
    EXPECT_TRUE(RestoreFromView(layout));
    EXPECT_EQ(1, host.Counters().positionCalls);
    EXPECT_EQ(3, host.Counters().itemsPositioned);
    EXPECT_EQ(POINT({ 700, 500 }), At(L"b.doc"));
    EXPECT_EQ(L"Layout: Work\nOstrel: Repositioned: 3 Icons\n", out);
}

// The scan counts letter case, the search does not: the icon is moved out of
// the way first and then still put at its saved position.
TEST_F(RestoreTest, LetterCaseDifferenceMovesAsideThenPlaces)
{
    Start({ { L"a.txt", { 1000, 1000 } } });
    CIconRecordArray layout;
    layout.push_back(MakeRecord(L"A.TXT", PathOf(L"A.TXT"), 600, 500));
    EXPECT_EQ(1, RestoreInShell(layout));
    EXPECT_EQ(2, host.Counters().positionCalls) << "out of the way, then placed";
    EXPECT_EQ(POINT({ 600, 500 }), At(L"a.txt"));

    host.SetPosition(0, { 1000, 1000 });
    host.ResetCounters();
    EXPECT_TRUE(RestoreFromView(layout));
    EXPECT_EQ(2, host.Counters().positionCalls);
    EXPECT_EQ(POINT({ 600, 500 }), At(L"a.txt"));
}

// Both engines ignore letter case as the list view's search does, beyond
// ASCII too, in names and in paths.
TEST_F(RestoreTest, NonAsciiLetterCaseIsIgnoredAlikeByBothEngines)
{
    Start({ { L"\x00E4rger.txt", { 300, 300 } } });
    CIconRecordArray layout;
    layout.push_back(MakeRecord(L"\x00C4RGER.TXT", PathOf(L"\x00C4RGER.TXT"), 600, 500));
    RestoreInShell(layout);
    EXPECT_EQ(POINT({ 600, 500 }), host.Position(0));

    host.SetPosition(0, { 300, 300 });
    EXPECT_TRUE(RestoreFromView(layout));
    EXPECT_EQ(POINT({ 600, 500 }), host.Position(0));
}

// An icon that the view puts elsewhere than asked (here snapped to the grid,
// which the engine was not allowed to switch off) is not reported as
// repositioned.
TEST_F(RestoreTest, CommandLineEngineReportsIconsThatMissedTheirTarget)
{
    DeskHostOptions options;
    options.snapToGrid = true;
    Start(kThree, options);
    const CIconRecordArray layout = Layout({ { L"a.txt", { 613, 517 } }, { L"b.doc", { 400, 300 } } });
    EXPECT_TRUE(RestoreFromView(layout, false));
    EXPECT_NE(POINT({ 613, 517 }), At(L"a.txt"));
    EXPECT_EQ(L"Layout: Work\nOstrel: Repositioned: 0 Icons\n", out);
    EXPECT_EQ(L"Ostrel: 1 Icons did not reach their saved positions\n", err);
}

// Legacy records claim nothing: several for one icon leave one entry in the
// command-line batch, the last one.
TEST_F(RestoreTest, LegacyRecordsOfOneIconLeaveOneBatchEntry)
{
    HideExtensions();
    Start({ { L"Report.txt", { 100, 600 } }, { L"Report.doc", { 500, 300 } } });
    CIconRecordArray layout;
    for (int i = 1; i <= 3; ++i)
        layout.push_back(MakeRecord(L"Report", L"Report", 100 * i, 500 + 100 * i, true));
    EXPECT_TRUE(RestoreFromView(layout));
    // The scan finds no record with the item's parsing name, and the item
    // covers a saved icon's cell: it is moved aside alone first, then once
    // with the batch.
    EXPECT_EQ(2, host.Counters().positionCalls);
    EXPECT_EQ(2, host.Counters().itemsPositioned);
    EXPECT_EQ(POINT({ 300, 800 }), host.Position(0));
    EXPECT_EQ(L"Layout: Work\nOstrel: Repositioned: 1 Icons\n", out);
}

TEST_F(RestoreTest, ForceVisiblePullsOffScreenIconsToThePrimaryCentre)
{
    DeskHostOptions options;
    options.width = 4000;
    Start({ { L"a.txt", { 300, 300 } }, { L"b.doc", { 2500, 100 } }, { L"c.txt", { 400, 300 } } }, options);
    context.display.Capture();
    const CIconRecordArray layout = Layout({ { L"a.txt", { 3500, 300 } }, { L"b.doc", { 2500, 100 } },
                                             { L"c.txt", { 400, 300 } } });

    RestoreInShell(layout);
    EXPECT_EQ(POINT({ 3500, 300 }), At(L"a.txt")) << "Force Visible off";
    EXPECT_EQ(POINT({ 2500, 100 }), At(L"b.doc"));

    context.settings.forceVisible = 1;
    host.SetPosition(0, { 300, 300 });
    RestoreInShell(layout);
    EXPECT_EQ(POINT({ 960, 540 }), At(L"a.txt"));
    EXPECT_EQ(POINT({ 960, 540 }), At(L"b.doc"));
    EXPECT_EQ(POINT({ 400, 300 }), At(L"c.txt"));
}

// After the Desktop folder moved (to OneDrive, another profile or PC) every
// Path names the old folder: each deliverable still puts every icon back, by
// file name, and moves only the unknown icon aside. A gone file stays gone.
TEST_F(RestoreTest, LayoutOfAMovedDesktopFolderRestoresByFileName)
{
    // Each icon starts on the saved place of the next: on a cell that is
    // not free, so an icon taken for unknown would move aside first.
    const std::vector<DeskIcon> icons = { { L"a.txt", { 1100, 500 } }, { L"b.doc", { 1200, 500 } },
                                          { L"c.txt", { 1300, 500 } }, { L"new.txt", { 1000, 500 } } };
    Start(icons);
    CIconRecordArray layout;
    for (const wchar_t* file : { L"a.txt", L"b.doc", L"c.txt", L"gone.txt" }) {
        layout.push_back(MakeRecord(file, L"C:\\users\\me\\OneDrive\\Desktop\\" + std::wstring(file),
                                    1000 + 100 * static_cast<int>(layout.size()), 500));
        layout.back().Index = static_cast<int>(layout.size());
    }
    StoreLayout(L"Moved", layout);
    context.display.Capture();
    EXPECT_EQ(1, RestoreLayoutInShell(context, host.ListView(), L"Moved", 0));
    EXPECT_EQ(4, host.Counters().positionCalls) << "new.txt aside, then each icon alone";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(POINT({ 1000 + 100 * i, 500 }), host.Position(i));
    EXPECT_TRUE(boxes.empty());

    for (int i = 0; i < 4; ++i)
        host.SetPosition(i, icons[static_cast<size_t>(i)].pos);
    host.ResetCounters();
    cli.display.SetSource(&display);
    cli.display.Capture();
    EXPECT_TRUE(RestoreFromCli(cli, L"Moved", true));
    EXPECT_EQ(2, host.Counters().positionCalls) << "new.txt aside, then the batch";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(POINT({ 1000 + 100 * i, 500 }), host.Position(i));
    EXPECT_EQ(L"Layout: Moved\nOstrel: Repositioned: 3 Icons\n"
              L"Ostrel: 3 Icons matched by file name (the Desktop folder has moved).\n",
              out);
}

// Older layouts name files by their bare file name; the command-line engine
// compares with full parsing names whatever the layout's format.
TEST_F(RestoreTest, OlderFormatIdentifiesFilesByFileName)
{
    Start({ { L"a.txt", { 300, 300 } }, { L"b.doc", { 400, 300 } } });
    CIconRecordArray layout;
    layout.push_back(MakeRecord(L"a.txt", L"A.TXT", 600, 500));
    layout.push_back(MakeRecord(L"b.doc", PathOf(L"b.doc"), 700, 500));
    context.currentFormat = false;
    RestoreInShell(layout);
    EXPECT_EQ(POINT({ 600, 500 }), At(L"a.txt"));
    EXPECT_NE(POINT({ 700, 500 }), At(L"b.doc")) << "a full path is no file name";

    host.SetPosition(0, { 300, 300 });
    host.SetPosition(1, { 400, 300 });
    EXPECT_TRUE(RestoreFromView(layout));
    EXPECT_NE(POINT({ 600, 500 }), At(L"a.txt"));
    EXPECT_EQ(POINT({ 700, 500 }), At(L"b.doc"));
}

// The folder view takes a coordinate outside 16 bits whole. The list view's
// message carries 16 bits, so without a folder view such a target never reads
// back.
TEST_F(RestoreTest, TargetBeyondSixteenBitsMissesWithoutAFolderView)
{
    Start({ { L"a.txt", { 300, 300 } }, { L"b.doc", { 400, 300 } } });
    const CIconRecordArray layout = Layout({ { L"a.txt", { 40000, 300 } }, { L"b.doc", { 600, 300 } } });
    EXPECT_EQ(1, RestoreInShell(layout));
    EXPECT_EQ(POINT({ 40000, 300 }), At(L"a.txt"));

    // The command tells the user how many icons missed their place, and the
    // restore still counts as done.
    host.SetPosition(0, { 300, 300 });
    host.Faults().noFolderView = true;
    CIconRecordArray stored = layout;
    for (size_t i = 0; i < stored.size(); ++i)
        stored[i].Index = static_cast<int>(i) + 1;
    StoreLayout(L"Far", stored);
    context.display.Capture();
    EXPECT_EQ(1, RestoreLayoutInShell(context, host.ListView(), L"Far", 0));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"1 icons did not reach their saved positions from layout:\nFar", boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), boxes[0].type);
}

// While the shell handles a mouse-positioned context menu, the view puts a
// positioned item at the menu. Such an icon is reported misplaced, never moved
// where the view does not hold it: after the desktop is laid out again, every
// icon is where the restore said it is.
TEST_F(RestoreTest, IconThatTheViewPutsElsewhereIsReportedMisplaced)
{
    Start(kThree);
    host.Faults().positionAtMenu = true;
    host.Faults().menuPoint = { 900, 900 };
    CIconRecordArray layout = Layout({ { L"a.txt", { 600, 500 } }, { L"b.doc", { 700, 500 } },
                                       { L"c.txt", { 500, 300 } } });
    for (size_t i = 0; i < layout.size(); ++i)
        layout[i].Index = static_cast<int>(i) + 1;
    StoreLayout(L"Menu", layout);
    context.display.Capture();
    EXPECT_EQ(1, RestoreLayoutInShell(context, host.ListView(), L"Menu", 0));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"2 icons did not reach their saved positions from layout:\nMenu", boxes[0].text);
    host.LayOutAgain();
    EXPECT_EQ(POINT({ 900, 900 }), At(L"a.txt"));
    EXPECT_EQ(POINT({ 900, 900 }), At(L"b.doc"));
    EXPECT_EQ(POINT({ 500, 300 }), At(L"c.txt"));
    EXPECT_EQ(0, host.Counters().setItemPosition);
}

// Both accesses switch their own flags: the list view's extended styles and
// the folder view's flags.
TEST_F(RestoreTest, ArrangeFlagsAreSwitchedOffThroughEitherView)
{
    Start(kThree);
    const DWORD both = LVS_EX_SNAPTOGRID | LVS_EX_AUTOAUTOARRANGE;
    SendMessageW(host.ListView(), LVM_SETEXTENDEDLISTVIEWSTYLE, both, both);
    const CIconRecordArray layout = Layout({ { L"a.txt", { 613, 517 } } });
    RestoreInShell(layout, true);
    EXPECT_EQ(POINT({ 613, 517 }), At(L"a.txt")) << "not snapped while placed";
    EXPECT_EQ(static_cast<LRESULT>(LVS_EX_SNAPTOGRID),
              SendMessageW(host.ListView(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & both);

    SendMessageW(host.ListView(), LVM_SETEXTENDEDLISTVIEWSTYLE, both, 0);
    host.SetPosition(0, { 300, 300 });
    host.SetSnapToGrid(true);
    host.SetAutoArrange(true);
    host.ResetCounters();
    EXPECT_TRUE(RestoreFromView(layout, true));
    EXPECT_TRUE(host.SnapToGrid());
    EXPECT_FALSE(host.AutoArrange());
    EXPECT_EQ(2, host.Counters().setFolderFlags);
    EXPECT_EQ(POINT({ 613, 517 }), At(L"a.txt"));
}

// The command-line engine ends early on a desktop without items, and puts
// snap-to-grid back all the same.
TEST_F(RestoreTest, CommandLineEngineFailsOnAnEmptyDesktop)
{
    DeskHostOptions options;
    options.snapToGrid = true;
    Start({}, options);
    EXPECT_FALSE(RestoreFromView(Layout({ { L"a.txt", { 100, 100 } } }), true));
    EXPECT_TRUE(host.SnapToGrid());
    EXPECT_EQ(2, host.Counters().setFolderFlags);
    EXPECT_EQ(L"", out);
}

TEST_F(RestoreTest, ShellEngineRefusesAnUnknownSourceSelector)
{
    Start(kThree);
    context.display.Capture();
    EXPECT_EQ(0, RestoreLayoutInShell(context, host.ListView(), L"Work", 2));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(0, host.Counters().setItemPosition);

    // A layout that yields nothing is reported, and nothing moves.
    EXPECT_EQ(0, RestoreLayoutInShell(context, host.ListView(), L"Missing", 0));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"No Icon Information Stored in Layout:\nMissing", boxes[0].text);
    EXPECT_EQ(L"Ostrel", boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), boxes[0].type);
}

TEST_F(RestoreTest, CommandLineEngineReportsWhatItCannotRead)
{
    Start(kThree);
    EXPECT_FALSE(RestoreFromCli(cli, L"Missing", true));
    EXPECT_EQ(L"No Registry Layout Information Stored:\nMissing", out);
    out.clear();
    CScratchFolder folder;
    const std::wstring missing = folder.File(L"none.osl");
    EXPECT_FALSE(RestoreFromCli(cli, missing.c_str(), false));
    EXPECT_EQ(L"File not found: " + missing + L"\n", out);
    EXPECT_EQ(0, host.Counters().positionCalls);
}

} // namespace
