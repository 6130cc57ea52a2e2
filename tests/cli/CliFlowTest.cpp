// The command-line flows run in-process against the desktop host, with keys
// fed and both streams captured. The user hive is mapped to a scratch key.
#include <windows.h>
#include <gtest/gtest.h>
#include <deque>
#include <string>
#include <vector>
#include "DeskHost.h"
#include "cli/CliFlows.h"
#include "cli/CliMain.h"
#include "cli/ConsoleInput.h"
#include "cli/ConsoleQuestion.h"
#include "cli/access/CliContext.h"
#include "cli/access/CliRestore.h"
#include "cli/access/ConsoleOut.h"
#include "layout/LayoutStore.h"
#include "layout/RegKey.h"
#include "tests/common/FakeDisplay.h"
#include "tests/common/TestSupport.h"

namespace {

using Positions = std::vector<std::pair<long, long>>;

class CliFlowTest : public ::testing::Test, public CCliSystem
{
protected:
    void SetUp() override
    {
        // In-process the string table is the built OstrelCli.exe's, not the test program's.
        cli.flavor = TestCliFlavor();
        cli.system = this;
        RemoveSnapshots();
        StartHost(DeskWindows::Shell);
    }

    void TearDown() override
    {
        host.Stop();
        RemoveSnapshots();
    }

    // Both streams captured, keys fed, beeps counted.
    void Write(OutStream stream, const std::wstring& text) override
    {
        (stream == OutStream::Out ? out : err) += text;
    }
    int ReadKey() override
    {
        ++keysRead;
        if (m_keys.empty())
            return kNoKey;
        const int key = m_keys.front();
        m_keys.pop_front();
        return key;
    }
    void Beep() override { ++beeps; }

    void StartHost(DeskWindows windows)
    {
        host.Stop();
        DeskHostOptions options;
        options.windows = windows;
        const std::vector<DeskIcon> icons = {
            { L"alpha.txt", { 100, 120 } },
            { L"beta.txt", { 340, 120 } },
            { L"gamma.txt", { 580, 360 } },
        };
        ASSERT_HRESULT_SUCCEEDED(host.Start(options, icons));
    }

    // Runs the tool with these arguments and keys; out and err hold only
    // this run's text, after the banner line.
    int Run(std::vector<std::wstring> args, std::deque<int> keys = {})
    {
        out.clear();
        err.clear();
        beeps = 0;
        keysRead = 0;
        m_keys = std::move(keys);
        args.insert(args.begin(), L"OstrelCli.exe");
        std::vector<wchar_t*> argv;
        for (std::wstring& arg : args)
            argv.push_back(&arg[0]);
        const int status = RunOstrelCli(cli, static_cast<int>(argv.size()), argv.data());
        const size_t bannerEnd = out.find(L'\n');
        EXPECT_EQ(out.compare(0, 19, L"OstrelCli Version: "), 0) << Narrow(out);
        out.erase(0, bannerEnd == std::wstring::npos ? out.size() : bannerEnd + 1);
        return status;
    }

    Positions Current() const
    {
        Positions positions;
        for (int i = 0; i < host.Count(); ++i)
            positions.emplace_back(host.Position(i).x, host.Position(i).y);
        return positions;
    }

    void Scatter(int shift)
    {
        for (int i = 0; i < host.Count(); ++i)
            host.SetPosition(i, { 900 + 150 * i + shift, 500 + shift });
    }

    static std::wstring FullLayoutName()
    {
        return CWideString::Format(L"Layout %d x %d (48)", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)).c_str();
    }

    static bool Stored(const wchar_t* name)
    {
        for (const CWideString& layout : ListLayouts(TestCliFlavor()))
            if (wcscmp(layout.c_str(), name) == 0)
                return true;
        return false;
    }

    CScopedUserHive hive;
    CScratchFolder folder;
    CDeskHost host;
    std::wstring out, err;
    int beeps = 0;
    int keysRead = 0;
    CCliContext cli;

private:
    std::deque<int> m_keys;
};

