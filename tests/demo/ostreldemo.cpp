// ostreldemo.exe <artifact-folder>
//
// Lays out a sample desktop, saves it, shuffles the icons and restores them:
// first with OstrelCli.exe as its own process against deskhost.exe in another
// process (as on Windows, where the tool and the shell are two processes),
// then with the shell extension loaded through COM inside the host, invoked
// as the shell invokes a context-menu command. The host keeps its own record
// of the icon positions, as the desktop of Windows 10 and 11 does, and after
// each restore the desktop is laid out again (as a refresh does), so that
// only what the shell itself took in counts. Screenshots of the desktop
// before, shuffled, after, and (shell extension) laid out again go to the
// artifact folder as BMP files. Last, in a Wine virtual desktop of its own,
// the watcher puts the icons back after the screen changes to 1280 x 1024 and
// back to 1920 x 1080 (watch-*.bmp); then the user arranges them anew, never
// saving, and that arrangement comes back after the same trip; last, at a
// size never seen, the arrangement fitted to it (watch-6, watch-7).
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <cstdio>
#include <string>
#include <vector>
#include "DeskHost.h"
#include "DeskHostProcess.h"
#include "shellview/FolderView.h"
#include "layout/Owners.h"
#include "layout/RegKey.h"
#include "tests/watch/WatchDesktop.h"

namespace {

const CLSID kClsidDeskMenu = { 0x7E74422F, 0x2393, 0x11D4, { 0x98, 0xE0, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00 } };

std::wstring g_artifacts;

void Say(const wchar_t* format, ...)
{
    wchar_t text[2048];
    va_list args;
    va_start(args, format);
    _vsnwprintf(text, 2047, format, args);
    va_end(args);
    text[2047] = 0;
    char utf8[8192];
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
    DWORD written = 0;
    if (bytes > 1)
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8, bytes - 1, &written, nullptr);
}

std::vector<DeskIcon> SampleIcons()
{
    const wchar_t* names[] = { L"Quarterly report.txt", L"Budget 2026.csv", L"Notes.md", L"Фотографии.txt",
                               L"会议记录.txt", L"Travel plans.txt", L"Invoice 42%.txt", L"Recipes.txt",
                               L"Todo.txt", L"Ideas.txt" };
    std::vector<DeskIcon> icons;
    int i = 0;
    for (const wchar_t* name : names) {
        DeskIcon icon;
        icon.name = name;
        icon.pos = POINT{ 40 + (i % 3) * 160, 40 + (i / 3) * 130 };
        icons.push_back(icon);
        ++i;
    }
    DeskIcon folder;
    folder.name = L"Projects";
    folder.directory = true;
    folder.pos = POINT{ 1600, 60 };
    icons.push_back(folder);
    return icons;
}

std::vector<DeskIcon> Shuffled(std::vector<DeskIcon> icons)
{
    // Every icon to another place: reversed order along a diagonal.
    const size_t n = icons.size();
    for (size_t i = 0; i < n; ++i)
        icons[i].pos = POINT{ 700 + static_cast<LONG>((n - 1 - i) * 90), 200 + static_cast<LONG>(((n - 1 - i) % 4) * 150) };
    return icons;
}

bool Screenshot(const wchar_t* name)
{
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, GetSystemMetrics(SM_XVIRTUALSCREEN),
           GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY);
    GdiFlush();
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    const DWORD imageBytes = stride * height;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + imageBytes;
    const std::wstring path = g_artifacts + L"\\" + name;
    bool ok = false;
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (out) {
        ok = fwrite(&file, sizeof(file), 1, out) == 1 && fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
             fwrite(bits, 1, imageBytes, out) == imageBytes;
        fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

// Lets a host in another process draw before the screen is read.
void Settle(DWORD ms)
{
    const DWORD end = GetTickCount() + ms;
    while (GetTickCount() < end) {
        CDeskHost::Pump();
        Sleep(20);
    }
}

// Runs OstrelCli.exe with the arguments and prints what it printed.
void RunCli(const std::wstring& arguments)
{
    std::wstring command = L"\"" + DeskHostBinFolder() + L"OstrelCli.exe\" " + arguments;
    Say(L"\n> OstrelCli %ls\n", arguments.c_str());
    SECURITY_ATTRIBUTES sa = { sizeof(sa), nullptr, TRUE };
    CHandle readPipe, writePipe;
    CreatePipe(readPipe.Put(), writePipe.Put(), &sa, 0);
    SetHandleInformation(readPipe.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writePipe.Get();
    startup.hStdError = writePipe.Get();
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        Say(L"  could not start OstrelCli.exe (%lu)\n", GetLastError());
        return;
    }
    const CHandle processHandle(process.hProcess), threadHandle(process.hThread);
    writePipe.Reset();
    std::string output;
    char chunk[1024];
    DWORD got = 0;
    while (ReadFile(readPipe.Get(), chunk, sizeof(chunk), &got, nullptr) && got > 0)
        output.append(chunk, got);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), output.data(), static_cast<DWORD>(output.size()), &written, nullptr);
    Say(L"  (exit status %ld)\n", static_cast<long>(status));
}

