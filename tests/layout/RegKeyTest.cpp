#include <gtest/gtest.h>
#include "layout/RegKey.h"
#include "tests/common/TestSupport.h"

namespace {

class RegKeyTest : public ::testing::Test
{
protected:
    CScopedUserHive hive;
};

bool KeyExists(const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

TEST_F(RegKeyTest, OpeningCreatesEveryMissingKeyOnThePath)
{
    CRegKey key(L"A\\B\\C", KEY_ALL_ACCESS);
    EXPECT_TRUE(key.IsOpen());
    EXPECT_TRUE(KeyExists(L"A\\B\\C"));

    CRegKey withSub(L"A", L"D", KEY_ALL_ACCESS);
    EXPECT_STREQ(withSub.Path(), L"A\\D");
    CRegKey emptySub(L"A", L"", KEY_ALL_ACCESS);
    EXPECT_STREQ(emptySub.Path(), L"A");
}

TEST_F(RegKeyTest, DescendAndAscendWalkThePath)
{
    CRegKey key(L"Store", KEY_ALL_ACCESS);
    EXPECT_FALSE(key.Descend(L""));
    ASSERT_TRUE(key.Descend(L"Layout"));
    EXPECT_STREQ(key.Path(), L"Store\\Layout");
    EXPECT_TRUE(KeyExists(L"Store\\Layout"));
    ASSERT_TRUE(key.Ascend());
    EXPECT_STREQ(key.Path(), L"Store");
    // The top of the path has no parent.
    EXPECT_FALSE(key.Ascend());
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(key.Descend(L"X"));
}

TEST_F(RegKeyTest, NumbersCountOnlyAsFourByteDwords)
{
    CRegKey key(L"Numbers", KEY_ALL_ACCESS);
    ASSERT_TRUE(key.WriteNumber(L"Good", 0xFFFFFFFF));
    EXPECT_EQ(key.ReadNumber(L"Good", 7), 0xFFFFFFFFu);
    EXPECT_EQ(key.ReadNumber(L"Missing", 7), 7u);

    const DWORD binary = 5;
    RegSetValueExW(key.Handle(), L"Binary", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&binary), 4);
    EXPECT_EQ(key.ReadNumber(L"Binary", 9), 9u);
    const WORD two = 5;
    RegSetValueExW(key.Handle(), L"TwoBytes", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 2);
    EXPECT_EQ(key.ReadNumber(L"TwoBytes", 9), 9u);

    key.Close();
    EXPECT_EQ(key.ReadNumber(L"Good", 3), 3u);
    EXPECT_FALSE(key.WriteNumber(L"Good", 1));
}

TEST_F(RegKeyTest, TextsAreReadWithDefaultsAndAlwaysTerminated)
{
    CRegKey key(L"Texts", KEY_ALL_ACCESS);
    ASSERT_TRUE(key.WriteText(L"Name", L"Hello"));
    wchar_t buffer[8];
    EXPECT_TRUE(key.ReadText(L"Name", buffer, 8, L"Def"));
    EXPECT_STREQ(buffer, L"Hello");
    EXPECT_FALSE(key.ReadText(L"Missing", buffer, 8, L"Default text"));
    EXPECT_STREQ(buffer, L"Default");

    // Too long for the buffer: the default.
    key.WriteText(L"Long", L"0123456789");
    EXPECT_FALSE(key.ReadText(L"Long", buffer, 8, L"D"));
    EXPECT_STREQ(buffer, L"D");

    // Data without a terminating NUL that fills the buffer exactly.
    const wchar_t raw[8] = { 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H' };
    RegSetValueExW(key.Handle(), L"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), sizeof(raw));
    wmemset(buffer, L'x', 8);
    key.ReadText(L"Raw", buffer, 8, L"D");
    EXPECT_EQ(buffer[7], L'\0');
    // Shorter data without a NUL ends right after its last character.
    RegSetValueExW(key.Handle(), L"Short", 0, REG_BINARY, reinterpret_cast<const BYTE*>(raw), 6);
    wmemset(buffer, L'x', 8);
    EXPECT_TRUE(key.ReadText(L"Short", buffer, 8, L"D"));
    EXPECT_STREQ(buffer, L"ABC");
}

TEST_F(RegKeyTest, EnumeratesAndDeletesSubtrees)
{
    CRegKey key(L"Enum", KEY_ALL_ACCESS);
    CRegKey(L"Enum\\One\\Deep\\Deeper", KEY_ALL_ACCESS);
    CRegKey(L"Enum\\Two", KEY_ALL_ACCESS);
    key.WriteNumber(L"V1", 1);
    key.WriteText(L"V2", L"x");

    wchar_t name[kNameBufferChars];
    ASSERT_TRUE(key.EnumSubKey(0, name));
    EXPECT_STREQ(name, L"One");
    ASSERT_TRUE(key.EnumSubKey(1, name));
    EXPECT_STREQ(name, L"Two");
    EXPECT_FALSE(key.EnumSubKey(2, name));

    DWORD type = 0;
    BYTE data[16];
    DWORD size = sizeof(data);
    ASSERT_TRUE(key.EnumValue(0, name, &type, data, &size));
    EXPECT_STREQ(name, L"V1");
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    size = sizeof(data);
    EXPECT_TRUE(key.EnumValue(1, name, &type, data, &size));
    size = sizeof(data);
    EXPECT_FALSE(key.EnumValue(2, name, &type, data, &size));

    EXPECT_TRUE(key.DeleteSubKey(L"One"));
    EXPECT_FALSE(KeyExists(L"Enum\\One"));
    EXPECT_TRUE(KeyExists(L"Enum\\Two"));
    EXPECT_FALSE(key.DeleteSubKey(L"One"));
}

TEST_F(RegKeyTest, ScratchHiveKeepsTheRealHiveUntouched)
{
    CRegKey key(L"Software\\Quenlo\\Tovak\\Probe", KEY_ALL_ACCESS);
    ASSERT_TRUE(key.IsOpen());
    HKEY inScratch = nullptr;
    EXPECT_EQ(RegOpenKeyExW(hive.Scratch(), L"Software\\Quenlo\\Tovak\\Probe", 0, KEY_READ, &inScratch), ERROR_SUCCESS);
    if (inScratch)
        RegCloseKey(inScratch);
}

} // namespace
