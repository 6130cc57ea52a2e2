// A wtsapi32.dll that a standard user put beside OstrelWatch.exe (in a folder
// that lets them) is never loaded: the watcher binds the system's at run time.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "DeskHostProcess.h"
#include "layout/WatchNames.h"
#include "tests/common/TestSupport.h"
#include "tests/watch/WatchDesktop.h"

TEST(WatchDllPlanting, AWtsapiBesideTheWatcherIsNotLoaded)
{
    CScratchFolder folder;
    ASSERT_TRUE(CopyFileW((BinFolder() + L"\\" + kWatchExecutable).c_str(), folder.File(kWatchExecutable).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((BinFolder() + L"\\planted\\wtsapi32.dll").c_str(), folder.File(L"wtsapi32.dll").c_str(), FALSE));

    // Wine takes its own wtsapi32 whatever lies beside a program; told to
    // prefer a native one, it searches the program's folder first as Windows
    // does for a DLL that is not a known DLL. (WINEDLLOVERRIDES set here would
    // not reach the child's loader, which reads the Unix environment.)
    const wchar_t program[] = L"Software\\Wine\\AppDefaults\\OstrelWatch.exe";
    const wchar_t nativeFirst[] = L"native,builtin";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(program) + L"\\DllOverrides").c_str(), L"wtsapi32",
                              REG_SZ, nativeFirst, sizeof(nativeFirst)),
              ERROR_SUCCESS);
    // A desktop for the watcher to look at, reached as Explorer's would be.
    CoInitialize(nullptr);
    CShellWindowsForwarding forwarding;
    CDeskHostProcess shell;
    ASSERT_TRUE(forwarding.Installed());
    ASSERT_EQ(shell.Launch({}), S_OK);
    CWatchProcess watcher;
    const bool started = watcher.Start(folder.Path());
    RegDeleteTreeW(HKEY_CURRENT_USER, program);
    ASSERT_TRUE(started);
    EXPECT_TRUE(watcher.Exit());
    EXPECT_EQ(GetFileAttributesW(folder.File(L"wtsapi32.dll.loaded").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the planted wtsapi32.dll was loaded";
}
