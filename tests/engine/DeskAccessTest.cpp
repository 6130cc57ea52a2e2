#include "tests/engine/EngineFixture.h"
#include "deskshell/DeskCommands.h"
#include "deskshell/DeskListView.h"
#include "deskshell/DeskViewObjects.h"

namespace {

class DeskAccessTest : public CEngineTest
{
};

// The search takes the list view of "Progman", or of the first top-level
// window that holds the view, but never runs without "Progman".
TEST_F(DeskAccessTest, WindowSearchFollowsTheViewButNeedsProgman)
{
    EXPECT_EQ(nullptr, FindDesktopListView()) << "no host yet";

    const struct { DeskWindows windows; bool found; } cases[] = {
        { DeskWindows::Shell, true },
        { DeskWindows::Worker, true },
        { DeskWindows::NoDefView, false },
        { DeskWindows::NoProgman, false },
    };
    for (const auto& c : cases) {
        DeskHostOptions options;
        options.windows = c.windows;
        ASSERT_EQ(S_OK, host.Start(options, { { L"a.txt", { 100, 100 } } }));
        EXPECT_EQ(c.found ? host.ListView() : nullptr, FindDesktopListView()) << static_cast<int>(c.windows);
        host.Stop();
    }
}

TEST_F(DeskAccessTest, OpeningReportsTheStatusAndProbesOnlyThroughTheSite)
{
    Start({ { L"a.txt", { 100, 100 } } });
    CDeskViewObjects objects;

    context.SetSiteUnknown(nullptr);
    EXPECT_EQ(1, objects.Open(context));
    EXPECT_NE(nullptr, objects.Folder());
    EXPECT_EQ(nullptr, objects.ShellView());
    EXPECT_EQ(0, context.display.IconSize()) << "no probe without a site";
    EXPECT_EQ(0u, context.ccVersion);

    context.SetSiteUnknown(host.Site());
    EXPECT_EQ(0, objects.Open(context));
    EXPECT_NE(nullptr, objects.ShellView());
    EXPECT_NE(nullptr, objects.FolderView());
    EXPECT_EQ(48, context.display.IconSize());
    EXPECT_NE(0u, context.ccVersion);

    host.SetIconSize(32);
    host.Faults().noIconSize = true;
    EXPECT_EQ(0, objects.Open(context));
    EXPECT_EQ(48, context.display.IconSize()) << "a failed probe keeps the size";

    host.Faults().noIconSize = false;
    host.Faults().noFolderView = true;
    EXPECT_EQ(0, objects.Open(context));
    EXPECT_EQ(nullptr, objects.FolderView());
    EXPECT_EQ(48, context.display.IconSize()) << "no IFolderView2, no probe";

    host.Faults().noFolderView = false;
    host.Faults().noShellView = true;
    EXPECT_EQ(1, objects.Open(context));
    host.Faults().noShellView = false;
    host.Faults().noShellBrowser = true;
    EXPECT_EQ(1, objects.Open(context));
    EXPECT_NE(nullptr, objects.Folder());
}

// From 5.82 on the common controls know snap-to-grid; the probe runs in the
// shell extension's own activation context.
TEST_F(DeskAccessTest, CommonControlsFlagStartsAtVersion582)
{
    Start({ { L"a.txt", { 100, 100 } } });
    CDeskViewObjects objects;
    s_ccVersion = 0x50051;
    EXPECT_EQ(0, objects.Open(context));
    EXPECT_EQ(0x50051u, context.ccVersion);
    EXPECT_FALSE(context.ccFlag);
    EXPECT_EQ(context.flavor.resources, s_probedModule);

    s_ccVersion = 0x50052;
    EXPECT_EQ(0, objects.Open(context));
    EXPECT_TRUE(context.ccFlag);

    // Without a site the probe does not run and the flag stays.
    context.SetSiteUnknown(nullptr);
    s_ccVersion = 0;
    EXPECT_EQ(1, objects.Open(context));
    EXPECT_TRUE(context.ccFlag);
}

TEST_F(DeskAccessTest, PlaceAndVerifySendsNothingForAnIconInPlace)
{
    Start({ { L"a.txt", { 100, 100 } } });
    const CDeskListView view(host.ListView());

    EXPECT_TRUE(view.PlaceAndVerify(0, { 100, 100 }));
    EXPECT_EQ(0, host.Counters().setItemPosition);

    EXPECT_TRUE(view.PlaceAndVerify(0, { 300, 200 }));
    EXPECT_EQ(1, host.Counters().setItemPosition);
    EXPECT_EQ(POINT({ 300, 200 }), host.Position(0));

    // The message carries 16 bits per coordinate: such a target never reads back.
    EXPECT_FALSE(view.PlaceAndVerify(0, { 40000, 200 }));
    EXPECT_FALSE(view.PlaceAndVerify(0, { 100, -40000 }));

    POINT pt;
    EXPECT_TRUE(view.ReadPosition(0, pt));
    EXPECT_FALSE(view.ReadPosition(5, pt)) << "no such item";
}

// The scan claims by exact label; the list view's own search ignores case.
TEST_F(DeskAccessTest, UnmatchedScanCountsLetterCaseAndClaimsOneIconPerRecord)
{
    Start({ { L"a.txt", { 100, 100 } }, { L"b.doc", { 200, 100 } }, { L"c.txt", { 300, 100 } },
            { L"d.txt", { 400, 100 } } });
    const CDeskListView view(host.ListView());
    Relabel(2, L"Same");
    Relabel(3, L"Same");

    CIconRecordArray records;
    records.push_back(MakeRecord(L"a.txt", L"", 0, 0));
    records.push_back(MakeRecord(L"B.DOC", L"", 0, 0));
    records.push_back(MakeRecord(L"Same", L"", 0, 0));
    records.push_back(MakeRecord(L"a.txt", L"", 0, 0)); // claims nothing: a.txt is taken
    EXPECT_EQ(std::vector<int>({ 1, 3 }), ScanUnmatchedIcons(view, records));

    EXPECT_EQ(1, view.FindByName(-1, L"B.DOC"));
    EXPECT_EQ(2, view.FindByName(-1, L"same"));
    EXPECT_EQ(3, view.FindByName(2, L"same"));
    EXPECT_EQ(-1, view.FindByName(3, L"same"));

    EXPECT_EQ(std::vector<int>({ 0, 1, 2, 3 }), ScanUnmatchedIcons(view, CIconRecordArray()));
}

} // namespace
