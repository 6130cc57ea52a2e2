#include "layout/LayoutStore.h"
#include <cstring>
#include <cwchar>
#include <memory>
#include "layout/Owners.h"
#include "layout/RegKey.h"
#include "layout/ResText.h"

namespace {

constexpr const wchar_t* kVersionValue = L"Version";

// An icon value of the older format: 8 bytes of position, then up to 259
// characters of name and the NUL.
constexpr DWORD kOldIconPositionBytes = 8;
constexpr DWORD kOldIconDataBytes = kOldIconPositionBytes + kNameBufferChars * sizeof(wchar_t);

// A legacy record in a layout key: the value named by Name holds the position,
// XCoord in the low and YCoord in the high 16 bits.
DWORD PackLegacyPosition(const IconRecord& record)
{
    return static_cast<DWORD>(record.YCoord) * 0x10000u + static_cast<DWORD>(record.XCoord);
}

IconRecord UnpackLegacyRecord(const wchar_t* name, DWORD packed)
{
    IconRecord record;
    record.Name = name;
    record.Path = name;
    record.XCoord = static_cast<int>(LOWORD(packed));
    record.YCoord = static_cast<int>(HIWORD(packed));
    record.Legacy = true;
    return record;
}

// Writes each record into the layout key the moment the capture hands it
// over, and remembers whether every write succeeded.
class CStoreSink : public CRecordSink
{
public:
    explicit CStoreSink(CRegKey& layoutKey) : m_layout(layoutKey) {}

    void Put(const IconRecord& record) override
    {
        if (m_failed)
            return;
        if (record.Legacy) {
            PutLegacy(record);
            return;
        }
        // A wrapper of its own per icon key, so that the layout key the next
        // records go to stays open.
        const CWideString iconKeyName = CWideString::Format(L"Icon%04d", record.Index);
        CRegKey icon(m_layout.Path(), iconKeyName.c_str(), KEY_ALL_ACCESS);
        m_failed = !icon.IsOpen() || !icon.WriteNumber(L"XCoord", static_cast<DWORD>(record.XCoord)) ||
                   !icon.WriteNumber(L"YCoord", static_cast<DWORD>(record.YCoord)) ||
                   !icon.WriteNumber(L"Monitor", static_cast<DWORD>(record.Monitor)) ||
                   !icon.WriteText(L"Name", record.Name.c_str()) || !icon.WriteText(L"Path", record.Path.c_str());
        if (!m_failed)
            ++m_count;
    }

    int Count() const { return m_count; }
    bool Failed() const { return m_failed; }

private:
    // A legacy record is a value named by its Name. Value names ignore letter
    // case: a record whose name an earlier one took, or that would take the
    // place of the format version, is left out rather than overwrite it.
    void PutLegacy(const IconRecord& record)
    {
        const wchar_t* name = record.Name.c_str();
        if (CompareStringOrdinal(name, -1, kVersionValue, -1, TRUE) == CSTR_EQUAL || m_layout.HasValue(name))
            return;
        m_failed = !m_layout.WriteNumber(name, PackLegacyPosition(record));
        if (!m_failed)
            ++m_count;
    }

    CRegKey& m_layout;
    int m_count = 0;
    bool m_failed = false;
};

// A layout being saved lives under a key of its own beside the store key,
// where no listing of the store sees it, until it is complete; only then does
// it take the place of the stored layout. Each process has its own key, named
// by its process id; keys of processes that have ended are what a crash left
// behind, and go.
class CPendingLayout
{
public:
    explicit CPendingLayout(const wchar_t* storePath)
        : m_parentPath(CWideString::Format(L"%s (saving)", storePath)),
          m_ownName(CWideString::Format(L"%lu", GetCurrentProcessId()))
    {
        RemoveLeftovers();
        m_path = CWideString::Format(L"%s\\%s", m_parentPath.c_str(), m_ownName.c_str());
        m_new = std::make_unique<CRegKey>(m_path.c_str(), L"New", KEY_ALL_ACCESS);
    }

