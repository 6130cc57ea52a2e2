#include "tests/engine/EngineFixture.h"
#include "cli/access/CliContext.h"
#include "shellview/FolderView.h"
#include "shellview/FolderViewCapture.h"
#include "cli/access/CliRestore.h"
#include "deskshell/DeskCommands.h"
#include "deskshell/ListViewRestore.h"
#include "layout/RegKey.h"
#include "shellext/CustomDialog.h"

namespace {

const wchar_t kFull[] = L"Layout 1920 x 1080 (48)";
const wchar_t kBase[] = L"Layout 1920 x 1080";
const wchar_t kComputer[] = L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";

class CommandsTest : public CEngineTest
{
protected:
    CommandsTest()
    {
        context.settings.confirmSave = 0;
        context.settings.confirmRestore = 0;
    }

    void StoreA(const wchar_t* name, POINT at)
    {
        std::vector<IconRecord> records = { MakeRecord(L"a.txt", PathOf(L"a.txt"), at.x, at.y) };
        records[0].Index = 1;
        StoreLayout(name, records);
    }
};

TEST_F(CommandsTest, MissingListViewIsReportedByEveryCommand)
{
    SaveDesktopCommand(context);
    EXPECT_EQ(0, RestoreDesktopCommand(context));
    HighlightUnmatchedCommand(context);
    ASSERT_EQ(3u, boxes.size());
    for (const ShownBox& box : boxes) {
        EXPECT_EQ(L"Couldn't find desktop ListView", box.text);
        EXPECT_EQ(L"Ostrel", box.caption);
        EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONWARNING), box.type);
    }
    EXPECT_TRUE(ListLayouts(context.flavor).empty());
}

// The full layout name first, then the base name, both with exact letter case.
TEST_F(CommandsTest, RestoreFindsTheFullThenTheBaseLayoutName)
{
    Start({ { L"a.txt", { 300, 300 } } });
    StoreA(kFull, { 600, 500 });
    StoreA(kBase, { 700, 500 });
    EXPECT_EQ(1, RestoreDesktopCommand(context));
    EXPECT_EQ(POINT({ 600, 500 }), At(L"a.txt"));

    host.SetIconSize(32);
    EXPECT_EQ(1, RestoreDesktopCommand(context));
    EXPECT_EQ(32, context.display.IconSize());
    EXPECT_EQ(POINT({ 700, 500 }), At(L"a.txt"));

    DeleteLayout(context.flavor, kFull);
    DeleteLayout(context.flavor, kBase);
    StoreA(L"layout 1920 x 1080 (32)", { 800, 500 });
    EXPECT_EQ(0, RestoreDesktopCommand(context));
    EXPECT_EQ(POINT({ 700, 500 }), At(L"a.txt"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CommandsTest, RestoreAsksWhenConfirmRestoreIsOn)
{
    Start({ { L"a.txt", { 300, 300 } } });
    StoreA(kFull, { 600, 500 });
    context.settings.confirmRestore = 1;
    s_answer = IDCANCEL;
    EXPECT_EQ(0, RestoreDesktopCommand(context));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Restore Icon Locations from\nLayout 1920 x 1080 (48) ?", boxes[0].text);
    EXPECT_EQ(L"Ostrel", boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION), boxes[0].type);
    EXPECT_EQ(POINT({ 300, 300 }), At(L"a.txt"));

    s_answer = IDOK;
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(1, RestoreDesktopCommand(context));
    EXPECT_EQ(POINT({ 600, 500 }), At(L"a.txt"));
    EXPECT_EQ(LoadCursorW(nullptr, IDC_WAIT), GetCursor());
}

TEST_F(CommandsTest, SaveAsksWhenConfirmSaveIsOn)
{
    Start({ { L"a.txt", { 300, 300 } } });
    context.settings.confirmSave = 1;
    s_answer = IDCANCEL;
    SaveDesktopCommand(context);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Save Icon Locations for\nLayout 1920 x 1080 (48) ?", boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION), boxes[0].type);
    EXPECT_TRUE(ListLayouts(context.flavor).empty());

    context.settings.confirmSave = 0;
    SaveDesktopCommand(context);
    EXPECT_EQ(1u, boxes.size()) << "no message before or after";
    const std::vector<CWideString> names = ListLayouts(context.flavor);
    ASSERT_EQ(1u, names.size());
    EXPECT_STREQ(kFull, names[0].c_str());
}

// Save Desktop and the saves of the Custom Save/Restore dialog tell the user
// in a box when nothing was saved; a save that happened stays silent.
TEST_F(CommandsTest, ASaveThatDidNotHappenIsToldInAMessageBox)
{
    Start({ { L"a.txt", { 300, 300 } } });
    CScratchFolder folder;
    // The store refuses the new layout: a volatile key where the pending
    // layouts go cannot hold a stable one. (The keys above it stay stable.)
    CRegKey(L"Software\\Quenlo\\Tovak", KEY_ALL_ACCESS);
    HKEY blocked = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak (saving)", 0, nullptr,
                                             REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &blocked, nullptr));
    RegCloseKey(blocked);
    SaveDesktopCommand(context);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak (saving)");
    const std::wstring missing = folder.File(L"no such folder\\desk.osl");
    SaveDesktopToFile(context, host.ListView(), missing.c_str());
    ASSERT_TRUE(host.RemoveIcon(L"a.txt"));
    SaveDesktopToStore(context, host.ListView(), L"Work");
    const std::wstring file = folder.File(L"desk.osl");
    SaveDesktopToFile(context, host.ListView(), file.c_str());

    const std::vector<std::pair<std::wstring, UINT>> expected = {
        { std::wstring(L"Could not save the layout:\n") + kFull + L"\n\nThe stored layout was not changed.",
          MB_OK | MB_ICONERROR },
        { L"Could not create the layout file:\n" + missing, MB_OK | MB_ICONERROR },
        { L"No desktop icons were found. The layout was not saved:\nWork", MB_OK | MB_ICONWARNING },
        { L"No desktop icons were found. The layout file was not saved:\n" + file, MB_OK | MB_ICONWARNING },
    };
    ASSERT_EQ(expected.size(), boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_EQ(expected[i].first, boxes[i].text) << i;
        EXPECT_EQ(expected[i].second, boxes[i].type) << i;
        EXPECT_EQ(L"Ostrel", boxes[i].caption);
    }
    EXPECT_TRUE(ListLayouts(context.flavor).empty());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.c_str()));
}

