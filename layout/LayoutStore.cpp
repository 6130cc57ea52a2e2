#include "layout/LayoutStore.h"
#include <cstring>
#include <cwchar>
#include "layout/RegKey.h"
#include "layout/StagedKey.h"
#include "layout/StoreLock.h"

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

bool IsValidLayoutName(const wchar_t* name)
{
    return name && *name && !std::wcschr(name, L'\\');
}

SaveResult SaveLayoutUnder(const CLayoutFlavor& flavor, const wchar_t* parentPath, const wchar_t* name,
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
    // Absent when the flavor's string table lacks the key path: nothing may
    // then be written at the top of HKEY_CURRENT_USER.
    const CWideString storePath = LayoutStorePath(flavor);
    if (storePath.IsAbsent())
        return SaveResult::Failed;
    CStagedKey staged(storePath.c_str(), parentPath, name);
    if (!staged.Content().IsOpen())
        return SaveResult::Failed;

    CStoreSink sink(staged.Content());
    try {
        capture.Run(sink);
    } catch (...) {
        // Out of memory half way: the stored layout stays as it was.
        return SaveResult::Failed;
    }
    if (sink.Failed() || FAILED(capture.Status()))
        return SaveResult::Failed;
    if (sink.Count() == 0)
        return SaveResult::Empty;
    if (!staged.Content().WriteNumber(kVersionValue, kFormatVersion))
        return SaveResult::Failed;
    // The capture ran without the lock; the commit alone holds it.
    const CStoreLock lock(flavor);
    if (!lock.Held())
        return SaveResult::Busy;
    if (!staged.Commit(lock))
        return SaveResult::Failed;
    if (written)
        *written = sink.Count();
    return SaveResult::Saved;
}

SaveResult SaveLayout(const CLayoutFlavor& flavor, const wchar_t* name, CLayoutCapture& capture, int* written)
{
    return SaveLayoutUnder(flavor, LayoutStorePath(flavor).c_str(), name, capture, written);
}

int ReadLayoutUnder(const CLayoutFlavor& flavor, const wchar_t* parentPath, const wchar_t* name,
                    const CDisplayConfig& display, bool forceVisible, CIconRecordArray& records, bool* currentFormat)
{
    records.clear();
    if (currentFormat)
        *currentFormat = false;
    if (!IsValidLayoutName(name) || !parentPath || !*parentPath)
        return 0;
    // When the wait runs out (a program hangs while it holds the lock) the
    // read goes on without the recovery: a layout that a commit is replacing
    // reads as the old one, the new one or none, never as a part of one.
    const CStoreLock lock(flavor);
    if (lock.StorePath().IsAbsent())
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
    return ReadLayoutUnder(flavor, LayoutStorePath(flavor).c_str(), name, display, forceVisible, records, currentFormat);
}

std::vector<CWideString> ListLayouts(const CLayoutFlavor& flavor)
{
    std::vector<CWideString> names;
    // Goes on without the lock when the wait runs out, as a read does.
    const CStoreLock lock(flavor);
    const CWideString& storePath = lock.StorePath();
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
    if (!IsValidLayoutName(name))
        return false;
    const CStoreLock lock(flavor);
    const CWideString& storePath = lock.StorePath();
    if (!lock.Held() || storePath.IsAbsent() || !CRegKey(storePath.c_str(), KEY_READ).HasSubKey(name))
        return false;
    // A process that ends half way leaves an empty layout key, never a part
    // of the layout.
    return RemoveKeyMarkFirst(storePath.c_str(), name);
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
    if (!IsOldIconKeyName(name))
        return false;
    const CStoreLock lock(flavor);
    const CWideString& storePath = lock.StorePath();
    if (!lock.Held() || storePath.IsAbsent())
        return false;
    CRegKey store(storePath.c_str(), KEY_ALL_ACCESS);
    return store.DeleteSubKey(name);
}
