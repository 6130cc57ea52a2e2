// OstrelCli.exe as its own process against deskhost.exe in another process,
// as on Windows, where the tool and the shell are two processes and every
// call on the shell view crosses between them.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>
#include "DeskHostProcess.h"
#include "HostCallCount.h"
#include "engine/ShellNames.h"
#include "shellview/FolderView.h"
#include "tests/cli/CliProcess.h"
#include "tests/common/TestSupport.h"

namespace {

// The child process writes to the test prefix's own store (the prefix is made
// afresh for every test run); the layout is removed again at the end.
const wchar_t kLayout[] = L"Cross process \u0442\u0435\u0441\u0442";
const wchar_t kLayoutKey[] = L"Software\\Quenlo\\Tovak\\Cross process \u0442\u0435\u0441\u0442";

std::vector<DeskIcon> Icons(bool shuffled)
{
    const wchar_t* names[] = { L"alpha.txt", L"beta.txt", L"\u0433\u0430\u043C\u043C\u0430.txt", L"delta.txt" };
    std::vector<DeskIcon> icons;
    for (int i = 0; i < 4; ++i) {
        DeskIcon icon;
        icon.name = names[i];
        const int slot = shuffled ? 3 - i : i;
        icon.pos = POINT{ shuffled ? 900 + slot * 110 : 30, shuffled ? 400 : 30 + slot * 110 };
        icons.push_back(icon);
    }
    return icons;
}

TEST(CliCrossProcess, SaveShuffleAndRestoreAgainstASeparateDeskHost)
{
    CoInitialize(nullptr);
    SHDeleteKeyW(HKEY_CURRENT_USER, kLayoutKey);
    RemoveSnapshots();
    {
        CShellWindowsForwarding forwarding;
        ASSERT_TRUE(forwarding.Installed());
        CDeskHostProcess host;
        ASSERT_EQ(host.Launch(Icons(false)), S_OK);
        const auto saved = ViewPositions();
        ASSERT_EQ(saved.size(), 4u);
        EXPECT_EQ(RunCliProcess({ L"history" }).err.find(L"No snapshots for: Layout "), 0u);

        CliRun run = RunCliProcess({ L"save", L"/n", kLayout, L"/y" });
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_NE(run.out.find(std::wstring(L"Layout: ") + kLayout + L"\nOstrel: saved 4 Icons\n"), std::wstring::npos)
            << Narrow(run.out) << Narrow(run.err);
        host.Quit();

        // The same files, every icon elsewhere, in a new shell process.
        ASSERT_EQ(host.Launch(Icons(true)), S_OK);
        const auto shuffled = ViewPositions();
        EXPECT_NE(shuffled, saved);
        run = RunCliProcess({ L"restore", L"/n", kLayout, L"/y" });
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_NE(run.out.find(L"Ostrel: Repositioned: 4 Icons\n"), std::wstring::npos) << Narrow(run.out) << Narrow(run.err);
        // The host's view answers from its own record of the positions, which
        // holds when the desktop is laid out again.
        EXPECT_EQ(ViewPositions(), saved);
        ASSERT_TRUE(host.LayOutAgain());
        EXPECT_EQ(ViewPositions(), saved);

        // Undo puts back what the restore found; a second undo returns.
        for (const auto* expected : { &shuffled, &saved }) {
            run = RunCliProcess({ L"undo", L"/y" });
            EXPECT_NE(run.out.find(L"Ostrel: Repositioned: 4 Icons\n"), std::wstring::npos) << Narrow(run.out);
            EXPECT_EQ(ViewPositions(), *expected);
        }

        // Restoring again finds every icon in place.
        run = RunCliProcess({ L"restore", L"/n", kLayout, L"/y" });
        EXPECT_NE(run.out.find(L"Ostrel: No Icons Repositioned\n"), std::wstring::npos) << Narrow(run.out);

        // The restore and the two undos each kept what they replaced, the
        // newest first; the newest is where the first undo left the icons.
        run = RunCliProcess({ L"history" });
        const size_t first = run.out.find(L"\n1. ");
        ASSERT_NE(first, std::wstring::npos) << Narrow(run.out);
        EXPECT_NE(run.out.find(L" before restore (4 icons) ", first), std::wstring::npos) << Narrow(run.out);
        EXPECT_NE(run.out.find(L"\n3. "), std::wstring::npos);
        EXPECT_EQ(run.out.find(L"\n4. "), std::wstring::npos);
        const size_t path = run.out.find(L") ", first) + 2;
        run = RunCliProcess({ L"restore", L"/f", run.out.substr(path, run.out.find(L'\n', path) - path), L"/y" });
        EXPECT_NE(run.out.find(L"Ostrel: Repositioned: 4 Icons\n"), std::wstring::npos) << Narrow(run.out);
        EXPECT_EQ(ViewPositions(), shuffled);
        host.Quit();
    }
    SHDeleteKeyW(HKEY_CURRENT_USER, kLayoutKey);
    RemoveSnapshots();
    CoUninitialize();
}

// The tool names the view's items with its own desktop folder, with no call
// into the shell: for every kind of item the host shows, it gives the names
// that the view's folder in the shell's process gives for the same ID list.
TEST(CliCrossProcess, OwnDesktopFolderNamesEveryKindOfItemAsTheViewsFolder)
{
    CoInitialize(nullptr);
    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
    const std::wstring directory = std::wstring(desktop) + L"\\a folder";
    CreateDirectoryW(directory.c_str(), nullptr);
    {
        CShellWindowsForwarding forwarding;
        ASSERT_TRUE(forwarding.Installed());
        CDeskHostProcess host;
        ASSERT_EQ(host.Launch({ { L"plain.txt", { 30, 30 } }, { L"\u0433\u0430\u043C\u043C\u0430.doc", { 30, 140 } },
                                { L"shortcut.lnk", { 30, 250 } }, { L"a folder", { 30, 360 } },
                                { L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", { 30, 470 } } }),
                  S_OK);
        CDeskHostCallCounter calls;
        ASSERT_TRUE(calls.Open(host.ProcessId()));
        CDesktopViewPair pair;
        ASSERT_TRUE(pair.Open());
        calls.Reset();
        std::vector<CDesktopItem> items;
        ASSERT_TRUE(ReadDesktopItems(pair, false, items, nullptr));
        EXPECT_EQ(0, calls.Read().folder);
        ASSERT_EQ(items.size(), 5u);
        for (const CDesktopItem& item : items) {
            CWideString name, parsingName;
            EXPECT_TRUE(ItemDisplayName(pair.Folder(), item.child.Get(), SHGDN_NORMAL, name));
            EXPECT_TRUE(ItemDisplayName(pair.Folder(), item.child.Get(), SHGDN_FORPARSING, parsingName));
            EXPECT_STREQ(name.c_str(), item.name);
            EXPECT_STREQ(parsingName.c_str(), item.parsingName);
        }
        pair.Release();
        host.Quit();
    }
    RemoveDirectoryW(directory.c_str());
    CoUninitialize();
}

} // namespace