// Undo Restore puts back what the last restore moved; a second undo returns.
// A restore that does not run or moves nothing keeps nothing; one whose keep
// fails still runs, with no extra box. The dialog never lists undo layouts.
TEST_F(CommandsTest, UndoRestoreReturnsToWhereTheLastRestoreStarted)
{
    Start({ { L"a.txt", { 300, 300 } }, { L"b.doc", { 1200, 800 } } });
    const std::vector<POINT> before = { host.Position(0), host.Position(1) };
    auto nothingToUndo = [&] {
        const POINT at = host.Position(0);
        UndoRestoreCommand(context);
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(std::wstring(L"Nothing to undo for\n") + kFull + L".", boxes.back().text);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), boxes.back().type);
        EXPECT_EQ(at, host.Position(0));
    };
    nothingToUndo();
    StoreA(kFull, { 600, 500 });
    context.settings.confirmRestore = 1;
    s_answer = IDCANCEL;
    EXPECT_EQ(0, RestoreDesktopCommand(context));
    EXPECT_EQ(0, RestoreLayoutInShell(context, host.ListView(), L"C:\\missing.osl", 1));
    nothingToUndo();
    s_answer = IDOK;
    EXPECT_EQ(1, RestoreDesktopCommand(context));
    const std::vector<POINT> restored = { host.Position(0), host.Position(1) };
    ASSERT_EQ(POINT({ 600, 500 }), restored[0]);
    EXPECT_EQ(1, RestoreDesktopCommand(context)) << "moves nothing: keeps nothing";
    UndoRestoreCommand(context);
    EXPECT_EQ(std::wstring(L"Undo the last restore of\n") + kFull + L" ?", boxes.back().text);
    EXPECT_EQ(before, std::vector<POINT>({ host.Position(0), host.Position(1) }));
    UndoRestoreCommand(context);
    EXPECT_EQ(restored, std::vector<POINT>({ host.Position(0), host.Position(1) }));
    EXPECT_EQ(1u, GatherLayouts(context.flavor).size());

    BlockSnapshots();
    context.settings.confirmRestore = 0;
    host.SetPosition(0, { 900, 700 });
    boxes.clear();
    EXPECT_EQ(1, RestoreDesktopCommand(context));
    EXPECT_EQ(POINT({ 600, 500 }), host.Position(0));
    EXPECT_TRUE(boxes.empty());
    nothingToUndo();
}

// Icons the layout knows nothing of are added to the selection; nothing moves.
TEST_F(CommandsTest, HighlightSelectsTheUnmatchedIcons)
{
    Start({ { L"a.txt", { 300, 300 } }, { L"b.doc", { 400, 300 } }, { L"c.txt", { 500, 300 } },
            { L"d.txt", { 600, 300 } } });
    HighlightUnmatchedCommand(context);
    EXPECT_TRUE(boxes.empty()) << "no layout, no message";
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(Selected(i));

    std::vector<IconRecord> records = { MakeRecord(L"a.txt", PathOf(L"a.txt"), 0, 0),
                                        MakeRecord(L"B.DOC", PathOf(L"b.doc"), 0, 0),
                                        MakeRecord(L"c.txt", PathOf(L"c.txt"), 0, 0) };
    for (int i = 0; i < 3; ++i)
        records[i].Index = i + 1;
    StoreLayout(kBase, records);
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(host.ListView(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));

    HighlightUnmatchedCommand(context);
    EXPECT_TRUE(Selected(0)) << "selected before";
    EXPECT_TRUE(Selected(1)) << "letter case counts";
    EXPECT_FALSE(Selected(2));
    EXPECT_TRUE(Selected(3));
    EXPECT_EQ(0, host.Counters().setItemPosition);
    EXPECT_TRUE(boxes.empty());

    DeleteLayout(context.flavor, kBase);
    CRegKey empty(L"Software\\Quenlo\\Tovak", kFull, KEY_ALL_ACCESS);
    HighlightUnmatchedCommand(context);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"No Icon Information Stored in Layout:\nLayout 1920 x 1080 (48)", boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), boxes[0].type);
}

