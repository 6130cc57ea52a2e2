#include <gtest/gtest.h>
#include <new>
#include <string>
#include "layout/LayoutStore.h"
#include "layout/RegKey.h"
#include "tests/common/FakeCapture.h"
#include "tests/common/FakeDisplay.h"
#include "tests/common/TestSupport.h"

namespace {

constexpr const wchar_t* kStore = L"Software\\Quenlo\\Tovak";

// A secondary monitor left of the primary, enumerated first: monitor 0 starts
// at desktop x 0, the primary (monitor 1) at desktop x 1280.
CFakeDisplay LeftSecondary()
{
    CFakeDisplay d;
    d.monitors = { { { -1280, 0, 0, 1024 }, false }, { { 0, 0, 1920, 1080 }, true } };
    return d;
}

std::wstring LayoutPath(const wchar_t* name) { return std::wstring(kStore) + L"\\" + name; }

bool KeyExists(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ReadDword(const std::wstring& path, const wchar_t* value, DWORD* data)
{
    DWORD size = sizeof(*data);
    return RegGetValueW(HKEY_CURRENT_USER, path.c_str(), value, RRF_RT_REG_DWORD, nullptr, data, &size) == ERROR_SUCCESS;
}

std::vector<std::wstring> SubKeys(const std::wstring& path)
{
    std::vector<std::wstring> names;
    CRegKey key(path.c_str(), KEY_READ);
    wchar_t name[kNameBufferChars];
    for (DWORD i = 0; key.EnumSubKey(i, name); ++i)
        names.emplace_back(name);
    return names;
}

// Every value and subkey under a key with types and data: equal dumps mean a
// layout left byte for byte.
std::string Dump(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<missing>";
    std::string dump;
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(4096);
    for (DWORD i = 0;; ++i) {
        DWORD chars = static_cast<DWORD>(name.size()), type = 0, size = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, i, name.data(), &chars, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        dump += Narrow(name.data()) + ":" + std::to_string(type) + "=" +
                std::string(reinterpret_cast<const char*>(data.data()), size) + ";";
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD chars = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.emplace_back(name.data());
    }
    RegCloseKey(key);
    for (const std::wstring& subkey : subkeys)
        dump += "[" + Narrow(subkey) + "]{" + Dump(path + L"\\" + subkey) + "}";
    return dump;
}

std::vector<std::wstring> Listed(const CLayoutFlavor& flavor)
{
    std::vector<std::wstring> names;
    for (const CWideString& name : ListLayouts(flavor))
        names.emplace_back(name.c_str());
    return names;
}

class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        display.Capture();
    }

    int Save(const wchar_t* name, std::vector<IconRecord> list, const CLayoutFlavor& flavor)
    {
        CFakeCapture capture(std::move(list));
        int written = -1;
        EXPECT_EQ(SaveLayout(flavor, name, capture, &written), SaveResult::Saved);
        return written;
    }

    CIconRecordArray Read(const wchar_t* name, const CLayoutFlavor& flavor, bool* current = nullptr,
                          bool forceVisible = false)
    {
        CIconRecordArray records;
        bool format = false;
        const int count = ReadLayout(flavor, name, display, forceVisible, records, &format);
        EXPECT_EQ(count, static_cast<int>(records.size()));
        if (current)
            *current = format;
        return records;
    }

    CScopedUserHive hive;
    CLayoutFlavor sx = TestShellExtFlavor();
    CLayoutFlavor cli = TestCliFlavor();
    CFakeDisplay fake = LeftSecondary();
    CDisplayConfig display{ &fake };
};

