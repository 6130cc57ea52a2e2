// What registration writes under HKEY_CLASSES_ROOT and what removal takes
// away: in-process over a scratch HKEY_CLASSES_ROOT, and through regsvr32 in
// the test's Wine prefix.
#include <windows.h>
#include <gtest/gtest.h>
#include <oleauto.h>
#include <string>
#include "shellext/DeskMenuIds.h"
#include "tests/shellext/ShellExtFixture.h"

namespace {

const std::wstring kClsid = L"{7E74422F-2393-11D4-98E0-444553540000}";
const std::wstring kClassKey = L"CLSID\\" + kClsid;
const std::wstring kTypeLibKey = L"TypeLib\\{7E744221-2393-11D4-98E0-444553540000}";
const std::wstring kInterfaceKey = L"Interface\\{7E74422E-2393-11D4-98E0-444553540000}";
const std::wstring kDesktopHandler = L"DesktopBackground\\Shellex\\ContextMenuHandlers\\DeskMenu";
const std::wstring kFolderHandler = L"Directory\\Background\\Shellex\\ContextMenuHandlers\\DeskMenu";

void ExpectRegistered(const std::wstring& dllPath)
{
    const struct
    {
        std::wstring key;
        const wchar_t* name;
        std::wstring data;
    } expected[] = {
        { L"Tovak.DeskMenu.1", nullptr, L"DeskMenu Class" },
        { L"Tovak.DeskMenu.1\\CLSID", nullptr, kClsid },
        { L"Tovak.DeskMenu", nullptr, L"DeskMenu Class" },
        { L"Tovak.DeskMenu\\CLSID", nullptr, kClsid },
        { L"Tovak.DeskMenu\\CurVer", nullptr, L"Tovak.DeskMenu.1" },
        { kClassKey, nullptr, L"DeskMenu Class" },
        { kClassKey + L"\\ProgID", nullptr, L"Tovak.DeskMenu.1" },
        { kClassKey + L"\\VersionIndependentProgID", nullptr, L"Tovak.DeskMenu" },
        { kClassKey + L"\\InprocServer32", nullptr, dllPath },
        { kClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment" },
        { kClassKey + L"\\TypeLib", nullptr, L"{7E744221-2393-11D4-98E0-444553540000}" },
        { kFolderHandler, nullptr, L"{7E74422F-2393-11D4-98E0-444553540001}" },
        { kDesktopHandler, nullptr, kClsid },
        { kTypeLibKey + L"\\1.1\\409\\win64", nullptr, dllPath },
        { kInterfaceKey, nullptr, L"IDeskMenu" },
    };
    for (const auto& value : expected)
        EXPECT_EQ(ValueText(HKEY_CLASSES_ROOT, value.key, value.name), value.data) << Narrow(value.key);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + L"\\Programmable"));
}

void ExpectUnregistered()
{
    for (const std::wstring& key : { std::wstring(L"Tovak.DeskMenu.1"), std::wstring(L"Tovak.DeskMenu"), kClassKey,
                                     kTypeLibKey, kInterfaceKey, kDesktopHandler, kFolderHandler })
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << Narrow(key);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
}

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
    CShellApartment apartment{ false };
    CServerDll& dll = CServerDll::Get();
};

TEST_F(RegistrationTest, RegisterWritesEveryKeyAndUnregisterTakesAwayOnlyThose)
{
    CScopedClassesRoot classes;
    // Keys of others beside ours, and a leftover inside the class key.
    const std::wstring otherClass = L"CLSID\\{00000000-1111-2222-3333-444444444444}";
    const std::wstring otherHandler = L"DesktopBackground\\Shellex\\ContextMenuHandlers\\Other";
    for (const std::wstring& key : { otherClass, otherHandler, kClassKey + L"\\Stale" })
        RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, L"x", 4);

    ASSERT_EQ(dll.Register(), S_OK);
    ExpectRegistered(dll.Path());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + L"\\Stale")) << "the class key is replaced whole";
    ASSERT_EQ(dll.Register(), S_OK);

    ASSERT_EQ(dll.Unregister(), S_OK);
    ExpectUnregistered();
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, otherClass));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, otherHandler));
    EXPECT_EQ(dll.Unregister(), S_OK) << "nothing left to remove is no failure";
}

TEST_F(RegistrationTest, RegistrationThatCannotWriteReportsTheFailure)
{
    CScopedClassesRoot classes;
    // Wine does not enforce the rights of a read-only handle, the usual way
    // to refuse the writes; both refuse a lasting key below a volatile one.
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
    ExpectRegistered(dll.Path());
    {
        // As the shell does: COM finds the server through the registry.
        CScopedUserHive hive;
        CComRef<IContextMenu> menu;
        ASSERT_EQ(CoCreateInstance(CLSID_DeskMenu, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.PutVoid()), S_OK);
        HMENU popup = CreatePopupMenu();
        EXPECT_EQ(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 5));
        DestroyMenu(popup);
        CComRef<ITypeLib> registered;
        EXPECT_EQ(LoadRegTypeLib(LIBID_TOVAKLib, 1, 1, 0x409, registered.Put()), S_OK);
    }
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s /u " + quoted), 0u);
    ExpectUnregistered();
    CComRef<IContextMenu> menu;
    EXPECT_EQ(CoCreateInstance(CLSID_DeskMenu, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.PutVoid()),
              REGDB_E_CLASSNOTREG);
}

} // namespace