    ~CPendingLayout()
    {
        m_new.reset();
        CRegKey parent(m_parentPath.c_str(), KEY_ALL_ACCESS);
        parent.DeleteSubKey(m_ownName.c_str());
        CRegKey(L"", KEY_ALL_ACCESS).DeleteEmptySubKey(m_parentPath.c_str());
    }

    CPendingLayout(const CPendingLayout&) = delete;
    CPendingLayout& operator=(const CPendingLayout&) = delete;

    CRegKey& Key() { return *m_new; }

    // Replaces the store's layout of that name with the pending one. The old
    // layout is copied aside first and put back when the replacement fails.
    bool Commit(const wchar_t* storePath, const wchar_t* name)
    {
        CRegKey store(storePath, KEY_ALL_ACCESS);
        if (!store.IsOpen())
            return false;
        const bool hadOld = store.HasSubKey(name);
        CRegKey backup(m_path.c_str(), L"Old", KEY_ALL_ACCESS);
        if (hadOld) {
            CRegKey old(storePath, name, KEY_READ);
            if (!backup.IsOpen() || !old.IsOpen() || !old.CopyTreeTo(backup))
                return false;
        }
        if (store.DeleteSubKey(name) || store.LastStatus() == ERROR_FILE_NOT_FOUND) {
            CRegKey target(storePath, name, KEY_ALL_ACCESS);
            if (target.IsOpen() && m_new->CopyTreeTo(target))
                return true;
        }
        store.DeleteSubKey(name);
        if (hadOld) {
            CRegKey restored(storePath, name, KEY_ALL_ACCESS);
            backup.CopyTreeTo(restored);
        }
        return false;
    }

private:
    void RemoveLeftovers()
    {
        CRegKey parent(m_parentPath.c_str(), KEY_ALL_ACCESS);
        wchar_t name[kNameBufferChars];
        for (DWORD i = 0; parent.EnumSubKey(i, name);) {
            const DWORD pid = wcstoul(name, nullptr, 10);
            const bool ours = wcscmp(name, m_ownName.c_str()) == 0;
            // A deleted key moves the next one into its index.
            if ((ours || !IsProcessRunning(pid)) && parent.DeleteSubKey(name))
                continue;
            ++i;
        }
    }

    static bool IsProcessRunning(DWORD pid)
    {
        if (pid == 0)
            return false;
        const CHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        if (!process)
            return GetLastError() != ERROR_INVALID_PARAMETER;
        DWORD code = 0;
        return GetExitCodeProcess(process.Get(), &code) && code == STILL_ACTIVE;
    }

    CWideString m_parentPath;
    CWideString m_ownName;
    CWideString m_path;
    std::unique_ptr<CRegKey> m_new;
};

// Turns a stored position into desktop list view coordinates and, when asked,
// pulls a position that lies on no monitor to the primary monitor's centre.
class CPositionMapper
{
public:
    CPositionMapper(const CDisplayConfig& display, bool forceVisible)
        : m_display(display), m_forceVisible(forceVisible && display.HasMonitorList() && display.MonitorCountValue() > 0)
    {
    }

