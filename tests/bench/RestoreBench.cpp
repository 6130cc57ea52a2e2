// Usage: restore_bench [across] [icons ...]   (default: 100 300 1000;
// "across" leaves out everything but the cross-process figures)
// Restore, capture and layout-file figures on the desktop host for each
// number of icons, on a desktop large enough for all of them, with a stored
// layout that puts every icon on another cell. For each size:
//   - floors, measured in the same run: position sets and reads sent straight
//     to the host's list view, the same through its folder view in-process,
//     and, across processes, GetItemPosition round trips plus one
//     SelectAndPositionItems of every icon;
//   - the shell extension's restore (every icon misplaced, then settled),
//     capture and layout-file save and restore, in-process with the host;
//   - what keeping the before-restore snapshot (undo) adds to each restore of
//     either program, also as a share of that restore;
//   - OstrelCli.exe as its own process against deskhost.exe: save, restore of
//     every icon misplaced, restore settled, to and from the store and a
//     layout file, with the calls that reached deskhost.exe from it;
//   - once, the read of two crafted layout files (duplicate sections).
// Each figure is printed with its ratio to its floor where it has one, and
// the growth exponent between sizes (time ~ N^k). Run by scripts/bench.sh;
// not a test.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>
#include "DeskHost.h"
#include "DeskHostProcess.h"
#include "HostCallCount.h"
#include "shellview/FolderView.h"
#include "shellview/FolderViewCapture.h"
#include "deskshell/DeskCommands.h"
#include "deskshell/DeskContext.h"
#include "deskshell/ListViewCapture.h"
#include "deskshell/ListViewRestore.h"
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"
#include "layout/SnapshotStore.h"
#include "layout/UndoLayout.h"
#include "tests/cli/CliProcess.h"
#include "tests/common/FakeCapture.h"
#include "tests/common/TestSupport.h"

namespace {

const wchar_t kLayout[] = L"Bench Layout";
const wchar_t kCliLayout[] = L"Bench CLI Layout";
const int kCell = 75;

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

// One printed figure: a value per size.
struct Figure
{
    std::string name;
    std::string unit;    // "s", "x", "calls/icon", ...
    bool growth = true;  // print the growth exponent
    std::map<int, double> values;
};

class CTable
{
public:
    void Set(const std::string& name, const std::string& unit, int size, double value, bool growth = true)
    {
        for (Figure& figure : m_figures) {
            if (figure.name == name) {
                figure.values[size] = value;
                return;
            }
        }
        m_figures.push_back({ name, unit, growth, { { size, value } } });
    }
    double Get(const std::string& name, int size) const
    {
        for (const Figure& figure : m_figures) {
            auto it = figure.values.find(size);
            if (figure.name == name && it != figure.values.end())
                return it->second;
        }
        return 0;
    }
    void Print(const std::vector<int>& sizes) const
    {
        printf("\n%-48s %-10s", "figure", "unit");
        for (int size : sizes)
            printf(" %9s%-5d", "N=", size);
        for (size_t i = 1; i < sizes.size(); ++i)
            printf("  k %d-%d", sizes[i - 1], sizes[i]);
        printf("\n");
        for (const Figure& figure : m_figures) {
            printf("%-48s %-10s", figure.name.c_str(), figure.unit.c_str());
            for (int size : sizes) {
                auto it = figure.values.find(size);
                if (it == figure.values.end())
                    printf(" %14s", "-");
                else
                    printf(" %14.3f", it->second);
            }
            for (size_t i = 1; i < sizes.size() && figure.growth; ++i) {
                auto a = figure.values.find(sizes[i - 1]);
                auto b = figure.values.find(sizes[i]);
                if (a == figure.values.end() || b == figure.values.end() || a->second <= 0 || b->second <= 0)
                    printf(" %10s", "-");
                else
                    printf(" %10.2f", std::log(b->second / a->second) /
                                          std::log(static_cast<double>(sizes[i]) / sizes[i - 1]));
            }
            printf("\n");
        }
    }

private:
    std::vector<Figure> m_figures;
};

CTable g_table;

// Rows of the grid: from the top down, then the next column.
POINT Cell(int ordinal, int rows)
{
    return { 21 + kCell * (ordinal / rows), 2 + kCell * (ordinal % rows) };
}

struct Desk
{
    int rows = 0;
    int cells = 0;
    std::vector<DeskIcon> icons;       // where the host starts them
    std::vector<POINT> targets;        // where the layout puts them
};

Desk MakeDesk(int icons)
{
    Desk desk;
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    desk.rows = (height - 2 - kCell) / kCell + 1;
    desk.cells = ((width - 31) / kCell + 1) * desk.rows;
    const int shift = desk.cells - icons > icons / 2 ? icons : desk.cells - icons;
    for (int i = 0; i < icons; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"Icon %04d.txt", i);
        desk.icons.push_back({ name, Cell(i, desk.rows) });
        desk.targets.push_back(Cell((i + shift) % desk.cells, desk.rows));
    }
    return desk;
}