TEST_F(StoreTest, SavedLayoutHasTheStoredFormat)
{
    EXPECT_EQ(Save(L"Layout 1920 x 1080 (48)", { MakeIcon(L"C:\\d\\Документы", L"Документы", -20, 40, -1, 1),
                                                 MakeLegacy(L"Old Link", 40, 20, 2), MakeIcon(L"p", L"P", 5, 6, 0, 3) },
                   sx),
              3);

    const std::wstring layout = LayoutPath(L"Layout 1920 x 1080 (48)");
    DWORD number = 0;
    ASSERT_TRUE(ReadDword(layout, L"Version", &number));
    EXPECT_EQ(number, 0x332E534Fu);
    ASSERT_TRUE(ReadDword(layout, L"Old Link", &number));
    EXPECT_EQ(number, 20u * 65536u + 40u);
    EXPECT_EQ(SubKeys(layout), (std::vector<std::wstring>{ L"Icon0001", L"Icon0003" }));
    ASSERT_TRUE(ReadDword(layout + L"\\Icon0001", L"XCoord", &number));
    EXPECT_EQ(number, static_cast<DWORD>(-20));
    ASSERT_TRUE(ReadDword(layout + L"\\Icon0001", L"Monitor", &number));
    EXPECT_EQ(number, 0xFFFFFFFFu);
    wchar_t text[kNameBufferChars] = {};
    DWORD size = sizeof(text);
    DWORD type = 0;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, (layout + L"\\Icon0001").c_str(), L"Name", RRF_RT_ANY, &type, text, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, (wcslen(L"Документы") + 1) * sizeof(wchar_t));
    EXPECT_STREQ(text, L"Документы");

    // The legacy record comes back after the icon keys, which are numbered
    // by their ordinal.
    bool current = false;
    EXPECT_EQ(Read(L"Layout 1920 x 1080 (48)", cli, &current),
              (CIconRecordArray{ MakeIcon(L"C:\\d\\Документы", L"Документы", -20, 40, -1, 1),
                                 MakeIcon(L"p", L"P", 5, 6, 0, 2), MakeLegacy(L"Old Link", 40, 20) }));
    EXPECT_TRUE(current);
}

TEST_F(StoreTest, SavingOverALayoutReplacesItEntirely)
{
    Save(L"Work", { MakeIcon(L"a", L"A", 1, 1, 0, 1), MakeIcon(L"b", L"B", 2, 2, 0, 2),
                    MakeIcon(L"c", L"C", 3, 3, 0, 3), MakeLegacy(L"Old", 4, 4, 4) }, sx);
    // Another letter case names the same key; the layout then bears the new case.
    Save(L"WORK", { MakeIcon(L"z", L"Z", 9, 9, 0, 1) }, cli);

    EXPECT_EQ(Listed(sx), std::vector<std::wstring>{ L"WORK" });
    EXPECT_EQ(SubKeys(LayoutPath(L"WORK")), std::vector<std::wstring>{ L"Icon0001" });
    EXPECT_EQ(Read(L"Work", sx), CIconRecordArray{ MakeIcon(L"z", L"Z", 9, 9, 0, 1) });
}

TEST_F(StoreTest, AnEmptyOrFailedSaveLeavesTheStoredLayoutByteForByte)
{
    const std::wstring pending = std::wstring(kStore) + L" (saving)";
    // What a save that crashed left behind goes with the next save.
    CRegKey((pending + L"\\4000000000\\New\\Icon0001").c_str(), KEY_ALL_ACCESS).WriteNumber(L"XCoord", 1);
    Save(L"Keep", { MakeIcon(L"a", L"A", 1, 2, 0, 1), MakeLegacy(L"Old", 3, 4, 2), MakeIcon(L"b", L"B", 5, 6, -1, 3) },
         sx);
    EXPECT_FALSE(KeyExists(pending));
    const std::string before = Dump(LayoutPath(L"Keep"));

    // The capture fails half way, as when memory runs out.
    CFakeCapture failing({ MakeIcon(L"x", L"X", 7, 7, 0, 1), MakeIcon(L"y", L"Y", 8, 8, 0, 2) });
    failing.afterPut = [](size_t) { throw std::bad_alloc(); };
    // The registry refuses a write: a value name beyond its limit.
    CFakeCapture refused({ MakeIcon(L"x", L"X", 7, 7, 0, 1), MakeLegacy(std::wstring(20000, L'n').c_str(), 1, 1, 2) });
    CFakeCapture empty;
    int written = -1;
    EXPECT_EQ(SaveLayout(sx, L"Keep", failing, &written), SaveResult::Failed);
    EXPECT_EQ(SaveLayout(cli, L"KEEP", refused, &written), SaveResult::Failed);
    EXPECT_EQ(SaveLayout(sx, L"Keep", empty, &written), SaveResult::Empty);
    EXPECT_EQ(SaveLayout(cli, L"New", empty, &written), SaveResult::Empty);
    EXPECT_EQ(written, 0);

    EXPECT_EQ(Dump(LayoutPath(L"Keep")), before);
    EXPECT_EQ(Listed(sx), std::vector<std::wstring>{ L"Keep" });
    EXPECT_FALSE(KeyExists(pending));
}

