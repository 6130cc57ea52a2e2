#include "engine/RestoreEngine.h"
#include "tests/engine/EngineFixture.h"
#include "tests/engine/MemoryAccess.h"

namespace {

using Identity = CRestoreAccess::Identity;
const RECT kWorkArea = { 0, 0, 1920, 1040 };

// Returns the number of passes.
int Restore(CMemoryAccess& access, const CIconRecordArray& records, RECT workArea = kWorkArea, bool viewFlags = false)
{
    RestoreOutcome outcome;
    EXPECT_TRUE(RunRestore(access, records, workArea, viewFlags, &outcome));
    return outcome.passes;
}

// Unmatched icons go to free cells, never to a cell under a saved icon, and
// stay put once the cells run out; one that covers a free cell keeps it.
TEST(RestoreAlgorithm, UnmatchedIconsTakeFreeCellsOutsideSavedIcons)
{
    CMemoryAccess access;
    access.icons = { { L"a", L"C:\\a", { 300, 300 } }, { L"u1", L"C:\\u1", { 1850, 1050 } },
                     { L"u2", L"C:\\u2", { 1700, 1050 } }, { L"u3", L"C:\\u3", { 1600, 1050 } } };
    access.unmatched = { 1, 2, 3 };
    const CIconRecordArray layout = { MakeRecord(L"a", L"C:\\a", 300, 300), MakeRecord(L"gone", L"C:\\gone", 21, 2) };
    // Work area of one column and two rows: (21,2) is reserved, (21,77) is free.
    const RECT small = { 0, 0, 100, 160 };
    EXPECT_EQ(1, Restore(access, layout, small));
    ASSERT_EQ(1u, access.moved.size());
    EXPECT_EQ(POINT({ 21, 77 }), access.icons[1].pt);
    EXPECT_EQ(POINT({ 1700, 1050 }), access.icons[2].pt);
    EXPECT_EQ(POINT({ 1600, 1050 }), access.icons[3].pt);

    access.moved.clear();
    EXPECT_EQ(1, Restore(access, layout, small));
    EXPECT_TRUE(access.moved.empty()) << "u1 keeps its free cell";

    // Without a cell spacing there are no cells: nothing moves aside, and the
    // records are still placed.
    access.icons[1].pt = { 1850, 1050 };
    access.spacing = { 0, 0 };
    access.placed.clear();
    access.finished = 0;
    EXPECT_EQ(1, Restore(access, layout));
    EXPECT_TRUE(access.moved.empty());
    ASSERT_EQ(1u, access.placed.size());
    EXPECT_EQ(0, access.placed[0].index);
    EXPECT_EQ(1, access.finished);
}

// A record takes the icon of its name whose identity is its path; an icon
// without an ID list is taken on its name by every record of the name, an
// unreadable one by none. A legacy record takes the first icon of its name.
TEST(RestoreAlgorithm, RecordsTellIconsApartByIdentityLegacyRecordsTakeTheFirst)
{
    CMemoryAccess access;
    access.icons = { { L"Report", L"", {}, Identity::NoIdList }, { L"Report", L"", {}, Identity::Unreadable },
                     { L"Report", L"C:\\Report.txt", {} }, { L"Report", L"C:\\Report.doc", {} },
                     { L"a", L"C:\\a.txt", {} } };
    EXPECT_EQ(1, Restore(access, { MakeRecord(L"Report", L"C:\\Report.doc", 100, 600),
                                   MakeRecord(L"Report", L"C:\\Report.txt", 200, 600),
                                   MakeRecord(L"a", L"C:\\a.txt", 300, 300) }));
    EXPECT_EQ(2, access.Placements(0));
    EXPECT_EQ(POINT({ 200, 600 }), access.icons[0].pt);
    EXPECT_EQ(0, access.Placements(1));
    EXPECT_EQ(POINT({ 200, 600 }), access.icons[2].pt);
    EXPECT_EQ(POINT({ 100, 600 }), access.icons[3].pt);

    access.icons = { { L"Report", L"C:\\Report.txt", { 400, 300 } }, { L"Report", L"C:\\Report.doc", { 500, 300 } } };
    EXPECT_EQ(1, Restore(access, { MakeRecord(L"Report", L"Report", 100, 600, true) }));
    EXPECT_EQ(POINT({ 100, 600 }), access.icons[0].pt);
    EXPECT_EQ(POINT({ 500, 300 }), access.icons[1].pt);
}

// A record whose Path names a Desktop folder that has moved takes the icon of
// its name and file name (case ignored) that no exact match took, claiming or
// not; class identifier paths match whole only, and a gone icon stays gone.
TEST(RestoreAlgorithm, RecordsOfAMovedDesktopFolderTakeTheirIconByFileName)
{
    const std::wstring now = L"C:\\Users\\me\\OneDrive\\Desktop\\", before = L"C:\\Users\\me\\Desktop\\";
    const std::wstring everyone = L"C:\\Users\\Public\\Desktop\\a.txt";
    const CIconRecordArray layout = { MakeRecord(L"a.txt", before + L"a.txt", 100, 100),
                                      MakeRecord(L"a.txt", everyone, 200, 100),
                                      MakeRecord(L"b.txt", before + L"b.txt", 300, 100),
                                      MakeRecord(L"x", L"::{A}\\x", 400, 100),
                                      MakeRecord(L"gone.txt", before + L"gone.txt", 500, 100) };
    for (bool claims : { true, false }) {
        CMemoryAccess access;
        access.claims = claims;
        access.icons = { { L"a.txt", everyone, { 900, 900 } }, { L"a.txt", now + L"a.txt", { 900, 900 } },
                         { L"b.txt", now + L"B.TXT", { 900, 900 } }, { L"x", L"::{B}\\x", { 900, 900 } },
                         { L"u", now + L"u", { 100, 100 } } };
        access.unmatched = { 4 };
        RestoreOutcome outcome;
        EXPECT_TRUE(RunRestore(access, layout, kWorkArea, false, &outcome));
        EXPECT_EQ(2, outcome.byFileName);
        EXPECT_EQ(POINT({ 200, 100 }), access.icons[0].pt) << "the exact match wins";
        EXPECT_EQ(POINT({ 100, 100 }), access.icons[1].pt);
        EXPECT_EQ(POINT({ 300, 100 }), access.icons[2].pt);
        EXPECT_EQ(POINT({ 900, 900 }), access.icons[3].pt);
        EXPECT_EQ(3u, access.placed.size());
        EXPECT_NE(POINT({ 100, 100 }), access.icons[4].pt) << "unknown icons still go aside";
    }
}

// Where the access claims, an icon that a record took is out of the search
// for the later records of the pass; otherwise each record sets it again.
TEST(RestoreAlgorithm, ClaimedIconIsLeftToTheFirstRecord)
{
    CMemoryAccess access;
    access.icons = { { L"a", L"C:\\a", {} } };
    const CIconRecordArray layout = { MakeRecord(L"a", L"C:\\a", 100, 100), MakeRecord(L"a", L"C:\\a", 200, 200) };
    Restore(access, layout);
    EXPECT_EQ(1, access.Placements(0));
    EXPECT_EQ(POINT({ 100, 100 }), access.icons[0].pt);

    access.claims = false;
    Restore(access, layout);
    EXPECT_EQ(3, access.Placements(0));
    EXPECT_EQ(POINT({ 200, 200 }), access.icons[0].pt);
}

// Passes repeat until every placed icon reads back at its target. One that
// never does runs every pass, counts once as misplaced however many records
// place it, and the restore still finishes once.
TEST(RestoreAlgorithm, PassesRepeatUntilEveryPlacedIconReadsBack)
{
    CMemoryAccess access;
    access.icons = { { L"a", L"C:\\a", {} }, { L"b", L"C:\\b", {} } };
    CIconRecordArray layout = { MakeRecord(L"a", L"C:\\a", 100, 100), MakeRecord(L"b", L"C:\\b", 200, 200) };
    access.misses[1] = 1;
    RestoreOutcome outcome;
    EXPECT_TRUE(RunRestore(access, layout, kWorkArea, false, &outcome));
    EXPECT_EQ(2, outcome.passes);
    EXPECT_EQ(0, outcome.misplaced) << "the second placement read back";
    EXPECT_EQ(2, access.Placements(0)) << "placed again in every pass";

    access.misses[1] = -1;
    access.placed.clear();
    access.finished = 0;
    EXPECT_TRUE(RunRestore(access, layout, kWorkArea, false, &outcome));
    EXPECT_EQ(kMaxPasses, outcome.passes);
    EXPECT_EQ(1, outcome.misplaced);
    EXPECT_EQ(kMaxPasses, access.Placements(1));
    EXPECT_EQ(POINT({ 100, 100 }), access.icons[0].pt);
    EXPECT_EQ(1, access.finished);

    access.claims = false;
    layout.push_back(MakeRecord(L"b", L"C:\\b", 300, 300));
    EXPECT_TRUE(RunRestore(access, layout, kWorkArea, false, &outcome));
    EXPECT_EQ(1, outcome.misplaced);
}

// With the flag, both view flags are off while icons move aside and are
// placed; afterwards snap-to-grid is back and auto-arrange stays off. Without
// it, or with neither on, the flags are not touched. A refused placement ends
// the restore as failed and puts snap-to-grid back all the same.
TEST(RestoreAlgorithm, ArrangeFlagsAreOffWhileIconsMove)
{
    CMemoryAccess access;
    access.icons = { { L"a", L"C:\\a", {} }, { L"u", L"C:\\u", { 5000, 5000 } } };
    access.unmatched = { 1 };
    const CIconRecordArray layout = { MakeRecord(L"a", L"C:\\a", 100, 100) };
    access.flags = CMemoryAccess::kSnap | CMemoryAccess::kArrange;
    Restore(access, layout, kWorkArea, true);
    ASSERT_EQ(1u, access.moved.size());
    ASSERT_EQ(1u, access.placed.size());
    EXPECT_EQ(0u, access.moved[0].flags);
    EXPECT_EQ(0u, access.placed[0].flags);
    EXPECT_EQ(CMemoryAccess::kSnap, access.flags);
    EXPECT_EQ(2, access.flagWrites);

    access.flags = CMemoryAccess::kArrange;
    access.flagWrites = 0;
    Restore(access, layout, kWorkArea, false);
    EXPECT_EQ(CMemoryAccess::kArrange, access.flags);
    access.flags = 0;
    Restore(access, layout, kWorkArea, true);
    EXPECT_EQ(0, access.flagWrites);

    access.flags = CMemoryAccess::kSnap;
    access.begins = false;
    access.finished = 0;
    EXPECT_FALSE(RunRestore(access, layout, kWorkArea, true));
    EXPECT_EQ(CMemoryAccess::kSnap, access.flags);
    EXPECT_EQ(2, access.flagWrites);
    EXPECT_EQ(0, access.finished);
}

} // namespace
