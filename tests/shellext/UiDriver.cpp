#include "tests/shellext/UiDriver.h"
#include <cstdio>
#include "tests/common/TestSupport.h"

namespace {

// Under Xvfb no window manager runs, and Wine leaves the frames of managed
// windows to one, so screenshots would show no caption. Unmanaged, Wine
// draws the frames itself, as Windows does. Wine reads the setting when the
// process first talks to the display, which comes after static start-up.
const bool g_unmanaged = [] {
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const wchar_t* name = wcsrchr(program, L'\\');
    const std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") + (name ? name + 1 : program) +
                             L"\\X11 Driver";
    return RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Managed", REG_SZ, L"N", 4) == ERROR_SUCCESS;
}();

// Calls each visible, enabled dialog of this process; stops when it returns false.
template <class Each>
void ForEachDialog(Each each)
{
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            wchar_t className[16] = {};
            GetClassNameW(window, className, 16);
            if (process != GetCurrentProcessId() || !IsWindowVisible(window) || !IsWindowEnabled(window) ||
                wcscmp(className, L"#32770") != 0)
                return TRUE;
            return (*reinterpret_cast<Each*>(param))(window);
        },
        reinterpret_cast<LPARAM>(&each));
}

HWND FindDialog(const wchar_t* caption)
{
    HWND found = nullptr;
    ForEachDialog([&](HWND window) {
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        if (wcscmp(text, caption) == 0)
            found = window;
        return found == nullptr;
    });
    return found;
}

} // namespace

CUiDriver::CUiDriver(Script script) : m_script(std::move(script))
{
    m_finished.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_thread.Reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
}

DWORD WINAPI CUiDriver::ThreadMain(void* self)
{
    CUiDriver& driver = *static_cast<CUiDriver*>(self);
    driver.m_script(driver);
    // A window the script left open would keep the test's thread in its
    // modal loop for ever: close it, and fail.
    while (WaitForSingleObject(driver.m_finished.Get(), 5000) == WAIT_TIMEOUT) {
        ForEachDialog([&](HWND window) {
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            driver.Fail("the script left a window open");
            return true;
        });
    }
    return 0;
}

void CUiDriver::Finish()
{
    if (!m_thread)
        return;
    SetEvent(m_finished.Get());
    const HANDLE thread = m_thread.Get();
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    m_thread.Reset();
    m_finished.Reset();
}

HWND CUiDriver::WaitDialog(const wchar_t* caption)
{
    for (int i = 0; i < 300; ++i, Sleep(50)) {
        if (HWND found = FindDialog(caption)) {
            Settle(100);
            return found;
        }
    }
    Fail("no window \"" + Narrow(caption) + "\" appeared");
    return nullptr;
}

void CUiDriver::WaitGone(HWND window)
{
    for (int i = 0; i < 300 && IsWindowVisible(window); ++i)
        Sleep(50);
    if (IsWindowVisible(window))
        Fail("a window stayed open");
}

bool CUiDriver::StaysAway(const wchar_t* caption, DWORD ms)
{
    for (DWORD waited = 0; waited < ms; waited += 50, Sleep(50))
        if (FindDialog(caption))
            return false;
    return true;
}

void CUiDriver::Click(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowEnabled(button)) {
        Fail("control " + std::to_string(id) + " is missing or disabled");
        return;
    }
    // Posted: the click may open another modal window on the test's thread.
    PostMessageW(button, BM_CLICK, 0, 0);
}

std::wstring CUiDriver::Text(HWND dialog, int id)
{
    wchar_t text[1024] = {};
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}

void CUiDriver::Type(HWND dialog, int comboId, const wchar_t* text)
{
    HWND edit = FindWindowExW(GetDlgItem(dialog, comboId), nullptr, L"Edit", nullptr);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    PostMessageW(edit, WM_CHAR, VK_BACK, 0);
    for (const wchar_t* c = text; *c; ++c)
        PostMessageW(edit, WM_CHAR, *c, 0);
    Settle();
}

void CUiDriver::SelectEntry(HWND dialog, int comboId, int index)
{
    HWND combo = GetDlgItem(dialog, comboId);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    Settle();
}

bool SaveScreenShot(HWND window, const wchar_t* fileName)
{
    RECT rect = {};
    return GetWindowRect(window, &rect) && SaveScreenShot(rect, fileName);
}

bool SaveScreenShot(const RECT& rect, const wchar_t* fileName)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    BITMAPINFOHEADER info = { sizeof(info), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();

    const DWORD imageBytes = ((width * 3 + 3) / 4) * 4 * height;
    BITMAPFILEHEADER header = { 0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) };
    header.bfSize = header.bfOffBits + imageBytes;
    const std::wstring folder = BinFolder() + L"\\..\\artifacts";
    CreateDirectoryW(folder.c_str(), nullptr);
    bool written = false;
    if (FILE* file = _wfopen((folder + L"\\" + fileName).c_str(), L"wb")) {
        written = bits && fwrite(&header, sizeof(header), 1, file) == 1 && fwrite(&info, sizeof(info), 1, file) == 1 &&
                  fwrite(bits, imageBytes, 1, file) == 1;
        fclose(file);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}
