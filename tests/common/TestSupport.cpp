#include "tests/common/TestSupport.h"
#include "cli/access/CliContext.h"
#include "deskshell/DeskContext.h"
#include "layout/SnapshotStore.h"
#include <shlwapi.h>
#include <shellapi.h>
#include <cstdio>
#include <fstream>
#include <iterator>

CScopedUserHive::CScopedUserHive()
{
    static int s_serial;
    m_name = L"Software\\OstrelTests\\Hive" + std::to_wstring(GetCurrentProcessId()) + L"_" +
             std::to_wstring(++s_serial);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCreateKeyExW(HKEY_CURRENT_USER, m_name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_scratch.Put(), nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, m_scratch.Get());
}

CScopedUserHive::~CScopedUserHive()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    m_scratch.Reset();
    SHDeleteKeyW(HKEY_CURRENT_USER, m_name.c_str());
}

CScratchFolder::CScratchFolder()
{
    static int s_serial;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"ostrel_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
             std::to_wstring(++s_serial);
    if (!m_path.empty() && m_path.back() == L'\\')
        m_path.pop_back();
    CreateDirectoryW(m_path.c_str(), nullptr);
}

namespace {

void RemoveTree(const std::wstring& path)
{
    std::wstring from = path;
    from.push_back(L'\0'); // double-NUL list for SHFileOperationW
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

} // namespace

CScratchFolder::~CScratchFolder()
{
    RemoveTree(m_path);
}

void RemoveSnapshots()
{
    const std::wstring root = CSnapshotStore::DefaultRoot();
    if (!root.empty() && !DeleteFileW(root.c_str()))
        RemoveTree(root);
}

void BlockSnapshots()
{
    RemoveSnapshots();
    CloseHandle(CreateFileW(CSnapshotStore::DefaultRoot().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
}

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    return path;
}

static HINSTANCE LoadResourceModule(const wchar_t* file)
{
    const std::wstring path = BinFolder() + L"\\" + file;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

HINSTANCE ShellExtResources()
{
    static HINSTANCE s_module = LoadResourceModule(L"ostrelsx.dll");
    return s_module;
}

HINSTANCE CliResources()
{
    static HINSTANCE s_module = LoadResourceModule(L"OstrelCli.exe");
    return s_module;
}

CLayoutFlavor TestShellExtFlavor() { return ShellExtFlavor(ShellExtResources()); }
CLayoutFlavor TestCliFlavor() { return CliFlavor(CliResources()); }

std::string ReadFileBytes(const std::wstring& path)
{
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return {};
    std::string bytes;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0)
        bytes.append(chunk, got);
    fclose(file);
    return bytes;
}

std::string Narrow(const std::wstring& text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], bytes, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text)
{
    const int chars = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(chars, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], chars);
    return out;
}

void MakeUnwritableKey(const wchar_t* path)
{
    SHDeleteKeyW(HKEY_CURRENT_USER, path);
    CKeyHandle key;
    RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
}

void WriteDuplicateSectionsFile(const std::wstring& path, int keys, int duplicates)
{
    std::wstring text = L"\xFEFF[I]\r\n";
    for (int k = 6; k < keys; ++k)
        text += L"K" + std::to_wstring(k) + L"=\r\n";
    text += L"Legacy=0\r\nXCoord=10\r\nYCoord=20\r\nName=n\r\nPath=p\r\nMonitor=-1\r\n";
    for (int s = 0; s < duplicates; ++s)
        text += L"[I]\r\n";
    text += L"[_Ostrel_]\r\nVersion=858673999\r\n";
    if (FILE* file = _wfopen(path.c_str(), L"wb")) {
        fwrite(text.data(), sizeof(wchar_t), text.size(), file);
        fclose(file);
    }
}
