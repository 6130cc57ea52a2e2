#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "cli/AsciiNoCase.h"
#include "cli/CliArguments.h"
#include "tests/common/TestSupport.h"

namespace {

struct Parsed
{
    bool ok = false;
    std::wstring invalid;
    CCliOptions options;
};

Parsed Parse(std::vector<std::wstring> args)
{
    args.insert(args.begin(), L"OstrelCli.exe");
    std::vector<wchar_t*> argv;
    for (std::wstring& arg : args)
        argv.push_back(&arg[0]);
    Parsed parsed;
    const wchar_t* invalid = nullptr;
    parsed.ok = ParseArguments(static_cast<int>(argv.size()), argv.data(), parsed.options, &invalid);
    if (invalid)
        parsed.invalid = invalid;
    return parsed;
}

struct GrammarCase
{
    std::vector<std::wstring> args;
    bool ok;
    std::wstring invalid;
    CliAction action;
    bool answerYes;
    std::wstring name;
    LayoutSource source;
};

TEST(CliArguments, GrammarTable)
{
    const CliAction None = CliAction::None, Save = CliAction::Save, Restore = CliAction::Restore,
                    Query = CliAction::Query, Help = CliAction::Help, Undo = CliAction::Undo,
                    History = CliAction::History;
    const LayoutSource Store = LayoutSource::Store, File = LayoutSource::File;
    const GrammarCase cases[] = {
        { { L"SAVE" }, true, L"", Save, false, L"", Store },
        { { L"Save" }, true, L"", Save, false, L"", Store },
        { { L"/SAVE" }, true, L"", Save, false, L"", Store },
        { { L"/Restore" }, true, L"", Restore, false, L"", Store },
        { { L"QUERY" }, true, L"", Query, false, L"", Store },
        { { L"/UNDO", L"/y" }, true, L"", Undo, true, L"", Store },
        { { L"History" }, true, L"", History, false, L"", Store },
        { { L"-save" }, false, L"-save", None, false, L"", Store },
        { { L"saves" }, false, L"saves", None, false, L"", Store },
        // U+017F (long s) folds to S under full Unicode case rules; keywords
        // match only ASCII letters without regard to case.
        { { L"\u017Fave" }, false, L"\u017Fave", None, false, L"", Store },
        { { L"save", L"/?" }, true, L"", Help, false, L"", Store },
        { { L"/?", L"save" }, true, L"", Save, false, L"", Store },
        { { L"save", L"restore" }, true, L"", Restore, false, L"", Store },
        { { L"/y" }, true, L"", None, true, L"", Store },
        { { L"/Y", L"query" }, true, L"", Query, true, L"", Store },
        // The value of /n is taken verbatim, even when it looks like an option.
        { { L"save", L"/n", L"/y" }, true, L"", Save, false, L"/y", Store },
        { { L"save", L"/N", L"save" }, true, L"", Save, false, L"save", Store },
        { { L"restore", L"/n" }, true, L"", Restore, false, L"", Store },
        { { L"restore", L"/n", L"A", L"/n", L"B" }, true, L"", Restore, false, L"B", Store },
        { { L"save", L"/f", L"a.osl", L"/n", L"Work" }, true, L"", Save, false, L"Work", Store },
        { { L"save", L"/n", L"Work", L"/f", L"a.osl" }, true, L"", Save, false, L"Work", File },
        { { L"save", L"/n", L"Work", L"/f" }, true, L"", Save, false, L"Work", Store },
        { { L"query", L"/n", L"Work" }, true, L"", Query, false, L"Work", Store },
        // Parsing stops at the first invalid argument: /y after it is never seen.
        { { L"restore", L"bogus", L"/y" }, false, L"bogus", Restore, false, L"", Store },
        { { L"/n", L"Work" }, true, L"", None, false, L"Work", Store },
        { { L"" }, false, L"", None, false, L"", Store },
    };
    for (const GrammarCase& c : cases) {
        std::wstring line;
        for (const std::wstring& arg : c.args)
            line += L"[" + arg + L"]";
        SCOPED_TRACE(Narrow(line));
        const Parsed parsed = Parse(c.args);
        EXPECT_EQ(parsed.ok, c.ok);
        EXPECT_EQ(parsed.invalid, c.invalid);
        EXPECT_EQ(parsed.options.action, c.action);
        EXPECT_EQ(parsed.options.answerYes, c.answerYes);
        EXPECT_STREQ(parsed.options.layoutName.c_str(), c.name.c_str());
        EXPECT_EQ(parsed.options.source, c.source);
    }
}

TEST(CliArguments, LayoutNamesCompareOnlyAsciiLettersWithoutCase)
{
    EXPECT_TRUE(EqualsAsciiNoCase(L"work", L"Work"));
    EXPECT_TRUE(EqualsAsciiNoCase(L"Layout 1920 x 1080 (48)", L"LAYOUT 1920 X 1080 (48)"));
    EXPECT_FALSE(EqualsAsciiNoCase(L"Work", L"Works"));
    EXPECT_FALSE(EqualsAsciiNoCase(L"Works", L"Work"));
    EXPECT_FALSE(EqualsAsciiNoCase(L"\u0420\u0430\u0431\u043E\u0442\u0430", L"\u0440\u0430\u0431\u043E\u0442\u0430"));
    EXPECT_FALSE(EqualsAsciiNoCase(L"\u00C4b", L"\u00E4b"));
    EXPECT_FALSE(EqualsAsciiNoCase(L"[", L"{")); // '[' + 32 is '{': no folding outside A to Z
    EXPECT_TRUE(EqualsAsciiNoCase(L"", L""));
}

class CliFilePathTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t previous[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, previous);
        m_previous = previous;
        CreateDirectoryW(folder.File(L"u").c_str(), nullptr);
        ASSERT_TRUE(SetCurrentDirectoryW(folder.File(L"u").c_str()));
    }
    void TearDown() override { SetCurrentDirectoryW(m_previous.c_str()); }

    CScratchFolder folder;

private:
    std::wstring m_previous;
};

TEST_F(CliFilePathTest, RelativePathsAreJoinedWithTheCurrentDirectoryAndCanonicalised)
{
    const std::wstring current = folder.File(L"u");
    EXPECT_STREQ(ResolveFilePath(L"layouts\\a.osl").c_str(), (current + L"\\layouts\\a.osl").c_str());
    EXPECT_STREQ(ResolveFilePath(L"..\\a.osl").c_str(), folder.File(L"a.osl").c_str());
    EXPECT_STREQ(ResolveFilePath(L".\\x\\..\\b.osl").c_str(), (current + L"\\b.osl").c_str());
    EXPECT_STREQ(ResolveFilePath(L"C:\\data\\a.osl").c_str(), L"C:\\data\\a.osl");

    const Parsed parsed = Parse({ L"restore", L"/f", L"layouts\\a.osl" });
    EXPECT_EQ(parsed.options.source, LayoutSource::File);
    EXPECT_STREQ(parsed.options.filePath.c_str(), (current + L"\\layouts\\a.osl").c_str());
}

} // namespace
