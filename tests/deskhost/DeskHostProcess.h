#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "DeskHost.h"

// deskhost.exe (next to the running program) as a separate process with its
// shell windows object published, for tests that run the product in a
// process of its own.
class CDeskHostProcess
{
public:
    CDeskHostProcess() = default;
    ~CDeskHostProcess() { Quit(); }
    CDeskHostProcess(const CDeskHostProcess&) = delete;
    CDeskHostProcess& operator=(const CDeskHostProcess&) = delete;

    // Starts it with the icons (and a list view size, 0 = the virtual screen;
    // and further options of deskhost.exe, such as L"--autoarrange") and
    // waits until its desktop is up.
    HRESULT Launch(const std::vector<DeskIcon>& icons, int width = 0, int height = 0,
                   const std::wstring& options = std::wstring());
    // Makes it lay its desktop out again, as a refresh does; false when no
    // window of it took the message.
    bool LayOutAgain() const;
    // Makes its view stop answering (every call waits, as with a hung
    // shell) or answer again; false when it cannot be told.
    bool SetViewAnswering(bool answering) const;
    // Ends it (answering again first) and waits for it to exit (its files
    // are removed by then).
    void Quit();
    bool Running() const { return m_process != nullptr; }
    DWORD ProcessId() const { return m_processId; }

private:
    HANDLE m_process = nullptr;
    HANDLE m_quit = nullptr;
    DWORD m_processId = 0;
};

// Makes CoCreateInstance(CLSID_ShellWindows) anywhere in this Wine prefix
// reach a published deskhost.exe: registers deskhostfwd.dll (next to the
// running program) as the class's in-process server (Wine's own desktop
// registers the class too, which a separate process would otherwise reach),
// and deskhostps.dll as the proxy/stub of IShellFolder, IEnumIDList,
// IFolderView and IFolderView2 (Wine's proxies for them carry only the first
// bytes of an item ID list). Puts the previous registration back when
// destroyed. Install it before launching the host. Only for the test
// prefix: never on a real system.
class CShellWindowsForwarding
{
public:
    CShellWindowsForwarding();
    ~CShellWindowsForwarding();
    CShellWindowsForwarding(const CShellWindowsForwarding&) = delete;
    CShellWindowsForwarding& operator=(const CShellWindowsForwarding&) = delete;
    bool Installed() const { return m_installed; }

private:
    struct Saved
    {
        std::wstring path;      // key under HKEY_CLASSES_ROOT
        std::wstring value;     // value name, empty for the default value
        bool existed = false;
        std::wstring text;
    };
    bool Set(const std::wstring& path, const wchar_t* value, const std::wstring& text);
    std::vector<Saved> m_saved;
    bool m_installed = false;
};

// The folder of the running program, with a trailing backslash.
std::wstring DeskHostBinFolder();
