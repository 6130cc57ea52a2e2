#include "layout/SnapshotStore.h"
#include "layout/ProfileFile.h"
#include "layout/ReplacingFile.h"
#include <shlobj.h>
#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

constexpr const wchar_t* kSetupFile = L"Setup.ini";
constexpr const wchar_t* kSnapshotExtension = L".osl";
constexpr ULONGLONG kTicksPerMs = 10000;
constexpr ULONGLONG kTicksPerDay = 864000000000ull;
// "20261209T143012.345Z"
constexpr size_t kStampChars = 20;

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FromTicks(ULONGLONG ticks)
{
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

ULONGLONG Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

std::wstring SnapshotName(ULONGLONG ticks, SnapshotKind kind)
{
    SYSTEMTIME t = {};
    const FILETIME time = FromTicks(ticks);
    FileTimeToSystemTime(&time, &t);
    return CWideString::Format(L"%04u%02u%02uT%02u%02u%02u.%03uZ %s%s", t.wYear, t.wMonth, t.wDay, t.wHour,
                               t.wMinute, t.wSecond, t.wMilliseconds, SnapshotKindText(kind), kSnapshotExtension)
        .c_str();
}

// Takes the digits of text[from, from + count) as a number; false when one is
// not a digit.
bool Digits(const wchar_t* text, size_t from, size_t count, WORD& value)
{
    value = 0;
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        value = static_cast<WORD>(value * 10 + (text[i] - L'0'));
    }
    return true;
}

// A file name that this store gave: its time and kind. Any other file of the
// folder is not a snapshot and is left alone.
bool ParseSnapshotName(const wchar_t* name, SnapshotEntry& entry)
{
    if (std::wcslen(name) <= kStampChars + 1 || name[8] != L'T' || name[15] != L'.' || name[19] != L'Z' ||
        name[20] != L' ')
        return false;
    SYSTEMTIME t = {};
    if (!Digits(name, 0, 4, t.wYear) || !Digits(name, 4, 2, t.wMonth) || !Digits(name, 6, 2, t.wDay) ||
        !Digits(name, 9, 2, t.wHour) || !Digits(name, 11, 2, t.wMinute) || !Digits(name, 13, 2, t.wSecond) ||
        !Digits(name, 16, 3, t.wMilliseconds) || !SystemTimeToFileTime(&t, &entry.time))
        return false;
    const wchar_t* rest = name + kStampChars + 1;
    for (const SnapshotKind kind : { SnapshotKind::Arranged, SnapshotKind::BeforeRestore }) {
        const std::wstring expected = std::wstring(SnapshotKindText(kind)) + kSnapshotExtension;
        if (_wcsicmp(rest, expected.c_str()) == 0) {
            entry.kind = kind;
            return true;
        }
    }
    return false;
}

// The snapshots of one setup folder, newest first.
std::vector<SnapshotEntry> ListFolder(const std::wstring& folder)
{
    std::vector<SnapshotEntry> entries;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"*" + kSnapshotExtension).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        SnapshotEntry entry;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && ParseSnapshotName(found.cFileName, entry)) {
            entry.path = folder + found.cFileName;
            entries.push_back(std::move(entry));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(entries.begin(), entries.end(), [](const SnapshotEntry& a, const SnapshotEntry& b) {
        return Ticks(a.time) != Ticks(b.time) ? Ticks(a.time) > Ticks(b.time) : a.path > b.path;
    });
    return entries;
}

// Every subfolder of the root, with its closing backslash.
std::vector<std::wstring> SetupFolders(const std::wstring& root)
{
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((root + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return folders;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcscmp(found.cFileName, L".") != 0 &&
            wcscmp(found.cFileName, L"..") != 0)
            folders.push_back(root + L"\\" + found.cFileName + L"\\");
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return folders;
}

// Removes the oldest snapshots of each kind beyond its limit.
void RemoveOverLimit(const std::vector<SnapshotEntry>& newestFirst)
{
    int arranged = 0;
    int beforeRestore = 0;
    for (const SnapshotEntry& entry : newestFirst) {
        const bool over = entry.kind == SnapshotKind::Arranged ? ++arranged > kArrangedLimit
                                                               : ++beforeRestore > kBeforeRestoreLimit;
        if (over)
            DeleteFileW(entry.path.c_str());
    }
}

// Removes the setup folders, but the one being written, whose newest
// snapshot (or, with none, whose setup file) is older than the age limit.
// Only the store's own files go; a folder that holds anything else stays.
void RemoveStaleSetups(const std::wstring& root, const std::wstring& keep, ULONGLONG now)
{
    const ULONGLONG limit = static_cast<ULONGLONG>(kSnapshotSetupDays) * kTicksPerDay;
    for (const std::wstring& folder : SetupFolders(root)) {
        if (_wcsicmp(folder.c_str(), keep.c_str()) == 0)
            continue;
        const std::vector<SnapshotEntry> entries = ListFolder(folder);
        const std::wstring setupFile = folder + kSetupFile;
        ULONGLONG newest = 0;
        if (!entries.empty()) {
            newest = Ticks(entries.front().time);
        } else {
            WIN32_FILE_ATTRIBUTE_DATA data;
            if (!GetFileAttributesExW(setupFile.c_str(), GetFileExInfoStandard, &data))
                continue;
            newest = Ticks(data.ftLastWriteTime);
        }
        if (newest + limit >= now)
            continue;
        for (const SnapshotEntry& entry : entries)
            DeleteFileW(entry.path.c_str());
        DeleteFileW(setupFile.c_str());
        RemoveDirectoryW(folder.c_str());
    }
}

bool WriteSetupFile(const std::wstring& folder, const CDisplaySetup& setup)
{
    CReplacingFile temp(folder);
    if (!temp.Created())
        return false;
    CProfileWriter writer(L";\n; Ostrel display setup\n;\n");
    setup.Store(writer);
    return writer.Finish(temp.Handle()) && temp.MoveOver(folder + kSetupFile);
}

} // namespace

