#include <gtest/gtest.h>
#include "layout/IconRecord.h"
#include "layout/ResText.h"
#include "tests/common/TestSupport.h"

TEST(WideString, EmptyAssignmentLeavesItAbsentAndReadsAsEmptyText)
{
    CWideString s(L"abc");
    EXPECT_FALSE(s.IsAbsent());
    s = L"";
    EXPECT_TRUE(s.IsAbsent());
    EXPECT_STREQ(s.c_str(), L"");
    s = nullptr;
    EXPECT_TRUE(s.IsAbsent());
    CWideString copy(CWideString(L"x"));
    EXPECT_STREQ(copy.c_str(), L"x");
}

TEST(WideString, FormatCutsAt1023Characters)
{
    std::wstring longText(2000, L'a');
    CWideString s = CWideString::Format(L"%s|%d", longText.c_str(), 5);
    EXPECT_EQ(s.Length(), 1023u);
    EXPECT_STREQ(CWideString::Format(L"%s %d", L"\x0416\x4E2D", -3).c_str(), L"\x0416\x4E2D -3");
}

TEST(IconRecord, NewRecordDefaults)
{
    IconRecord r;
    EXPECT_TRUE(r.Path.IsAbsent());
    EXPECT_TRUE(r.Name.IsAbsent());
    EXPECT_EQ(r.XCoord, 0);
    EXPECT_EQ(r.YCoord, 0);
    EXPECT_EQ(r.Monitor, -1);
    EXPECT_EQ(r.Index, 0);
    EXPECT_FALSE(r.Legacy);
    r.Name = L"";
    EXPECT_STREQ(r.Name.c_str(), L"");
}

TEST(ResText, RotatesThroughThreeBuffers)
{
    HINSTANCE res = ShellExtResources();
    ASSERT_NE(res, nullptr);
    const wchar_t* a = LoadResText(res, 105);
    const wchar_t* b = LoadResText(res, 106);
    const wchar_t* c = LoadResText(res, 121);
    EXPECT_STREQ(a, L"Ostrel");
    EXPECT_STREQ(b, L"Software\\Quenlo\\Tovak");
    EXPECT_STREQ(c, L"Ostrel");
    const wchar_t* d = LoadResText(res, 113);
    EXPECT_EQ(a, d); // the fourth load reuses the first buffer
    EXPECT_STREQ(d, L"No Icon Information Stored in Layout:\n%s");
    EXPECT_STREQ(LoadResText(CliResources(), 104), L"(%d)");
    EXPECT_STREQ(LoadResText(res, 9999), L"");
}
