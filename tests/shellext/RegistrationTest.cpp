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
    for (const std::wstring& key : { otherClass, otherHandler, kDeskMenuClassKey + L"\\Stale" })
        RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, L"x", 4);

    ASSERT_EQ(dll.Register(), S_OK);
    ExpectServerRegistered(dll.Path());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kDeskMenuClassKey + L"\\Stale")) << "the class key is replaced whole";
    ASSERT_EQ(dll.Register(), S_OK);

    ASSERT_EQ(dll.Unregister(), S_OK);
    ExpectServerUnregistered();
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
    ExpectServerRegistered(dll.Path());
    {
        // As the shell does: COM finds the server through the registry.
        CScopedUserHive hive;
        CComRef<IContextMenu> menu;
        ASSERT_EQ(CoCreateInstance(CLSID_DeskMenu, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.PutVoid()), S_OK);
        HMENU popup = CreatePopupMenu();
        EXPECT_EQ(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 6));
        DestroyMenu(popup);
        CComRef<ITypeLib> registered;
        EXPECT_EQ(LoadRegTypeLib(LIBID_TOVAKLib, 1, 1, 0x409, registered.Put()), S_OK);
    }
    ASSERT_EQ(RunProgram(L"regsvr32.exe /s /u " + quoted), 0u);
    ExpectServerUnregistered();
    CComRef<IContextMenu> menu;
    EXPECT_EQ(CoCreateInstance(CLSID_DeskMenu, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.PutVoid()),
              REGDB_E_CLASSNOTREG);
}

} // namespace