// Positions of the items of the desktop view that another process shows,
// by display name, read through the shell view as the tool reads them.
bool ViewPositions(std::vector<DeskIcon>* out)
{
    CDesktopViewPair pair;
    if (!pair.Open())
        return false;
    int count = 0;
    if (FAILED(pair.View()->ItemCount(SVGIO_ALLVIEW, &count)))
        return false;
    for (int i = 0; i < count; ++i) {
        CItemIdList owned;
        if (FAILED(pair.View()->Item(i, owned.Put())))
            continue;
        const PCUITEMID_CHILD child = owned.Get();
        STRRET name = {};
        wchar_t text[MAX_PATH] = {};
        POINT pos = {};
        if (SUCCEEDED(pair.Folder()->GetDisplayNameOf(child, SHGDN_INFOLDER | SHGDN_FORPARSING, &name)) &&
            SUCCEEDED(StrRetToBufW(&name, child, text, MAX_PATH)) &&
            SUCCEEDED(pair.View()->GetItemPosition(child, &pos))) {
            DeskIcon icon;
            icon.name = text;
            icon.pos = pos;
            out->push_back(icon);
        }
    }
    return true;
}

int CountMisplaced(const std::vector<DeskIcon>& expected, const std::vector<DeskIcon>& actual)
{
    int misplaced = 0;
    for (const DeskIcon& want : expected) {
        bool found = false;
        for (const DeskIcon& have : actual) {
            if (lstrcmpiW(have.name.c_str(), want.name.c_str()) == 0) {
                found = have.pos.x == want.pos.x && have.pos.y == want.pos.y;
                if (!found)
                    Say(L"  %ls is at (%ld,%ld), saved at (%ld,%ld)\n", want.name.c_str(), have.pos.x, have.pos.y,
                        want.pos.x, want.pos.y);
                break;
            }
        }
        if (!found)
            ++misplaced;
    }
    return misplaced;
}

int CommandLineHalf(const std::vector<DeskIcon>& icons)
{
    Say(L"== OstrelCli.exe against deskhost.exe (two processes) ==\n");
    CShellWindowsForwarding forwarding;
    if (!forwarding.Installed()) {
        Say(L"  could not point the prefix's shell windows class at the host\n");
        return -1;
    }
    CDeskHostProcess host;
    HRESULT hr = host.Launch(icons);
    if (FAILED(hr)) {
        Say(L"  deskhost.exe did not start (0x%08lX)\n", static_cast<unsigned long>(hr));
        return -1;
    }
    Settle(1500);
    Screenshot(L"cli-1-before.bmp");
    RunCli(L"save /y");
    host.Quit();

    // The same files, every icon somewhere else.
    hr = host.Launch(Shuffled(icons));
    if (FAILED(hr))
        return -1;
    Settle(1500);
    Screenshot(L"cli-2-shuffled.bmp");
    RunCli(L"restore /y");
    Settle(1500);
    Screenshot(L"cli-3-after.bmp");
    if (!host.LayOutAgain())
        Say(L"  could not lay the host's desktop out again\n");
    std::vector<DeskIcon> now;
    if (!ViewPositions(&now)) {
        Say(L"  could not read the host's view\n");
        return -1;
    }
    const int misplaced = CountMisplaced(icons, now);
    host.Quit();
    return misplaced;
}