void Progress(const char* what, int size, double seconds)
{
    fprintf(stderr, "  N=%-5d %-44s %8.3f s\n", size, what, seconds);
}

// The shell extension and the floors in the host's own process.
bool RunInProcess(const Desk& desk, int n)
{
    CScopedUserHive hive;
    CDeskHost host;
    CClock startClock;
    if (FAILED(host.Start(DeskHostOptions(), desk.icons))) {
        fprintf(stderr, "the desktop host did not start\n");
        return false;
    }
    Progress("(in-process host started)", n, startClock.Seconds());

    std::vector<IconRecord> records;
    for (int i = 0; i < n; ++i) {
        IconRecord record;
        record.Name = host.Label(i).c_str();
        record.Path = host.ParsingName(i).c_str();
        record.XCoord = desk.targets[static_cast<size_t>(i)].x;
        record.YCoord = desk.targets[static_cast<size_t>(i)].y;
        record.Index = i + 1;
        records.push_back(record);
    }
    CDeskContext context(ShellExtResources());
    context.settings.confirmRestore = 0;
    context.SetSiteUnknown(host.Site());
    {
        CFakeCapture capture(records);
        int written = 0;
        if (SaveLayout(context.flavor, kLayout, capture, &written) != SaveResult::Saved || written != n) {
            fprintf(stderr, "the layout was not stored\n");
            return false;
        }
    }
    auto reset = [&] {
        for (int i = 0; i < n; ++i)
            host.SetPosition(i, desk.icons[static_cast<size_t>(i)].pos);
        host.ResetCounters();
    };
    auto misplaced = [&] {
        int wrong = 0;
        for (int i = 0; i < n; ++i) {
            const POINT at = host.Position(i);
            wrong += at.x != desk.targets[static_cast<size_t>(i)].x || at.y != desk.targets[static_cast<size_t>(i)].y;
        }
        return wrong;
    };

    // Floors: the list view, straight.
    const HWND listView = host.ListView();
    reset();
    {
        CClock clock;
        for (int i = 0; i < n; ++i) {
            const POINT to = desk.targets[static_cast<size_t>(i)];
            SendMessageW(listView, LVM_SETITEMPOSITION, static_cast<WPARAM>(i), MAKELPARAM(to.x, to.y));
            POINT at = {};
            SendMessageW(listView, LVM_GETITEMPOSITION, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&at));
        }
        g_table.Set("floor: list view, N sets + N reads", "s", n, clock.Seconds());
    }
    {
        CClock clock;
        for (int i = 0; i < n; ++i) {
            POINT at = {};
            SendMessageW(listView, LVM_GETITEMPOSITION, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&at));
        }
        g_table.Set("floor: list view, N reads", "s", n, clock.Seconds());
    }

    // Floors: the host's folder view, in-process.
    reset();
    {
        CComRef<IFolderView2> view;
        if (FAILED(OpenDesktopViewInterface(IID_IFolderView2, view.PutVoid()))) {
            fprintf(stderr, "the host's folder view was not reached\n");
            return false;
        }
        std::vector<CItemIdList> children(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            view->Item(i, children[static_cast<size_t>(i)].Put());
        CClock clock;
        for (int i = 0; i < n; ++i) {
            PCUITEMID_CHILD child = children[static_cast<size_t>(i)].Get();
            POINT to = desk.targets[static_cast<size_t>(i)];
            view->SelectAndPositionItems(1, &child, &to, SVSI_POSITIONITEM);
            POINT at = {};
            view->GetItemPosition(child, &at);
        }
        g_table.Set("floor: folder view in-process, N sets + N reads", "s", n, clock.Seconds());
        CClock reads;
        for (int i = 0; i < n; ++i) {
            POINT at = {};
            view->GetItemPosition(children[static_cast<size_t>(i)].Get(), &at);
        }
        g_table.Set("floor: folder view in-process, N reads", "s", n, reads.Seconds());
    }

    // The shell extension's engine, as Restore Desktop runs it.
    reset();
    context.display.Capture();
    {
        CClock clock;
        const int result = RestoreLayoutInShell(context, listView, kLayout, 0);
        const double seconds = clock.Seconds();
        Progress("shell extension restore", n, seconds);
        g_table.Set("shell extension restore", "s", n, seconds);
        g_table.Set("  not at target afterwards (result 1 expected)", "icons", n, misplaced() + (result == 1 ? 0 : n * 1000),
                    false);
        g_table.Set("  position-setting calls per icon", "per icon", n,
                    static_cast<double>(host.Counters().positionCalls + host.Counters().setItemPosition) / n, false);
    }
    host.ResetCounters();
    {
        CClock clock;
        RestoreLayoutInShell(context, listView, kLayout, 0);
        const double seconds = clock.Seconds();
        Progress("shell extension restore, settled", n, seconds);
        g_table.Set("shell extension restore, settled", "s", n, seconds);
        g_table.Set("  position-setting calls per icon, settled", "per icon", n,
                    static_cast<double>(host.Counters().positionCalls + host.Counters().setItemPosition) / n, false);
    }
    {
        CClock clock;
        CCountingSink sink;
        MakeListViewCapture(context, listView)->Run(sink);
        g_table.Set("shell extension capture", "s", n, clock.Seconds());
    }
    // Part of every restore above: one capture and one save of N records.
    {
        CClock clock;
        if (KeepUndoLayoutInShell(context, listView) != SaveResult::Saved)
            fprintf(stderr, "the before-restore snapshot was not kept\n");
        g_table.Set("shell extension: keeping the before-restore snapshot", "s", n, clock.Seconds());
    }

    // Layout files through the shell extension's code: save (capture and
    // write) and restore (read and place, every icon misplaced).
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring file = std::wstring(folder) + L"ostrel-bench.osl";
    {
        CClock clock;
        int written = 0;
        auto capture = MakeListViewCapture(context, listView);
        SaveLayoutFile(context.flavor, file.c_str(), *capture, &written);
        g_table.Set("shell extension layout file save", "s", n, clock.Seconds());
    }
    // The file as the saved layout: every icon at its target.
    {
        CFakeCapture capture(records);
        SaveLayoutFile(context.flavor, file.c_str(), capture, nullptr);
    }
    reset();
    {
        CClock clock;
        RestoreLayoutInShell(context, listView, file.c_str(), 1);
        g_table.Set("shell extension layout file restore", "s", n, clock.Seconds());
    }
    // The file alone: write N records, read them back, both flavors.
    {
        CFakeCapture capture(records);
        CClock clock;
        SaveLayoutFile(TestCliFlavor(), file.c_str(), capture, nullptr);
        g_table.Set("layout file: write N records", "s", n, clock.Seconds());
        CIconRecordArray read;
        CClock readClock;
        ReadLayoutFile(file.c_str(), context.display, read, nullptr);
        g_table.Set("layout file: read N records", "s", n, readClock.Seconds());
        if (static_cast<int>(read.size()) != n)
            fprintf(stderr, "the layout file held %d records, not %d\n", static_cast<int>(read.size()), n);
    }
    // What a keep adds beyond its capture: the display setup, and the
    // snapshot written with its limits kept.
    {
        CClock clock;
        const CDisplaySetup setup = UndoSetup(context.display, context.flavor);
        g_table.Set("display setup (device paths, DPI)", "s", n, clock.Seconds());
        CFakeCapture capture(records);
        CClock writeClock;
        CSnapshotStore().Write(TestCliFlavor(), setup, SnapshotKind::BeforeRestore, capture);
        g_table.Set("snapshot store: write N records", "s", n, writeClock.Seconds());
    }
    DeleteFileW(file.c_str());

    context.display.Release();
    context.SetSiteUnknown(nullptr);
    host.Stop();
    return true;
}

