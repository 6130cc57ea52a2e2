#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <shobjidl.h>
#include <string>
#include <vector>
#include "DeskHost.h"
#include "layout/Owners.h"
#include "tests/common/TestSupport.h"
#include "tests/shellext/UiDriver.h"

// The built ostrelsx.dll, loaded into the test process as the shell loads it.
class CServerDll
{
public:
    static CServerDll& Get();
    HMODULE Module() const { return m_module; }
    const std::wstring& Path() const { return m_path; }

    HRESULT(STDAPICALLTYPE* GetClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* CanUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* Register)() = nullptr;
    HRESULT(STDAPICALLTYPE* Unregister)() = nullptr;

private:
    CServerDll();
    HMODULE m_module = nullptr;
    std::wstring m_path;
};

// COM on the test's thread, apartment-threaded as in the shell, and unless
// told otherwise the DLL's class object registered for the process:
// CoCreateInstance of the handler reaches it without any registry entry.
class CShellApartment
{
public:
    explicit CShellApartment(bool registerClassObject = true);
    ~CShellApartment();
    CShellApartment(const CShellApartment&) = delete;
    CShellApartment& operator=(const CShellApartment&) = delete;

private:
    DWORD m_cookie = 0;
};

// HKEY_CLASSES_ROOT mapped onto a scratch key for the life of the object.
class CScopedClassesRoot
{
public:
    CScopedClassesRoot();
    ~CScopedClassesRoot();
    CScopedClassesRoot(const CScopedClassesRoot&) = delete;
    CScopedClassesRoot& operator=(const CScopedClassesRoot&) = delete;
    HKEY Scratch() const { return m_scratch.Get(); }

private:
    std::wstring m_name;
    CKeyHandle m_scratch;
};

bool KeyExists(HKEY root, const std::wstring& path);
// A text value; "<missing>" when absent.
std::wstring ValueText(HKEY root, const std::wstring& path, const wchar_t* name = nullptr);

// HKEY_CLASSES_ROOT\CLSID\{class of the handler}
extern const std::wstring kDeskMenuClassKey;
// Every key and value that registration of the server at dllPath writes.
void ExpectServerRegistered(const std::wstring& dllPath);
// None of them left, and the CLSID key itself still there.
void ExpectServerUnregistered();

// Runs a command line and waits until the process and, unless told
// otherwise, every process it started have ended. Gives the first process's
// exit code, or -1 when it could not start; STILL_ACTIVE when the wait timed
// out.
DWORD RunProgram(std::wstring commandLine, DWORD timeoutMs = 60000, bool waitForChildren = true);

// The settings as the handler reads them (HKEY_CURRENT_USER is a scratch hive).
void StoreSetting(const wchar_t* name, DWORD value);
// The stored REG_DWORD, or -1 when missing or of another type or size.
long StoredSetting(const wchar_t* name);

std::vector<std::wstring> MenuTexts(HMENU menu);

// A handler made through COM and initialised as the shell does.
CComRef<IContextMenu> NewInitialisedMenu(IUnknown* site = nullptr);
// Invokes a command by offset with owner as the owner window.
HRESULT InvokeOffset(IContextMenu* menu, UINT offset, HWND owner);

// A top-level window of the test's thread, standing for the shell's.
class COwnerWindow
{
public:
    COwnerWindow();
    ~COwnerWindow() { DestroyWindow(m_window); }
    COwnerWindow(const COwnerWindow&) = delete;
    COwnerWindow& operator=(const COwnerWindow&) = delete;
    HWND Handle() const { return m_window; }

private:
    HWND m_window = nullptr;
};

// The handler inside a desktop host, as inside the shell, with three icons;
// settings and layouts in a scratch hive.
class HostedMenuTest : public ::testing::Test
{
protected:
    static constexpr const wchar_t* kCustomCaption = L"Custom Layout Save/Restore";

    void SetUp() override;
    void TearDown() override { host.Stop(); }

    // Runs the command at offset of a fresh handler with the host as its
    // site, while the script works the windows it opens.
    void Invoke(UINT offset, const CUiDriver::Script& script);

    // The current layout name: the test's screen with the host's icon size.
    static std::wstring CurrentLayoutName();
    static bool LayoutExists(const std::wstring& name);
    // A layout key marked with a value that no save writes.
    static void MakeLayoutKey(const std::wstring& name);
    static bool HasMarker(const std::wstring& name);

    CScopedUserHive hive;
    CShellApartment apartment;
    CDeskHost host;
    COwnerWindow owner;
};
