#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "DeskHost.h"
#include "tests/common/TestSupport.h"
#include "tests/shellext/MenuSupport.h"
#include "tests/shellext/ServerDll.h"
#include "tests/shellext/UiDriver.h"

// The handler inside a desktop host, as inside the shell: the host's
// windows and view in this process, the handler made through COM with the
// host as its site, the settings and layouts in a scratch hive.
class HostedMenuTest : public ::testing::Test
{
protected:
    static constexpr const wchar_t* kCustomCaption = L"Custom Layout Save/Restore";
    static constexpr const wchar_t* kStoreKey = L"Software\\Quenlo\\Tovak";

    void SetUp() override;
    void TearDown() override;

    // Runs the command at offset of a fresh handler while the script works
    // the windows it opens; every error of the script fails the test.
    void Invoke(UINT offset, const CUiDriver::Script& script);

    // The layout name of the screen under test with the host's icon size.
    static std::wstring CurrentLayoutName();
    static bool LayoutExists(const std::wstring& name);
    // A layout key that no save wrote, marked with a value.
    static void MakeLayoutKey(const std::wstring& name);
    static bool HasMarker(const std::wstring& name);

    CScopedUserHive hive;
    CComApartment apartment;
    CScopedClassObject classObject;
    CDeskHost host;
    COwnerWindow owner;
};