// OstrelCli.exe and the cross-process floor against deskhost.exe.
bool RunAcrossProcesses(const Desk& desk, int n)
{
    CShellWindowsForwarding forwarding;
    if (!forwarding.Installed()) {
        fprintf(stderr, "the forwarding to deskhost.exe was not installed\n");
        return false;
    }
    CDeskHostProcess host;
    CClock startClock;
    if (FAILED(host.Launch(desk.icons))) {
        fprintf(stderr, "deskhost.exe did not start\n");
        return false;
    }
    Progress("(deskhost.exe started)", n, startClock.Seconds());
    CDeskHostCallCounter counter;
    if (!counter.Open(host.ProcessId()))
        fprintf(stderr, "the calls into deskhost.exe are not counted\n");

    // The bench's own view of the host, across the process boundary.
    CDesktopViewPair pair;
    if (!pair.Open())
        return false;
    std::vector<CItemIdList> children(static_cast<size_t>(n));
    std::vector<POINT> saved(static_cast<size_t>(n));
    std::vector<POINT> elsewhere(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        pair.View()->Item(i, children[static_cast<size_t>(i)].Put());
        pair.View()->GetItemPosition(children[static_cast<size_t>(i)].Get(), &saved[static_cast<size_t>(i)]);
    }
    // Every icon to another cell: the layout's targets, which no icon holds.
    for (int i = 0; i < n; ++i)
        elsewhere[static_cast<size_t>(i)] = desk.targets[static_cast<size_t>(i)];
    std::vector<PCUITEMID_CHILD> raw;
    for (const CItemIdList& child : children)
        raw.push_back(child.Get());
    auto misplaced = [&] {
        int wrong = 0;
        for (int i = 0; i < n; ++i) {
            POINT at = {};
            pair.View()->GetItemPosition(raw[static_cast<size_t>(i)], &at);
            wrong += at.x != saved[static_cast<size_t>(i)].x || at.y != saved[static_cast<size_t>(i)].y;
        }
        return wrong;
    };
    auto misplace = [&] {
        pair.View()->SelectAndPositionItems(static_cast<UINT>(n), raw.data(), elsewhere.data(), SVSI_POSITIONITEM);
    };

    // The floor: N position reads and one move of every icon.
    counter.Reset();
    {
        CClock clock;
        for (int i = 0; i < n; ++i) {
            POINT at = {};
            pair.View()->GetItemPosition(raw[static_cast<size_t>(i)], &at);
        }
        const double reads = clock.Seconds();
        CClock moveClock;
        misplace();
        const double move = moveClock.Seconds();
        g_table.Set("floor: across processes, N reads + 1 move of N", "s", n, reads + move);
        g_table.Set("  of which the move of N", "s", n, move);
        g_table.Set("  calls per icon, counted in deskhost.exe", "per icon", n,
                    static_cast<double>(counter.Read().total) / n, false);
        CClock after;
        for (int i = 0; i < n; ++i) {
            POINT at = {};
            pair.View()->GetItemPosition(raw[static_cast<size_t>(i)], &at);
        }
        g_table.Set("  N reads after the move (not in the floor)", "s", n, after.Seconds());
    }
    // Back where they were, for the save.
    pair.View()->SelectAndPositionItems(static_cast<UINT>(n), raw.data(), saved.data(), SVSI_POSITIONITEM);

    auto runCli = [&](const char* what, const std::vector<std::wstring>& args, const wchar_t* expect) {
        counter.Reset();
        CClock clock;
        const CliRun run = RunCliProcess(args, std::string(), 600000);
        const double seconds = clock.Seconds();
        const DeskHostCallCounts calls = counter.Read();
        Progress(what, n, seconds);
        g_table.Set(what, "s", n, seconds);
        const std::string perIcon = std::string("  ") + what + ": calls per icon";
        g_table.Set(perIcon, "per icon", n, static_cast<double>(calls.total) / n, false);
        if (!run.finished || (expect && run.out.find(expect) == std::wstring::npos))
            fprintf(stderr, "%s: unexpected output:\n%ls%ls\n", what, run.out.c_str(), run.err.c_str());
        return calls;
    };

    // The process alone: start, parse, print, end.
    {
        CClock clock;
        RunCliProcess({ L"/?" });
        g_table.Set("OstrelCli.exe /? (process start and end)", "s", n, clock.Seconds(), false);
    }
    runCli("OstrelCli save (store)", { L"save", L"/n", kCliLayout, L"/y" }, L"saved");
    misplace();
    const DeskHostCallCounts restoreCalls =
        runCli("OstrelCli restore (store), all misplaced", { L"restore", L"/n", kCliLayout, L"/y" }, L"Repositioned");
    const int wrong = misplaced();
    g_table.Set("  not at target afterwards", "icons", n, wrong, false);
    g_table.Set("  restore calls per icon: view", "per icon", n, static_cast<double>(restoreCalls.view) / n, false);
    g_table.Set("  restore calls per icon: folder (names)", "per icon", n,
                static_cast<double>(restoreCalls.folder) / n, false);
    g_table.Set("  restore calls per icon: enumerator", "per icon", n,
                static_cast<double>(restoreCalls.enumerator) / n, false);
    g_table.Set("  restore calls: references and other (whole run)", "calls", n,
                static_cast<double>(restoreCalls.references + restoreCalls.other), false);
    runCli("OstrelCli restore (store), settled", { L"restore", L"/n", kCliLayout, L"/y" }, L"No Icons Repositioned");
    // Part of every restore above: the items the restore reads anyway, saved
    // as the before-restore snapshot with no call into deskhost.exe (the code OstrelCli runs).
    {
        CDisplayConfig display;
        display.Capture();
        std::vector<CDesktopItem> items;
        ReadDesktopItems(pair, true, items, nullptr);
        counter.Reset();
        CClock clock;
        CDesktopItemsCapture capture(items, display);
        if (KeepUndoLayout(TestCliFlavor(), CDisplaySetup(display, L"Bench undo"), capture) != SaveResult::Saved)
            fprintf(stderr, "the before-restore snapshot was not kept\n");
        g_table.Set("OstrelCli: keeping the before-restore snapshot", "s", n, clock.Seconds());
        g_table.Set("  calls into deskhost.exe while keeping", "calls", n, counter.Read().total, false);
    }

    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring file = std::wstring(folder) + L"ostrel-bench-cli.osl";
    runCli("OstrelCli save /f (layout file)", { L"save", L"/f", file, L"/y" }, L"saved");
    misplace();
    runCli("OstrelCli restore /f, all misplaced", { L"restore", L"/f", file, L"/y" }, L"Repositioned");
    DeleteFileW(file.c_str());

    pair.Release();
    children.clear();
    host.Quit();
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<int> sizes;
    bool acrossOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"across") == 0)
            acrossOnly = true;
        else if (_wtoi(argv[i]) > 0)
            sizes.push_back(_wtoi(argv[i]));
    }
    if (sizes.empty())
        sizes = { 100, 300, 1000 };

    CoInitialize(nullptr);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    printf("Desktop %d x %d; sizes:", width, height);
    for (int size : sizes)
        printf(" %d", size);
    printf(" icons\n");
    CClock total;
    for (int n : sizes) {
        const Desk desk = MakeDesk(n);
        if (desk.cells < n + 1) {
            fprintf(stderr, "screen %d x %d holds %d cells, too few for %d icons\n", width, height, desk.cells, n);
            return 1;
        }
        if ((!acrossOnly && !RunInProcess(desk, n)) || !RunAcrossProcesses(desk, n))
            return 1;
    }

    // Ratios to the floors.
    for (int n : sizes) {
        const double fvSetRead = g_table.Get("floor: folder view in-process, N sets + N reads", n);
        const double fvRead = g_table.Get("floor: folder view in-process, N reads", n);
        const double lvSetRead = g_table.Get("floor: list view, N sets + N reads", n);
        const double lvRead = g_table.Get("floor: list view, N reads", n);
        const double cross = g_table.Get("floor: across processes, N reads + 1 move of N", n);
        // Figures left out of the run have no ratio.
        auto setRatio = [n](const char* name, const char* unit, int, double value, bool) {
            if (value >= 0)
                g_table.Set(name, unit, n, value, false);
        };
        auto ratio = [](double value, double floor) { return floor > 0 && value > 0 ? value / floor : -1; };
        setRatio("ratio: shell restore / folder-view floor", "x", n,
                    ratio(g_table.Get("shell extension restore", n), fvSetRead), false);
        setRatio("ratio: shell restore / list-view floor", "x", n,
                    ratio(g_table.Get("shell extension restore", n), lvSetRead), false);
        setRatio("ratio: shell settled / folder-view reads floor", "x", n,
                    ratio(g_table.Get("shell extension restore, settled", n), fvRead), false);
        setRatio("ratio: shell settled / list-view reads floor", "x", n,
                    ratio(g_table.Get("shell extension restore, settled", n), lvRead), false);
        setRatio("ratio: OstrelCli restore / cross-process floor", "x", n,
                    ratio(g_table.Get("OstrelCli restore (store), all misplaced", n), cross), false);
        setRatio("ratio: OstrelCli restore less process start / floor", "x", n,
                    ratio(g_table.Get("OstrelCli restore (store), all misplaced", n) -
                              g_table.Get("OstrelCli.exe /? (process start and end)", n),
                          cross),
                    false);
        auto share = [](double part, double whole) { return whole > 0 && part > 0 ? 100 * part / whole : -1; };
        setRatio("share: shell extension keep / its restore, all misplaced", "%", n,
                 share(g_table.Get("shell extension: keeping the before-restore snapshot", n),
                       g_table.Get("shell extension restore", n)),
                 false);
        setRatio("share: OstrelCli keep / its restore, all misplaced", "%", n,
                 share(g_table.Get("OstrelCli: keeping the before-restore snapshot", n),
                       g_table.Get("OstrelCli restore (store), all misplaced", n)),
                 false);
    }
    g_table.Print(sizes);

    CScratchFolder folder;
    for (int n : { 16000, 65000 }) {
        const std::wstring file = folder.File(L"crafted.osl");
        WriteDuplicateSectionsFile(file, n, n);
        CIconRecordArray read;
        CDisplayConfig display;
        CClock clock;
        ReadLayoutFile(file.c_str(), display, read, nullptr);
        printf("crafted layout file, %d sections of one name after %d keys (%d KB): read in %.3f s, %d records\n", n, n,
               static_cast<int>(ReadFileBytes(file).size() / 1024), clock.Seconds(), static_cast<int>(read.size()));
    }
    printf("\nwhole run %.1f s\n", total.Seconds());
    CoUninitialize();
    return 0;
}
