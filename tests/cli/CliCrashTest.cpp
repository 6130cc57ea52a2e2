// OstrelCli.exe killed at random moments of a save, and saving at the same
// moment as another process, against deskhost.exe. The tool writes the test
// prefix's own store (made afresh for every test run); this process reads it
// back as every program does, through the functions that first finish what a
// killed save left.
#include <windows.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <functional>
#include <random>
#include "DeskHostProcess.h"
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"
#include "layout/RegKey.h"
#include "layout/SnapshotStore.h"
#include "tests/cli/CliProcess.h"
#include "tests/common/FakeCapture.h"

namespace {

const wchar_t kName[] = L"Killed save";
const wchar_t kLayoutKey[] = L"Software\\Quenlo\\Tovak\\Killed save";
// Fifty rounds of each kind, in shards that each stay well within a test's
// time: a save of 400 icons across processes takes 2 s or more under Wine.
constexpr int kRounds = 50;
constexpr int kShards = 10;

std::vector<DeskIcon> Desktop(int count)
{
    std::vector<DeskIcon> icons(count);
    for (int i = 0; i < count; ++i) {
        icons[i].name = L"killed" + std::to_wstring(i) + L".txt";
        icons[i].pos = { 20 + (i % 25) * 75, 10 + (i / 25) * 65 };
    }
    return icons;
}

// Records of icons that the desktop does not have.
std::vector<IconRecord> Others(int count, int x)
{
    std::vector<IconRecord> records;
    for (int i = 0; i < count; ++i) {
        const std::wstring name = L"other" + std::to_wstring(i);
        records.push_back(MakeIcon((L"C:\\" + name).c_str(), name.c_str(), x, i * 2, -1, i + 1));
    }
    return records;
}

// From the removal of "Version" on, a commit is replacing the stored layout.
bool Replacing()
{
    DWORD version = 0;
    DWORD size = sizeof(version);
    return RegGetValueW(HKEY_CURRENT_USER, kLayoutKey, L"Version", RRF_RT_REG_DWORD, nullptr, &version, &size) !=
           ERROR_SUCCESS;
}

// Before any recovery, as a program that skips it would read the killed
// save's layout: with "Version", all its icon keys and no other value (one
// of the two layouts), without it no value (no layout). The store holds
// nothing else.
void ExpectWholeBeforeRecovery(size_t layouts)
{
    HKEY key = nullptr;
    DWORD subkeys = 0, values = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kLayoutKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(key);
    }
    EXPECT_TRUE(Replacing() ? values == 0 : subkeys == 400 && values == 1) << subkeys << " keys, " << values;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak", 0, KEY_READ, &key);
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    EXPECT_LE(subkeys, layouts);
}

// The tool's temporary layout files in the folder; *written: one has data.
std::vector<std::wstring> TempFiles(const std::wstring& folder, bool* written = nullptr)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\~Ostrel-*.tmp").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        names.push_back(folder + L"\\" + found.cFileName);
        if (written && found.nFileSizeLow > 0)
            *written = true;
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return names;
}

const auto kAtOnce = [] { return true; };

class CliCrash : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        ASSERT_TRUE(forwarding.Installed());
        DeleteLayout(flavor, kName);
        layouts = ListLayouts(flavor).size() + 1;
    }
    void TearDown() override
    {
        host.Quit();
        DeleteLayout(flavor, kName);
        CoUninitialize();
    }

    CIconRecordArray Stored()
    {
        CIconRecordArray records;
        ReadLayout(flavor, kName, display, false, records, nullptr);
        return records;
    }
    void Store(const std::vector<IconRecord>& records)
    {
        CFakeCapture capture(records);
        ASSERT_EQ(SaveLayout(flavor, kName, capture, nullptr), SaveResult::Saved);
    }

    // Runs the tool; once `from` holds (polled every 5 ms) `during` runs, and
    // the tool is killed unless it ends within `delay` ms. *after gets how
    // long it ran after `from` first held.
    CliRun Run(const std::vector<std::wstring>& args, const std::function<bool()>& from, DWORD delay,
               DWORD* after = nullptr, const std::function<void()>& during = {})
    {
        DWORD held = 0;
        const CliRun run = RunCliProcess(args, std::string(), 60000, [&](HANDLE process, const std::string&) {
            while (!from() && WaitForSingleObject(process, 5) == WAIT_TIMEOUT) {
            }
            held = GetTickCount();
            if (during)
                during();
            if (WaitForSingleObject(process, delay) == WAIT_TIMEOUT)
                TerminateProcess(process, 1);
            return true;
        });
        EXPECT_TRUE(run.finished);
        if (after)
            *after = GetTickCount() - held;
        return run;
    }
    // Runs the tool to its end: how long it took, and how long after `from`.
    DWORD Measure(const std::vector<std::wstring>& args, const std::function<bool()>& from, DWORD* after)
    {
        const DWORD start = GetTickCount();
        Run(args, from, INFINITE, after);
        return GetTickCount() - start;
    }

    DWORD Uniform(DWORD limit) { return std::uniform_int_distribution<DWORD>(0, limit)(random); }
    int First() const { return GetParam() * kRounds / kShards; }
    int Last() const { return (GetParam() + 1) * kRounds / kShards; }

    // Nothing under the store key but layouts, nothing left of a killed save.
    void ExpectOnlyLayouts()
    {
        EXPECT_EQ(ListLayouts(flavor).size(), layouts);
        EXPECT_FALSE(CRegKey::Exists(L"Software\\Quenlo\\Tovak (saving)"));
    }

    CShellWindowsForwarding forwarding;
    CDeskHostProcess host;
    CLayoutFlavor flavor = TestCliFlavor();
    CDisplayConfig display; // not captured: positions come back as stored
    size_t layouts = 0;
    std::mt19937 random{ 20261208u + static_cast<unsigned>(GetParam()) };
};

