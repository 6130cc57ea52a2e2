#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "cli/ConsoleInput.h"
#include "cli/ConsoleQuestion.h"
#include "cli/access/ConsoleOut.h"
#include "layout/Owners.h"

namespace {

// Points standard input at the read end of a pipe for the life of the object.
class CPipedStdin
{
public:
    CPipedStdin()
    {
        m_previous = GetStdHandle(STD_INPUT_HANDLE);
        CreatePipe(m_read.Put(), m_write.Put(), nullptr, 0);
        SetStdHandle(STD_INPUT_HANDLE, m_read.Get());
    }
    ~CPipedStdin()
    {
        SetStdHandle(STD_INPUT_HANDLE, m_previous);
    }
    void Write(const std::string& bytes)
    {
        DWORD written = 0;
        WriteFile(m_write.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    void CloseWriter()
    {
        m_write.Reset();
    }

private:
    HANDLE m_previous = nullptr;
    CHandle m_read;
    CHandle m_write;
};

TEST(ConsoleInput, RedirectedInputGivesCharactersThenNoKey)
{
    CPipedStdin input;
    // "y", a byte-order mark (never a key), Cyrillic zhe, a stray
    // continuation byte, a line end, then the end of input.
    input.Write("y\xEF\xBB\xBF\xD0\xB6\x80\r\n");
    input.CloseWriter();
    EXPECT_EQ(ReadStdinKey(), L'y');
    EXPECT_EQ(ReadStdinKey(), 0x0436);
    EXPECT_EQ(ReadStdinKey(), 0xFFFD);
    EXPECT_EQ(ReadStdinKey(), L'\r');
    EXPECT_EQ(ReadStdinKey(), L'\n');
    EXPECT_EQ(ReadStdinKey(), kNoKey);
    EXPECT_EQ(ReadStdinKey(), kNoKey);
}

TEST(ConsoleInput, NoStandardInputGivesNoKey)
{
    const HANDLE previous = GetStdHandle(STD_INPUT_HANDLE);
    SetStdHandle(STD_INPUT_HANDLE, nullptr);
    EXPECT_EQ(ReadStdinKey(), kNoKey);
    SetStdHandle(STD_INPUT_HANDLE, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadStdinKey(), kNoKey);
    SetStdHandle(STD_INPUT_HANDLE, previous);
}

INPUT_RECORD KeyRecord(bool down, WORD virtualKey, wchar_t c)
{
    INPUT_RECORD record = {};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
    record.Event.KeyEvent.uChar.UnicodeChar = c;
    return record;
}

TEST(ConsoleInput, ConsoleKeyPressesWithoutEnter)
{
    // A console of the test's own to feed. Under Wine a program started from
    // a Linux shell counts as attached to a console that cannot be opened, so
    // it is detached first.
    FreeConsole();
    const bool allocated = AllocConsole() != FALSE;
    const HANDLE console = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        if (allocated)
            FreeConsole();
        GTEST_SKIP() << "no console input available, error " << GetLastError();
    }
    FlushConsoleInputBuffer(console);
    INPUT_RECORD mouse = {};
    mouse.EventType = MOUSE_EVENT;
    const INPUT_RECORD records[] = {
        KeyRecord(true, VK_SHIFT, 0),     // a modifier alone is no key press
        KeyRecord(true, 'A', L'A'),
        KeyRecord(false, 'A', L'A'),      // releases are not presses
        mouse,
        KeyRecord(true, VK_ESCAPE, 27),
        KeyRecord(true, VK_LEFT, 0),      // a key without a character
        KeyRecord(false, VK_MENU, 0x00E9) // Alt + keypad code, delivered on release
    };
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputW(console, records, ARRAYSIZE(records), &written));
    ASSERT_EQ(written, ARRAYSIZE(records));

    const HANDLE previous = GetStdHandle(STD_INPUT_HANDLE);
    SetStdHandle(STD_INPUT_HANDLE, console);
    EXPECT_EQ(ReadStdinKey(), L'A');
    EXPECT_EQ(ReadStdinKey(), 27);
    EXPECT_EQ(ReadStdinKey(), 0);
    EXPECT_EQ(ReadStdinKey(), 0x00E9);
    SetStdHandle(STD_INPUT_HANDLE, previous);
    CloseHandle(console);
    if (allocated)
        FreeConsole();
}

// Keys, beeps and the answers themselves are covered with the flows; this is
// the question on a real standard input that has ended.
TEST(ConsoleInput, QuestionOnEndedInputAnswersNoInsteadOfWaiting)
{
    // Output and beeps are kept; the keys come from standard input.
    struct CSystem : CCliSystem
    {
        std::wstring out;
        int beeps = 0;
        void Write(OutStream, const std::wstring& text) override { out += text; }
        void Beep() override { ++beeps; }
    } system;
    CCliContext context;
    context.system = &system;
    {
        CPipedStdin input;
        input.Write("?");
        input.CloseWriter();
        EXPECT_FALSE(AskYesNo(context, L"Q"));
    }
    EXPECT_EQ(system.out, L"Q [y/n]? \n");
    EXPECT_EQ(system.beeps, 1);
}

} // namespace