TEST_F(CliFlowTest, SaveAndRestoreTheCurrentConfigurationsLayout)
{
    const Positions saved = Current();
    EXPECT_EQ(Run({ L"save", L"/y" }), 0);
    EXPECT_EQ(out, L"Layout: " + FullLayoutName() + L"\nOstrel: saved 3 Icons\n");
    EXPECT_EQ(err, L"");
    EXPECT_EQ(keysRead, 0) << "/y answers the question";
    EXPECT_TRUE(Stored(FullLayoutName().c_str()));

    Scatter(0);
    EXPECT_EQ(Run({ L"restore", L"/n" }, { L'y' }), 0);
    EXPECT_EQ(out, L"Restore Icon Locations for:\n\t" + FullLayoutName() + L" [y/n]? y\nLayout: " + FullLayoutName() +
                       L"\nOstrel: Repositioned: 3 Icons\n");
    EXPECT_EQ(Current(), saved);
}

// Undo puts back what the last restore moved; a second undo returns. A restore that does not run
// or moves nothing keeps nothing; one whose keep fails still runs and says so. The chooser never
// lists undo layouts.
TEST_F(CliFlowTest, UndoReturnsToWhereTheLastRestoreStarted)
{
    const std::wstring nothing = L"Nothing to undo for: " + FullLayoutName() + L".\n";
    const Positions saved = Current();
    ASSERT_EQ(Run({ L"save", L"/y" }), 0);
    Scatter(0);
    const Positions scattered = Current();
    EXPECT_EQ(Run({ L"restore" }, { L'n' }), 0);
    EXPECT_EQ(Run({ L"restore", L"/f", folder.File(L"missing.osl") }), 0);
    EXPECT_EQ(Run({ L"undo" }, { L'y' }), 0);
    EXPECT_EQ(err, nothing);
    EXPECT_EQ(Current(), scattered);
    EXPECT_EQ(Run({ L"restore", L"/y" }), 0);
    EXPECT_EQ(Current(), saved);
    EXPECT_EQ(Run({ L"restore", L"/y" }), 0) << "moves nothing: keeps nothing";
    EXPECT_EQ(Run({ L"/undo" }, { L'y' }), 0);
    EXPECT_EQ(out, L"Undo Last Restore for:\n\t" + FullLayoutName() + L" [y/n]? y\nLayout: " + FullLayoutName() +
                       L"\nOstrel: Repositioned: 3 Icons\n");
    EXPECT_EQ(Current(), scattered);
    EXPECT_EQ(Run({ L"undo", L"/y" }), 0);
    EXPECT_EQ(Current(), saved);
    EXPECT_EQ(Run({ L"query" }), 0);
    EXPECT_EQ(out, L"Current Resolution: " + FullLayoutName() + L"\n\n1) " + FullLayoutName() +
                       L"\nChoose Layout (press ESC to cancel): \n");

    BlockSnapshots();
    Scatter(0);
    EXPECT_EQ(Run({ L"restore", L"/y" }), 0);
    EXPECT_EQ(err, L"Ostrel: Could not keep the icon positions: this restore cannot be undone.\n");
    EXPECT_EQ(Current(), saved);
    EXPECT_EQ(Run({ L"undo", L"/y" }), 0);
    EXPECT_EQ(err, nothing);
}

