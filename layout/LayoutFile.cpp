#include "layout/LayoutFile.h"
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>

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

// Creates (or truncates) the file as UTF-16 LE with its byte-order mark and
// the header comment. The mark makes the profile functions keep the file in
// UTF-16; without it they would write every name in the ANSI code page.
bool WriteHeader(const CLayoutFlavor& flavor, const wchar_t* path)
{
    FILE* file = _wfopen(path, L"w, ccs=UNICODE");
    if (!file)
        return false;
    // Formatted here: run-times disagree on what "%s" means in fwprintf.
    const CWideString header = CWideString::Format(flavor.fileHeader, kOstrelVersion);
    fputws(header.c_str(), file);
    const bool written = !ferror(file);
    const bool closed = fclose(file) == 0;
    return written && closed;
}

bool IsProfileBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The profile functions trim blanks around a value and strip one pair of
// enclosing quotes when they read it. A value that would lose characters that
// way is written inside double quotes, which the reader takes off again.
std::wstring ProfileValue(const wchar_t* text)
{
    const size_t length = std::wcslen(text);
    if (length == 0)
        return text;
    const wchar_t first = text[0];
    const wchar_t last = text[length - 1];
    const bool quoted = length >= 2 && (first == L'"' || first == L'\'') && last == first;
    if (!IsProfileBlank(first) && !IsProfileBlank(last) && !quoted)
        return text;
    return L"\"" + std::wstring(text) + L"\"";
}

class CFileSink : public CRecordSink
{
public:
    explicit CFileSink(const wchar_t* path) : m_path(path) {}

    void Put(const IconRecord& record) override
    {
        ++m_count;
        const CWideString section = CWideString::Format(L"Icon%04d", record.Index);
        Write(section, L"Legacy", CWideString::Format(L"%x", record.Legacy ? 1u : 0u).c_str());
        Write(section, L"XCoord", CWideString::Format(L"%d", record.XCoord).c_str());
        Write(section, L"YCoord", CWideString::Format(L"%d", record.YCoord).c_str());
        Write(section, L"Name", ProfileValue(record.Name.c_str()).c_str());
        Write(section, L"Path", ProfileValue(record.Path.c_str()).c_str());
        if (!record.Legacy)
            Write(section, L"Monitor", CWideString::Format(L"%d", record.Monitor).c_str());
    }

    int Count() const { return m_count; }

private:
    void Write(const CWideString& section, const wchar_t* key, const wchar_t* value)
    {
        WritePrivateProfileStringW(section.c_str(), key, value, m_path);
    }

    const wchar_t* m_path;
    int m_count = 0;
};

CWideString ReadProfileText(const wchar_t* section, const wchar_t* key, const wchar_t* path)
{
    wchar_t text[kNameBufferChars] = {};
    GetPrivateProfileStringW(section, key, L"", text, kNameBufferChars, path);
    return CWideString(text);
}

int ReadProfileInt(const wchar_t* section, const wchar_t* key, int defaultValue, const wchar_t* path)
{
    return static_cast<int>(GetPrivateProfileIntW(section, key, defaultValue, path));
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
void ReadCurrentFormat(const wchar_t* names, const wchar_t* path, const CDisplayConfig& display,
                       CIconRecordArray& records)
{
    int ordinal = 0;
    for (const wchar_t* section = names; *section; section += std::wcslen(section) + 1) {
        ++ordinal;
        const CWideString name = ReadProfileText(section, L"Name", path);
        if (name.IsAbsent())
            continue;
        const CWideString iconPath = ReadProfileText(section, L"Path", path);
        const int legacy = ReadProfileInt(section, L"Legacy", 0, path);
        const int x = ReadProfileInt(section, L"XCoord", 0, path);
        const int y = ReadProfileInt(section, L"YCoord", 0, path);
        const int monitor = ReadProfileInt(section, L"Monitor", -1, path);
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
void ReadOlderFormat(const wchar_t* names, const wchar_t* path, CIconRecordArray& records)
{
    for (const wchar_t* section = names; *section; section += std::wcslen(section) + 1) {
        const CWideString name = ReadProfileText(section, L"Name", path);
        if (name.IsAbsent())
            continue;
        const int legacy = ReadProfileInt(section, L"Legacy", 0, path);
        const int x = ReadProfileInt(section, L"XCoord", 0, path);
        const int y = ReadProfileInt(section, L"YCoord", 0, path);
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

} // namespace

FileSaveResult SaveLayoutFile(const CLayoutFlavor& flavor, const wchar_t* path, CLayoutCapture& capture, int* written)
{
    if (written)
        *written = 0;
    if (!path || !*path)
        return FileSaveResult::CannotCreate;
    if (!capture.Ready())
        return FileSaveResult::Unreachable;

    const std::wstring file = FullPath(path);
    if (!WriteHeader(flavor, file.c_str()))
        return FileSaveResult::CannotCreate;

    CFileSink sink(file.c_str());
    capture.Run(sink);
    if (sink.Count() > 0)
        WritePrivateProfileStringW(kVersionSection, kVersionKey,
                                   CWideString::Format(L"%d", static_cast<int>(kFormatVersion)).c_str(), file.c_str());
    if (written)
        *written = sink.Count();
    return FileSaveResult::Saved;
}

bool ReadLayoutFile(const wchar_t* path, const CDisplayConfig& display, CIconRecordArray& records, bool* currentFormat)
{
    records.clear();
    if (currentFormat)
        *currentFormat = false;
    if (!path || !*path)
        return false;

    const std::wstring file = FullPath(path);
    std::unique_ptr<wchar_t[]> names(new wchar_t[kSectionNamesChars]());
    const DWORD got = GetPrivateProfileSectionNamesW(names.get(), kSectionNamesChars, file.c_str());
    if (got == 0 || got == kSectionNamesChars - 2)
        return false;

    int version = ReadProfileInt(kVersionSection, kVersionKey, -1, file.c_str());
    if (version == -1)
        version = ReadProfileInt(L"", kVersionKey, -1, file.c_str());

    if (version == static_cast<int>(kFormatVersion)) {
        if (currentFormat)
            *currentFormat = true;
        ReadCurrentFormat(names.get(), file.c_str(), display, records);
    } else {
        ReadOlderFormat(names.get(), file.c_str(), records);
    }
    return !records.empty();
}
