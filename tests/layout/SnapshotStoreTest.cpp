#include <gtest/gtest.h>
#include <new>
#include "layout/DisplaySetup.h"
#include "layout/SnapshotStore.h"
#include "tests/common/FakeCapture.h"
#include "tests/common/FakeDisplay.h"
#include "tests/common/TestSupport.h"

namespace {

const wchar_t kPathA[] = L"\\\\?\\DISPLAY#DEL4321#5&1a2b3c&0&UID4352#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";
const wchar_t kPathB[] = L"\\\\?\\DISPLAY#DEL4321#5&1a2b3c&0&UID4353#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";

CDisplaySetup SetupOf(CFakeDisplay& fake, const wchar_t* name = L"Multi-Monitor *[1920 x 1080][1920 x 1080] (48)")
{
    CDisplayConfig display(&fake);
    display.Capture();
    return CDisplaySetup(display, name);
}

std::vector<std::wstring> Names(const std::vector<SnapshotEntry>& entries)
{
    std::vector<std::wstring> names;
    for (const SnapshotEntry& entry : entries)
        names.push_back(entry.path.substr(entry.path.find_last_of(L'\\') + 1));
    return names;
}

size_t FilesMatching(const std::wstring& pattern)
{
    size_t count = 0;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do
        ++count;
    while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

} // namespace

// Two monitors of one model and resolution differ by their device paths; a
// new scale is another setup; what the system does not say leaves the layout
// name; the digest is a folder name and the geometry reads back.
TEST(SnapshotStore, SetupsTellMonitorsAndScalesApart)
{
    CFakeDisplay fake;
    fake.monitors = { { { 0, 0, 1920, 1080 }, true, false, kPathA, 96 },
                      { { 1920, 0, 3840, 1080 }, false, false, kPathB, 96 } };
    const CDisplaySetup first = SetupOf(fake);
    std::swap(fake.monitors[0].devicePath, fake.monitors[1].devicePath);
    const CDisplaySetup swapped = SetupOf(fake);
    fake.monitors[1].dpi = 144;
    const CDisplaySetup scaled = SetupOf(fake);
    EXPECT_EQ(first.Text(), std::wstring(L"Multi-Monitor *[1920 x 1080][1920 x 1080] (48), monitor 1: ") + kPathA +
                                L" 96 dpi, monitor 2: " + kPathB + L" 96 dpi");
    EXPECT_NE(first.Digest(), swapped.Digest());
    EXPECT_NE(swapped.Digest(), scaled.Digest());

    CFakeDisplay unknown;
    unknown.monitors = { { { 0, 0, 1920, 1080 }, true } };
    EXPECT_EQ(SetupOf(unknown, L"Layout 1920 x 1080 (48)").Text(), L"Layout 1920 x 1080 (48)");

    CScratchFolder folder;
    CSnapshotStore store(folder.Path());
    CFakeCapture capture({ MakeIcon(L"C:\\a.txt", L"a", 10, 20, 0, 1) });
    ASSERT_EQ(store.Write(TestCliFlavor(), scaled, SnapshotKind::Arranged, capture), FileSaveResult::Saved);
    const std::wstring digest = scaled.Digest();
    EXPECT_EQ(digest.size(), 16u);
    EXPECT_EQ(digest.find_first_not_of(L"0123456789abcdef"), std::wstring::npos);
    const std::vector<StoredSetup> setups = store.Setups();
    ASSERT_EQ(setups.size(), 1u);
    EXPECT_EQ(setups[0].folder, folder.Path() + L"\\" + digest + L"\\");
    EXPECT_EQ(setups[0].setup.Text(), scaled.Text());
    ASSERT_EQ(setups[0].setup.Monitors().size(), 2u);
    EXPECT_EQ(setups[0].setup.Monitors()[1].dpi, 144u);
    EXPECT_EQ(setups[0].setup.Monitors()[1].rect.left, 1920);
    EXPECT_EQ(setups[0].setup.IconSpacing().cx, 75);
}

// Snapshots written in one burst get names of their own, newest first; the
// 21st arranged and the 11th before-restore snapshot remove the oldest of
// their kind; an empty capture, or one that fails half way, leaves no file,
// and what a killed write left goes with the next write; a setup folder
// whose newest snapshot is over a year old goes, a user's own file stays.
TEST(SnapshotStore, WritesKeepTheLimitsAndNeverLeaveHalfAFile)
{
    CFakeDisplay fake;
    fake.monitors = { { { 0, 0, 1920, 1080 }, true, false, kPathA, 96 } };
    const CDisplaySetup setup = SetupOf(fake, L"Layout 1920 x 1080 (48)");
    CScratchFolder root;
    CSnapshotStore store(root.Path());
    const CLayoutFlavor flavor = TestCliFlavor();

    const std::wstring old = root.File(L"00000000000000aa");
    CreateDirectoryW(old.c_str(), nullptr);
    CloseHandle(CreateFileW((old + L"\\20241201T080000.000Z arranged.osl").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, 0, nullptr));
    const std::wstring mine = root.File(L"00000000000000bb");
    CreateDirectoryW(mine.c_str(), nullptr);
    CloseHandle(CreateFileW((mine + L"\\20241201T080000.000Z arranged.osl").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, 0, nullptr));
    CloseHandle(CreateFileW((mine + L"\\my notes.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));

    std::wstring first;
    for (int i = 0; i < 21; ++i) {
        CFakeCapture capture({ MakeIcon(L"C:\\a.txt", L"a", i, 0, 0, 1) });
        std::wstring path;
        ASSERT_EQ(store.Write(flavor, setup, SnapshotKind::Arranged, capture, &path), FileSaveResult::Saved);
        if (i == 0)
            first = path;
    }
    for (int i = 0; i < 11; ++i) {
        CFakeCapture capture({ MakeIcon(L"C:\\a.txt", L"a", 100 + i, 0, 0, 1) });
        ASSERT_EQ(store.Write(flavor, setup, SnapshotKind::BeforeRestore, capture), FileSaveResult::Saved);
    }
    const std::vector<SnapshotEntry> entries = store.List(setup);
    ASSERT_EQ(entries.size(), 30u);
    EXPECT_EQ(GetFileAttributesW(first.c_str()), INVALID_FILE_ATTRIBUTES);
    const std::vector<std::wstring> names = Names(entries);
    for (size_t i = 1; i < names.size(); ++i)
        EXPECT_GT(names[i - 1].substr(0, 20), names[i].substr(0, 20));
    SnapshotEntry newest;
    ASSERT_TRUE(store.Newest(setup, SnapshotKind::Arranged, newest));
    CDisplayConfig display(&fake);
    display.Capture();
    CIconRecordArray records;
    ASSERT_TRUE(ReadLayoutFile(newest.path.c_str(), display, records, nullptr));
    EXPECT_EQ(records[0].XCoord, 20);
    EXPECT_EQ(names[0].substr(20), L" before restore.osl");

    EXPECT_EQ(FilesMatching(old), 0u);
    EXPECT_EQ(FilesMatching(mine + L"\\*.osl"), 0u);
    EXPECT_EQ(FilesMatching(mine + L"\\my notes.txt"), 1u);

    const std::wstring folder = root.File(setup.Digest().c_str());
    CloseHandle(CreateFileW((folder + L"\\~Ostrel-4000000000-0-1.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_HIDDEN, nullptr));
    CFakeCapture empty;
    EXPECT_EQ(store.Write(flavor, setup, SnapshotKind::Arranged, empty), FileSaveResult::Empty);
    CFakeCapture failing({ MakeIcon(L"C:\\a.txt", L"a", 1, 1, 0, 1), MakeIcon(L"C:\\b.txt", L"b", 2, 2, 0, 2) });
    failing.afterPut = [](size_t) { throw std::bad_alloc(); };
    EXPECT_EQ(store.Write(flavor, setup, SnapshotKind::Arranged, failing), FileSaveResult::Failed);
    EXPECT_EQ(store.List(setup).size(), 30u);
    EXPECT_EQ(FilesMatching(folder + L"\\~Ostrel-*"), 0u);
    EXPECT_EQ(FilesMatching(folder + L"\\*.osl"), 30u);
}