std::wstring FileNameOf(const std::wstring& parsingName)
{
    return parsingName.substr(parsingName.find_last_of(L'\\') + 1);
}

int IndexOfFile(const CDeskHost& host, const std::wstring& name)
{
    for (int i = 0; i < host.Count(); ++i)
        if (lstrcmpiW(FileNameOf(host.ParsingName(i)).c_str(), name.c_str()) == 0)
            return i;
    return -1;
}

// One context menu as the shell builds it: create, site, initialise, query,
// invoke the command at offset, release.
void InvokeAsShell(CDeskHost& host, UINT offset)
{
    CComRef<IContextMenu> menu;
    HRESULT hr = CoCreateInstance(kClsidDeskMenu, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.PutVoid());
    if (FAILED(hr)) {
        Say(L"  could not create the context menu handler (0x%08lX)\n", static_cast<unsigned long>(hr));
        return;
    }
    CComRef<IObjectWithSite> withSite;
    if (SUCCEEDED(menu.Query(IID_IObjectWithSite, withSite)))
        withSite->SetSite(host.Site());
    CComRef<IShellExtInit> init;
    if (SUCCEEDED(menu.Query(IID_IShellExtInit, init)))
        init->Initialize(nullptr, nullptr, nullptr);
    HMENU popup = CreatePopupMenu();
    menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    info.hwnd = host.ListView();
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    menu->InvokeCommand(&info);
    DestroyMenu(popup);
    if (withSite)
        withSite->SetSite(nullptr);
}

int ShellExtensionHalf(const std::vector<DeskIcon>& icons)
{
    Say(L"\n== ostrelsx.dll inside the desktop host, invoked as the shell invokes it ==\n");
    // The Save Desktop question is a message box; the demo answers it by
    // switching the question off, as a user would in Settings.
    CRegKey settings(L"Software\\Quenlo\\Tovak", KEY_ALL_ACCESS);
    settings.WriteNumber(L"Confirm Save", 0);
    settings.WriteNumber(L"Confirm Restore", 0);
    settings.Close();

    CDeskHost host;
    DeskHostOptions options;
    options.visible = true;
    if (FAILED(host.Start(options, icons))) {
        Say(L"  the desktop host did not start\n");
        return -1;
    }
    Settle(800);
    Screenshot(L"shx-1-before.bmp");
    Say(L"  Save Desktop\n");
    InvokeAsShell(host, 0);

    // The user drags every icon elsewhere.
    const std::vector<DeskIcon> shuffled = Shuffled(icons);
    for (const DeskIcon& icon : shuffled)
        host.DragIcon(IndexOfFile(host, icon.name), icon.pos);
    Settle(800);
    Screenshot(L"shx-2-shuffled.bmp");
    host.ResetCounters();
    Say(L"  Restore Desktop\n");
    InvokeAsShell(host, 1);
    Settle(800);
    Screenshot(L"shx-3-after.bmp");
    const DeskHostCounters& counters = host.Counters();
    Say(L"  %ld position-setting calls for %zu icons\n",
        counters.positionCalls + counters.setItemPosition + counters.setItemPosition32, icons.size());
    Say(L"  Desktop laid out again\n");
    host.LayOutAgain();
    Settle(800);
    Screenshot(L"shx-4-laid-out-again.bmp");

    std::vector<DeskIcon> now;
    for (int i = 0; i < host.Count(); ++i) {
        DeskIcon icon;
        icon.name = FileNameOf(host.ParsingName(i));
        icon.pos = host.Position(i);
        now.push_back(icon);
    }
    const int misplaced = CountMisplaced(icons, now);
    host.Stop();
    return misplaced;
}

