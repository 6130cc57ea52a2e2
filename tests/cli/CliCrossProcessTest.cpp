// OstrelCli.exe as its own process against deskhost.exe in another process,
// as on Windows, where the tool and the shell are two processes and every
// call on the shell view crosses between them.
#include <windows.h>
#include <shlwapi.h>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>
#include "DeskHostProcess.h"
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
    {
        CShellWindowsForwarding forwarding;
        ASSERT_TRUE(forwarding.Installed());
        CDeskHostProcess host;
        ASSERT_EQ(host.Launch(Icons(false)), S_OK);
        const auto saved = ViewPositions();
        ASSERT_EQ(saved.size(), 4u);

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
        host.Quit();
    }
    SHDeleteKeyW(HKEY_CURRENT_USER, kLayoutKey);
    SHDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak (undo)");
    CoUninitialize();
}

} // namespace
