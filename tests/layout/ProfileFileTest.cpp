// The one-pass profile reader and writer against the system's profile
// functions, which they stand in for: same answers, same bytes.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>
#include "layout/ProfileFile.h"
#include "tests/common/TestSupport.h"

namespace {

std::wstring Fixture(const wchar_t* name)
{
    std::wstring path = std::wstring(OSTREL_FIXTURE_DIR) + L"\\" + name;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string Utf16(const std::wstring& text)
{
    std::string bytes("\xFF\xFE", 2);
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

// Everything the layout readers ask of a file, asked of both.
void ExpectSameAnswers(const std::wstring& path)
{
    SCOPED_TRACE(Narrow(path));
    // The profile functions keep the file they read last: start afresh.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
    CProfileReader reader;
    ASSERT_TRUE(reader.Load(path.c_str()));
    for (DWORD chars : { 0x1FFFFu, 24u }) {
        std::unique_ptr<wchar_t[]> names(new wchar_t[chars]());
        const DWORD got = GetPrivateProfileSectionNamesW(names.get(), chars, path.c_str());
        std::vector<const wchar_t*> mine;
        const bool listed = reader.SectionNames(chars, mine);
        EXPECT_EQ(got != 0 && got != chars - 2, listed) << chars;
        if (!listed || got == 0 || got == chars - 2)
            continue;
        std::vector<std::wstring> system;
        for (const wchar_t* name = names.get(); *name; name += wcslen(name) + 1)
            system.push_back(name);
        ASSERT_EQ(system.size(), mine.size());
        for (size_t i = 0; i < system.size(); ++i)
            EXPECT_EQ(system[i], mine[i]);
    }
    std::vector<std::wstring> sections = { L"", L"_Ostrel_", L" _ostrel_ ", L"Nowhere" };
    std::vector<const wchar_t*> listed;
    reader.SectionNames(0x1FFFF, listed);
    sections.insert(sections.end(), listed.begin(), listed.end());
    for (const std::wstring& section : sections) {
        for (const wchar_t* key : { L"Name", L"Path", L"Legacy", L"XCoord", L"YCoord", L"Monitor", L"Version",
                                    L" name ", L"" }) {
            SCOPED_TRACE(Narrow(section + L" / " + key));
            for (DWORD chars : { 260u, 5u }) {
                wchar_t text[260] = {};
                GetPrivateProfileStringW(section.c_str(), key, L"", text, chars, path.c_str());
                EXPECT_EQ(std::wstring(text), std::wstring(reader.Text(section.c_str(), key, chars).c_str()));
            }
            EXPECT_EQ(static_cast<int>(GetPrivateProfileIntW(section.c_str(), key, -7, path.c_str())),
                      reader.Int(section.c_str(), key, -7));
        }
    }
}

TEST(ProfileFile, ReaderAnswersAsTheProfileFunctions)
{
    for (const wchar_t* name : { L"current-shellext.osl", L"current-cli.osl", L"current-version-first.osl",
                                 L"current-version-unnamed.osl", L"current-ansi.osl", L"older-path-sections.osl",
                                 L"older-path-sections-nolegacy.osl", L"older-icon-sections.osl", L"header-only.osl",
                                 L"no-names.osl" })
        ExpectSameAnswers(Fixture(name));

    // What damaged or hand-edited files may hold.
    CScratchFolder folder;
    const std::wstring file = folder.File(L"edited.osl");
    const std::wstring tricky =
        L"Version=858673999\r\n"
        L"  [ Icon0001 ]  \r\nName =  spaced value  \r\nname=second\r\nXCoord=  -12abc\r\nYCoord=+7\r\n"
        L"Monitor=0x10\r\nPath=0b101\r\nLegacy\r\n=\r\n=x\r\n"
        L"[icon0002]x\r\nName=\"quoted\"\r\nPath='single'\r\nXCoord=\"42\"\r\nYCoord=4294967295\r\n"
        L"[ICON0002]\r\nName=shadowed\r\n"
        L"[Icon0003\r\nName=no close\r\n"
        L"[]\r\nName=unnamed\r\n"
        L"[Icon0004]]\r\nName=\"\r\nPath=\"\"\r\nXCoord=99999999999\r\nYCoord=-\r\n"
        L"[Icon0005]\rName=lone return\rPath=x\r\n"
        L"[Icon0006]\nName=\x3000wide\x00A0\nPath=\"abcdefgh\"\nXCoord=0X1F\nYCoord=0o17\n"
        L"\x1A[_Ostrel_]\r\nVersion = 858673999 \r\n";
    WriteBytes(file, Utf16(tricky));
    ExpectSameAnswers(file);
    // Without a mark: the ANSI code page.
    const int ansiBytes = WideCharToMultiByte(CP_ACP, 0, tricky.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(ansiBytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, tricky.c_str(), -1, &ansi[0], ansiBytes, nullptr, nullptr);
    ansi.pop_back();
    WriteBytes(file, ansi);
    ExpectSameAnswers(file);
    WriteBytes(file, std::string("\xEF\xBB\xBF", 3) + Narrow(tricky));
    ExpectSameAnswers(file);
    std::string bigEndian = "\xFE\xFF";
    for (wchar_t c : tricky) {
        bigEndian.push_back(static_cast<char>(c >> 8));
        bigEndian.push_back(static_cast<char>(c & 0xFF));
    }
    WriteBytes(file, bigEndian);
    ExpectSameAnswers(file);

    // Section names that fill a list of 24 characters to its last two.
    const std::wstring many = L"[Section01]\r\nName=n\r\n[Section02]\r\nName=n\r\n[A]\r\nName=n\r\n";
    WriteBytes(file, Utf16(many));
    ExpectSameAnswers(file);
    WriteDuplicateSectionsFile(file, 400, 400);
    ExpectSameAnswers(file);
}

// The writer's file holds the bytes that the profile functions would leave,
// key by key, in the same file: a header, then sections, a section written
// again (its keys merge, a key written again keeps its place), values with
// blanks in front, names in any script.
TEST(ProfileFile, WriterLeavesTheBytesOfTheProfileFunctions)
{
    CScratchFolder folder;
    const std::wstring header = L";\r\n; OstrelCli Version: 1.7.2.083 -- UNICODE Layout File.\r\n;\r\n\r\n";
    struct Entry { const wchar_t* section; const wchar_t* key; const wchar_t* value; };
    const Entry entries[] = {
        { L"Icon0001", L"Legacy", L"0" },
        { L"Icon0001", L"Name", L"\x042D\x0442\x043E\x0442 \x0434\x0438\x0441\x043A 50% %s" },
        { L"Icon0001", L"Path", L"C:\\Users\\u\\Desktop\\\x5831\x544A\x66F8 \xD83D\xDE00.txt" },
        { L"Icon0002", L"Name", L"  \"  blanks  \"" },
        { L"Icon0002", L"Path", L"" },
        { L"icon0001", L"NAME", L"again" },
        { L"Icon0001", L"Monitor", L"-1" },
        { L"_Ostrel_", L"Version", L"858673999" },
    };

    const std::wstring system = folder.File(L"system.osl");
    WriteBytes(system, Utf16(header));
    for (const Entry& entry : entries)
        ASSERT_TRUE(WritePrivateProfileStringW(entry.section, entry.key, entry.value, system.c_str()));
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, system.c_str());

    const std::wstring mine = folder.File(L"mine.osl");
    CProfileWriter writer(header.c_str());
    for (const Entry& entry : entries)
        ASSERT_TRUE(writer.Write(entry.section, entry.key, entry.value));
    {
        const CHandle file(CreateFileW(mine.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(writer.Finish(file.Get()));
    }

    EXPECT_EQ(ReadFileBytes(system), ReadFileBytes(mine));
    EXPECT_FALSE(CProfileWriter(header.c_str()).Write(L"  ", L"Name", L"x"));
    EXPECT_FALSE(CProfileWriter(header.c_str()).Finish(INVALID_HANDLE_VALUE));
}

} // namespace