// The display configuration changes after the restore read the layout and
// the desktop: nothing moves, nothing is kept for undo, the tool says so. Back
// on that configuration, the same restore puts every icon back.
TEST_F(CliFlowTest, ADisplayChangeDuringTheRestoreMovesNothing)
{
    // Armed, it turns 1280 x 1024 at its next capture: the first after the
    // restore began is the check just before the move.
    struct CChangingDisplay : CFakeDisplay
    {
        bool changeAtNextCapture = false;
        int MonitorCount() override
        {
            if (changeAtNextCapture)
                monitors = { { { 0, 0, 1280, 1024 }, true } };
            changeAtNextCapture = false;
            return CFakeDisplay::MonitorCount();
        }
    } display;
    display.monitors = { { { 0, 0, 1920, 1080 }, true } };
    cli.display.SetSource(&display);
    const Positions saved = Current();
    ASSERT_EQ(Run({ L"save", L"/y" }), 0);
    Scatter(0);
    const Positions scattered = Current();
    CIconRecordArray records;
    cli.display.Capture();
    ASSERT_EQ(ReadLayout(cli.flavor, L"Layout 1920 x 1080 (48)", cli.display, false, records, nullptr), 3);

    display.changeAtNextCapture = true;
    err.clear();
    EXPECT_TRUE(RestoreRecordsFromCli(cli, L"Work", records));
    EXPECT_EQ(err, L"The display configuration changed during the restore: nothing moved.\n");
    EXPECT_EQ(Current(), scattered);
    display.monitors = { { { 0, 0, 1920, 1080 }, true } };
    EXPECT_EQ(Run({ L"undo", L"/y" }), 0);
    EXPECT_EQ(err, L"Nothing to undo for: Layout 1920 x 1080 (48).\n");

    cli.display.Capture();
    EXPECT_TRUE(RestoreRecordsFromCli(cli, L"Work", records));
    EXPECT_EQ(Current(), saved);
}

// An undo layout that the earlier version left in the registry is undone to
// while the store has no snapshot; that undo keeps one, so a second returns.
TEST_F(CliFlowTest, UndoUsesTheEarlierVersionsUndoLayout)
{
    const Positions saved = Current();
    ASSERT_EQ(Run({ L"save", L"/y" }), 0);
    CKeyHandle layout, undo;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (L"Software\\Quenlo\\Tovak\\" + FullLayoutName()).c_str(), 0, KEY_READ,
                            layout.Put()),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\Quenlo\\Tovak (undo)\\" + FullLayoutName()).c_str(), 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, undo.Put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCopyTreeW(layout.Get(), nullptr, undo.Get()), ERROR_SUCCESS);
    Scatter(0);
    const Positions scattered = Current();
    EXPECT_EQ(Run({ L"undo", L"/y" }), 0);
    EXPECT_EQ(Current(), saved);
    EXPECT_EQ(Run({ L"undo", L"/y" }), 0);
    EXPECT_EQ(Current(), scattered);
}

TEST_F(CliFlowTest, SaveAsksAndOnlyYesWrites)
{
    // Other keys, Esc, Enter and keys without a character beep and wait.
    EXPECT_EQ(Run({ L"save", L"/n", L"Work" }, { L'x', 27, 13, 0, L'N', L'y' }), 0);
    EXPECT_EQ(out, L"Save Icon Locations for:\nWork [y/n]? n\n");
    EXPECT_EQ(beeps, 4);
    EXPECT_EQ(keysRead, 5);
    EXPECT_FALSE(Stored(L"Work"));

    // No key at all (input ended) answers no.
    EXPECT_EQ(Run({ L"save", L"/n", L"Work" }), 0);
    EXPECT_EQ(out, L"Save Icon Locations for:\nWork [y/n]? \n");
    EXPECT_FALSE(Stored(L"Work"));

    EXPECT_EQ(Run({ L"save", L"/n", L"Work" }, { L'Y' }), 0);
    EXPECT_EQ(out, L"Save Icon Locations for:\nWork [y/n]? y\nLayout: Work\nOstrel: saved 3 Icons\n");
    EXPECT_TRUE(Stored(L"Work"));
}

TEST_F(CliFlowTest, NameWithBackslashIsRefusedBeforeTheQuestion)
{
    EXPECT_EQ(Run({ L"save", L"/n", L"Work\\Sub" }, { L'y' }), 0);
    EXPECT_EQ(keysRead, 0);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(err, L"Invalid layout name: 'Work\\Sub'\nA layout name cannot contain '\\'.\n");
    EXPECT_TRUE(ListLayouts(TestCliFlavor()).empty());
}