TEST_F(StoreTest, LegacyRecordsNeverOverwriteTheVersionOrEachOther)
{
    // Value names ignore letter case.
    EXPECT_EQ(Save(L"Legacy", { MakeLegacy(L"Old", 1, 2, 1), MakeLegacy(L"OLD", 3, 4, 2), MakeLegacy(L"Version", 5, 6, 3),
                                MakeLegacy(L"vERSION", 7, 8, 4), MakeIcon(L"p", L"P", 9, 9, 0, 5) }, sx),
              2);
    DWORD version = 0;
    ASSERT_TRUE(ReadDword(LayoutPath(L"Legacy"), L"Version", &version));
    EXPECT_EQ(version, 0x332E534Fu);
    EXPECT_EQ(Read(L"Legacy", cli), (CIconRecordArray{ MakeIcon(L"p", L"P", 9, 9, 0, 1), MakeLegacy(L"Old", 1, 2) }));
}

TEST_F(StoreTest, UnreachableDesktopLeavesTheStoredLayoutUntouched)
{
    Save(L"Keep", { MakeIcon(L"a", L"A", 1, 2, -1, 1) }, sx);

    CFakeCapture unreachable({ MakeIcon(L"b", L"B", 3, 4, -1, 1) });
    unreachable.ready = false;
    int written = -1;
    EXPECT_EQ(SaveLayout(sx, L"Keep", unreachable, &written), SaveResult::Unreachable);
    EXPECT_EQ(SaveLayout(cli, L"New", unreachable, &written), SaveResult::Unreachable);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(unreachable.runs, 0);

    EXPECT_EQ(Read(L"Keep", sx), CIconRecordArray{ MakeIcon(L"a", L"A", 1, 2, -1, 1) });
    EXPECT_EQ(Listed(sx), std::vector<std::wstring>{ L"Keep" });
}

TEST_F(StoreTest, NamesThatWouldLeaveTheStoreAreRefusedBeforeAnythingIsWritten)
{
    Save(L"Home", { MakeIcon(L"a", L"A", 1, 2, -1, 1) }, sx);
    CRegKey(kStore, KEY_ALL_ACCESS).WriteNumber(L"ConfirmSave", 1);

    for (const wchar_t* bad : { L"Home\\Icon0001", L"Nested\\Name", L"\\", L"" }) {
        CFakeCapture capture({ MakeIcon(L"b", L"B", 3, 4, -1, 1) });
        int written = -1;
        EXPECT_EQ(SaveLayout(sx, bad, capture, &written), SaveResult::InvalidName) << Narrow(bad);
        EXPECT_EQ(written, 0);
        EXPECT_EQ(capture.runs, 0);
        CIconRecordArray records;
        EXPECT_EQ(ReadLayout(cli, bad, display, false, records, nullptr), 0);
        EXPECT_FALSE(DeleteLayout(sx, bad)) << Narrow(bad);
    }
    CFakeCapture capture;
    EXPECT_EQ(SaveLayout(sx, nullptr, capture, nullptr), SaveResult::InvalidName);

    // Neither the layouts, nor the settings, nor the icon keys were touched.
    EXPECT_EQ(Listed(sx), std::vector<std::wstring>{ L"Home" });
    EXPECT_EQ(SubKeys(LayoutPath(L"Home")), std::vector<std::wstring>{ L"Icon0001" });
    EXPECT_EQ(CRegKey(kStore, KEY_READ).ReadNumber(L"ConfirmSave", 0), 1u);
    EXPECT_EQ(Read(L"Home", sx).size(), 1u);
}

