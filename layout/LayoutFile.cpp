#include "layout/LayoutFile.h"
#include "layout/ProfileFile.h"
#include "layout/ReplacingFile.h"
#include <cwchar>
#include <functional>
#include <cwctype>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kVersionSection = L"_Ostrel_";
constexpr const wchar_t* kVersionKey = L"Version";
// Room for the section names of any file the writers produce; a list that
// fills it (the function then returns the size minus 2) is refused.
constexpr DWORD kSectionNamesChars = 0x1FFFF;

// The profile functions look for a bare file name in the Windows folder while
// the C run-time looks in the current folder: both must address one file.
std::wstring FullPath(const wchar_t* path)
{
    const DWORD chars = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (chars == 0)
        return path;
    std::wstring full(chars, L'\0');
    const DWORD got = GetFullPathNameW(path, chars, &full[0], nullptr);
    if (got == 0 || got >= chars)
        return path;
    full.resize(got);
    return full;
}

// The profile functions trim these from both ends of a value when they read
// it, and strip one pair of enclosing quotes.
bool IsProfileTrimmed(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\v' || c == L'\f' || c == L'\r' || c == 0x1A || iswspace(c);
}

bool IsLineBreak(wchar_t c) { return c == L'\r' || c == L'\n'; }

bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// A line break would end the value and start a line of its own: such a text
// cannot be stored in a layout file at all.
bool CanStore(const wchar_t* text)
{
    for (const wchar_t* c = text; *c; ++c)
        if (IsLineBreak(*c))
            return false;
    return true;
}

// A value that would lose characters when read back (blanks and the like at
// its ends, or enclosing quotes), or that holds a control character, is
// written inside double quotes, which the reader takes off again. Any other
// value is written unchanged.
std::wstring ProfileValue(const wchar_t* text)
{
    const size_t length = std::wcslen(text);
    if (length == 0)
        return text;
    const wchar_t first = text[0];
    const wchar_t last = text[length - 1];
    bool quote = IsProfileTrimmed(first) || IsProfileTrimmed(last) ||
                 (length >= 2 && (first == L'"' || first == L'\'') && last == first);
    for (size_t i = 0; i < length && !quote; ++i)
        quote = IsControl(text[i]);
    if (!quote)
        return text;
    return L"\"" + std::wstring(text) + L"\"";
}

class CFileSink : public CRecordSink
{
public:
    explicit CFileSink(CProfileWriter& writer) : m_writer(writer) {}

    void Put(const IconRecord& record) override
    {
        // A record that cannot be stored is left out of the file and not counted.
        if (m_failed || !CanStore(record.Name.c_str()) || !CanStore(record.Path.c_str()))
            return;
        const CWideString section = CWideString::Format(L"Icon%04d", record.Index);
        const wchar_t* s = section.c_str();
        m_failed = !m_writer.Write(s, L"Legacy", CWideString::Format(L"%x", record.Legacy ? 1u : 0u).c_str()) ||
                   !m_writer.Write(s, L"XCoord", CWideString::Format(L"%d", record.XCoord).c_str()) ||
                   !m_writer.Write(s, L"YCoord", CWideString::Format(L"%d", record.YCoord).c_str()) ||
                   !m_writer.Write(s, L"Name", ProfileValue(record.Name.c_str()).c_str()) ||
                   !m_writer.Write(s, L"Path", ProfileValue(record.Path.c_str()).c_str()) ||
                   (!record.Legacy && !m_writer.Write(s, L"Monitor", CWideString::Format(L"%d", record.Monitor).c_str()));
        if (!m_failed)
            ++m_count;
    }

    int Count() const { return m_count; }
    bool Failed() const { return m_failed; }

private:
    CProfileWriter& m_writer;
    int m_count = 0;
    bool m_failed = false;
};

// True when the file can be replaced: it does not exist yet, or it is a file,
// not marked read-only, that this user may write and delete and that no other
// program holds open.
bool CanReplace(const std::wstring& file)
{
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        return false;
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE | DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(handle);
    return true;
}

IconRecord LegacyRecord(const CWideString& name, int x, int y)
{
    IconRecord record;
    record.Name = name;
    record.Path = name;
    record.XCoord = x;
    record.YCoord = y;
    record.Legacy = true;
    return record;
}

// Current format: sections "Icon%04d" with Path and Monitor. The ordinal of a
// section in the file is the record's Index; every section counts.
void ReadCurrentFormat(const CProfileReader& file, const std::vector<const wchar_t*>& names,
                       const CDisplayConfig& display, CIconRecordArray& records)
{
    int ordinal = 0;
    for (const wchar_t* section : names) {
        ++ordinal;
        const CWideString name = file.Text(section, L"Name", kNameBufferChars);
        if (name.IsAbsent())
            continue;
        const CWideString iconPath = file.Text(section, L"Path", kNameBufferChars);
        const int legacy = file.Int(section, L"Legacy", 0);
        const int x = file.Int(section, L"XCoord", 0);
        const int y = file.Int(section, L"YCoord", 0);
        const int monitor = file.Int(section, L"Monitor", -1);
        if (legacy != 0) {
            records.push_back(LegacyRecord(name, x, y));
            continue;
        }
        IconRecord record;
        record.Path = iconPath;
        record.Name = name;
        POINT pt = { x, y };
        if (monitor != -1)
            display.OffsetToDesktop(monitor, pt);
        record.XCoord = pt.x;
        record.YCoord = pt.y;
        record.Monitor = monitor;
        record.Index = ordinal;
        records.push_back(std::move(record));
    }
}