TEST_F(CliFlowTest, SaveThatIsNotDoneNeverReportsSaved)
{
    EXPECT_EQ(Run({ L"save", L"/n", L"Work", L"/y" }), 0);
    ASSERT_TRUE(Stored(L"Work"));

    host.Faults().noFolderView = true;
    EXPECT_EQ(Run({ L"save", L"/n", L"Work", L"/y" }), 0);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(err, L"Could not get IShellFolder or IFolderView2.\n");
    host.Faults().noFolderView = false;

    // The layout saved first is still whole.
    CIconRecordArray records;
    cli.display.Capture();
    EXPECT_EQ(ReadLayout(TestCliFlavor(), L"Work", cli.display, false, records, nullptr), 3);
    cli.display.Release();

    // A view that cannot count its items leaves the stored layout whole too.
    host.Faults().noItemCount = true;
    EXPECT_EQ(Run({ L"save", L"/n", L"Work", L"/y" }), 0);
    EXPECT_EQ(out.find(L"saved"), std::wstring::npos) << Narrow(out);
    host.Faults().noItemCount = false;
    cli.display.Capture();
    EXPECT_EQ(ReadLayout(TestCliFlavor(), L"Work", cli.display, false, records, nullptr), 3);
    cli.display.Release();
}

TEST_F(CliFlowTest, ASaveThatFailsOrFindsNoIconsSaysSoAndReplacesNothing)
{
    ASSERT_EQ(Run({ L"save", L"/n", L"Work", L"/y" }), 0);
    const std::wstring file = folder.File(L"desk.osl");
    ASSERT_EQ(Run({ L"save", L"/f", file }), 0);
    const std::string fileBefore = ReadFileBytes(file);

    // A relative path of 298 characters through folders that exist.
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
    std::wstring relative;
    std::vector<std::wstring> folders;
    for (wchar_t c = L'a'; c < L'e'; ++c) {
        relative += std::wstring(70, c);
        folders.push_back(L"\\\\?\\" + folder.File(relative.c_str()));
        CreateDirectoryW(folders.back().c_str(), nullptr);
        relative += L'\\';
    }
    relative += L"long-path1.osl";
    ASSERT_EQ(relative.size(), 298u);
    EXPECT_EQ(Run({ L"save", L"/f", relative }), 0);
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(err, L"Could not create the layout file: " + relative + L"\n");
    EXPECT_EQ(GetFileAttributesW((folders.back() + L"\\long-path1.osl").c_str()), INVALID_FILE_ATTRIBUTES);
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        RemoveDirectoryW(it->c_str());

    // The store refuses the new layout: a volatile key where the pending
    // layouts go cannot hold a stable one.
    HKEY blocked = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak (saving)", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &blocked, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(blocked);
    EXPECT_EQ(Run({ L"save", L"/n", L"Work", L"/y" }), 0);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(err, L"Layout: Work\nOstrel: Could not write the layout store: the layout was not saved.\n");
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak (saving)");

    // The view cannot tell where one icon is (until the end): no save and no restore.
    host.Faults().failPositionAt = 1;
    const std::wstring unread = L"\nOstrel: The positions of the desktop icons could not be read (80004001): ";
    EXPECT_EQ(Run({ L"save", L"/n", L"Work", L"/y" }), 0);
    EXPECT_EQ(out + err, L"Layout: Work" + unread + L"the layout was not saved.\n");
    Scatter(0);
    const Positions scattered = Current();
    EXPECT_EQ(Run({ L"restore", L"/n", L"Work", L"/y" }), 0);
    EXPECT_EQ(out + err, L"Layout: Work" + unread + L"nothing was restored.\n");
    EXPECT_EQ(Current(), scattered);

    // A desktop without icons replaces neither the stored layout nor the file.
    for (const wchar_t* name : { L"alpha.txt", L"beta.txt", L"gamma.txt" })
        ASSERT_TRUE(host.RemoveIcon(name));
    EXPECT_EQ(Run({ L"save", L"/n", L"Work", L"/y" }), 0);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(err, L"Layout: Work\nOstrel: No desktop icons found: the layout was not saved.\n");
    EXPECT_EQ(Run({ L"save", L"/f", file }), 0);
    EXPECT_EQ(err, L"Layout File: " + file + L"\nOstrel: No desktop icons found: the file was not saved.\n");

    EXPECT_EQ(ReadFileBytes(file), fileBefore);
    CIconRecordArray records;
    cli.display.Capture();
    EXPECT_EQ(ReadLayout(TestCliFlavor(), L"Work", cli.display, false, records, nullptr), 3);
    cli.display.Release();
}

