// What registration writes under HKEY_CLASSES_ROOT and what removal takes
// away, in-process over a scratch HKEY_CLASSES_ROOT and through regsvr32 in
// the test's Wine prefix.
#include <windows.h>
#include <gtest/gtest.h>
#include <oleauto.h>
#include <shlwapi.h>
#include <string>
#include <vector>
#include "engine/ComOwners.h"
#include "shellext/DeskMenuIds.h"
#include "tests/common/TestSupport.h"
#include "tests/shellext/ServerDll.h"

namespace {

const std::wstring kClassKey = L"CLSID\\{7E74422F-2393-11D4-98E0-444553540000}";
const std::wstring kTypeLibKey = L"TypeLib\\{7E744221-2393-11D4-98E0-444553540000}";
const std::wstring kInterfaceKey = L"Interface\\{7E74422E-2393-11D4-98E0-444553540000}";
const std::wstring kDesktopHandler = L"DesktopBackground\\Shellex\\ContextMenuHandlers\\DeskMenu";
const std::wstring kFolderHandler = L"Directory\\Background\\Shellex\\ContextMenuHandlers\\DeskMenu";

struct ExpectedValue
{
    std::wstring key;
    const wchar_t* name;
    std::wstring data;
};

std::vector<ExpectedValue> ExpectedRegistration(const std::wstring& dllPath)
{
    return {
        { L"Tovak.DeskMenu.1", nullptr, L"DeskMenu Class" },
        { L"Tovak.DeskMenu.1\\CLSID", nullptr, L"{7E74422F-2393-11D4-98E0-444553540000}" },
        { L"Tovak.DeskMenu", nullptr, L"DeskMenu Class" },
        { L"Tovak.DeskMenu\\CLSID", nullptr, L"{7E74422F-2393-11D4-98E0-444553540000}" },
        { L"Tovak.DeskMenu\\CurVer", nullptr, L"Tovak.DeskMenu.1" },
        { kClassKey, nullptr, L"DeskMenu Class" },
        { kClassKey + L"\\ProgID", nullptr, L"Tovak.DeskMenu.1" },
        { kClassKey + L"\\VersionIndependentProgID", nullptr, L"Tovak.DeskMenu" },
        { kClassKey + L"\\InprocServer32", nullptr, dllPath },
        { kClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment" },
        { kClassKey + L"\\TypeLib", nullptr, L"{7E744221-2393-11D4-98E0-444553540000}" },
        { kFolderHandler, nullptr, L"{7E74422F-2393-11D4-98E0-444553540001}" },
        { kDesktopHandler, nullptr, L"{7E74422F-2393-11D4-98E0-444553540000}" },
    };
}

// Keys that belong to the registration and must be gone after removal.
const wchar_t* const kOwnedKeys[] = {
    L"Tovak.DeskMenu.1", L"Tovak.DeskMenu",
    L"CLSID\\{7E74422F-2393-11D4-98E0-444553540000}",
    L"TypeLib\\{7E744221-2393-11D4-98E0-444553540000}",
    L"Interface\\{7E74422E-2393-11D4-98E0-444553540000}",
    L"DesktopBackground\\Shellex\\ContextMenuHandlers\\DeskMenu",
    L"Directory\\Background\\Shellex\\ContextMenuHandlers\\DeskMenu",
};

void ExpectRegistered(HKEY root, const std::wstring& dllPath)
{
    for (const ExpectedValue& value : ExpectedRegistration(dllPath))
        EXPECT_EQ(ValueText(root, value.key, value.name), value.data)
            << Narrow(value.key) << " " << (value.name ? Narrow(value.name) : "(default)");
    EXPECT_TRUE(KeyExists(root, kClassKey + L"\\Programmable"));
    EXPECT_EQ(ValueText(root, kTypeLibKey + L"\\1.1\\409\\win64"), dllPath);
    EXPECT_EQ(ValueText(root, kInterfaceKey), L"IDeskMenu");
}

void ExpectUnregistered(HKEY root)
{
    for (const wchar_t* key : kOwnedKeys)
        EXPECT_FALSE(KeyExists(root, key)) << Narrow(key);
    EXPECT_TRUE(KeyExists(root, L"CLSID"));
}

// A command line run to its end; the exit code, or -1 when it did not start.
DWORD RunProgram(std::wstring commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return static_cast<DWORD>(-1);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

class RegistrationTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(dll.Module(), nullptr); }

    CComApartment apartment;
    CServerDll& dll = CServerDll::Get();
};

TEST_F(RegistrationTest, RegisterWritesEveryKeyAndTheTypeLibraryAndUnregisterTakesThemAway)
{
    CScopedClassesRoot classes;
    // Neighbours that belong to others: a class and another background handler.
    const std::wstring otherClass = L"CLSID\\{00000000-1111-2222-3333-444444444444}";
    const std::wstring otherHandler = L"DesktopBackground\\Shellex\\ContextMenuHandlers\\Other";
    RegSetKeyValueW(HKEY_CLASSES_ROOT, otherClass.c_str(), nullptr, REG_SZ, L"x", 4);
    RegSetKeyValueW(HKEY_CLASSES_ROOT, otherHandler.c_str(), nullptr, REG_SZ, L"y", 4);
    // Left over from an older registration: the class key is replaced whole.
    RegSetKeyValueW(HKEY_CLASSES_ROOT, (kClassKey + L"\\Stale").c_str(), nullptr, REG_SZ, L"z", 4);
    RegSetKeyValueW(HKEY_CLASSES_ROOT, (kClassKey + L"\\Programmable").c_str(), L"Old", REG_SZ, L"z", 4);

    ASSERT_EQ(dll.Register(), S_OK);
    ExpectRegistered(HKEY_CLASSES_ROOT, dll.Path());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + L"\\Stale"));
    EXPECT_EQ(ValueText(HKEY_CLASSES_ROOT, kClassKey + L"\\Programmable", L"Old"), L"<missing>");
    // Registering again is harmless.
    ASSERT_EQ(dll.Register(), S_OK);
    ExpectRegistered(HKEY_CLASSES_ROOT, dll.Path());

    ASSERT_EQ(dll.Unregister(), S_OK);
    ExpectUnregistered(HKEY_CLASSES_ROOT);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, otherClass));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, otherHandler));
    // Nothing left to remove is no failure.
    EXPECT_EQ(dll.Unregister(), S_OK);
}

