#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "layout/Owners.h"

// Works the modal windows that the code under test opens on the test's
// thread, as a user would: a script on a second thread waits for each
// window, reads its controls and clicks its buttons. Assertions stay on the
// test's thread; the script records what went wrong with Fail().
class CUiDriver
{
public:
    using Script = std::function<void(CUiDriver&)>;

    explicit CUiDriver(Script script);
    ~CUiDriver() { Finish(); }
    CUiDriver(const CUiDriver&) = delete;
    CUiDriver& operator=(const CUiDriver&) = delete;

    // On the test's thread once the code under test has returned: waits for
    // the script, pumping messages meanwhile.
    void Finish();
    const std::vector<std::string>& Errors() const { return m_errors; }

    // --- for the script ---
    void Fail(const std::string& what) { m_errors.push_back(what); }
    // The visible, enabled dialog of this process with exactly this caption;
    // null (and an error) after 15 seconds.
    HWND WaitDialog(const wchar_t* caption);
    void WaitGone(HWND window);
    // True when no dialog of that caption shows up within ms.
    bool StaysAway(const wchar_t* caption, DWORD ms);
    // Clicks a button; an error when it is missing or disabled.
    void Click(HWND dialog, int id);
    bool IsEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
    bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    std::wstring Text(HWND dialog, int id);
    // Message boxes show their text in static 0xFFFF.
    std::wstring MessageText(HWND box) { return Text(box, 0xFFFF); }
    // Replaces the text of a combo box's edit field key by key.
    void Type(HWND dialog, int comboId, const wchar_t* text);
    // Selects an entry of a combo box as a click in its list does.
    void SelectEntry(HWND dialog, int comboId, int index);
    void Settle(DWORD ms = 200) { Sleep(ms); }

private:
    static DWORD WINAPI ThreadMain(void* self);

    Script m_script;
    CHandle m_thread;
    CHandle m_finished;
    std::vector<std::string> m_errors;
};

// What the screen shows of the rectangle, as a BMP file in build/artifacts.
bool SaveScreenShot(const RECT& rect, const wchar_t* fileName);
bool SaveScreenShot(HWND window, const wchar_t* fileName);