TEST_F(CliFlowTest, RestoreByNameIgnoresAsciiLetterCaseOnly)
{
    const Positions saved = Current();
    const std::wstring cyrillic = L"\u0420\u0430\u0431\u043E\u0442\u0430";
    ASSERT_EQ(Run({ L"save", L"/n", L"Work", L"/y" }), 0);
    ASSERT_EQ(Run({ L"save", L"/n", cyrillic, L"/y" }), 0);
    Scatter(0);

    // Answered no: nothing moves.
    EXPECT_EQ(Run({ L"restore", L"/n", L"wORK" }, { L'N' }), 0);
    EXPECT_EQ(out, L"Restore Icon Locations for:\n\tWork [y/n]? n\n");
    EXPECT_NE(Current(), saved);

    EXPECT_EQ(Run({ L"restore", L"/n", L"wORK", L"/y" }), 0);
    EXPECT_EQ(out.rfind(L"Layout: Work\n", 0), 0u) << Narrow(out);
    EXPECT_EQ(Current(), saved);

    EXPECT_EQ(Run({ L"restore", L"/n", L"\u0440\u0430\u0431\u043E\u0442\u0430", L"/y" }), 0);
    EXPECT_EQ(err, L"Layout not found: \u0440\u0430\u0431\u043E\u0442\u0430.\n");
    EXPECT_EQ(out, L"");

    EXPECT_EQ(Run({ L"restore", L"/n", L"Elsewhere" }, { L'y' }), 0);
    EXPECT_EQ(err, L"Layout not found: Elsewhere.\n");
    EXPECT_EQ(keysRead, 0);
}

TEST_F(CliFlowTest, ChooserRestoresTheLayoutOfTheKey)
{
    std::vector<Positions> arrangements;
    const wchar_t* names[] = { L"One", L"Two", L"Three" };
    for (int i = 0; i < 3; ++i) {
        Scatter(40 * i);
        arrangements.push_back(Current());
        ASSERT_EQ(Run({ L"save", L"/n", names[i], L"/y" }), 0);
    }
    const std::vector<CWideString> order = ListLayouts(TestCliFlavor());
    ASSERT_EQ(order.size(), 3u);
    std::wstring listing = L"Current Resolution: " + FullLayoutName() + L"\n\n";
    for (size_t i = 0; i < order.size(); ++i)
        listing += std::wstring(1, static_cast<wchar_t>(L'1' + i)) + L") " + order[i].c_str() + L"\n";
    listing += L"Choose Layout (press ESC to cancel): ";

    // Keys that choose nothing end the run without another word.
    for (int key : { static_cast<int>(L'4'), static_cast<int>(L'A'), 13, 27 }) {
        host.ResetCounters();
        EXPECT_EQ(Run({ L"query", L"/y" }, { key, L'1' }), 0);
        EXPECT_EQ(out, listing);
        EXPECT_EQ(err, L"");
        EXPECT_EQ(keysRead, 1);
        EXPECT_EQ(host.Counters().positionCalls, 0);
    }
    EXPECT_EQ(Run({ L"query" }), 0);
    EXPECT_EQ(out, listing + L"\n") << "no key ends the chooser";

    Scatter(500);
    EXPECT_EQ(Run({ L"query", L"/n", L"One" }, { L'2', L'y' }), 0);
    const std::wstring chosen = order[1].c_str();
    EXPECT_EQ(out.rfind(listing + L"2\n\nRestore Icon Locations for:\n\t" + chosen + L" [y/n]? y\nLayout: " + chosen + L"\n", 0), 0u)
        << Narrow(out);
    const size_t index = chosen == L"One" ? 0 : chosen == L"Two" ? 1 : 2;
    EXPECT_EQ(Current(), arrangements[index]);
}

