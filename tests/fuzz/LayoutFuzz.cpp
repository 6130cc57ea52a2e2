// Feeds the layout file reader and the registry layout reader damaged inputs
// made from a seed, and prints "N inputs, C crashes, H hangs, W wrong results".
// Exit status 0 only when all three are 0.
//
//   layout_fuzz [--seed N] [--files N] [--keys N]
//
// Each input has an oracle: where the damage leaves the layout readable, the
// records that must come back; everywhere, what no reader result may break
// (a reported success with no record, an empty or overlong name, a legacy
// record with an index or a monitor).
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"
#include "layout/Owners.h"
#include "tests/common/FakeCapture.h"
#include "tests/common/FakeDisplay.h"
#include "tests/common/TestSupport.h"

namespace {

constexpr const wchar_t* kStore = L"Software\\Quenlo\\Tovak";
constexpr DWORD kVersion = 0x332E534F;
constexpr DWORD kHangMillis = 10000;

struct Figures
{
    long inputs = 0;
    long crashes = 0;
    long hangs = 0;
    long wrong = 0;
};

Figures g_figures;
// What runs now, for the report of a crash or a hang.
volatile LONG g_busy = 0;
volatile DWORD g_busySince = 0;
std::string g_current;

void PrintFigures()
{
    std::printf("%ld inputs, %ld crashes, %ld hangs, %ld wrong results\n", g_figures.inputs, g_figures.crashes,
                g_figures.hangs, g_figures.wrong);
    std::fflush(stdout);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info)
{
    ++g_figures.crashes;
    std::printf("crash 0x%08lX in %s\n", info->ExceptionRecord->ExceptionCode, g_current.c_str());
    PrintFigures();
    ExitProcess(2);
}

DWORD WINAPI Watchdog(void*)
{
    for (;;) {
        Sleep(250);
        if (g_busy && GetTickCount() - g_busySince > kHangMillis) {
            ++g_figures.hangs;
            std::printf("hang in %s\n", g_current.c_str());
            PrintFigures();
            ExitProcess(3);
        }
    }
}

void Wrong(const std::string& what)
{
    ++g_figures.wrong;
    if (g_figures.wrong <= 20)
        std::printf("wrong result in %s: %s\n", g_current.c_str(), what.c_str());
}

// Runs one input under the watchdog; exceptions that leave a reader count as crashes.
template <typename Body>
void RunInput(const std::string& name, Body body)
{
    g_current = name;
    ++g_figures.inputs;
    g_busySince = GetTickCount();
    g_busy = 1;
    try {
        body();
    } catch (...) {
        ++g_figures.crashes;
        std::printf("exception in %s\n", name.c_str());
    }
    g_busy = 0;
}

bool SameRecord(const IconRecord& a, const IconRecord& b)
{
    return wcscmp(a.Path.c_str(), b.Path.c_str()) == 0 && wcscmp(a.Name.c_str(), b.Name.c_str()) == 0 &&
           a.XCoord == b.XCoord && a.YCoord == b.YCoord && a.Monitor == b.Monitor && a.Index == b.Index &&
           a.Legacy == b.Legacy;
}

std::string Describe(const IconRecord& r)
{
    return "{" + Narrow(r.Path.c_str()).substr(0, 40) + "|" + Narrow(r.Name.c_str()).substr(0, 40) + "|" +
           std::to_string(r.XCoord) + "," + std::to_string(r.YCoord) + "|m" + std::to_string(r.Monitor) + "|i" +
           std::to_string(r.Index) + (r.Legacy ? "|L}" : "}");
}

// What no result may break. fileReader: a file's record always has a Name.
void CheckInvariants(const CIconRecordArray& records, bool fileReader)
{
    for (const IconRecord& r : records) {
        if ((fileReader && r.Name.IsAbsent()) || r.Name.Length() > 259 || r.Path.Length() > 259)
            return Wrong("bad names " + Describe(r));
        if (r.Legacy && (r.Index != 0 || r.Monitor != -1 || wcscmp(r.Path.c_str(), r.Name.c_str()) != 0))
            return Wrong("bad legacy record " + Describe(r));
    }
}

void CheckExpected(const CIconRecordArray& got, const CIconRecordArray& expected, size_t extraAllowed = 0)
{
    if (got.size() < expected.size() || got.size() > expected.size() + extraAllowed)
        return Wrong(std::to_string(got.size()) + " records instead of " + std::to_string(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i)
        if (!SameRecord(got[i], expected[i]))
            return Wrong("record " + std::to_string(i) + " " + Describe(got[i]) + " instead of " + Describe(expected[i]));
}

class CFuzz
{
public:
    explicit CFuzz(unsigned seed) : m_random(seed)
    {
        m_fake.monitors = { { { 0, 0, 1920, 1080 }, true } };
        m_display.Capture();
    }

    void FileInputs(int count);
    void RegistryInputs(int count);

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool Chance(int percent) { return Pick(0, 99) < percent; }

    // A name without blanks at its ends or control characters; ascii keeps
    // it to what every encoding holds.
    std::wstring RandomName(int maxLength, bool ascii)
    {
        static const wchar_t kWide[] = L"\u0416\u00E9\u5831\u3042\u0394\u00DF";
        std::wstring name;
        const int length = Pick(1, maxLength);
        for (int i = 0; i < length; ++i) {
            if (!ascii && Chance(20))
                name += kWide[Pick(0, 5)];
            else
                name += static_cast<wchar_t>(Pick(0, 9) == 0 && i > 0 && i < length - 1 ? L' ' : L'a' + Pick(0, 25));
        }
        return name;
    }

    std::vector<IconRecord> RandomRecords(int count, bool ascii, int maxName = 40)
    {
        std::vector<IconRecord> records;
        for (int i = 0; i < count; ++i) {
            IconRecord record;
            record.Legacy = Chance(10);
            record.Name = RandomName(maxName, ascii).c_str();
            record.Path = record.Legacy ? record.Name : CWideString((L"C:\\d\\" + RandomName(maxName, ascii)).c_str());
            record.XCoord = Pick(-5000, 5000);
            record.YCoord = Pick(-5000, 5000);
            record.Monitor = record.Legacy ? -1 : Pick(-1, 2);
            records.push_back(record);
        }
        return records;
    }

    // A current-format file with "_Ostrel_" first, so that a cut keeps the
    // version; ends[i] is the offset in characters after section i + 1.
    std::wstring LayoutText(const std::vector<IconRecord>& records, std::vector<size_t>* ends = nullptr)
    {
        std::wstring text = L";\r\n; Ostrel fuzz layout\r\n;\r\n\r\n[_Ostrel_]\r\nVersion=858673999\r\n";
        for (size_t i = 0; i < records.size(); ++i) {
            const IconRecord& r = records[i];
            text += CWideString::Format(L"[Icon%04d]\r\nLegacy=%d\r\nXCoord=%d\r\nYCoord=%d\r\n",
                                        static_cast<int>(i + 1), r.Legacy ? 1 : 0, r.XCoord, r.YCoord).c_str();
            text += L"Name=" + std::wstring(r.Name.c_str()) + L"\r\nPath=" + r.Path.c_str() + L"\r\n";
            if (!r.Legacy)
                text += CWideString::Format(L"Monitor=%d\r\n", r.Monitor).c_str();
            if (ends)
                ends->push_back(text.size());
        }
        return text;
    }

    // What the reader gives for those records: the sections count from 2.
    static CIconRecordArray Expected(const std::vector<IconRecord>& records, size_t count, size_t cutAt = 259)
    {
        CIconRecordArray expected;
        for (size_t i = 0; i < count; ++i) {
            IconRecord r = records[i];
            r.Name = std::wstring(r.Name.c_str()).substr(0, cutAt).c_str();
            r.Path = r.Legacy ? r.Name : CWideString(std::wstring(r.Path.c_str()).substr(0, cutAt).c_str());
            r.Index = r.Legacy ? 0 : static_cast<int>(i) + 2;
            r.Monitor = r.Legacy ? -1 : r.Monitor;
            expected.push_back(r);
        }
        return expected;
    }

    static std::string Utf16Bytes(const std::wstring& text, bool bom = true, bool bigEndian = false)
    {
        std::string bytes = bom ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
        for (wchar_t c : text) {
            const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
            bytes += bigEndian ? high : low;
            bytes += bigEndian ? low : high;
        }
        return bytes;
    }

    static std::string Utf8Bytes(const std::wstring& text, bool bom)
    {
        std::string bytes = bom ? "\xEF\xBB\xBF" : "";
        bytes += Narrow(text);
        return bytes;
    }

    // Writes the bytes into a file of its own (the profile functions may keep
    // a file they read), reads it back and removes it.
    CIconRecordArray ReadBytes(const std::string& bytes)
    {
        const std::wstring path = m_folder.File(CWideString::Format(L"in%06ld.osl", g_figures.inputs).c_str());
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD done = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        CloseHandle(file);
        CIconRecordArray records;
        bool current = false;
        const bool any = ReadLayoutFile(path.c_str(), m_display, records, &current);
        DeleteFileW(path.c_str());
        if (any != !records.empty())
            Wrong("success does not match the records");
        CheckInvariants(records, true);
        return records;
    }

    CIconRecordArray ReadStore(const wchar_t* name)
    {
        CIconRecordArray records;
        bool current = false;
        const int count = ReadLayout(m_flavor, name, m_display, false, records, &current);
        if (count != static_cast<int>(records.size()))
            Wrong("count does not match the records");
        CheckInvariants(records, false);
        return records;
    }

    std::mt19937 m_random;
    CFakeDisplay m_fake;
    CDisplayConfig m_display{ &m_fake };
    CScratchFolder m_folder;
    CLayoutFlavor m_flavor = TestCliFlavor();
};

void CFuzz::FileInputs(int count)
{
    for (int n = 0; n < count; ++n) {
        const int kind = n % 10;
        const bool ascii = kind == 3;
        const std::vector<IconRecord> records = RandomRecords(Pick(0, 6), ascii);
        std::vector<size_t> ends;
        const std::wstring text = LayoutText(records, &ends);
        const std::string intact = Utf16Bytes(text);
        switch (kind) {
        case 0:
            RunInput("intact file", [&] { CheckExpected(ReadBytes(intact), Expected(records, records.size())); });
            break;
        case 1: {
            // Cut anywhere, odd sizes included: every section that ended
            // before the cut comes back; the one cut may leave a remnant.
            const size_t cut = static_cast<size_t>(Pick(0, static_cast<int>(intact.size())));
            size_t whole = 0;
            while (whole < ends.size() && 2 + 2 * ends[whole] <= cut)
                ++whole;
            RunInput("truncated file", [&] { CheckExpected(ReadBytes(intact.substr(0, cut)), Expected(records, whole), 1); });
            break;
        }
        case 2:
            RunInput("file without byte-order mark", [&] { ReadBytes(Utf16Bytes(text, false)); });
            break;
        case 3:
            RunInput("UTF-8 file", [&] {
                CheckExpected(ReadBytes(Utf8Bytes(text, Chance(50))), Expected(records, records.size()));
            });
            break;
        case 4:
            RunInput("big-endian file", [&] { ReadBytes(Utf16Bytes(text, true, true)); });
            break;
        case 5: {
            std::string damaged = intact;
            for (int i = Pick(1, 8); i > 0 && !damaged.empty(); --i)
                damaged.insert(static_cast<size_t>(Pick(0, static_cast<int>(damaged.size()))), Pick(1, 2), '\0');
            RunInput("file with NUL bytes", [&] { ReadBytes(damaged); });
            break;
        }
        case 6: {
            // Names and paths over 259 characters are cut by the reader.
            const std::vector<IconRecord> longer = RandomRecords(Pick(1, 4), false, 700);
            RunInput("values over 259 characters",
                     [&] { CheckExpected(ReadBytes(Utf16Bytes(LayoutText(longer))), Expected(longer, longer.size())); });
            break;
        }
        case 7: {
            static const wchar_t* const kNumbers[] = { L"99999999999", L"-99999999999", L"0x7fffffff", L"12abc",
                                                       L"", L"--1", L"4294967296", L"\u0661\u0662" };
            std::wstring odd = text;
            for (size_t at = odd.find(L"XCoord="); at != std::wstring::npos; at = odd.find(L"XCoord=", at + 1)) {
                const size_t end = odd.find(L"\r\n", at);
                odd.replace(at + 7, end - at - 7, kNumbers[Pick(0, 7)]);
            }
            RunInput("numbers out of range", [&] {
                const CIconRecordArray got = ReadBytes(Utf16Bytes(odd));
                if (got.size() != records.size())
                    Wrong(std::to_string(got.size()) + " records instead of " + std::to_string(records.size()));
            });
            break;
        }
        case 8: {
            std::string damaged = intact;
            for (int i = Pick(1, 16); i > 0 && !damaged.empty(); --i)
                damaged[static_cast<size_t>(Pick(0, static_cast<int>(damaged.size()) - 1))] = static_cast<char>(Pick(0, 255));
            RunInput("file with changed bytes", [&] { ReadBytes(damaged); });
            break;
        }
        default: {
            std::string noise(static_cast<size_t>(Pick(0, 3000)), '\0');
            for (char& c : noise)
                c = static_cast<char>(Pick(0, 255));
            if (Chance(50))
                noise.insert(0, "\xFF\xFE");
            RunInput("random bytes", [&] { ReadBytes(noise); });
            break;
        }
        }
    }

    // Section lists that do not fit the reader's buffer: read nothing.
    for (int sections : { 5000, 100000 }) {
        std::wstring many = L"[_Ostrel_]\r\nVersion=858673999\r\n";
        for (int i = 0; i < sections; ++i)
            many += CWideString::Format(sections == 5000 ? L"[Section with a long name %06d]\r\nName=n\r\n" : L"[S%d]\r\nName=n\r\n", i).c_str();
        RunInput(std::to_string(sections) + " sections",
                 [&] { CheckExpected(ReadBytes(Utf16Bytes(many)), CIconRecordArray()); });
    }
}

// Raw registry writes, as an editor or another program may leave a layout.
class CRawKey
{
public:
    explicit CRawKey(const std::wstring& path)
    {
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, m_key.Put(), nullptr);
    }
    CRawKey(const CRawKey&) = delete;
    CRawKey& operator=(const CRawKey&) = delete;
    void Set(const wchar_t* name, DWORD type, const void* data, size_t size)
    {
        RegSetValueExW(m_key.Get(), name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    }
    void Number(const wchar_t* name, DWORD value) { Set(name, REG_DWORD, &value, sizeof(value)); }

private:
    CKeyHandle m_key;
};

// A stored text as the reader takes it: up to its first NUL, at most 259
// characters, the default when it does not fit 260 characters.
std::wstring StoredText(const std::vector<wchar_t>& chars, size_t bytes, const wchar_t* fallback)
{
    if (bytes > 260 * sizeof(wchar_t))
        return fallback;
    std::wstring text(chars.begin(), chars.begin() + static_cast<long>(std::min(bytes / 2, chars.size())));
    text = text.substr(0, text.find(L'\0'));
    return text.substr(0, 259);
}

void CFuzz::RegistryInputs(int count)
{
    const std::wstring layout = std::wstring(kStore) + L"\\Fuzz";
    for (int n = 0; n < count; ++n) {
        RegDeleteTreeW(HKEY_CURRENT_USER, layout.c_str());
        CIconRecordArray expected;
        if (n % 2 == 0) {
            // Older form: binary values of 0 to 600 bytes, number values, other types.
            CRawKey key(layout);
            // A version of another type is no format version.
            if (Chance(30))
                key.Set(L"Version", REG_SZ, L"858673999", 20);
            for (int v = Pick(0, 10); v > 0; --v) {
                const std::wstring name = CWideString::Format(L"v%03d ", v).c_str() + RandomName(30, false);
                const int type = Pick(0, 9);
                if (type < 6) {
                    std::vector<BYTE> data(static_cast<size_t>(Chance(50) ? Pick(0, 600) : Pick(0, 40)));
                    for (BYTE& b : data)
                        b = static_cast<BYTE>(Chance(70) ? Pick(0x20, 0x7E) : Pick(0, 255));
                    key.Set(name.c_str(), REG_BINARY, data.data(), data.size());
                    if (data.size() < 8 || data.size() > 528)
                        continue;
                    IconRecord r;
                    std::memcpy(&r.XCoord, &data[0], 4);
                    std::memcpy(&r.YCoord, &data[4], 4);
                    std::vector<wchar_t> chars((data.size() - 8) / 2);
                    std::memcpy(chars.data(), &data[8], chars.size() * 2);
                    r.Name = StoredText(chars, data.size() - 8, L"").c_str();
                    r.Path = name.c_str();
                    expected.push_back(r);
                } else if (type < 8) {
                    const DWORD packed = static_cast<DWORD>(Pick(0, 0x7FFFFFFF));
                    key.Number(name.c_str(), packed);
                    IconRecord r;
                    r.Name = name.c_str();
                    r.Path = name.c_str();
                    r.XCoord = LOWORD(packed);
                    r.YCoord = HIWORD(packed);
                    r.Legacy = true;
                    expected.push_back(r);
                } else {
                    const ULONGLONG wide = 1;
                    key.Set(name.c_str(), type == 8 ? REG_QWORD : REG_MULTI_SZ, &wide, sizeof(wide));
                }
            }
            std::sort(expected.begin(), expected.end(), [](const IconRecord& a, const IconRecord& b) {
                return wcscmp(a.Path.c_str(), b.Path.c_str()) < 0;
            });
            RunInput("older registry layout", [&] {
                CIconRecordArray got = ReadStore(L"Fuzz");
                std::sort(got.begin(), got.end(), [](const IconRecord& a, const IconRecord& b) {
                    return wcscmp(a.Path.c_str(), b.Path.c_str()) < 0;
                });
                CheckExpected(got, expected);
            });
            continue;
        }
        // Current form: icon keys whose values have odd types and sizes,
        // texts without terminator, values missing.
        CRawKey(layout).Number(L"Version", kVersion);
        const int icons = Pick(0, 8);
        for (int i = 0; i < icons; ++i) {
            CRawKey icon(layout + CWideString::Format(L"\\Icon%04d", i + 1).c_str());
            IconRecord r;
            r.Index = i + 1;
            int* numbers[] = { &r.XCoord, &r.YCoord, &r.Monitor };
            const wchar_t* numberNames[] = { L"XCoord", L"YCoord", L"Monitor" };
            for (int k = 0; k < 3; ++k) {
                const DWORD value = static_cast<DWORD>(Pick(-3000, 3000));
                switch (Pick(0, 5)) {
                case 0: *numbers[k] = -1; break;
                case 1: icon.Set(numberNames[k], REG_SZ, L"12", 6); *numbers[k] = -1; break;
                case 2: icon.Set(numberNames[k], REG_BINARY, &value, 4); *numbers[k] = -1; break;
                case 3: icon.Set(numberNames[k], REG_DWORD, &value, 2); *numbers[k] = -1; break;
                default: icon.Number(numberNames[k], value); *numbers[k] = static_cast<int>(value); break;
                }
            }
            CWideString* texts[] = { &r.Name, &r.Path };
            const wchar_t* textNames[] = { L"Name", L"Path" };
            for (int k = 0; k < 2; ++k) {
                if (Chance(10)) {
                    *texts[k] = L"Error: Empty!";
                    continue;
                }
                const std::wstring text = RandomName(Chance(20) ? 400 : 40, false);
                std::vector<wchar_t> chars(text.begin(), text.end());
                if (Chance(50))
                    chars.push_back(L'\0');
                size_t bytes = chars.size() * 2;
                if (Chance(10))
                    --bytes; // an odd size
                icon.Set(textNames[k], Chance(10) ? REG_BINARY : REG_SZ, chars.data(), bytes);
                *texts[k] = StoredText(chars, bytes, L"Error: Empty!").c_str();
            }
            expected.push_back(r);
        }
        RunInput("current registry layout", [&] { CheckExpected(ReadStore(L"Fuzz"), expected); });
    }

    // 10,000 icon keys.
    RegDeleteTreeW(HKEY_CURRENT_USER, layout.c_str());
    CIconRecordArray many;
    std::vector<std::wstring> names;
    {
        CRawKey key(layout);
        key.Number(L"Version", kVersion);
        for (int i = 0; i < 10000; ++i) {
            const std::wstring name = CWideString::Format(L"Icon%04d", i + 1).c_str();
            const std::wstring text = std::to_wstring(i);
            CRawKey icon(layout + L"\\" + name);
            icon.Number(L"XCoord", static_cast<DWORD>(i));
            icon.Number(L"YCoord", static_cast<DWORD>(-i));
            icon.Number(L"Monitor", static_cast<DWORD>(-1));
            icon.Set(L"Name", REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
            icon.Set(L"Path", REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
            many.push_back(MakeIcon(text.c_str(), text.c_str(), i, -i, -1, 0));
            names.push_back(name);
        }
    }
    // The registry lists the icon keys by name (Icon10000 before Icon1001),
    // and the reader numbers them in that order.
    std::vector<size_t> byName(many.size());
    for (size_t i = 0; i < byName.size(); ++i)
        byName[i] = i;
    std::sort(byName.begin(), byName.end(), [&](size_t a, size_t b) { return names[a] < names[b]; });
    CIconRecordArray ordered;
    for (size_t i = 0; i < byName.size(); ++i) {
        ordered.push_back(many[byName[i]]);
        ordered.back().Index = static_cast<int>(i) + 1;
    }
    many.swap(ordered);
    RunInput("10000 icon keys", [&] { CheckExpected(ReadStore(L"Fuzz"), many); });
    RegDeleteTreeW(HKEY_CURRENT_USER, layout.c_str());
}

int Number(int argc, wchar_t** argv, const wchar_t* option, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (wcscmp(argv[i], option) == 0)
            return _wtoi(argv[i + 1]);
    return fallback;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const unsigned seed = static_cast<unsigned>(Number(argc, argv, L"--seed", 1));
    SetUnhandledExceptionFilter(OnCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
    {
        CScopedUserHive hive;
        CFuzz fuzz(seed);
        DWORD start = GetTickCount();
        fuzz.FileInputs(Number(argc, argv, L"--files", 1000));
        std::printf("layout files: %ld inputs in %.1f s\n", g_figures.inputs, (GetTickCount() - start) / 1000.0);
        const long files = g_figures.inputs;
        start = GetTickCount();
        fuzz.RegistryInputs(Number(argc, argv, L"--keys", 1000));
        std::printf("registry layouts: %ld inputs in %.1f s\n", g_figures.inputs - files,
                    (GetTickCount() - start) / 1000.0);
    }
    std::printf("seed %u: ", seed);
    PrintFigures();
    return g_figures.crashes || g_figures.hangs || g_figures.wrong ? 1 : 0;
}
