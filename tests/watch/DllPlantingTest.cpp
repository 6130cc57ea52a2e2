// A wtsapi32.dll that a standard user put beside OstrelWatch.exe is never loaded.
#include <windows.h>
#include <gtest/gtest.h>
#include "DeskHostProcess.h"
#include "layout/WatchNames.h"
#include "tests/common/TestSupport.h"
#include "tests/watch/WatchDesktop.h"

TEST(WatchDllPlanting, AWtsapiBesideTheWatcherIsNotLoaded)
{
    CScratchFolder folder;
    ASSERT_TRUE(CopyFileW((BinFolder() + L"\\" + kWatchExecutable).c_str(), folder.File(kWatchExecutable).c_str(), FALSE) &&
                CopyFileW((BinFolder() + L"\\planted\\wtsapi32.dll").c_str(), folder.File(L"wtsapi32.dll").c_str(), FALSE));
    // Wine prefers its own wtsapi32 unless told otherwise (here, not by WINEDLLOVERRIDES,
    // which the child's loader reads from the Unix environment), as Windows does not.
    const std::wstring program = L"Software\\Wine\\AppDefaults\\OstrelWatch.exe";
    RegSetKeyValueW(HKEY_CURRENT_USER, (program + L"\\DllOverrides").c_str(), L"wtsapi32", REG_SZ, L"native,builtin", 30);
    CShellWindowsForwarding forwarding; // a desktop to look at, reached as Explorer's is
    CDeskHostProcess shell;
    CWatchProcess watcher;
    const bool started = forwarding.Installed() && shell.Launch({}) == S_OK && watcher.Start(std::wstring(), folder.Path());
    RegDeleteTreeW(HKEY_CURRENT_USER, program.c_str());
    ASSERT_TRUE(started && watcher.Exit());
    EXPECT_EQ(GetFileAttributesW(folder.File(L"wtsapi32.dll.loaded").c_str()), INVALID_FILE_ATTRIBUTES);
}
