#include <gtest/gtest.h>
#include <new>
#include "layout/LayoutFile.h"
#include "tests/common/FakeCapture.h"
#include "tests/common/FakeDisplay.h"
#include "tests/common/TestSupport.h"

namespace {

const std::wstring kCliHeader = L";\r\n; OstrelCli Version: 1.7.2.083 -- UNICODE Layout File.\r\n;\r\n\r\n";

// The file's bytes as UTF-16 LE text, the byte-order mark included.
std::wstring Utf16Text(const std::string& bytes)
{
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return text;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Names of the files in a folder, so that a test sees what a save left behind.
std::vector<std::wstring> FilesIn(const CScratchFolder& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(folder.File(L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        // Wine's ReplaceFileW makes an empty "rf*.tmp" to move the old file
        // aside and leaves it when that move fails; Windows renames in one step.
        const std::wstring name = data.cFileName;
        if (name[0] != L'.' && !(name.compare(0, 2, L"rf") == 0 && name.size() > 4 &&
                                 name.compare(name.size() - 4, 4, L".tmp") == 0))
            names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

class FileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fake.monitors = { { { 0, 0, 1920, 1080 }, true }, { { 1920, 0, 3200, 1024 }, false } };
        display.Capture();
    }

    FileSaveResult Save(const std::wstring& path, std::vector<IconRecord> list, const CLayoutFlavor& flavor,
                        int* written = nullptr)
    {
        CFakeCapture capture(std::move(list));
        int count = -1;
        const FileSaveResult result = SaveLayoutFile(flavor, path.c_str(), capture, &count);
        if (written)
            *written = count;
        return result;
    }

    CIconRecordArray Read(const std::wstring& path, bool* current = nullptr)
    {
        CIconRecordArray records;
        bool format = false;
        const bool any = ReadLayoutFile(path.c_str(), display, records, &format);
        EXPECT_EQ(any, !records.empty());
        if (current)
            *current = format;
        return records;
    }

    CScratchFolder folder;
    CLayoutFlavor sx = TestShellExtFlavor();
    CLayoutFlavor cli = TestCliFlavor();
    CFakeDisplay fake;
    CDisplayConfig display{ &fake };
};

TEST_F(FileTest, FileIsUtf16WithTheHeaderOfItsDeliverableAndOneSectionPerRecord)
{
    const std::wstring path = folder.File(L"desk.osl");
    int written = 0;
    ASSERT_EQ(Save(path, { MakeIcon(L"C:\\Users\\u\\Desktop\\Документы", L"Документы", 10, 20, 1, 1),
                           MakeLegacy(L"Old 100%", 30, 40, 2) }, sx, &written),
              FileSaveResult::Saved);
    EXPECT_EQ(written, 2);

    // The profile functions kept the file in UTF-16: the Cyrillic name is
    // stored as it is, and the keys of a section follow in writing order.
    const std::wstring text = Utf16Text(ReadFileBytes(path));
    EXPECT_TRUE(StartsWith(text, L"\xFEFF;\r\n; Ostrel: 1.7.2.083. UNICODE Layout File.\r\n;\r\n")) << Narrow(text);
    EXPECT_NE(text.find(L"[Icon0001]\r\nLegacy=0\r\nXCoord=10\r\nYCoord=20\r\nName=Документы\r\n"
                        L"Path=C:\\Users\\u\\Desktop\\Документы\r\nMonitor=1\r\n"),
              std::wstring::npos) << Narrow(text);
    EXPECT_NE(text.find(L"[Icon0002]\r\nLegacy=1\r\nXCoord=30\r\nYCoord=40\r\nName=Old 100%\r\nPath=Old 100%\r\n"),
              std::wstring::npos) << Narrow(text);
    EXPECT_EQ(text.find(L"Monitor", text.find(L"[Icon0002]")), std::wstring::npos);
    const size_t version = text.find(L"[_Ostrel_]\r\nVersion=858673999\r\n");
    ASSERT_NE(version, std::wstring::npos);
    EXPECT_GT(version, text.find(L"[Icon0002]"));

    const std::wstring cliPath = folder.File(L"cli.osl");
    ASSERT_EQ(Save(cliPath, { MakeIcon(L"p", L"P", 1, 2, 0, 1) }, cli), FileSaveResult::Saved);
    EXPECT_TRUE(StartsWith(Utf16Text(ReadFileBytes(cliPath)),
                           L"\xFEFF;\r\n; OstrelCli Version: 1.7.2.083 -- UNICODE Layout File.\r\n;\r\n"));
}

TEST_F(FileTest, NamesKeepEveryCharacterOrTheRecordIsLeftOut)
{
    const std::wstring path = folder.File(L"blanks.osl");
    int written = 0;
    Save(path, { MakeIcon(L"C:\\d\\ lead", L" lead", 1, 1, -1, 1), MakeIcon(L"C:\\d\\trail", L"trail\t", 2, 2, -1, 2),
                 MakeIcon(L"C:\\d\\q", L"\"quoted\"", 3, 3, -1, 3), MakeIcon(L"C:\\d\\s", L"'single'", 4, 4, -1, 4),
                 MakeIcon(L"C:\\d\\in", L"in \"the\" middle", 5, 5, -1, 5),
                 MakeIcon(L"C:\\d\\ends", L"\vform\f", 6, 6, -1, 6), MakeIcon(L"C:\\d\\eof", L"eof\x1A", 7, 7, -1, 7),
                 MakeIcon(L"C:\\d\\ctl", L"tab\tand\x01", 8, 8, -1, 8),
                 MakeIcon(L"C:\\d\\evil", L"evil\r\n[Icon0001]\r\nXCoord=999", 9, 9, -1, 9),
                 MakeIcon(L"C:\\d\\cr\rpath", L"cr", 10, 10, -1, 10), MakeLegacy(L"legacy\nbreak", 11, 11, 11) },
         sx, &written);
    // A line break cannot be kept: those records are left out and not counted.
    EXPECT_EQ(written, 8);

    const CIconRecordArray read = Read(path);
    ASSERT_EQ(read.size(), 8u);
    const wchar_t* names[] = { L" lead", L"trail\t", L"\"quoted\"", L"'single'", L"in \"the\" middle", L"\vform\f",
                               L"eof\x1A", L"tab\tand\x01" };
    for (size_t i = 0; i < read.size(); ++i)
        EXPECT_STREQ(read[i].Name.c_str(), names[i]) << i;
    EXPECT_STREQ(read[0].Path.c_str(), L"C:\\d\\ lead");
    // Names that need no quotes are stored unchanged.
    const std::wstring text = Utf16Text(ReadFileBytes(path));
    EXPECT_NE(text.find(L"Name=in \"the\" middle\r\n"), std::wstring::npos);
    EXPECT_EQ(text.find(L"XCoord=999"), std::wstring::npos) << Narrow(text);
    EXPECT_EQ(text.find(L"[Icon0010]"), std::wstring::npos) << Narrow(text);
}

TEST_F(FileTest, SavingOverAFileReplacesItEntirely)
{
    const std::wstring path = folder.File(L"over.osl");
    Save(path, { MakeIcon(L"a", L"A", 1, 1, 0, 1), MakeIcon(L"b", L"B", 2, 2, 0, 2), MakeIcon(L"c", L"C", 3, 3, 0, 3) },
         cli);
    // A hidden file stays hidden; a temporary file that a killed save left
    // (its process has ended) goes with the next save in that folder.
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    CloseHandle(CreateFileW(folder.File(L"~Ostrel-4000000000-0-1.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
    Save(path, { MakeIcon(L"z", L"Z", 9, 9, 0, 1) }, sx);
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{ L"over.osl" });

    const std::wstring text = Utf16Text(ReadFileBytes(path));
    EXPECT_TRUE(StartsWith(text, L"\xFEFF;\r\n; Ostrel: 1.7.2.083."));
    EXPECT_EQ(text.find(L"OstrelCli"), std::wstring::npos);
    EXPECT_EQ(text.find(L"[Icon0002]"), std::wstring::npos);
    EXPECT_EQ(Read(path), CIconRecordArray{ MakeIcon(L"z", L"Z", 9, 9, 0, 1) });
}

TEST_F(FileTest, AnEmptyOrFailedSaveLeavesTheFileByteForByte)
{
    const std::wstring path = folder.File(L"keep.osl");
    Save(path, { MakeIcon(L"a", L"A", 1, 1, 0, 1) }, sx);
    const std::string before = ReadFileBytes(path);

    int written = -1;
    EXPECT_EQ(Save(path, {}, cli, &written), FileSaveResult::Empty);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(Save(folder.File(L"new.osl"), {}, cli), FileSaveResult::Empty);

    // The capture fails half way, as when memory runs out.
    CFakeCapture failing({ MakeIcon(L"b", L"B", 2, 2, 0, 1), MakeIcon(L"c", L"C", 3, 3, 0, 2) });
    failing.afterPut = [](size_t) { throw std::bad_alloc(); };
    EXPECT_EQ(SaveLayoutFile(cli, path.c_str(), failing, &written), FileSaveResult::Failed);
    // The file cannot be replaced at the end: another program opened it
    // meanwhile without letting it be deleted.
    HANDLE held = INVALID_HANDLE_VALUE;
    CFakeCapture holding({ MakeIcon(L"b", L"B", 2, 2, 0, 1) });
    holding.afterPut = [&](size_t) {
        held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    EXPECT_EQ(SaveLayoutFile(sx, path.c_str(), holding, &written), FileSaveResult::Failed);
    CloseHandle(held);
    EXPECT_EQ(written, 0);

    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{ L"keep.osl" });
}

TEST_F(FileTest, AFileThatCannotBeCreatedIsReportedAndNothingIsWritten)
{
    const std::wstring path = folder.File(L"missing folder\\desk.osl");
    CFakeCapture capture({ MakeIcon(L"a", L"A", 1, 1, 0, 1) });
    int written = -1;
    EXPECT_EQ(SaveLayoutFile(sx, path.c_str(), capture, &written), FileSaveResult::CannotCreate);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(capture.runs, 0);
    EXPECT_FALSE(FileExists(folder.File(L"missing folder")));
    EXPECT_FALSE(FileExists(path));

    // A folder in the place of the file.
    CreateDirectoryW(folder.File(L"taken.osl").c_str(), nullptr);
    EXPECT_EQ(SaveLayoutFile(cli, folder.File(L"taken.osl").c_str(), capture, &written), FileSaveResult::CannotCreate);
    // Longer than the profile functions take.
    const std::wstring tooLong = folder.File(std::wstring(MAX_PATH - folder.Path().size(), L'x').c_str());
    EXPECT_EQ(SaveLayoutFile(cli, tooLong.c_str(), capture, &written), FileSaveResult::CannotCreate);
    // A file that may not be written.
    const std::wstring readOnly = folder.File(L"read-only.osl");
    Save(readOnly, { MakeIcon(L"a", L"A", 1, 1, 0, 1) }, sx);
    const std::string before = ReadFileBytes(readOnly);
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(SaveLayoutFile(cli, readOnly.c_str(), capture, &written), FileSaveResult::CannotCreate);
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(readOnly), before);
    EXPECT_EQ(SaveLayoutFile(cli, L"", capture, &written), FileSaveResult::CannotCreate);
    EXPECT_EQ(SaveLayoutFile(cli, nullptr, capture, &written), FileSaveResult::CannotCreate);
    EXPECT_EQ(capture.runs, 0);
}

TEST_F(FileTest, UnreachableDesktopLeavesAnExistingFileUntouched)
{
    const std::wstring path = folder.File(L"keep.osl");
    Save(path, { MakeIcon(L"a", L"A", 1, 1, 0, 1) }, sx);
    const std::string before = ReadFileBytes(path);

    CFakeCapture unreachable({ MakeIcon(L"b", L"B", 2, 2, 0, 1) });
    unreachable.ready = false;
    int written = -1;
    EXPECT_EQ(SaveLayoutFile(sx, path.c_str(), unreachable, &written), FileSaveResult::Unreachable);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(SaveLayoutFile(sx, folder.File(L"new.osl").c_str(), unreachable, &written), FileSaveResult::Unreachable);
    EXPECT_FALSE(FileExists(folder.File(L"new.osl")));
}

TEST_F(FileTest, ABareFileNameIsOneFileInTheCurrentFolderForHeaderAndSections)
{
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.Path().c_str()));
    const FileSaveResult result = Save(L"bare.osl", { MakeIcon(L"a", L"Ä", 1, 1, 0, 1) }, sx);
    CIconRecordArray relative = Read(L"bare.osl");
    SetCurrentDirectoryW(previous);

    EXPECT_EQ(result, FileSaveResult::Saved);
    EXPECT_EQ(relative, CIconRecordArray{ MakeIcon(L"a", L"Ä", 1, 1, 0, 1) });
    EXPECT_EQ(Read(folder.File(L"bare.osl")), relative);
    EXPECT_TRUE(StartsWith(Utf16Text(ReadFileBytes(folder.File(L"bare.osl"))), L"\xFEFF;"));
}

} // namespace