// In the virtual desktop: layouts for both sizes, the watcher running, the
// screen to 1280 x 1024 (the host shoves icons into view, the watcher
// restores) and back.
int WatcherHalf(const std::vector<DeskIcon>& icons)
{
    std::vector<DeskIcon> small = icons;
    for (size_t i = 0; i < small.size(); ++i)
        small[i].pos = POINT{ 60 + static_cast<LONG>(i % 6) * 180, 560 + static_cast<LONG>(i / 6) * 160 };
    CShellWindowsForwarding forwarding;
    CDeskHostProcess host;
    CWatchProcess watcher;
    if (!forwarding.Installed() || !LaunchWithLayouts(host, small, icons) || !watcher.Start(L"/look 1"))
        return -1;
    Screenshot(L"watch-1-before.bmp");
    size_t mark = WatchLogMark();
    SetDisplayMode(1280, 1024);
    Settle(1300);
    Screenshot(L"watch-2-shoved-1280x1024.bmp");
    WaitForWatchLog(L"Every icon stayed in place", mark, 30000);
    Screenshot(L"watch-2-restored-1280x1024.bmp");
    mark = WatchLogMark();
    SetDisplayMode(1920, 1080);
    WaitForWatchLog(L"Every icon stayed in place", mark, 30000);
    Settle(500);
    Screenshot(L"watch-3-after.bmp");
    std::vector<DeskIcon> now;
    int misplaced = ViewPositions(&now) ? CountMisplaced(icons, now) : -1;

    // Arranged anew and never saved: kept by the watcher's looks (30 s
    // after its last restore), and back after the same trip.
    std::vector<DeskIcon> arranged = icons;
    for (size_t i = 0; i < arranged.size(); ++i)
        arranged[i].pos = POINT{ 1700 - static_cast<LONG>(i / 4) * 160, 80 + static_cast<LONG>(i % 4) * 130 };
    mark = WatchLogMark();
    MoveDesktopIcons(arranged);
    Screenshot(L"watch-4-arranged-unsaved.bmp");
    WaitForWatchLog(L"Kept the arrangement", mark, 60000);
    SetDisplayMode(1280, 1024);
    WaitForWatchLog(L"Every icon stayed in place", mark, 30000);
    mark = WatchLogMark();
    SetDisplayMode(1920, 1080);
    WaitForWatchLog(L"Every icon stayed in place", mark, 30000);
    Settle(500);
    Screenshot(L"watch-5-arrangement-back.bmp");
    std::vector<DeskIcon> back;
    misplaced += ViewPositions(&back) ? CountMisplaced(arranged, back) : 1;

    // A size never seen (30 s after the last restore, so that the looks
    // kept nothing of the trip): Windows' re-layout, then the fit of the
    // arrangement, cell by cell from the nearer edges.
    mark = WatchLogMark();
    SetDisplayMode(1024, 768);
    Settle(1300);
    Screenshot(L"watch-6-windows-1024x768.bmp");
    WaitForWatchLog(L"Every icon stayed in place", mark, 30000);
    Settle(500);
    Screenshot(L"watch-7-fitted-1024x768.bmp");
    if (WatchLogSince(mark).find(L"Fitted the arrangement of ") == std::wstring::npos)
        ++misplaced;
    SetDisplayMode(1920, 1080);
    Say(L"%ls", WatchLogSince(0).c_str());
    watcher.Exit();
    DeleteLayouts();
    return misplaced;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    g_artifacts = argc > 1 ? argv[1] : L".";
    CreateDirectoryW(g_artifacts.c_str(), nullptr);
    const std::vector<DeskIcon> icons = SampleIcons();
    OleInitialize(nullptr);
    if (InVirtualDesktop())
        return WatcherHalf(icons) == 0 ? 0 : 1;

    const int cliMisplaced = CommandLineHalf(icons);
    const int shxMisplaced = ShellExtensionHalf(icons);

    Say(L"== OstrelWatch.exe: the screen to 1280 x 1024 and back (virtual desktop) ==\n");
    const int watchStatus = RunInVirtualDesktop(L"\"" + g_artifacts + L"\"", 240000);

    Say(L"\nOstrelCli: %ls\n", cliMisplaced == 0 ? L"every icon came back" : L"some icons did not come back");
    Say(L"ostrelsx:  %ls\n", shxMisplaced == 0 ? L"every icon came back" : L"some icons did not come back");
    Say(L"OstrelWatch: %ls\n", watchStatus == 0 ? L"every icon came back" : L"some icons did not come back");
    const bool ok = cliMisplaced == 0 && shxMisplaced == 0 && watchStatus == 0;
    Say(L"%ls\n", ok ? L"RESULT: every icon came back" : L"RESULT: not every icon came back");
    return ok ? 0 : 1;
}
