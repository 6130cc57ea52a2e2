#include "watch/WatchWindow.h"
#include <wtsapi32.h>
#include <cwchar>
#include "layout/Owners.h"
#include "layout/WatchNames.h"
#include "watch/resource.h"

namespace {

const UINT kIconMessage = WM_APP + 1;
const UINT kIconId = 1;
const UINT_PTR kTimerId = 1;
const size_t kMostEarlier = IDM_EARLIER_LAST - IDM_EARLIER_FIRST + 1;

// wtsapi32.dll is no known DLL: imported, it would be looked for beside the
// program first. Bound at run time from the system folder instead.
FARPROC SessionFunction(const char* name)
{
    static const CModule wtsapi(L"wtsapi32.dll");
    return wtsapi.Get() ? GetProcAddress(wtsapi.Get(), name) : nullptr;
}

bool RegisterSessionNotes(HWND window)
{
    using Register = BOOL(WINAPI*)(HWND, DWORD);
    const auto call = reinterpret_cast<Register>(reinterpret_cast<void*>(SessionFunction("WTSRegisterSessionNotification")));
    return call && call(window, NOTIFY_FOR_THIS_SESSION);
}

void UnregisterSessionNotes(HWND window)
{
    using Unregister = BOOL(WINAPI*)(HWND);
    if (const auto call =
            reinterpret_cast<Unregister>(reinterpret_cast<void*>(SessionFunction("WTSUnRegisterSessionNotification"))))
        call(window);
}

} // namespace

CWatchWindow::~CWatchWindow()
{
    if (m_window)
        DestroyWindow(m_window);
}

bool CWatchWindow::Create(HINSTANCE instance, CWatchHandler& handler)
{
    m_instance = instance;
    m_handler = &handler;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kWatchWindowClass;
    if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    m_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    m_settingsChanged = RegisterWindowMessageW(kWatchSettingsMessage);
    // Never shown: a pop-up tool window has no taskbar button either.
    m_window = CreateWindowExW(WS_EX_TOOLWINDOW, kWatchWindowClass, L"Ostrel Watch", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, instance, this);
    if (!m_window)
        return false;
    // A process of medium integrity still hears the shell's broadcasts from
    // an elevated sender only when it lets them through.
    ChangeWindowMessageFilterEx(m_window, m_taskbarCreated, MSGFLT_ALLOW, nullptr);
    ChangeWindowMessageFilterEx(m_window, m_settingsChanged, MSGFLT_ALLOW, nullptr);
    m_sessionNotes = RegisterSessionNotes(m_window);
    AddIcon();
    return true;
}

void CWatchWindow::AddIcon()
{
    if (!m_icon.cbSize) {
        m_icon.cbSize = sizeof(m_icon);
        m_icon.hWnd = m_window;
        m_icon.uID = kIconId;
        m_icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
        m_icon.uCallbackMessage = kIconMessage;
        m_icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        wcscpy_s(m_icon.szTip, L"Ostrel");
    }
    Shell_NotifyIconW(NIM_ADD, &m_icon);
    m_icon.uVersion = NOTIFYICON_VERSION_4;
    Shell_NotifyIconW(NIM_SETVERSION, &m_icon);
}

void CWatchWindow::SetTip(const wchar_t* text)
{
    // The tip holds 127 characters; a longer text is cut.
    wcsncpy_s(m_icon.szTip, text, _TRUNCATE);
    if (m_window)
        Shell_NotifyIconW(NIM_MODIFY, &m_icon);
}

void CWatchWindow::StartTimer(UINT intervalMs)
{
    m_timer = SetTimer(m_window, kTimerId, intervalMs, nullptr) != 0;
}

void CWatchWindow::StopTimer()
{
    if (m_timer)
        KillTimer(m_window, kTimerId);
    m_timer = false;
}

