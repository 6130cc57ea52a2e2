// Runs the real OstrelCli.exe as a child process and checks its two streams
// and its exit status. The child shares the test's Wine prefix, whose user
// hive is not mapped to a scratch key: every case here ends before anything
// is written to the layout store (usage errors, help, names the tool refuses,
// restores that only read).
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "tests/cli/CliProcess.h"
#include "tests/common/TestSupport.h"

namespace {

const std::wstring kBannerStart = L"OstrelCli Version: 1.7.2.083 (64 Bit) ";

const std::wstring kUsage =
    L"  Usage: OstrelCli [<save | restore | query> </n \"Layout\" |\n"
    L"                    /f \"filepath.osl\"> /y /?]\n"
    L"    /n \"Layout\" - Use the named layout for save or restore.\n"
    L"                - Quote \"Layout\" if it contains embedded spaces.\n"
    L"    /f \"filepath.osl\" - Use the named file path for save or restore.\n"
    L"                - Quote \"filepath.osl\" if it contains embedded spaces.\n"
    L"    undo        - Put the icons back where the last restore found them.\n"
    L"    history     - List the snapshots of this display setup (restore one with /f).\n"
    L"    /y          - Answer 'yes' to any questions: silent operation.\n"
    L"    /?          - Display this text.\n";

const DWORD kUsageError = 0xFFFFFFFF;

std::wstring InvalidName(const std::wstring& name)
{
    return L"Invalid layout name: '" + name + L"'\nA layout name cannot contain '\\'.\n";
}

// Splits the banner line off standard output.
std::wstring AfterBanner(const CliRun& run)
{
    const size_t end = run.out.find(L'\n');
    EXPECT_EQ(run.out.compare(0, kBannerStart.size(), kBannerStart), 0) << Narrow(run.out);
    EXPECT_NE(end, std::wstring::npos);
    EXPECT_GT(end, kBannerStart.size()) << "the banner carries a legal notice";
    return end == std::wstring::npos ? std::wstring() : run.out.substr(end + 1);
}

std::string Describe(const std::vector<std::wstring>& args)
{
    std::wstring line = L"OstrelCli";
    for (const std::wstring& arg : args)
        line += L" [" + arg + L"]";
    return Narrow(line);
}

struct ExactCase
{
    std::vector<std::wstring> args;
    std::wstring out; // after the banner
    std::wstring err;
    DWORD exitCode;
};

TEST(CliProcess, UsageErrorsHelpAndRefusedNames)
{
    const std::wstring cyrillic = L"\u0420\u0430\u0431\u043E\u0442\u0430";
    const ExactCase cases[] = {
        { {}, kUsage, L"Too few arguments.\n", kUsageError },
        { { L"/?" }, kUsage, L"", 0 },
        { { L"save", L"/?" }, kUsage, L"", 0 },
        { { L"/y" }, kUsage, L"Missing Action.\n", kUsageError },
        { { L"/n", L"Work", L"/y" }, kUsage, L"Missing Action.\n", kUsageError },
        { { L"-save" }, kUsage, L"Invalid argument: '-save'\n", kUsageError },
        { { L"restore", L"bogus", L"/y" }, kUsage, L"Invalid argument: 'bogus'\n", kUsageError },
        { { L"save", L"/n", L"Work", L"x" }, kUsage, L"Invalid argument: 'x'\n", kUsageError },
        { { cyrillic }, kUsage, L"Invalid argument: '" + cyrillic + L"'\n", kUsageError },
        // The action word in any letter case selects save, which refuses the
        // name before it asks or touches the desktop.
        { { L"SAVE", L"/n", L"a\\b" }, L"", InvalidName(L"a\\b"), 0 },
        { { L"Save", L"/y", L"/n", L"a\\b" }, L"", InvalidName(L"a\\b"), 0 },
        { { L"/SAVE", L"/n", L"a\\b" }, L"", InvalidName(L"a\\b"), 0 },
        { { L"/?", L"save", L"/n", L"a\\b" }, L"", InvalidName(L"a\\b"), 0 },
        { { L"save", L"/f", L"a.osl", L"/n", L"a\\b" }, L"", InvalidName(L"a\\b"), 0 },
        // Non-Latin text and percent signs reach a pipe unchanged, as UTF-8.
        { { L"save", L"/n", cyrillic + L"\\%s%d" }, L"", InvalidName(cyrillic + L"\\%s%d"), 0 },
    };
    for (const ExactCase& c : cases) {
        SCOPED_TRACE(Describe(c.args));
        const CliRun run = RunCliProcess(c.args);
        ASSERT_TRUE(run.started);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(AfterBanner(run), c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.exitCode, c.exitCode);
    }
}

TEST(CliProcess, ActionsEndWithStatusZeroAndTheSelectedFlow)
{
    CScratchFolder folder;
    const std::wstring missingDir = folder.File(L"missing\\a.osl");
    const std::wstring notFound[] = { L"Could not locate Desktop ListView.\n", L"Layout not found: a\\b.\n" };

    // The last action word wins: this restores by name, which never refuses a name.
    CliRun run = RunCliProcess({ L"save", L"restore", L"/n", L"a\\b" });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(AfterBanner(run), L"");
    EXPECT_TRUE(run.err == notFound[0] || run.err == notFound[1]) << Narrow(run.err);
    EXPECT_EQ(run.exitCode, 0u);

    // /f given last selects the file: the layout name is not used.
    run = RunCliProcess({ L"save", L"/n", L"a\\b", L"/f", missingDir });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.err.find(L"Invalid layout name"), std::wstring::npos) << Narrow(run.err);
    EXPECT_EQ(run.out.find(L"saved"), std::wstring::npos) << Narrow(run.out);
    EXPECT_EQ(run.exitCode, 0u);

    // The chooser ignores /n; standard input is closed, so no key ends it.
    run = RunCliProcess({ L"query", L"/n", L"a\\b" });
    ASSERT_TRUE(run.finished) << "the chooser waited for a key that can never come";
    EXPECT_EQ(run.err.find(L"Invalid layout name"), std::wstring::npos) << Narrow(run.err);
    EXPECT_EQ(run.exitCode, 0u);

    // /n as the last argument is ignored: the current configuration's layout.
    run = RunCliProcess({ L"restore", L"/n" });
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.err.find(L"Invalid"), std::wstring::npos) << Narrow(run.err);
    EXPECT_EQ(run.err.find(L"Missing"), std::wstring::npos) << Narrow(run.err);
    EXPECT_EQ(run.exitCode, 0u);
}

} // namespace
