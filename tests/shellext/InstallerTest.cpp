// The installer that the build packs, run silently as an administrator would:
// what it installs, registers and starts, and what its uninstaller ends,
// takes away and leaves (the user's layouts).
#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <sddl.h>
#include <string>
#include "DeskHostProcess.h"
#include "installer/InstallFolder.h"
#include "layout/WatchNames.h"
#include "shellext/DeskMenuIds.h"
#include "tests/shellext/ShellExtFixture.h"

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ostrel";
const wchar_t kEnvironmentKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kLayoutKey = L"Software\\Quenlo\\Tovak\\Layout 640 x 480 (32)";

std::wstring SetupExe()
{
#ifdef OSTREL_SETUP_EXE
    std::wstring path = OSTREL_SETUP_EXE;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
#else
    return std::wstring();
#endif
}

std::wstring ProgramFolder()
{
    wchar_t* folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &folder)))
        path = std::wstring(folder) + L"\\Ostrel";
    CoTaskMemFree(folder);
    return path;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The machine's PATH as stored, unexpanded.
std::wstring StoredPath()
{
    wchar_t text[8192] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, text, &bytes) != ERROR_SUCCESS)
        return L"<missing>";
    return text;
}

void SetStoredPath(const std::wstring& path)
{
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"Path", REG_EXPAND_SZ, path.c_str(),
                    static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

// What MoveFileEx was asked to do at the next restart: pairs of source and
// target, as a list of NUL-terminated texts.
std::wstring PendingRenames()
{
    wchar_t text[8192] = {};
    DWORD bytes = sizeof(text) - 2 * sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ,
                     nullptr, text, &bytes) != ERROR_SUCCESS)
        return std::wstring();
    return std::wstring(text, bytes / sizeof(wchar_t));
}

void SetPendingRenames(const std::wstring& renames)
{
    if (renames.empty())
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, L"PendingFileRenameOperations");
    else
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, L"PendingFileRenameOperations", REG_MULTI_SZ,
                        renames.data(), static_cast<DWORD>(renames.size() * sizeof(wchar_t)));
}

// The files and folders to be deleted at the next restart, one a line.
std::wstring PendingDeletes()
{
    const std::wstring renames = PendingRenames();
    std::wstring list;
    // An empty target means delete.
    for (const wchar_t* p = renames.c_str(); *p;) {
        const std::wstring source = p;
        p += source.size() + 1;
        const std::wstring target = p;
        p += target.size() + 1;
        if (target.empty())
            list += source + L"\n";
    }
    return list;
}

class InstallerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (SetupExe().empty())
            GTEST_SKIP() << "makensis was not found when the build was configured";
        ASSERT_FALSE(ProgramFolder().empty());
        ASSERT_FALSE(FileExists(folder)) << "a fresh prefix has no Ostrel installed";
        pathBefore = StoredPath();
        pendingBefore = PendingRenames();
        storeExisted = KeyExists(HKEY_CURRENT_USER, L"Software\\Quenlo");
        // A layout the user saved earlier, in the real store of the prefix.
        RegSetKeyValueW(HKEY_CURRENT_USER, kLayoutKey.c_str(), L"Marker", REG_SZ, L"m", 4);
        prepared = true;
    }

    void TearDown() override
    {
        // Whatever happened, leave the prefix as the other tests expect it.
        if (!prepared)
            return;
        if (module)
            FreeLibrary(module);
        if (FileExists(folder + L"\\uninstall.exe"))
            RunProgram(L"\"" + folder + L"\\uninstall.exe\" /S");
        RemoveDirectoryW(folder.c_str());
        SetPendingRenames(pendingBefore);
        if (StoredPath() != pathBefore)
            SetStoredPath(pathBefore);
        RegDeleteKeyW(HKEY_CURRENT_USER, kLayoutKey.c_str());
        if (!storeExisted) {
            RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quenlo\\Tovak");
            RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quenlo");
        }
    }

    void Install()
    {
        // The watcher it starts keeps running: wait for the installer alone.
        ASSERT_EQ(RunProgram(L"\"" + SetupExe() + L"\" /S", 60000, false), 0u);
        ASSERT_TRUE(FileExists(folder + L"\\uninstall.exe"));
    }

    // As the installed-programs list does it, silently.
    void Uninstall()
    {
        const std::wstring command = ValueText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString");
        ASSERT_EQ(command, L"\"" + folder + L"\\uninstall.exe\"");
        ASSERT_EQ(RunProgram(command + L" /S"), 0u);
    }

    void ExpectUninstalledButLayoutKept()
    {
        ExpectServerUnregistered();
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        for (const wchar_t* file : { L"OstrelCli.exe", kWatchExecutable, L"README.txt", L"uninstall.exe" })
            EXPECT_FALSE(FileExists(folder + L"\\" + file)) << Narrow(file);
        EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kRunKey, kWatchRunValue), L"<missing>");
        EXPECT_EQ(StoredPath(), pathBefore);
        EXPECT_EQ(ValueText(HKEY_CURRENT_USER, kLayoutKey, L"Marker"), L"m") << "the user's layout survives";
    }

    const std::wstring folder = ProgramFolder();
    const std::wstring dll = folder + L"\\ostrelsx.dll";
    std::wstring pathBefore;
    std::wstring pendingBefore;
    bool storeExisted = false;
    bool prepared = false;
    HMODULE module = nullptr;
};

