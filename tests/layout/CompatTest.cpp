// Layouts in every form that users keep: the files under tests/fixtures and
// registry contents as each version of both deliverables left them. Every
// change must keep reading them the same way.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"
#include "layout/Owners.h"
#include "tests/common/FakeCapture.h"
#include "tests/common/FakeDisplay.h"
#include "tests/common/TestSupport.h"

namespace {

constexpr const wchar_t* kStore = L"Software\\Quenlo\\Tovak";
constexpr DWORD kVersion = 0x332E534F;

std::wstring Fixture(const wchar_t* name)
{
    std::wstring path = std::wstring(OSTREL_FIXTURE_DIR) + L"\\" + name;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// Layout keys written value by value, as the deliverables' older versions did.
class CRawLayout
{
public:
    explicit CRawLayout(const std::wstring& name, const wchar_t* subkey = nullptr)
    {
        std::wstring path = std::wstring(kStore) + L"\\" + name;
        if (subkey)
            path += std::wstring(L"\\") + subkey;
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_key.Put(), nullptr);
    }
    CRawLayout(const CRawLayout&) = delete;
    CRawLayout& operator=(const CRawLayout&) = delete;

    CRawLayout& Dword(const wchar_t* name, DWORD value) { return Raw(name, REG_DWORD, &value, sizeof(value)); }
    CRawLayout& Text(const wchar_t* name, const wchar_t* text)
    {
        return Raw(name, REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    }
    // The older icon value: position, then the name with or without its NUL.
    CRawLayout& Icon(const wchar_t* path, INT32 x, INT32 y, const wchar_t* name, bool withNul = true)
    {
        std::vector<BYTE> data(8 + (wcslen(name) + (withNul ? 1 : 0)) * sizeof(wchar_t));
        std::memcpy(&data[0], &x, 4);
        std::memcpy(&data[4], &y, 4);
        std::memcpy(&data[8], name, data.size() - 8);
        return Raw(path, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
    }
    CRawLayout& Raw(const wchar_t* name, DWORD type, const void* data, DWORD size)
    {
        RegSetValueExW(m_key.Get(), name, 0, type, static_cast<const BYTE*>(data), size);
        return *this;
    }

private:
    CKeyHandle m_key;
};

// Value order is the registry's own: compare records of the older forms
// without regard to it.
CIconRecordArray SortedByPath(CIconRecordArray records)
{
    std::sort(records.begin(), records.end(), [](const IconRecord& a, const IconRecord& b) {
        return std::wstring(a.Path.c_str()) < b.Path.c_str();
    });
    return records;
}

class CompatTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Secondary left of the primary, enumerated first: monitor 0 starts at
        // desktop x 0, monitor 1 (the primary, centre 2240, 540) at x 1280.
        fake.monitors = { { { -1280, 0, 0, 1024 }, false }, { { 0, 0, 1920, 1080 }, true } };
        display.Capture();
    }

    CIconRecordArray ReadFixture(const wchar_t* name, bool expectCurrent)
    {
        CIconRecordArray records;
        bool current = !expectCurrent;
        const bool any = ReadLayoutFile(Fixture(name).c_str(), display, records, &current);
        EXPECT_EQ(any, !records.empty()) << Narrow(name);
        EXPECT_EQ(current, expectCurrent) << Narrow(name);
        return records;
    }

    CIconRecordArray ReadStore(const CLayoutFlavor& flavor, const wchar_t* name, bool expectCurrent,
                               bool forceVisible = false)
    {
        CIconRecordArray records;
        bool current = !expectCurrent;
        const int count = ReadLayout(flavor, name, display, forceVisible, records, &current);
        EXPECT_EQ(count, static_cast<int>(records.size()));
        EXPECT_EQ(current, expectCurrent) << Narrow(name);
        return records;
    }

    CScopedUserHive hive;
    CScratchFolder folder;
    CLayoutFlavor sx = TestShellExtFlavor();
    CLayoutFlavor cli = TestCliFlavor();
    CFakeDisplay fake;
    CDisplayConfig display{ &fake };
};

TEST_F(CompatTest, CurrentFormatFiles)
{
    EXPECT_EQ(ReadFixture(L"current-shellext.osl", true), (CIconRecordArray{
        MakeIcon(L"::{645FF040-5081-101B-9F08-00AA002F954E}", L"Recycle Bin", 100, 50, 0, 1),
        MakeIcon(L"C:\\Users\\u\\Desktop\\Документы", L"Документы", 1310, 40, 1, 2),
        MakeIcon(L"C:\\Users\\u\\Desktop\\報告書 😀.txt", L"報告書 😀", -20, 3000, -1, 3),
        MakeLegacy(L"100% done", 70, 80),
    }));
    // A section without Name is skipped but counted; a missing XCoord reads 0,
    // a missing Monitor -1; a monitor of another configuration moves nothing.
    EXPECT_EQ(ReadFixture(L"current-cli.osl", true), (CIconRecordArray{
        MakeIcon(L"C:\\Users\\u\\Desktop\\Αρχείο.txt", L"Αρχείο", 1285, 6, 1, 1),
        MakeIcon(L"C:\\Users\\u\\Desktop\\plain.txt", L"No X, no monitor", 0, 9, -1, 3),
        MakeIcon(L"C:\\Users\\u\\Desktop\\other.txt", L"Other configuration", 11, 12, 7, 4),
    }));
    EXPECT_EQ(ReadFixture(L"current-version-first.osl", true), (CIconRecordArray{
        MakeIcon(L"C:\\Users\\u\\Desktop\\first.txt", L"first", 10, 20, 0, 2),
        MakeIcon(L"C:\\Users\\u\\Desktop\\second.txt", L"second", 30, 40, 0, 3),
    }));
    EXPECT_EQ(ReadFixture(L"current-version-unnamed.osl", true), (CIconRecordArray{
        MakeIcon(L"C:\\Users\\u\\Desktop\\top.txt", L"top", 1290, 20, 1, 1),
    }));
    EXPECT_EQ(ReadFixture(L"current-ansi.osl", true), (CIconRecordArray{
        MakeIcon(L"C:\\Users\\u\\Desktop\\readme.txt", L"readme.txt", 64, 128, 0, 1),
        MakeLegacy(L"Old Link", 8, 9),
    }));
}

TEST_F(CompatTest, OlderFormatFiles)
{
    EXPECT_EQ(ReadFixture(L"older-path-sections.osl", false), (CIconRecordArray{
        MakeIcon(L"C:\\Users\\u\\Desktop\\notes.txt", L"notes.txt", 120, 240, -1, 0),
        MakeIcon(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", L"Этот компьютер", 10, 20, -1, 0),
        MakeLegacy(L"Old Shortcut", 300, 400),
    }));
    EXPECT_EQ(ReadFixture(L"older-path-sections-nolegacy.osl", false), (CIconRecordArray{
        MakeIcon(L"C:\\Users\\u\\Desktop\\写真", L"写真", 75, 150, -1, 0),
        MakeIcon(L"C:\\Users\\u\\Desktop\\50% off.url", L"50% off", 75, 225, -1, 0),
    }));
    // Without the format version the section name is the Path and Monitor
    // plays no part.
    EXPECT_EQ(ReadFixture(L"older-icon-sections.osl", false), (CIconRecordArray{
        MakeIcon(L"Icon0001", L"kept as stored", 10, 20, -1, 0),
        MakeIcon(L"Icon0002", L"wrong version", 30, 40, -1, 0),
    }));
}

TEST_F(CompatTest, FilesThatHoldNoIconReadNothing)
{
    EXPECT_TRUE(ReadFixture(L"header-only.osl", false).empty());
    CIconRecordArray records;
    EXPECT_FALSE(ReadLayoutFile(Fixture(L"no-names.osl").c_str(), display, records, nullptr));
    EXPECT_TRUE(records.empty());
    records = { MakeIcon(L"stale", L"Stale", 1, 1, 0, 1) };
    EXPECT_FALSE(ReadLayoutFile(folder.File(L"nowhere.osl").c_str(), display, records, nullptr));
    EXPECT_TRUE(records.empty());
    EXPECT_FALSE(ReadLayoutFile(L"", display, records, nullptr));
}

TEST_F(CompatTest, CurrentFormatStoreLayouts)
{
    CRawLayout(L"Current").Dword(L"Version", kVersion).Dword(L"Old Link", 20 * 65536 + 40).Text(L"Comment", L"x");
    CRawLayout(L"Current", L"Icon0001").Dword(L"XCoord", 100).Dword(L"YCoord", 50).Dword(L"Monitor", 0)
        .Text(L"Name", L"Корзина").Text(L"Path", L"::{645FF040-5081-101B-9F08-00AA002F954E}");
    CRawLayout(L"Current", L"Icon0002").Dword(L"XCoord", 30).Dword(L"YCoord", 40).Dword(L"Monitor", 1)
        .Text(L"Name", L"報告書 😀").Text(L"Path", L"C:\\Users\\u\\Desktop\\報告書 😀.txt");
    CRawLayout(L"Current", L"Icon0007").Dword(L"XCoord", static_cast<DWORD>(-20)).Dword(L"YCoord", 3000)
        .Dword(L"Monitor", 0xFFFFFFFF).Text(L"Name", L"100%").Text(L"Path", L"C:\\Users\\u\\Desktop\\100%");

    const CIconRecordArray expected = {
        MakeIcon(L"::{645FF040-5081-101B-9F08-00AA002F954E}", L"Корзина", 100, 50, 0, 1),
        MakeIcon(L"C:\\Users\\u\\Desktop\\報告書 😀.txt", L"報告書 😀", 1310, 40, 1, 2),
        MakeIcon(L"C:\\Users\\u\\Desktop\\100%", L"100%", -20, 3000, -1, 3),
        MakeLegacy(L"Old Link", 40, 20),
    };
    EXPECT_EQ(ReadStore(sx, L"Current", true), expected);
    EXPECT_EQ(ReadStore(cli, L"Current", true), expected);

    // Missing values: coordinates and Monitor -1, texts each deliverable's default.
    CRawLayout(L"Sparse").Dword(L"Version", kVersion);
    CRawLayout(L"Sparse", L"Icon0001").Dword(L"XCoord", 5);
    CRawLayout(L"Sparse", L"Icon0002").Dword(L"XCoord", 10).Dword(L"YCoord", 20).Text(L"Name", L"N").Text(L"Path", L"P");
    EXPECT_EQ(ReadStore(sx, L"Sparse", true),
              (CIconRecordArray{ MakeIcon(L"Empty", L"Empty", 5, -1, -1, 1), MakeIcon(L"P", L"N", 10, 20, -1, 2) }));
    EXPECT_EQ(ReadStore(cli, L"Sparse", true),
              (CIconRecordArray{ MakeIcon(L"Error: Empty!", L"Error: Empty!", 5, -1, -1, 1),
                                 MakeIcon(L"P", L"N", 10, 20, -1, 2) }));
}

TEST_F(CompatTest, OlderFormatStoreLayouts)
{
    std::vector<BYTE> huge(600, 0);
    CRawLayout(L"Older")
        .Dword(L"Legacy Icon", 20 * 65536 + 40)
        .Dword(L"Wide", 0xFFFF0001)
        .Icon(L"C:\\Users\\u\\Desktop\\Файл.txt", -5, 700, L"Файл")
        .Text(L"Text", L"not an icon")
        .Icon(L"Long", 7, 7, L"abcdefghijkl")
        .Raw(L"Short", REG_BINARY, "\1\0\0\0\2\0", 6)
        .Raw(L"Huge", REG_BINARY, huge.data(), static_cast<DWORD>(huge.size()))
        .Icon(L"NoNul", 1, 2, L"abc", false)
        .Icon(L"PositionOnly", 3, 4, L"");
    // Positions are unsigned halves; a value that does not fit the buffer is
    // passed over and the values after it are still read; a short value is
    // no icon; a name without its NUL ends with the value's data, whatever
    // the values before it held.
    const CIconRecordArray expected = {
        MakeIcon(L"C:\\Users\\u\\Desktop\\Файл.txt", L"Файл", -5, 700, -1, 0),
        MakeLegacy(L"Legacy Icon", 40, 20),
        MakeIcon(L"Long", L"abcdefghijkl", 7, 7, -1, 0),
        MakeIcon(L"NoNul", L"abc", 1, 2, -1, 0),
        MakeIcon(L"PositionOnly", L"", 3, 4, -1, 0),
        MakeLegacy(L"Wide", 1, 65535),
    };
    EXPECT_EQ(SortedByPath(ReadStore(sx, L"Older", false)), expected);
    EXPECT_EQ(SortedByPath(ReadStore(cli, L"Older", false)), expected);

    // Force Visible moves the older icons, never the legacy records.
    const CIconRecordArray forced = SortedByPath(ReadStore(sx, L"Older", false, true));
    ASSERT_EQ(forced.size(), expected.size());
    EXPECT_EQ(forced[0], MakeIcon(L"C:\\Users\\u\\Desktop\\Файл.txt", L"Файл", 2240, 540, -1, 0));
    EXPECT_EQ(forced[1], MakeLegacy(L"Legacy Icon", 40, 20));

    // A "Version" of another type is no format version.
    CRawLayout(L"Edited").Text(L"Version", L"858673999").Icon(L"C:\\x.txt", 9, 8, L"x");
    EXPECT_EQ(ReadStore(cli, L"Edited", false), CIconRecordArray{ MakeIcon(L"C:\\x.txt", L"x", 9, 8, -1, 0) });

    CRawLayout(L"Bare");
    EXPECT_TRUE(ReadStore(sx, L"Bare", false).empty());
}

TEST_F(CompatTest, EitherDeliverableReadsWhatTheOtherWrote)
{
    const std::vector<IconRecord> captured = {
        MakeIcon(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", L"Этот компьютер", 100, 50, 0, 1),
        MakeIcon(L"C:\\Users\\u\\Desktop\\報告書 😀.txt", L"報告書 😀", 30, 40, 1, 2),
        MakeIcon(L"C:\\Users\\u\\Desktop\\50%.txt", L"50% %s %d", 3000, 3000, -1, 3),
        MakeLegacy(L"Ярлык", 12, 34, 4),
    };
    const CIconRecordArray expected = {
        MakeIcon(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", L"Этот компьютер", 100, 50, 0, 1),
        MakeIcon(L"C:\\Users\\u\\Desktop\\報告書 😀.txt", L"報告書 😀", 1310, 40, 1, 2),
        MakeIcon(L"C:\\Users\\u\\Desktop\\50%.txt", L"50% %s %d", 3000, 3000, -1, 3),
        MakeLegacy(L"Ярлык", 12, 34),
    };
    const struct { const CLayoutFlavor& writer; const CLayoutFlavor& reader; } pairs[] = { { sx, cli }, { cli, sx } };
    for (const auto& pair : pairs) {
        CFakeCapture capture(captured);
        ASSERT_EQ(SaveLayout(pair.writer, L"Shared", capture, nullptr), SaveResult::Saved);
        EXPECT_EQ(ReadStore(pair.reader, L"Shared", true), expected);

        const std::wstring file = folder.File(pair.writer.shellExt ? L"from-sx.osl" : L"from-cli.osl");
        ASSERT_EQ(SaveLayoutFile(pair.writer, file.c_str(), capture, nullptr), FileSaveResult::Saved);
        CIconRecordArray records;
        bool current = false;
        EXPECT_TRUE(ReadLayoutFile(file.c_str(), display, records, &current));
        EXPECT_TRUE(current);
        EXPECT_EQ(records, expected);
    }
}

} // namespace