    void ToDesktop(IconRecord& record) const
    {
        POINT pt = { record.XCoord, record.YCoord };
        if (record.Monitor != -1)
            m_display.OffsetToDesktop(record.Monitor, pt);
        if (m_forceVisible && m_display.IsOffScreen(pt))
            pt = m_display.PrimaryCentre();
        record.XCoord = pt.x;
        record.YCoord = pt.y;
    }

private:
    const CDisplayConfig& m_display;
    bool m_forceVisible;
};

void ReadIconKeys(const CLayoutFlavor& flavor, const CRegKey& layout, const CPositionMapper& mapper,
                  CIconRecordArray& records)
{
    wchar_t subkey[kNameBufferChars];
    for (DWORD i = 0; layout.EnumSubKey(i, subkey); ++i) {
        CRegKey icon(layout.Path(), subkey, flavor.readAccess);
        IconRecord record;
        record.XCoord = static_cast<int>(icon.ReadNumber(L"XCoord", static_cast<DWORD>(-1)));
        record.YCoord = static_cast<int>(icon.ReadNumber(L"YCoord", static_cast<DWORD>(-1)));
        record.Monitor = static_cast<int>(icon.ReadNumber(L"Monitor", static_cast<DWORD>(-1)));
        wchar_t text[kNameBufferChars];
        icon.ReadText(L"Name", text, kNameBufferChars, flavor.emptyText);
        record.Name = text;
        icon.ReadText(L"Path", text, kNameBufferChars, flavor.emptyText);
        record.Path = text;
        record.Index = static_cast<int>(i) + 1;
        mapper.ToDesktop(record);
        records.push_back(std::move(record));
    }
}

// Enumerates the values of a layout key. A value whose data does not fit the
// buffer is passed over; a name that does not fit ends the walk.
template <typename Each>
void ForEachValue(const CRegKey& layout, Each each)
{
    wchar_t name[kNameBufferChars];
    BYTE data[kOldIconDataBytes];
    for (DWORD i = 0;; ++i) {
        std::memset(data, 0, sizeof(data));
        DWORD type = REG_NONE;
        DWORD size = sizeof(data);
        if (!layout.EnumValue(i, name, &type, data, &size)) {
            DWORD probeSize = 0;
            if (layout.EnumValue(i, name, &type, nullptr, &probeSize))
                continue;
            return;
        }
        each(name, type, data, size);
    }
}

// The shell extension's writer stores legacy records as number values beside
// the icon keys; they are read back after them.
void ReadLegacyValues(const CRegKey& layout, CIconRecordArray& records)
{
    ForEachValue(layout, [&](const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
        if (type != REG_DWORD || size != sizeof(DWORD) || _wcsicmp(name, kVersionValue) == 0)
            return;
        DWORD packed;
        std::memcpy(&packed, data, sizeof(packed));
        records.push_back(UnpackLegacyRecord(name, packed));
    });
}

// The older form: number values are legacy records, binary values are icons
// named by their Path holding the position and the Name.
void ReadOlderFormat(const CRegKey& layout, const CPositionMapper& mapper, CIconRecordArray& records)
{
    ForEachValue(layout, [&](const wchar_t* name, DWORD type, const BYTE* data, DWORD size) {
        if (type == REG_DWORD) {
            DWORD packed;
            std::memcpy(&packed, data, sizeof(packed));
            records.push_back(UnpackLegacyRecord(name, packed));
            return;
        }
        if (type != REG_BINARY || size < kOldIconPositionBytes)
            return;
        IconRecord record;
        INT32 position[2];
        std::memcpy(position, data, sizeof(position));
        record.XCoord = position[0];
        record.YCoord = position[1];
        // The text need not be terminated inside the value's data.
        const DWORD stored = (size - kOldIconPositionBytes) / sizeof(wchar_t);
        const DWORD room = static_cast<DWORD>(kNameBufferChars - 1);
        const DWORD chars = stored < room ? stored : room;
        wchar_t text[kNameBufferChars] = {};
        std::memcpy(text, data + kOldIconPositionBytes, chars * sizeof(wchar_t));
        record.Name = text;
        record.Path = name;
        mapper.ToDesktop(record);
        records.push_back(std::move(record));
    });
}

} // namespace

CWideString StoreKeyPath(const CLayoutFlavor& flavor)
{
    return CWideString(LoadResText(flavor.resources, flavor.idsStoreKey));
}

bool IsValidLayoutName(const wchar_t* name)
{
    return name && *name && !std::wcschr(name, L'\\');
}

