// deskhost.exe: shows the desktop host with icons at given positions until
// it is closed.
//
//   deskhost.exe [--width W] [--height H] [--positions FILE] [--publish]
//                [--autoarrange] [--snaptogrid] [--no-record]
//                [--ready EVENT] [--quit EVENT] <folder-or-""> [name=x,y ...]
//
// Each name becomes an icon: the file of that name in <folder> is copied into
// the desktop folder, or an empty file is made when <folder> is empty or lacks
// it. --positions reads more name=x,y lines from a UTF-8 file. --ready names
// an event set once the desktop is up; --quit an event that ends the program
// (as does closing its window). --publish makes the shell windows object
// reachable from other processes (kDeskHostPublication) and counts the calls
// that arrive from them (HostCallCount.h); its view then stops answering
// while the event DeskHostAnsweringEvent is reset. --autoarrange and --snaptogrid
// start with those folder flags on; --no-record leaves out the view's own
// record of positions (the list view is the only one).
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <cstdio>
#include <string>
#include <vector>
#include "DeskHost.h"
#include "HostCallCount.h"

namespace {

bool ParseIcon(const std::wstring& spec, DeskIcon* icon)
{
    const size_t equals = spec.rfind(L'=');
    if (equals == std::wstring::npos || equals == 0)
        return false;
    int x = 0, y = 0;
    if (swscanf(spec.c_str() + equals + 1, L"%d,%d", &x, &y) != 2)
        return false;
    icon->name = spec.substr(0, equals);
    icon->pos = POINT{ x, y };
    return true;
}

bool ReadPositions(const std::wstring& path, std::vector<DeskIcon>* icons)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return false;
    std::string text;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0)
        text.append(chunk, got);
    fclose(file);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const int chars = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(chars), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &wide[0], chars);
        DeskIcon icon;
        if (!ParseIcon(wide, &icon))
            return false;
        icons->push_back(icon);
    }
    return true;
}

int Fail(const wchar_t* what)
{
    fwprintf(stderr, L"deskhost: %s\n", what);
    return 2;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return Fail(L"cannot read the command line");

    DeskHostOptions options;
    options.visible = true;
    std::wstring folder, readyEvent, quitEvent;
    bool haveFolder = false;
    std::vector<DeskIcon> icons;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--width" && hasValue)
            options.width = _wtoi(argv[++i]);
        else if (arg == L"--height" && hasValue)
            options.height = _wtoi(argv[++i]);
        else if (arg == L"--positions" && hasValue) {
            if (!ReadPositions(argv[++i], &icons))
                return Fail(L"cannot read the positions file");
        } else if (arg == L"--publish")
            options.publish = true;
        else if (arg == L"--autoarrange")
            options.autoArrange = true;
        else if (arg == L"--snaptogrid")
            options.snapToGrid = true;
        else if (arg == L"--no-record")
            options.positionRecord = false;
        else if (arg == L"--ready" && hasValue)
            readyEvent = argv[++i];
        else if (arg == L"--quit" && hasValue)
            quitEvent = argv[++i];
        else if (!haveFolder) {
            folder = arg;
            haveFolder = true;
        } else {
            DeskIcon icon;
            if (!ParseIcon(arg, &icon))
                return Fail(L"an icon is name=x,y");
            icons.push_back(icon);
        }
    }
    LocalFree(argv);

    CDeskHost host;
    // Files from the folder are copied into the desktop folder first; the
    // host makes empty files for the rest.
    std::vector<std::wstring> copied;
    if (!folder.empty()) {
        wchar_t desktop[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop)))
            return Fail(L"no desktop folder");
        for (const DeskIcon& icon : icons) {
            const std::wstring from = folder + L"\\" + icon.name;
            const std::wstring to = std::wstring(desktop) + L"\\" + icon.name;
            if (GetFileAttributesW(to.c_str()) == INVALID_FILE_ATTRIBUTES && CopyFileW(from.c_str(), to.c_str(), TRUE))
                copied.push_back(to);
        }
    }

    const HRESULT hr = host.Start(options, icons);
    if (FAILED(hr)) {
        for (const std::wstring& path : copied)
            DeleteFileW(path.c_str());
        fwprintf(stderr, L"deskhost: start failed, 0x%08lX\n", static_cast<unsigned long>(hr));
        return 1;
    }
    // Calls from other processes are counted for the benchmark.
    if (options.publish && !StartCountingHostCalls())
        fwprintf(stderr, L"deskhost: calls from other processes are not counted\n");
    HANDLE answering = nullptr;
    if (options.publish) {
        answering = CreateEventW(nullptr, TRUE, TRUE, DeskHostAnsweringEvent(GetCurrentProcessId()).c_str());
        host.Faults().answering = answering;
    }

    HANDLE quit = quitEvent.empty() ? nullptr : CreateEventW(nullptr, TRUE, FALSE, quitEvent.c_str());
    if (!readyEvent.empty()) {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, readyEvent.c_str());
        if (ready) {
            SetEvent(ready);
            CloseHandle(ready);
        }
    }
    // A starting shell broadcasts "TaskbarCreated" to every top-level window
    // (Microsoft's documentation of the taskbar, "Taskbar Creation
    // Notification").
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);

    int status = 0;
    for (bool running = true; running;) {
        const DWORD count = quit ? 1 : 0;
        const DWORD wait = MsgWaitForMultipleObjects(count, &quit, FALSE, INFINITE, QS_ALLINPUT);
        if (quit && wait == WAIT_OBJECT_0)
            break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                status = static_cast<int>(msg.wParam);
                running = false;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (quit)
        CloseHandle(quit);
    host.Faults().answering = nullptr;
    host.Stop();
    if (answering)
        CloseHandle(answering);
    for (const std::wstring& path : copied)
        DeleteFileW(path.c_str());
    return status;
}