// 400 stored icons replaced by the 400 others of the desktop; every other
// kill falls into the replacement of the stored layout, the others anywhere.
TEST_P(CliCrash, AKilledSaveLeavesTheOldLayoutOrTheNewOneComplete)
{
    ASSERT_EQ(host.Launch(Desktop(400)), S_OK);
    const std::vector<std::wstring> save = { L"save", L"/n", kName, L"/y" };
    Store(Others(400, 5));
    const CIconRecordArray old = Stored();
    DWORD replace = 0;
    const DWORD whole = Measure(save, Replacing, &replace);
    const CIconRecordArray fresh = Stored();
    ASSERT_EQ(fresh.size(), 400u);

    int outcomes[2][2] = {};
    CIconRecordArray now = fresh;
    for (int round = First(); round < Last(); ++round) {
        if (now != old)
            Store(Others(400, 5));
        const bool inReplace = round % 2 == 1;
        Run(save, inReplace ? std::function<bool()>(Replacing) : kAtOnce, Uniform(inReplace ? replace : whole));
        ExpectWholeBeforeRecovery(layouts);
        now = Stored();
        EXPECT_TRUE(now == old || now == fresh) << "round " << round << ": " << now.size() << " records";
        ++outcomes[inReplace][now == fresh];
        ExpectOnlyLayouts();
    }
    std::printf("save %lu ms, replacement %lu ms; killed anywhere: %d old, %d new; in the replacement: %d old, %d new\n",
                whole, replace, outcomes[0][0], outcomes[0][1], outcomes[1][0], outcomes[1][1]);
}

// The same for a layout file: every other kill falls after the complete
// temporary file was written, into its replacement of the file.
TEST_P(CliCrash, AKilledFileSaveLeavesTheOldFileOrTheNewOne)
{
    ASSERT_EQ(host.Launch(Desktop(400)), S_OK);
    CScratchFolder folder;
    const std::wstring path = folder.File(L"killed.osl");
    const std::vector<std::wstring> save = { L"save", L"/f", path };
    const auto written = [&] {
        bool any = false;
        TempFiles(folder.Path(), &any);
        return any;
    };
    const auto storeOld = [&] {
        CFakeCapture capture(Others(400, 5));
        EXPECT_EQ(SaveLayoutFile(flavor, path.c_str(), capture, nullptr), FileSaveResult::Saved);
        // The temporary file of a killed save goes with the next save.
        EXPECT_TRUE(TempFiles(folder.Path()).empty());
    };
    const auto read = [&](const std::wstring& file) {
        CIconRecordArray records;
        ReadLayoutFile(file.c_str(), display, records, nullptr);
        return records;
    };
    storeOld();
    const CIconRecordArray old = read(path);
    DWORD replace = 0;
    const DWORD whole = Measure(save, written, &replace);
    const CIconRecordArray fresh = read(path);
    ASSERT_EQ(fresh.size(), 400u);

    int outcomes[2][2] = {};
    int gaps = 0;
    for (int round = First(); round < Last(); ++round) {
        storeOld();
        const bool inReplace = round % 2 == 1;
        Run(save, inReplace ? std::function<bool()>(written) : kAtOnce, Uniform(inReplace ? replace : whole));
        CIconRecordArray now = read(path);
        // Wine's ReplaceFileW moves the old file aside and deletes it before
        // it moves the new one in: a kill in between leaves no file and the
        // new one under its temporary name. Windows renames in one step.
        const std::vector<std::wstring> temps = TempFiles(folder.Path());
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && temps.size() == 1) {
            ++gaps;
            now = read(temps[0]);
        }
        EXPECT_TRUE(now == old || now == fresh) << "round " << round << ": " << now.size() << " records";
        ++outcomes[inReplace][now == fresh];
    }
    storeOld();
    std::printf("save %lu ms, replacement %lu ms; killed anywhere: %d old, %d new; in the replacement: %d old, %d new"
                " (Wine's two-step replacement hit %d times)\n",
                whole, replace, outcomes[0][0], outcomes[0][1], outcomes[1][0], outcomes[1][1], gaps);
}