TEST_F(CliFlowTest, ChooserListsAtMost35Layouts)
{
    for (int i = 0; i < 40; ++i) {
        CRegKey key(CWideString::Format(L"Software\\Quenlo\\Tovak\\Layout%02d", i).c_str(), KEY_ALL_ACCESS);
        ASSERT_TRUE(key.IsOpen());
    }
    const std::vector<CWideString> order = ListLayouts(TestCliFlavor());
    ASSERT_EQ(order.size(), 40u);

    EXPECT_EQ(Run({ L"query", L"/y" }, { L'z' }), 0);
    std::wstring listing = L"Current Resolution: " + FullLayoutName() + L"\n\n";
    for (int i = 0; i < kSelectionKeyCount; ++i)
        listing += std::wstring(1, kSelectionKeys[i]) + L") " + order[i].c_str() + L"\n";
    listing += L"Choose Layout (press ESC to cancel): z\n\n";
    EXPECT_EQ(out.rfind(listing, 0), 0u) << Narrow(out);
    // The 35th layout is an empty key: the restore engine says so.
    EXPECT_NE(out.find(order[34].c_str(), listing.size()), std::wstring::npos) << Narrow(out);
    EXPECT_EQ(out.find(order[35].c_str()), std::wstring::npos);
}

TEST_F(CliFlowTest, LayoutFilesSaveAndRestoreWithoutQuestions)
{
    const Positions saved = Current();
    const std::wstring path = folder.File(L"desk.osl");
    EXPECT_EQ(Run({ L"save", L"/f", path }, { L'n' }), 0);
    EXPECT_EQ(out, L"Layout File: " + path + L"\nOstrel: saved 3 Icons\n");
    EXPECT_EQ(keysRead, 0);
    EXPECT_TRUE(ListLayouts(TestCliFlavor()).empty());

    Scatter(0);
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
    EXPECT_EQ(Run({ L"restore", L"/f", L"desk.osl" }, { L'n' }), 0);
    EXPECT_EQ(keysRead, 0);
    EXPECT_EQ(out.rfind(L"Layout: " + path + L"\nOstrel: Repositioned: 3 Icons\n", 0), 0u) << Narrow(out);
    EXPECT_EQ(Current(), saved);

    EXPECT_EQ(Run({ L"restore", L"/f", L"missing.osl" }), 0);
    EXPECT_EQ(out, L"File not found: " + folder.File(L"missing.osl") + L"\n");
    SetCurrentDirectoryW(previous);

    const std::wstring nowhere = folder.File(L"no\\such\\folder.osl");
    EXPECT_EQ(Run({ L"save", L"/f", nowhere }), 0);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(err, L"Could not create the layout file: " + nowhere + L"\n");
}

TEST_F(CliFlowTest, RestoresNeedTheDesktopListView)
{
    ASSERT_EQ(Run({ L"save", L"/y" }), 0);
    StartHost(DeskWindows::NoDefView);
    for (const std::vector<std::wstring>& args : std::vector<std::vector<std::wstring>>{
             { L"restore", L"/y" }, { L"query" }, { L"restore", L"/f", folder.File(L"missing.osl") } }) {
        EXPECT_EQ(Run(args, { L'1', L'y' }), 0);
        EXPECT_EQ(out, L"");
        EXPECT_EQ(err, L"Could not locate Desktop ListView.\n");
        EXPECT_EQ(keysRead, 0);
    }
}

} // namespace
