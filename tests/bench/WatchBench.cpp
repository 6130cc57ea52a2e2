// watch_bench [idle-seconds, 60]: the watcher with deskhost.exe and 100 icons
// in a Wine virtual desktop: from a display change to every icon in place, of
// which settling (the watcher logs it; meanwhile only the log is read, not to
// slow the host); then CPU time and working set of the idle watcher with
// "Auto Snapshot" off and on (looks every 20 s), and the time from the
// user's last move to the snapshot that holds it.
#include <windows.h>
#include <psapi.h>
#include <cstdio>
#include "layout/WatchNames.h"
#include "shellview/FolderView.h"
#include "tests/cli/CliProcess.h"
#include "tests/watch/WatchDesktop.h"

namespace {

std::vector<DeskIcon> Icons(bool fromRight)
{
    std::vector<DeskIcon> icons;
    for (LONG i = 0; i < 100; ++i)
        icons.push_back({ L"bench-" + std::to_wstring(i) + L".txt",
                          POINT{ fromRight ? 1820 - i / 10 * 90 : 20 + i / 10 * 90, 20 + i % 10 * 90 }, false });
    return icons;
}

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

double CpuSeconds(HANDLE process)
{
    ULARGE_INTEGER times[4] = {};
    GetProcessTimes(process, reinterpret_cast<FILETIME*>(&times[0]), reinterpret_cast<FILETIME*>(&times[1]),
                    reinterpret_cast<FILETIME*>(&times[2]), reinterpret_cast<FILETIME*>(&times[3]));
    return static_cast<double>(times[2].QuadPart + times[3].QuadPart) / 1e7;
}

void SetAutoSnapshot(bool on)
{
    const DWORD value = on ? 1 : 0;
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak", kAutoSnapshotValue, REG_DWORD, &value,
                    sizeof(value));
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(kWatchSettingsMessage), 0, 0);
}

// CPU seconds of the watcher over idle seconds.
double Idle(HANDLE watcher, int idle, bool snapshots)
{
    SetAutoSnapshot(snapshots);
    const double cpu = CpuSeconds(watcher);
    Sleep(static_cast<DWORD>(idle) * 1000);
    PROCESS_MEMORY_COUNTERS memory = {};
    GetProcessMemoryInfo(watcher, &memory, sizeof(memory));
    const double used = CpuSeconds(watcher) - cpu;
    printf("idle %d s, Auto Snapshot %s: CPU time %.3f s (%.3f %% of one core), working set %.1f MB (peak %.1f MB)\n",
           idle, snapshots ? "on" : "off", used, used * 100.0 / idle, memory.WorkingSetSize / 1048576.0,
           memory.PeakWorkingSetSize / 1048576.0);
    return used;
}

// The user moves one icon; the time until the watcher kept it.
void MoveToSnapshot()
{
    CDesktopViewPair pair;
    std::vector<CDesktopItem> items;
    if (!pair.Open() || !ReadDesktopItems(pair, false, items, nullptr) || items.empty())
        return;
    const size_t mark = WatchLogMark();
    PCUITEMID_CHILD first = items[0].child.Get();
    POINT to = { 900, 500 };
    const ULONGLONG start = GetTickCount64();
    PositionItems(pair.View(), 1, &first, &to);
    if (WaitForWatchLog(L"Kept the arrangement", mark, 120000))
        printf("last move to its snapshot: %.1f s (looks every 20 s)\n", (GetTickCount64() - start) / 1000.0);
    else
        printf("last move to its snapshot: none within 120 s\n");
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int idle = argc > 1 ? _wtoi(argv[1]) : 60;
    if (!InVirtualDesktop())
        return RunInVirtualDesktop(std::to_wstring(idle), (2 * idle + 300) * 1000);
    CoInitialize(nullptr);
    CShellWindowsForwarding forwarding;
    CDeskHostProcess host;
    CWatchProcess watcher;
    if (!forwarding.Installed() || !LaunchWithLayouts(host, Icons(false), Icons(true)) || !watcher.Start())
        return fprintf(stderr, "watch_bench: the host, the layouts or the watcher did not come up\n"), 1;
    printf("Watcher, 100 icons, layouts for 1920 x 1080 and 1280 x 1024\n");
    const bool ok = Switch(1280, 1024, Icons(false)) && Switch(1920, 1080, Icons(true));
    Idle(watcher.Process(), idle, false);
    const double on = Idle(watcher.Process(), idle, true);
    const double looks = idle / 20.0;
    // Wine counts another process's CPU time in ticks of 10 ms.
    printf("per look and icon: %s %.1f us of CPU (%.0f looks of 100 icons)\n", on > 0 ? "" : "below",
           (on > 0 ? on : 0.01) * 1e6 / looks / 100, looks);
    MoveToSnapshot();
    watcher.Exit();
    host.Quit();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak", kAutoSnapshotValue);
    DeleteLayouts();
    return ok ? 0 : 1;
}