SaveResult SaveLayoutUnder(const CLayoutFlavor&, const wchar_t* parentPath, const wchar_t* name,
                           CLayoutCapture& capture, int* written)
{
    if (written)
        *written = 0;
    if (!IsValidLayoutName(name))
        return SaveResult::InvalidName;
    // The stored layout is touched only once the desktop is known to be
    // reachable and the new layout is complete.
    if (!capture.Ready())
        return SaveResult::Unreachable;

    if (!parentPath || !*parentPath)
        return SaveResult::Failed;
    CPendingLayout pending(parentPath);
    if (!pending.Key().IsOpen())
        return SaveResult::Failed;

    CStoreSink sink(pending.Key());
    try {
        capture.Run(sink);
    } catch (...) {
        // Out of memory half way: the stored layout stays as it was.
        return SaveResult::Failed;
    }
    if (sink.Failed())
        return SaveResult::Failed;
    if (sink.Count() == 0)
        return SaveResult::Empty;
    if (!pending.Key().WriteNumber(kVersionValue, kFormatVersion) || !pending.Commit(parentPath, name))
        return SaveResult::Failed;
    if (written)
        *written = sink.Count();
    return SaveResult::Saved;
}

SaveResult SaveLayout(const CLayoutFlavor& flavor, const wchar_t* name, CLayoutCapture& capture, int* written)
{
    return SaveLayoutUnder(flavor, StoreKeyPath(flavor).c_str(), name, capture, written);
}

int ReadLayoutUnder(const CLayoutFlavor& flavor, const wchar_t* parentPath, const wchar_t* name,
                    const CDisplayConfig& display, bool forceVisible, CIconRecordArray& records, bool* currentFormat)
{
    records.clear();
    if (currentFormat)
        *currentFormat = false;
    if (!IsValidLayoutName(name) || !parentPath || !*parentPath)
        return 0;

    CRegKey layout(parentPath, flavor.readAccess);
    if (!layout.Descend(name))
        return 0;

    const CPositionMapper mapper(display, forceVisible);
    if (layout.ReadNumber(kVersionValue, static_cast<DWORD>(-1)) == kFormatVersion) {
        if (currentFormat)
            *currentFormat = true;
        ReadIconKeys(flavor, layout, mapper, records);
        ReadLegacyValues(layout, records);
    } else {
        ReadOlderFormat(layout, mapper, records);
    }
    return static_cast<int>(records.size());
}

int ReadLayout(const CLayoutFlavor& flavor, const wchar_t* name, const CDisplayConfig& display,
               bool forceVisible, CIconRecordArray& records, bool* currentFormat)
{
    return ReadLayoutUnder(flavor, StoreKeyPath(flavor).c_str(), name, display, forceVisible, records, currentFormat);
}

std::vector<CWideString> ListLayouts(const CLayoutFlavor& flavor)
{
    std::vector<CWideString> names;
    const CWideString storePath = StoreKeyPath(flavor);
    if (storePath.IsAbsent())
        return names;
    CRegKey store(storePath.c_str(), KEY_READ);
    wchar_t name[kNameBufferChars];
    for (DWORD i = 0; store.EnumSubKey(i, name); ++i)
        names.emplace_back(name);
    return names;
}

bool DeleteLayout(const CLayoutFlavor& flavor, const wchar_t* name)
{
    // An empty name would delete the store key itself, settings and all.
    const CWideString storePath = StoreKeyPath(flavor);
    if (!IsValidLayoutName(name) || storePath.IsAbsent())
        return false;
    CRegKey store(storePath.c_str(), KEY_ALL_ACCESS);
    return store.DeleteSubKey(name);
}

bool IsOldIconKeyName(const wchar_t* name)
{
    if (!name || std::wcsncmp(name, L"Icon", 4) != 0)
        return false;
    for (int i = 4; i < 8; ++i) {
        if (name[i] < L'0' || name[i] > L'9')
            return false;
    }
    return true;
}

bool RemoveOldIconKey(const CLayoutFlavor& flavor, const wchar_t* name)
{
    const CWideString storePath = StoreKeyPath(flavor);
    if (!IsOldIconKeyName(name) || storePath.IsAbsent())
        return false;
    CRegKey store(storePath.c_str(), KEY_ALL_ACCESS);
    return store.DeleteSubKey(name);
}