TEST_F(RegistrationTest, RegistrationThatCannotWriteReportsTheFailure)
{
    CScopedClassesRoot classes;
    // Windows refuses a lasting key below a volatile one, and so does Wine;
    // Wine does not enforce the access rights of a read-only handle, which
    // would be the usual way to refuse the writes.
    HKEY volatileRoot = nullptr;
    ASSERT_EQ(RegCreateKeyExW(classes.Scratch(), L"Volatile", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &volatileRoot, nullptr),
              ERROR_SUCCESS);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, volatileRoot);
    EXPECT_EQ(dll.Register(), HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Tovak.DeskMenu.1"));
    RegOverridePredefKey(HKEY_CLASSES_ROOT, classes.Scratch());
    RegCloseKey(volatileRoot);
}

TEST_F(RegistrationTest, Regsvr32RegistersForCoCreateInstanceAndSlashUUnregisters)
{
    const std::wstring quoted = L"\"" + dll.Path() + L"\"";
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s " + quoted), 0u);
    ExpectRegistered(HKEY_CLASSES_ROOT, dll.Path());

    // As the shell does: COM finds the server through the registry.
    {
        CComRef<IContextMenu> menu;
        ASSERT_EQ(CoCreateInstance(CLSID_DeskMenu, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.PutVoid()), S_OK);
        CComRef<IShellExtInit> init;
        ASSERT_EQ(menu.Query(IID_IShellExtInit, init), S_OK);
        CScopedUserHive hive;
        EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), S_OK);
        HMENU popup = CreatePopupMenu();
        EXPECT_EQ(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 5));
        DestroyMenu(popup);
    }
    CComRef<ITypeLib> registered;
    EXPECT_EQ(LoadRegTypeLib(LIBID_TOVAKLib, 1, 1, 0x409, registered.Put()), S_OK);
    registered.Reset();

    ASSERT_EQ(RunProgram(L"regsvr32.exe /s /u " + quoted), 0u);
    ExpectUnregistered(HKEY_CLASSES_ROOT);
    CComRef<IContextMenu> menu;
    EXPECT_EQ(CoCreateInstance(CLSID_DeskMenu, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.PutVoid()),
              REGDB_E_CLASSNOTREG);
}

} // namespace