// Older format: one section per icon, named by its Path, positions in desktop
// list view coordinates.
void ReadOlderFormat(const CProfileReader& file, const std::vector<const wchar_t*>& names, CIconRecordArray& records)
{
    for (const wchar_t* section : names) {
        const CWideString name = file.Text(section, L"Name", kNameBufferChars);
        if (name.IsAbsent())
            continue;
        const int legacy = file.Int(section, L"Legacy", 0);
        const int x = file.Int(section, L"XCoord", 0);
        const int y = file.Int(section, L"YCoord", 0);
        if (legacy != 0) {
            records.push_back(LegacyRecord(name, x, y));
            continue;
        }
        IconRecord record;
        record.Path = section;
        record.Name = name;
        record.XCoord = x;
        record.YCoord = y;
        records.push_back(std::move(record));
    }
}

// Captures into a new hidden file in the folder and hands it, complete and
// flushed, to place; what place did not take is removed.
FileSaveResult WriteLayout(const CLayoutFlavor& flavor, const std::wstring& folder, CLayoutCapture& capture,
                           int* written, const std::function<bool(CReplacingFile&)>& place)
{
    CReplacingFile temp(folder);
    if (!temp.Created())
        return FileSaveResult::CannotCreate;

    CProfileWriter writer(CWideString::Format(flavor.fileHeader, kOstrelVersion).c_str());
    CFileSink sink(writer);
    try {
        capture.Run(sink);
    } catch (...) {
        // Out of memory half way: the layout file stays as it was.
        return FileSaveResult::Failed;
    }
    if (sink.Failed() || FAILED(capture.Status()))
        return FileSaveResult::Failed;
    if (sink.Count() == 0)
        return FileSaveResult::Empty;
    if (!writer.Write(kVersionSection, kVersionKey, CWideString::Format(L"%d", static_cast<int>(kFormatVersion)).c_str()) ||
        !writer.Finish(temp.Handle()) || !place(temp))
        return FileSaveResult::Failed;
    if (written)
        *written = sink.Count();
    return FileSaveResult::Saved;
}

} // namespace

FileSaveResult SaveLayoutFile(const CLayoutFlavor& flavor, const wchar_t* path, CLayoutCapture& capture, int* written)
{
    if (written)
        *written = 0;
    if (!path || !*path)
        return FileSaveResult::CannotCreate;
    if (!capture.Ready())
        return FileSaveResult::Unreachable;

    // No longer paths, as when the profile functions wrote layout files.
    const std::wstring file = FullPath(path);
    if (file.size() >= MAX_PATH || !CanReplace(file))
        return FileSaveResult::CannotCreate;
    return WriteLayout(flavor, FolderOf(file), capture, written,
                       [&](CReplacingFile& temp) { return temp.MoveOver(file); });
}

FileSaveResult SaveNewLayoutFile(const CLayoutFlavor& flavor, const std::wstring& folder,
                                 const std::function<std::wstring(int)>& name, CLayoutCapture& capture, int* written,
                                 std::wstring* path)
{
    if (written)
        *written = 0;
    if (path)
        path->clear();
    if (!capture.Ready())
        return FileSaveResult::Unreachable;
    return WriteLayout(flavor, folder, capture, written, [&](CReplacingFile& temp) {
        for (int attempt = 0; attempt < kNewNameAttempts; ++attempt) {
            const std::wstring target = folder + name(attempt);
            if (target.size() >= MAX_PATH)
                return false;
            if (temp.MoveToNew(target)) {
                if (path)
                    *path = target;
                return true;
            }
            if (GetLastError() != ERROR_ALREADY_EXISTS)
                return false;
        }
        return false;
    });
}

bool ReadLayoutFile(const wchar_t* path, const CDisplayConfig& display, CIconRecordArray& records, bool* currentFormat)
{
    records.clear();
    if (currentFormat)
        *currentFormat = false;
    if (!path || !*path)
        return false;

    // Read once: the profile functions would read the whole file again for
    // every key.
    CProfileReader file;
    std::vector<const wchar_t*> names;
    if (!file.Load(FullPath(path).c_str()) || !file.SectionNames(kSectionNamesChars, names))
        return false;

    int version = file.Int(kVersionSection, kVersionKey, -1);
    if (version == -1)
        version = file.Int(L"", kVersionKey, -1);

    if (version == static_cast<int>(kFormatVersion)) {
        if (currentFormat)
            *currentFormat = true;
        ReadCurrentFormat(file, names, display, records);
    } else {
        ReadOlderFormat(file, names, records);
    }
    return !records.empty();
}
