#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// Works the modal windows that the code under test opens on the test's
// thread, as a user would: a second thread waits for each window, reads and
// sets its controls and presses its buttons, while the test's thread sits in
// the modal loop. Assertions stay on the test's thread: the script records
// what went wrong in Errors().
class CUiDriver
{
public:
    using Script = std::function<void(CUiDriver&)>;

    // Starts the script on its own thread.
    explicit CUiDriver(Script script);
    // Finish() if the test has not.
    ~CUiDriver();
    CUiDriver(const CUiDriver&) = delete;
    CUiDriver& operator=(const CUiDriver&) = delete;

    // Called on the test's thread once the code under test has returned:
    // waits for the script. A script that never ends (a window it waits for
    // never came) is not waited for beyond its own timeouts.
    void Finish();
    const std::vector<std::string>& Errors() const { return m_errors; }

    // --- for the script (driver thread) ---

    void Fail(const std::string& what);
    // The visible, enabled top-level dialog of this process with exactly this
    // caption; null (and an error) after the timeout.
    HWND WaitDialog(const wchar_t* caption, DWORD timeoutMs = 15000);
    // True when the window is gone within the timeout.
    bool WaitGone(HWND window, DWORD timeoutMs = 15000);
    // True when no dialog of that caption shows up within the time.
    bool StaysAway(const wchar_t* caption, DWORD ms);
    // Presses a button the way a mouse click does; an error when the button
    // is missing or disabled.
    void Click(HWND dialog, int id);
    bool IsEnabled(HWND dialog, int id);
    bool IsChecked(HWND dialog, int id);
    std::wstring Text(HWND dialog, int id);
    void SetText(HWND dialog, int id, const wchar_t* text);
    // The text of a message box.
    std::wstring MessageText(HWND box);
    // Types into an edit control (also the edit field of a combo box) one
    // character at a time, after clearing it, as the keyboard would.
    void Type(HWND dialog, int id, const wchar_t* text);
    // Selects a combo box entry as a click in its list does.
    void SelectEntry(HWND dialog, int comboId, int index);
    // Lets the dialog catch up with posted input.
    void Settle(DWORD ms = 200);

private:
    static DWORD WINAPI ThreadMain(void* self);

    // After the script: closes windows that it left open once the test's
    // thread has not come back for a while, so that a failing test ends.
    void CloseLeftovers();

    Script m_script;
    HANDLE m_thread = nullptr;
    HANDLE m_finished = nullptr;
    std::vector<std::string> m_errors;
};

// Copies what the screen shows of the window (or of the rectangle) into a
// 24-bit BMP file under build/artifacts; false when nothing could be written.
bool SaveScreenShot(HWND window, const wchar_t* fileName);
bool SaveScreenShot(const RECT& screenRect, const wchar_t* fileName);
