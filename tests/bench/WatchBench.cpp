// Usage: watch_bench [idle-seconds]   (default 60)
// The watcher's figures with deskhost.exe and 100 icons in a Wine virtual
// desktop (tests/watch/WatchDesktop.h): from a display change to every icon
// at its place, and the part the watcher spent settling (its log says how
// long); then the CPU time and working set of the watcher while idle. Run by
// scripts/bench.sh; not a test.
#include <windows.h>
#include <psapi.h>
#include <cstdio>
#include "tests/cli/CliProcess.h"
#include "tests/watch/WatchDesktop.h"

namespace {

// 100 icons in ten columns, from the left edge or from the right one.
std::vector<DeskIcon> Icons(bool fromRight)
{
    std::vector<DeskIcon> icons;
    for (int i = 0; i < 100; ++i) {
        const LONG column = fromRight ? 1820 - (i / 10) * 90 : 20 + (i / 10) * 90;
        icons.push_back({ L"bench-" + std::to_wstring(i) + L".txt", POINT{ column, 20 + (i % 10) * 90 }, false });
    }
    return icons;
}

double CpuSeconds(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto value = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(value(kernel) + value(user)) / 1e7;
}

// The watcher's log tells when the restore is over and how long it waited;
// the benchmark only reads the log until then, so as not to slow the host.
bool Switch(int width, int height, const std::vector<DeskIcon>& icons)
{
    const size_t mark = WatchLogMark();
    const ULONGLONG start = GetTickCount64();
    if (!SetDisplayMode(width, height) || !WaitForWatchLog(L"Restored ", mark, 60000))
        return false;
    const double seconds = (GetTickCount64() - start) / 1000.0;
    const std::wstring log = WatchLogSince(mark);
    const size_t at = log.find(L"Settled after ");
    printf("%d x %d: display change to every icon in place %.2f s, of which settling %.1f s\n", width, height,
           seconds, at == std::wstring::npos ? -1.0 : _wtof(log.c_str() + at + 14));
    return WaitForWatchLog(L"Every icon stayed in place", mark, 20000) && ViewPositions() == PositionsOf(icons);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int idle = argc > 1 ? _wtoi(argv[1]) : 60;
    if (!InVirtualDesktop())
        return RunInVirtualDesktop(std::to_wstring(idle), (idle + 180) * 1000);
    CoInitialize(nullptr);
    CShellWindowsForwarding forwarding;
    CDeskHostProcess host;
    CWatchProcess watcher;
    if (!forwarding.Installed() || !LaunchWithLayouts(host, Icons(false), Icons(true)) || !watcher.Start() ||
        !WaitForWatchLog(L"Watching", 0, 10000)) {
        fprintf(stderr, "watch_bench: the host, the layouts or the watcher did not come up\n");
        return 1;
    }
    printf("Watcher, 100 icons, layouts for 1920 x 1080 and 1280 x 1024\n");
    const bool ok = Switch(1280, 1024, Icons(false)) && Switch(1920, 1080, Icons(true));

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    const double cpu = CpuSeconds(watcher.Process());
    Sleep(static_cast<DWORD>(idle) * 1000);
    const double idleCpu = CpuSeconds(watcher.Process()) - cpu;
    GetProcessMemoryInfo(watcher.Process(), &memory, sizeof(memory));
    printf("idle %d s: CPU time %.3f s, working set %.1f MB (peak %.1f MB)\n", idle, idleCpu,
           memory.WorkingSetSize / 1048576.0, memory.PeakWorkingSetSize / 1048576.0);
    watcher.Exit();
    host.Quit();
    DeleteLayouts();
    CoUninitialize();
    return ok ? 0 : 1;
}
