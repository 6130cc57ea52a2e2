#include <gtest/gtest.h>
#include "layout/DisplayConfig.h"
#include "tests/common/FakeDisplay.h"
#include "tests/common/TestSupport.h"

namespace {

CFakeDisplay TwoSideBySide(bool primaryFirst)
{
    CFakeDisplay d;
    CFakeDisplay::Monitor primary = { { 0, 0, 1920, 1080 }, true };
    CFakeDisplay::Monitor second = { { 1920, 0, 3200, 1024 }, false };
    if (primaryFirst)
        d.monitors = { primary, second };
    else
        d.monitors = { second, primary };
    return d;
}

TEST(DisplayConfig, RealSystemHasOneMonitorNamedByScreenSize)
{
    CDisplayConfig config;
    ASSERT_EQ(config.Capture(), GetSystemMetrics(SM_CMONITORS));
    ASSERT_EQ(config.Capture(), 1);
    EXPECT_EQ(config.Filled(), 1);
    EXPECT_TRUE(config.Monitors()[0].info.dwFlags & MONITORINFOF_PRIMARY);
    const std::wstring expected = L"Layout " + std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L" x " +
                                  std::to_wstring(GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(config.LayoutName(1, true, TestShellExtFlavor()).c_str(), expected);
    config.SetIconSize(48);
    EXPECT_EQ(config.LayoutName(1, true, TestShellExtFlavor()).c_str(), expected + L" (48)");
    EXPECT_EQ(config.LayoutName(1, true, TestCliFlavor()).c_str(), expected + L" (48)");
    EXPECT_EQ(config.LayoutName(1, false, TestCliFlavor()).c_str(), expected);
}

TEST(DisplayConfig, OneMonitorNameUsesScreenSizeNotMonitorRect)
{
    CFakeDisplay d;
    d.monitors = { { { 0, 0, 1600, 900 }, true } };
    CDisplayConfig config(&d);
    config.SetIconSize(32);
    const int n = config.Capture();
    EXPECT_EQ(config.LayoutName(n, true, TestShellExtFlavor()).c_str(), std::wstring(L"Layout 1600 x 900 (32)"));
    EXPECT_EQ(config.LayoutName(n, false, TestShellExtFlavor()).c_str(), std::wstring(L"Layout 1600 x 900"));
}

TEST(DisplayConfig, MultiMonitorNamesMarkThePrimaryInEnumerationOrder)
{
    CFakeDisplay first = TwoSideBySide(true);
    CDisplayConfig a(&first);
    a.SetIconSize(48);
    int n = a.Capture();
    EXPECT_EQ(std::wstring(a.LayoutName(n, true, TestShellExtFlavor()).c_str()),
              L"Multi-Monitor *[1920 x 1080][1280 x 1024] (48)");
    EXPECT_EQ(std::wstring(a.LayoutName(n, false, TestCliFlavor()).c_str()),
              L"Multi-Monitor *[1920 x 1080][1280 x 1024]");

    CFakeDisplay second = TwoSideBySide(false);
    CDisplayConfig b(&second);
    b.SetIconSize(48);
    n = b.Capture();
    EXPECT_EQ(std::wstring(b.LayoutName(n, true, TestCliFlavor()).c_str()),
              L"Multi-Monitor [1280 x 1024]*[1920 x 1080] (48)");
    // Icon size 0: full and base names are the same.
    b.SetIconSize(0);
    EXPECT_EQ(std::wstring(b.LayoutName(n, true, TestCliFlavor()).c_str()),
              std::wstring(b.LayoutName(n, false, TestCliFlavor()).c_str()));
}

TEST(DisplayConfig, UnreadableMonitorLeavesAZeroSlot)
{
    CFakeDisplay d;
    d.monitors = { { { 0, 0, 800, 600 }, true, true }, { { 800, 0, 1600, 600 }, false }, { { 1600, 0, 2400, 600 }, false } };
    CDisplayConfig config(&d);
    const int n = config.Capture();
    EXPECT_EQ(n, 3);
    EXPECT_EQ(config.Filled(), 2);
    EXPECT_EQ(std::wstring(config.LayoutName(n, false, TestShellExtFlavor()).c_str()),
              L"Multi-Monitor [800 x 600][800 x 600][0 x 0]");

    // More monitors reported than counted: counted in filled, not stored.
    d.monitors[0].infoFails = false;
    d.countOverride = 2;
    EXPECT_EQ(config.Capture(), 2);
    EXPECT_EQ(config.Filled(), 3);
}

TEST(DisplayConfig, LookupOnSharedEdgeAndOffMonitor)
{
    CFakeDisplay d = TwoSideBySide(true);
    CDisplayConfig config(&d);
    config.Capture();
    POINT edge = { 1920, 10 };
    EXPECT_EQ(config.LookupMonitor(edge), 1);
    EXPECT_EQ(edge.x, 0);
    EXPECT_EQ(edge.y, 10);
    POINT inside = { 1919, 1079 };
    EXPECT_EQ(config.LookupMonitor(inside), 0);

    POINT nowhere = { 2500, 1050 }; // below the smaller second monitor
    EXPECT_EQ(config.LookupMonitor(nowhere), -1);
    EXPECT_EQ(nowhere.x, 2500);
    EXPECT_EQ(nowhere.y, 1050);
    EXPECT_TRUE(config.IsOffScreen(nowhere));
    EXPECT_FALSE(config.IsOffScreen({ 0, 0 }));
    EXPECT_TRUE(config.IsOffScreen({ 3200, 0 }));
}

TEST(DisplayConfig, SecondaryLeftOfPrimaryShiftsTheOrigin)
{
    CFakeDisplay d;
    d.monitors = { { { -1280, 0, 0, 1024 }, false }, { { 0, 0, 1920, 1080 }, true } };
    CDisplayConfig config(&d);
    config.Capture();
    EXPECT_EQ(config.Monitors()[1].offset.left, 1280);
    EXPECT_EQ(config.PrimaryCentre().x, 1280 + 960);
    EXPECT_EQ(config.PrimaryCentre().y, 540);

    // A position on the primary, in desktop list view coordinates.
    POINT pt = { 1300, 50 };
    ASSERT_EQ(config.LookupMonitor(pt), 1);
    EXPECT_EQ(pt.x, 20);
    EXPECT_EQ(pt.y, 50);
    ASSERT_TRUE(config.OffsetToDesktop(1, pt));
    EXPECT_EQ(pt.x, 1300);
}

TEST(DisplayConfig, MonitorOffsetIgnoresIndicesOfOtherConfigurations)
{
    CFakeDisplay d = TwoSideBySide(true);
    CDisplayConfig config(&d);
    POINT pt = { 5, 6 };
    // No monitor list yet.
    EXPECT_FALSE(config.OffsetToDesktop(0, pt));
    config.Capture();
    EXPECT_FALSE(config.OffsetToDesktop(-1, pt));
    EXPECT_FALSE(config.OffsetToDesktop(2, pt));
    EXPECT_FALSE(config.OffsetToDesktop(1000000, pt));
    EXPECT_FALSE(config.OffsetToDesktop(-7, pt));
    EXPECT_EQ(pt.x, 5);
    EXPECT_EQ(pt.y, 6);
    EXPECT_TRUE(config.OffsetToDesktop(1, pt));
    EXPECT_EQ(pt.x, 1925);
    config.Release();
    EXPECT_FALSE(config.HasMonitorList());
    EXPECT_FALSE(config.OffsetToDesktop(1, pt));
}

} // namespace