TEST_F(InstallerTest, SilentInstallRegistersAndStartsTheWatcherAndSilentUninstallEndsAndRemovesAllButTheUsersLayouts)
{
    // The installer starts the watcher with the token of the shell window's
    // process, Explorer on Windows; Wine's desktop sets no shell window.
    CShellWindowsForwarding forwarding; // the watcher reaches the host as it would reach Explorer
    CDeskHostProcess shell;
    ASSERT_EQ(shell.Launch({}), S_OK);
    Install();
    EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kRunKey, kWatchRunValue), L"\"" + folder + L"\\" + kWatchExecutable + L"\"");
    HWND watcher = nullptr;
    for (int i = 0; i < 100 && !(watcher = FindWindowW(kWatchWindowClass, nullptr)); ++i)
        Sleep(100);
    DWORD watcherId = 0;
    GetWindowThreadProcessId(watcher, &watcherId);
    CHandle watcherProcess(OpenProcess(SYNCHRONIZE, FALSE, watcherId));
    ASSERT_TRUE(watcherProcess) << "the installer started the watcher";
    ExpectServerRegistered(dll);
    EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName"), L"Ostrel");
    EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion"), kOstrelVersion);
    EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kUninstallKey, L"Publisher"), L"Quenlo");
    EXPECT_EQ(ValueText(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation"), folder);
    EXPECT_EQ(StoredPath(), pathBefore + L";" + folder);
    {
        // As the shell does: COM finds the installed server through the registry.
        CShellApartment apartment{ false };
        CComRef<IContextMenu> menu;
        EXPECT_EQ(CoCreateInstance(CLSID_DeskMenu, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.PutVoid()), S_OK);
        EXPECT_NE(GetModuleHandleW(dll.c_str()), nullptr);
    }
    EXPECT_EQ(RunProgram(L"\"" + folder + L"\\OstrelCli.exe\" /?"), 0u);
    EXPECT_EQ(RunProgram(L"\"" + folder + L"\\OstrelCli.exe\""), static_cast<DWORD>(-1)) << "a usage error";

    Uninstall();
    EXPECT_EQ(WaitForSingleObject(watcherProcess.Get(), 0), WAIT_OBJECT_0) << "the uninstaller ended the watcher";
    ExpectUninstalledButLayoutKept();
    EXPECT_FALSE(FileExists(folder)) << "the folder goes with its files";
    EXPECT_EQ(PendingDeletes().find(folder), std::wstring::npos) << "nothing was in use";
}

TEST_F(InstallerTest, UninstallWhileTheShellHoldsTheDllLeavesItForTheNextRestartOnly)
{
    Install();
    module = LoadLibraryW(dll.c_str());
    ASSERT_NE(module, nullptr);

    Uninstall();
    ExpectUninstalledButLayoutKept();
    EXPECT_FALSE(FileExists(dll)) << "moved aside under a name of its own";
    const std::wstring pending = PendingDeletes();
    EXPECT_NE(pending.find(L"\\??\\" + folder + L"\\ns"), std::wstring::npos) << Narrow(pending);
    EXPECT_NE(pending.find(L"\\??\\" + folder + L"\\\n"), std::wstring::npos) << Narrow(pending);

    // Installed again before the restart: the restart must not take the new DLL.
    Install();
    ExpectServerRegistered(dll);
    EXPECT_EQ(PendingDeletes().find(L"\\??\\" + dll + L"\n"), std::wstring::npos);
}

TEST_F(InstallerTest, PathGetsOneEntryAndAPathTooLongToEditWholeIsLeftAlone)
{
    // Already there (with a trailing backslash): not added twice, and removed
    // on uninstall without touching its neighbours.
    SetStoredPath(L"C:\\first;" + folder + L"\\;%SystemRoot%");
    Install();
    EXPECT_EQ(StoredPath(), L"C:\\first;" + folder + L"\\;%SystemRoot%");
    Uninstall();
    EXPECT_EQ(StoredPath(), L"C:\\first;%SystemRoot%");

    // Longer than the installer's strings: changing a cut copy would lose
    // the rest of the PATH.
    std::wstring longPath = L"%SystemRoot%";
    while (longPath.size() < 1100)
        longPath += L";C:\\Tools\\" + std::to_wstring(longPath.size());
    SetStoredPath(longPath);
    Install();
    EXPECT_EQ(StoredPath(), longPath);
    Uninstall();
    EXPECT_EQ(StoredPath(), longPath);
}

// The folder's descriptor as Windows reads it (Wine cannot show a folder's own
// ACL: icacls is a stub, GetNamedSecurityInfoW gives the Unix mode bits).
TEST_F(InstallerTest, TheFolderGetsTheSecurityOfProgramFilesAndOneInAUsersProfileIsRefused)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(kInstallFolderSecurity, SDDL_REVISION_1, &sd, nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision) && GetSecurityDescriptorOwner(sd, &owner, &defaulted) &&
                GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) && dacl && dacl->AceCount == 3);
    EXPECT_TRUE((control & SE_DACL_PROTECTED) && IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
    const WELL_KNOWN_SID_TYPE who[] = { WinLocalSystemSid, WinBuiltinAdministratorsSid, WinBuiltinUsersSid };
    const ACCESS_MASK what[] = { FILE_ALL_ACCESS, FILE_ALL_ACCESS, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE };
    for (DWORD i = 0; i < 3; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        EXPECT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
                    ace->Mask == what[i] && ace->Header.AceFlags == (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) &&
                    IsWellKnownSid(&ace->SidStart, who[i])) << i;
    }
    LocalFree(sd);
    wchar_t* profile = nullptr;
    ASSERT_EQ(SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &profile), S_OK);
    const std::wstring chosen = std::wstring(profile) + L"\\Tools\\..\\Ostrel";
    CoTaskMemFree(profile);
    EXPECT_EQ(RunProgram(L"\"" + SetupExe() + L"\" /S /D=" + chosen), 2u);
    EXPECT_FALSE(FileExists(chosen) || KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

} // namespace