// Either deliverable puts back what either saved.
TEST_F(CommandsTest, SaveShuffleRestorePutsEveryIconBack)
{
    const std::vector<DeskIcon> icons = { { L"a.txt", { 121, 102 } }, { L"b.doc", { 300, 500 } },
                                          { L"c.txt", { 1800, 900 } }, { L"Folder", { 900, 40 }, true },
                                          { kComputer, { 21, 2 } } };
    Start(icons);
    SaveDesktopCommand(context);
    const int count = host.Count();
    std::vector<POINT> saved;
    for (int i = 0; i < count; ++i)
        saved.push_back(host.Position(i));

    auto shuffle = [&] {
        for (int i = 0; i < count; ++i)
            host.SetPosition(i, { 1000 + 40 * i, 700 - 30 * i });
        host.ResetCounters();
    };
    shuffle();
    EXPECT_EQ(1, RestoreDesktopCommand(context));
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(saved[i], host.Position(i)) << Narrow(host.Label(i));
    EXPECT_EQ(count, host.Counters().positionCalls);

    shuffle();
    cli.flavor = TestCliFlavor();
    cli.display.SetSource(&display);
    cli.display.Capture();
    EXPECT_TRUE(RestoreFromCli(cli, kFull, true));
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(saved[i], host.Position(i)) << Narrow(host.Label(i));
    EXPECT_EQ(1, host.Counters().positionCalls);

    // And the command-line tool's save, restored by the shell extension.
    {
        CDesktopViewPair pair;
        ASSERT_TRUE(pair.Open());
        int written = 0;
        EXPECT_EQ(SaveResult::Saved,
                  SaveLayout(cli.flavor, L"From the command line", *MakeFolderViewCapture(cli.display, pair), &written));
        EXPECT_EQ(count, written);
    }
    cli.display.SetSource(nullptr);
    shuffle();
    context.display.Capture();
    EXPECT_EQ(1, RestoreLayoutInShell(context, host.ListView(), L"From the command line", 0));
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(saved[i], host.Position(i)) << Narrow(host.Label(i));
}

// The desktop of Windows 10 version 1809 and later keeps its own record of
// the icon positions: what is moved only in the list view goes back when the
// desktop is laid out again. A user's drags, Restore Desktop, a refresh:
// every icon is where it was saved, on screen, in the view and in the view's
// saved state; the same with auto-arrange on before the restore, through
// either engine.
TEST_F(CommandsTest, RestoreDesktopHoldsWhenTheDesktopIsLaidOutAgain)
{
    DeskHostOptions options;
    options.snapToGrid = true;
    Start({ { L"a.txt", { 121, 102 } }, { L"b.doc", { 333, 517 } }, { L"c.txt", { 1800, 900 } } }, options);
    SaveDesktopCommand(context);
    const int count = host.Count();
    std::vector<POINT> saved;
    for (int i = 0; i < count; ++i)
        saved.push_back(host.Position(i));
    auto expectSaved = [&](const char* when) {
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(saved[i], host.Position(i)) << when << ": " << Narrow(host.Label(i));
            EXPECT_EQ(saved[i], host.RecordedPosition(i)) << when << ": " << Narrow(host.Label(i));
        }
    };

    for (int i = 0; i < count; ++i)
        host.DragIcon(i, { 1000 + 100 * i, 700 });
    EXPECT_EQ(1, RestoreDesktopCommand(context));
    host.LayOutAgain();
    expectSaved("drags");
    for (int i = 0; i < count; ++i) {
        POINT state = {};
        EXPECT_TRUE(host.SavedPosition(i, &state));
        EXPECT_EQ(saved[i], state) << "saved view state";
    }
    EXPECT_TRUE(host.SnapToGrid());

    host.SetAutoArrange(true);
    ASSERT_NE(saved[1], host.Position(1)) << "arranged";
    EXPECT_EQ(1, RestoreDesktopCommand(context));
    EXPECT_FALSE(host.AutoArrange());
    EXPECT_TRUE(host.SnapToGrid());
    host.LayOutAgain();
    expectSaved("auto-arrange");

    // The command-line engine on the same desktop.
    host.SetAutoArrange(true);
    cli.flavor = TestCliFlavor();
    cli.display.SetSource(&display);
    cli.display.Capture();
    EXPECT_TRUE(RestoreFromCli(cli, kFull, true));
    cli.display.SetSource(nullptr);
    EXPECT_FALSE(host.AutoArrange());
    EXPECT_TRUE(host.SnapToGrid());
    host.LayOutAgain();
    expectSaved("command line, auto-arrange");
}

} // namespace