TEST_F(StoreTest, ForceVisiblePullsPositionsOnNoMonitorToThePrimaryCentre)
{
    Save(L"Visible", { MakeIcon(L"on", L"On", 10, 10, 1, 1), MakeIcon(L"off", L"Off", 5000, 10, -1, 2),
                       MakeIcon(L"gap", L"Gap", 100, 1050, -1, 3), MakeLegacy(L"Legacy", 5000, 5000, 4) }, sx);

    // Primary: desktop rectangle (1280, 0, 3200, 1080), centre (2240, 540).
    // The secondary ends at y 1024, so (100, 1050) lies on no monitor.
    const CIconRecordArray forced = Read(L"Visible", sx, nullptr, true);
    ASSERT_EQ(forced.size(), 4u);
    EXPECT_EQ(forced[0], MakeIcon(L"on", L"On", 1290, 10, 1, 1));
    EXPECT_EQ(forced[1], MakeIcon(L"off", L"Off", 2240, 540, -1, 2));
    EXPECT_EQ(forced[2], MakeIcon(L"gap", L"Gap", 2240, 540, -1, 3));
    EXPECT_EQ(forced[3], MakeLegacy(L"Legacy", 5000, 5000));

    const CIconRecordArray plain = Read(L"Visible", sx);
    ASSERT_EQ(plain.size(), 4u);
    EXPECT_EQ(plain[1], MakeIcon(L"off", L"Off", 5000, 10, -1, 2));

    // Without a captured monitor list nothing counts as off screen.
    CDisplayConfig uncaptured(&fake);
    CIconRecordArray records;
    ReadLayout(sx, L"Visible", uncaptured, true, records, nullptr);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1], MakeIcon(L"off", L"Off", 5000, 10, -1, 2));
}

TEST_F(StoreTest, ListingShowsOnlyLayoutKeysAndDeletingRemovesTheWholeLayout)
{
    CRegKey(kStore, KEY_ALL_ACCESS).WriteNumber(L"ForceVisible", 1);
    Save(L"B layout", { MakeIcon(L"b", L"B", 1, 1, 0, 1) }, sx);
    Save(L"A layout", { MakeIcon(L"a", L"A", 1, 1, 0, 1), MakeIcon(L"c", L"C", 1, 1, 0, 2) }, cli);

    EXPECT_EQ(Listed(sx), (std::vector<std::wstring>{ L"A layout", L"B layout" }));
    EXPECT_EQ(Listed(cli), Listed(sx));

    EXPECT_TRUE(DeleteLayout(cli, L"a LAYOUT"));
    EXPECT_FALSE(KeyExists(LayoutPath(L"A layout")));
    EXPECT_FALSE(DeleteLayout(sx, L"A layout"));
    EXPECT_EQ(Listed(sx), std::vector<std::wstring>{ L"B layout" });
    EXPECT_EQ(CRegKey(kStore, KEY_READ).ReadNumber(L"ForceVisible", 0), 1u);
}

TEST_F(StoreTest, OldIconKeysAreRecognisedByTheirFirstEightCharactersAndRemoved)
{
    for (const wchar_t* name : { L"Icon0003", L"Icon9999 (48)", L"Icon00001" })
        EXPECT_TRUE(IsOldIconKeyName(name)) << Narrow(name);
    for (const wchar_t* name : { L"Icon3", L"Icons", L"icon0003", L"ICON0003", L"Icon003x", L"Icon", L"", L"Layout 1" })
        EXPECT_FALSE(IsOldIconKeyName(name)) << Narrow(name);
    EXPECT_FALSE(IsOldIconKeyName(nullptr));

    CRegKey(LayoutPath(L"Icon0003").c_str(), L"Sub", KEY_ALL_ACCESS).WriteNumber(L"XCoord", 1);
    CRegKey(LayoutPath(L"Icons").c_str(), KEY_ALL_ACCESS);

    EXPECT_TRUE(RemoveOldIconKey(sx, L"Icon0003"));
    EXPECT_FALSE(KeyExists(LayoutPath(L"Icon0003")));
    // A key that is not there cannot be removed: a caller walking the store
    // must move on rather than look at the same index again.
    EXPECT_FALSE(RemoveOldIconKey(sx, L"Icon0003"));
    EXPECT_FALSE(RemoveOldIconKey(sx, L"Icons"));
    EXPECT_EQ(Listed(sx), std::vector<std::wstring>{ L"Icons" });
}

} // namespace