void CWatchWindow::ShowMenu(POINT at)
{
    HMENU menu = LoadMenuW(m_instance, MAKEINTRESOURCEW(IDR_WATCH_MENU));
    if (!menu)
        return;
    HMENU popup = GetSubMenu(menu, 0);
    CheckMenuItem(popup, IDM_PAUSE, MF_BYCOMMAND | (m_handler->Paused() ? MF_CHECKED : MF_UNCHECKED));
    if (HMENU earlier = CreatePopupMenu()) {
        const std::vector<std::wstring> items = m_handler->EarlierArrangements();
        for (size_t i = 0; i < items.size() && i < kMostEarlier; ++i)
            AppendMenuW(earlier, MF_STRING, IDM_EARLIER_FIRST + i, items[i].c_str());
        if (items.empty())
            AppendMenuW(earlier, MF_STRING | MF_GRAYED, 0, L"No snapshots of this display setup");
        // The submenu goes with the menu that holds it.
        ModifyMenuW(popup, IDM_EARLIER, MF_BYCOMMAND | MF_POPUP, reinterpret_cast<UINT_PTR>(earlier),
                    L"Earlier Arrangements");
    }
    // The menu closes when the user clicks elsewhere only if its window is
    // the foreground window (TrackPopupMenu's documentation).
    SetForegroundWindow(m_window);
    // The chosen command comes as WM_COMMAND, as any window's menu does.
    TrackPopupMenuEx(popup, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, at.x, at.y, m_window, nullptr);
    PostMessageW(m_window, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

LRESULT CALLBACK CWatchWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<CWatchWindow*>(create->lpCreateParams)->m_window = window;
    }
    CWatchWindow* self = reinterpret_cast<CWatchWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT CWatchWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_taskbarCreated && message == m_taskbarCreated) {
        // The shell started again: the icon is gone with the old taskbar.
        AddIcon();
        m_handler->OnTrigger(WatchTrigger::ShellRestart);
        return 0;
    }
    if (m_settingsChanged && message == m_settingsChanged) {
        m_handler->OnSettingsChanged();
        return 0;
    }
    switch (message) {
    case WM_DISPLAYCHANGE:
        m_handler->OnTrigger(WatchTrigger::DisplayChange);
        return 0;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETWORKAREA)
            m_handler->OnTrigger(WatchTrigger::WorkArea);
        return 0;
    case WM_DPICHANGED:
        m_handler->OnTrigger(WatchTrigger::Dpi);
        return 0;
    case WM_WTSSESSION_CHANGE:
        if (wParam == WTS_SESSION_LOCK)
            m_handler->OnLeaving();
        if (wParam == WTS_SESSION_LOCK || wParam == WTS_CONSOLE_DISCONNECT || wParam == WTS_REMOTE_DISCONNECT)
            m_handler->OnSessionActive(false);
        if (wParam == WTS_REMOTE_CONNECT || wParam == WTS_CONSOLE_CONNECT || wParam == WTS_SESSION_UNLOCK) {
            m_handler->OnSessionActive(true);
            m_handler->OnTrigger(WatchTrigger::Session);
        }
        return 0;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMSUSPEND)
            m_handler->OnLeaving();
        if (wParam == PBT_APMRESUMEAUTOMATIC)
            m_handler->OnTrigger(WatchTrigger::Resume);
        return TRUE;
    case WM_QUERYENDSESSION:
        // The look runs on the shell worker; the session may end first.
        m_handler->OnLeaving();
        return TRUE;
    case WM_COMMAND:
        // Menu commands only: no accelerator, no control sends any.
        if (HIWORD(wParam) != 0 || lParam != 0)
            return 0;
        if (LOWORD(wParam) == IDM_EXIT)
            DestroyWindow(m_window);
        else
            m_handler->OnCommand(LOWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kTimerId)
            m_handler->OnTimer();
        return 0;
    case kShellJobDoneMessage:
        m_handler->OnShellJobDone(wParam);
        return 0;
    case kIconMessage:
        switch (LOWORD(lParam)) {
        case WM_CONTEXTMENU:
        case NIN_SELECT:
        case NIN_KEYSELECT:
            ShowMenu(POINT{ static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam)) });
            break;
        default:
            break;
        }
        return 0;
    case WM_CLOSE:
        DestroyWindow(m_window);
        return 0;
    case WM_DESTROY:
        StopTimer();
        if (m_icon.cbSize)
            Shell_NotifyIconW(NIM_DELETE, &m_icon);
        if (m_sessionNotes)
            UnregisterSessionNotes(m_window);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        m_window = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(m_window, message, wParam, lParam);
    }
}
