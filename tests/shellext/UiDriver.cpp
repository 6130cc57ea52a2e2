#include "tests/shellext/UiDriver.h"
#include <cstdio>
#include <string>
#include "tests/common/TestSupport.h"

namespace {

struct CFindDialog
{
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND window, LPARAM param)
{
    CFindDialog* find = reinterpret_cast<CFindDialog*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (wcscmp(className, L"#32770") != 0)
        return TRUE;
    wchar_t caption[256] = {};
    GetWindowTextW(window, caption, 256);
    if (wcscmp(caption, find->caption) != 0)
        return TRUE;
    find->found = window;
    return FALSE;
}

BOOL CALLBACK CloseDialogProc(HWND window, LPARAM param)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && IsWindowEnabled(window) &&
        wcscmp(className, L"#32770") == 0) {
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        ++*reinterpret_cast<int*>(param);
    }
    return TRUE;
}

HWND FindDialog(const wchar_t* caption)
{
    CFindDialog find = { caption, nullptr };
    EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

std::wstring ArtifactsFolder()
{
    std::wstring folder = BinFolder() + L"\\..\\artifacts";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// Under Xvfb no window manager runs, and Wine leaves the frames of its
// windows to one: the screen shows no caption. Unmanaged, Wine draws the
// frames itself, as Windows does. Wine reads this when the process first
// talks to the display, which for the test program is after static start-up.
const bool g_unmanaged = [] {
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const wchar_t* name = wcsrchr(program, L'\\');
    const std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") + (name ? name + 1 : program) +
                             L"\\X11 Driver";
    return RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Managed", REG_SZ, L"N", 4) == ERROR_SUCCESS;
}();

} // namespace

CUiDriver::CUiDriver(Script script) : m_script(std::move(script))
{
    m_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
}

CUiDriver::~CUiDriver()
{
    Finish();
}

DWORD WINAPI CUiDriver::ThreadMain(void* self)
{
    CUiDriver* driver = static_cast<CUiDriver*>(self);
    driver->m_script(*driver);
    driver->CloseLeftovers();
    return 0;
}

void CUiDriver::CloseLeftovers()
{
    while (WaitForSingleObject(m_finished, 5000) == WAIT_TIMEOUT) {
        int closed = 0;
        EnumWindows(CloseDialogProc, reinterpret_cast<LPARAM>(&closed));
        if (closed)
            Fail("the script left " + std::to_string(closed) + " window(s) open");
    }
}

void CUiDriver::Finish()
{
    if (!m_thread)
        return;
    SetEvent(m_finished);
    // The test's thread pumps while it waits: the script may still send to
    // windows of this thread.
    while (MsgWaitForMultipleObjects(1, &m_thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    CloseHandle(m_thread);
    m_thread = nullptr;
    CloseHandle(m_finished);
    m_finished = nullptr;
}

void CUiDriver::Fail(const std::string& what)
{
    m_errors.push_back(what);
}

HWND CUiDriver::WaitDialog(const wchar_t* caption, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        if (HWND found = FindDialog(caption)) {
            Settle(100);
            return found;
        }
        Sleep(50);
    } while (GetTickCount64() < end);
    Fail("no window \"" + Narrow(caption) + "\" appeared");
    return nullptr;
}

bool CUiDriver::WaitGone(HWND window, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount64() >= end) {
            Fail("a window stayed open");
            return false;
        }
        Sleep(50);
    }
    return true;
}

bool CUiDriver::StaysAway(const wchar_t* caption, DWORD ms)
{
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        if (FindDialog(caption))
            return false;
        Sleep(50);
    }
    return true;
}

void CUiDriver::Click(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (!button) {
        Fail("no control " + std::to_string(id));
        return;
    }
    if (!IsWindowEnabled(button)) {
        Fail("control " + std::to_string(id) + " is disabled");
        return;
    }
    // Posted: the click may open another modal window on the test's thread.
    PostMessageW(button, BM_CLICK, 0, 0);
}

bool CUiDriver::IsEnabled(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

bool CUiDriver::IsChecked(HWND dialog, int id)
{
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::wstring CUiDriver::Text(HWND dialog, int id)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}

void CUiDriver::SetText(HWND dialog, int id, const wchar_t* text)
{
    SetDlgItemTextW(dialog, id, text);
}

std::wstring CUiDriver::MessageText(HWND box)
{
    // The text of a message box is the static control 0xFFFF.
    return Text(box, 0xFFFF);
}

void CUiDriver::Type(HWND dialog, int id, const wchar_t* text)
{
    HWND control = GetDlgItem(dialog, id);
    wchar_t className[64] = {};
    GetClassNameW(control, className, 64);
    if (_wcsicmp(className, L"ComboBox") == 0)
        control = FindWindowExW(control, nullptr, L"Edit", nullptr);
    if (!control) {
        Fail("no edit control " + std::to_string(id));
        return;
    }
    SendMessageW(control, EM_SETSEL, 0, -1);
    PostMessageW(control, WM_CHAR, VK_BACK, 0);
    for (const wchar_t* c = text; *c; ++c)
        PostMessageW(control, WM_CHAR, *c, 0);
    Settle();
}

void CUiDriver::SelectEntry(HWND dialog, int comboId, int index)
{
    HWND combo = GetDlgItem(dialog, comboId);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // A click in the list tells the dialog as CBN_SELCHANGE.
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    Settle();
}

void CUiDriver::Settle(DWORD ms)
{
    Sleep(ms);
}

namespace {

// Fills a 24-bit bitmap of the rectangle's size through paint and writes it.
template <class Paint>
bool WriteBitmap(const RECT& rect, const wchar_t* fileName, Paint paint)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
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
    paint(memory, screen);
    GdiFlush();
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    const DWORD imageBytes = stride * height;
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + imageBytes;

    bool written = false;
    const std::wstring path = ArtifactsFolder() + L"\\" + fileName;
    if (FILE* file = _wfopen(path.c_str(), L"wb")) {
        written = fwrite(&header, sizeof(header), 1, file) == 1 &&
                  fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, file) == 1 &&
                  fwrite(bits, imageBytes, 1, file) == 1;
        fclose(file);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

} // namespace

bool SaveScreenShot(HWND window, const wchar_t* fileName)
{
    RECT rect = {};
    if (!GetWindowRect(window, &rect))
        return false;
    return SaveScreenShot(rect, fileName);
}

bool SaveScreenShot(const RECT& rect, const wchar_t* fileName)
{
    return WriteBitmap(rect, fileName, [&](HDC memory, HDC screen) {
        BitBlt(memory, 0, 0, rect.right - rect.left, rect.bottom - rect.top, screen, rect.left, rect.top, SRCCOPY);
    });
}
