// Usage: restore_bench [icons [shell]]
// Restore and capture figures on the desktop host: 1,000 icons on a
// 3840 x 2160 desktop and a stored layout that puts every icon elsewhere.
// Prints, for each restore engine and each capture, the wall time, the
// position-setting calls (SelectAndPositionItems and LVM_SETITEMPOSITION),
// and their number per icon that had to move. Run by scripts/bench.sh; not a test.
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>
#include "DeskHost.h"
#include "cli/access/CliContext.h"
#include "cli/access/DesktopView.h"
#include "engine/DeskCommands.h"
#include "engine/DeskContext.h"
#include "layout/LayoutStore.h"
#include "tests/common/FakeCapture.h"
#include "tests/common/TestSupport.h"

namespace {

const wchar_t kLayout[] = L"Bench Layout";

class CClock
{
public:
    CClock() { QueryPerformanceFrequency(&m_frequency); QueryPerformanceCounter(&m_start); }
    double Seconds() const
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - m_start.QuadPart) / static_cast<double>(m_frequency.QuadPart);
    }

private:
    LARGE_INTEGER m_frequency;
    LARGE_INTEGER m_start;
};

class CCountingSink : public CRecordSink
{
public:
    void Put(const IconRecord&) override { ++count; }
    int count = 0;
};

POINT Cell(int ordinal, int rows)
{
    return { 21 + 75 * (ordinal / rows), 2 + 75 * (ordinal % rows) };
}

void Row(const char* what, double seconds, long settings, int moved, const char* unit)
{
    printf("%-34s %8.3f s  %6ld %-22s %6.3f per moved icon\n", what, seconds, settings, unit,
           moved ? static_cast<double>(settings) / moved : 0.0);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int icons = argc > 1 ? _wtoi(argv[1]) : 1000;
    // "shell" leaves out the command-line figures, which take minutes.
    const bool shellOnly = argc > 2 && wcscmp(argv[2], L"shell") == 0;
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const int rows = (height - 2 - 75) / 75 + 1;
    const int cells = ((width - 31) / 75 + 1) * rows;
    if (cells < icons + 1) {
        fprintf(stderr, "screen %d x %d holds %d cells, too few for %d icons\n", width, height, cells, icons);
        return 1;
    }

    CScopedUserHive hive;
    std::vector<DeskIcon> desk;
    for (int i = 0; i < icons; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"Icon %04d.txt", i);
        desk.push_back({ name, Cell(i, rows) });
    }
    CDeskHost host;
    CClock startClock;
    if (FAILED(host.Start(DeskHostOptions(), desk))) {
        fprintf(stderr, "the desktop host did not start\n");
        return 1;
    }
    printf("%d icons on a %d x %d desktop (host started in %.1f s)\n\n", host.Count(), width, height,
           startClock.Seconds());

    // The stored layout moves every icon to another cell of the grid.
    std::vector<IconRecord> records;
    std::vector<POINT> targets;
    const int shift = cells - icons > icons / 2 ? icons : cells - icons;
    for (int i = 0; i < icons; ++i) {
        IconRecord record;
        record.Name = host.Label(i).c_str();
        record.Path = host.ParsingName(i).c_str();
        const POINT target = Cell((i + shift) % cells, rows);
        record.XCoord = target.x;
        record.YCoord = target.y;
        record.Index = i + 1;
        records.push_back(record);
        targets.push_back(target);
    }
    CDeskContext context(ShellExtResources());
    context.settings.confirmRestore = 0;
    context.SetSiteUnknown(host.Site());
    {
        CFakeCapture capture(records);
        int written = 0;
        if (SaveLayout(context.flavor, kLayout, capture, &written) != SaveResult::Saved || written != icons) {
            fprintf(stderr, "the layout was not stored\n");
            return 1;
        }
    }

    auto reset = [&] {
        for (int i = 0; i < icons; ++i)
            host.SetPosition(i, desk[i].pos);
        host.ResetCounters();
    };
    auto misplaced = [&] {
        int wrong = 0;
        for (int i = 0; i < icons; ++i) {
            const POINT at = host.Position(i);
            wrong += at.x != targets[i].x || at.y != targets[i].y;
        }
        return wrong;
    };

    // The shell extension's engine, as Restore Desktop runs it.
    reset();
    context.display.Capture();
    CClock shellClock;
    const int shellResult = RestoreLayoutInShell(context, host.ListView(), kLayout, 0);
    const double shellSeconds = shellClock.Seconds();
    // Through the folder view, one item a call; the list view's message only
    // for an icon whose move through the view does not read back.
    auto shellMoves = [&] { return host.Counters().positionCalls + host.Counters().setItemPosition; };
    Row("shell extension restore", shellSeconds, shellMoves(), icons, "position-setting calls");
    printf("%-34s result %d, %d icons not at their target\n", "", shellResult, misplaced());

    // A second restore of the settled layout.
    host.ResetCounters();
    CClock settledClock;
    RestoreLayoutInShell(context, host.ListView(), kLayout, 0);
    Row("shell extension restore, settled", settledClock.Seconds(), shellMoves(), icons, "position-setting calls");

    if (shellOnly) {
        context.SetSiteUnknown(nullptr);
        host.Stop();
        return 0;
    }

    // The command-line tool's engine.
    reset();
    Cli().flavor = TestCliFlavor();
    Cli().display.Capture();
    CClock cliClock;
    const bool cliResult = RestoreFromCli(kLayout, true);
    const double cliSeconds = cliClock.Seconds();
    Row("command-line restore (calls)", cliSeconds, host.Counters().positionCalls, icons,
        "SelectAndPositionItems");
    Row("command-line restore (items)", cliSeconds, host.Counters().itemsPositioned, icons, "items positioned");
    printf("%-34s result %d, %d icons not at their target\n", "", cliResult ? 1 : 0, misplaced());

    // Both captures, into a sink that only counts.
    {
        CClock clock;
        CCountingSink sink;
        MakeListViewCapture(context, host.ListView())->Run(sink);
        printf("%-34s %8.3f s  %6d records\n", "shell extension capture", clock.Seconds(), sink.count);
    }
    {
        CClock clock;
        CDesktopViewPair pair;
        CCountingSink sink;
        if (pair.Open())
            MakeShellViewCapture(pair)->Run(sink);
        printf("%-34s %8.3f s  %6d records\n", "command-line capture", clock.Seconds(), sink.count);
    }

    context.SetSiteUnknown(nullptr);
    host.Stop();
    return 0;
}