// Every restore that moves icons keeps a before-restore snapshot: killed at
// any moment, the tool leaves no snapshot that is not whole, and the next
// snapshot written removes the temporary file that it left.
TEST_P(CliCrash, AKilledRestoreLeavesNoPartialSnapshot)
{
    ASSERT_EQ(host.Launch(Desktop(400)), S_OK);
    RemoveSnapshots();
    CScratchFolder folder;
    const std::wstring layouts[2] = { folder.File(L"a.osl"), folder.File(L"b.osl") };
    ASSERT_TRUE(RunCliProcess({ L"save", L"/f", layouts[0] }).finished);
    CIconRecordArray records;
    ASSERT_TRUE(ReadLayoutFile(layouts[0].c_str(), display, records, nullptr));
    ASSERT_EQ(records.size(), 400u);
    for (size_t i = 0; i < records.size() / 2; ++i) {
        std::swap(records[i].XCoord, records[records.size() - 1 - i].XCoord);
        std::swap(records[i].YCoord, records[records.size() - 1 - i].YCoord);
    }
    CFakeCapture swapped(records);
    ASSERT_EQ(SaveLayoutFile(flavor, layouts[1].c_str(), swapped, nullptr), FileSaveResult::Saved);

    const CSnapshotStore store;
    const auto expectWhole = [&](int round) {
        for (const StoredSetup& setup : store.Setups()) {
            for (const SnapshotEntry& entry : store.List(setup.setup)) {
                CIconRecordArray kept;
                ReadLayoutFile(entry.path.c_str(), display, kept, nullptr);
                EXPECT_EQ(kept.size(), 400u) << "round " << round << ": " << Narrow(entry.path);
            }
        }
    };
    DWORD after = 0;
    const DWORD whole = Measure({ L"restore", L"/f", layouts[1] }, kAtOnce, &after);
    for (int round = First(); round < Last(); ++round) {
        Run({ L"restore", L"/f", layouts[round % 2] }, kAtOnce, Uniform(whole));
        expectWhole(round);
    }
    Run({ L"restore", L"/f", layouts[0] }, kAtOnce, INFINITE);
    Run({ L"restore", L"/f", layouts[1] }, kAtOnce, INFINITE);
    expectWhole(Last());
    const std::vector<StoredSetup> setups = store.Setups();
    ASSERT_EQ(setups.size(), 1u);
    EXPECT_TRUE(TempFiles(setups[0].folder.substr(0, setups[0].folder.size() - 1)).empty());
    RemoveSnapshots();
    std::printf("restore %lu ms\n", whole);
}

// This process saves 200 other records under the same name at a moment
// spread around the tool's own commit; both say what became of their save,
// and the stored layout is one of the two, complete.
TEST_P(CliCrash, TwoSavesOfOneNameAtOnceLeaveOneOfThemComplete)
{
    ASSERT_EQ(host.Launch(Desktop(100)), S_OK);
    const std::vector<std::wstring> save = { L"save", L"/n", kName, L"/y" };
    Store(Others(200, 7));
    const CIconRecordArray mine = Stored();
    DWORD replace = 0;
    const DWORD whole = Measure(save, Replacing, &replace);
    const CIconRecordArray theirs = Stored();
    ASSERT_EQ(theirs.size(), 100u);

    int outcomes[2] = {};
    for (int round = First(); round < Last(); ++round) {
        SaveResult result = SaveResult::Failed;
        const DWORD commit = whole > 3 * replace ? whole - 3 * replace : 0;
        const CliRun run = Run(save, kAtOnce, INFINITE, nullptr, [&] {
            Sleep(commit + Uniform(4 * replace));
            CFakeCapture capture(Others(200, 7));
            result = SaveLayout(flavor, kName, capture, nullptr);
        });
        EXPECT_TRUE(result == SaveResult::Saved || result == SaveResult::Busy) << static_cast<int>(result);
        EXPECT_TRUE(run.out.find(L"Ostrel: saved 100 Icons") != std::wstring::npos ||
                    run.err.find(L"the layout was not saved") != std::wstring::npos)
            << Narrow(run.out) << Narrow(run.err);
        const CIconRecordArray now = Stored();
        EXPECT_TRUE(now == mine || now == theirs) << "round " << round << ": " << now.size() << " records";
        ++outcomes[now == mine];
        ExpectOnlyLayouts();
    }
    std::printf("save %lu ms, replacement %lu ms; the tool's layout stayed %d times, this process's %d times\n",
                whole, replace, outcomes[0], outcomes[1]);
}

INSTANTIATE_TEST_SUITE_P(Shard, CliCrash, ::testing::Range(0, kShards));

} // namespace