const wchar_t* SnapshotKindText(SnapshotKind kind)
{
    return kind == SnapshotKind::Arranged ? L"arranged" : L"before restore";
}

SYSTEMTIME SnapshotLocalTime(const SnapshotEntry& entry)
{
    SYSTEMTIME utc = {}, local = {};
    if (!FileTimeToSystemTime(&entry.time, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return utc;
    return local;
}

int SnapshotIconCount(const SnapshotEntry& entry, const CDisplayConfig& display)
{
    CIconRecordArray records;
    ReadLayoutFile(entry.path.c_str(), display, records, nullptr);
    return static_cast<int>(records.size());
}

CSnapshotStore::CSnapshotStore(std::wstring root) : m_root(std::move(root))
{
    while (!m_root.empty() && (m_root.back() == L'\\' || m_root.back() == L'/'))
        m_root.pop_back();
}

std::wstring CSnapshotStore::DefaultRoot()
{
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return std::wstring();
    return std::wstring(folder) + L"\\Ostrel\\Snapshots";
}

std::wstring CSnapshotStore::Folder(const CDisplaySetup& setup) const
{
    return m_root + L"\\" + setup.Digest() + L"\\";
}

FileSaveResult CSnapshotStore::Write(const CLayoutFlavor& flavor, const CDisplaySetup& setup, SnapshotKind kind,
                                     CLayoutCapture& capture, std::wstring* path, int* written) const
{
    if (path)
        path->clear();
    if (written)
        *written = 0;
    if (m_root.empty())
        return FileSaveResult::CannotCreate;
    if (!capture.Ready())
        return FileSaveResult::Unreachable;
    const std::wstring folder = Folder(setup);
    const int made = SHCreateDirectoryExW(nullptr, folder.substr(0, folder.size() - 1).c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS)
        return FileSaveResult::CannotCreate;

    const ULONGLONG now = Now();
    RemoveStaleSetups(m_root, folder, now);
    // Names sort as times: a clock set back still makes the new one the newest.
    const std::vector<SnapshotEntry> before = ListFolder(folder);
    ULONGLONG first = now;
    if (!before.empty() && Ticks(before.front().time) + kTicksPerMs > first)
        first = Ticks(before.front().time) + kTicksPerMs;
    first -= first % kTicksPerMs;
    const FileSaveResult result = SaveNewLayoutFile(
        flavor, folder, [&](int attempt) { return SnapshotName(first + attempt * kTicksPerMs, kind); }, capture,
        written, path);
    if (result != FileSaveResult::Saved)
        return result;
    // The setup file follows the geometry (a work area changes without
    // changing the setup); without it the snapshot still restores.
    WriteSetupFile(folder, setup);
    RemoveOverLimit(ListFolder(folder));
    return result;
}

std::vector<SnapshotEntry> CSnapshotStore::List(const CDisplaySetup& setup) const
{
    if (m_root.empty())
        return {};
    return ListFolder(Folder(setup));
}

bool CSnapshotStore::Newest(const CDisplaySetup& setup, SnapshotKind kind, SnapshotEntry& entry) const
{
    for (const SnapshotEntry& candidate : List(setup)) {
        if (candidate.kind == kind) {
            entry = candidate;
            return true;
        }
    }
    return false;
}

std::vector<StoredSetup> CSnapshotStore::Setups() const
{
    std::vector<StoredSetup> setups;
    if (m_root.empty())
        return setups;
    for (const std::wstring& folder : SetupFolders(m_root)) {
        CProfileReader reader;
        StoredSetup stored;
        stored.folder = folder;
        if (reader.Load((folder + kSetupFile).c_str()) && stored.setup.Load(reader))
            setups.push_back(std::move(stored));
    }
    return setups;
}
