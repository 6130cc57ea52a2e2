#include "cli/ConsoleInput.h"
#include <windows.h>

namespace {

bool IsModifierKey(WORD virtualKey)
{
    switch (virtualKey) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU:
    case VK_LSHIFT: case VK_RSHIFT: case VK_LCONTROL: case VK_RCONTROL: case VK_LMENU: case VK_RMENU:
    case VK_LWIN: case VK_RWIN: case VK_CAPITAL: case VK_NUMLOCK: case VK_SCROLL:
        return true;
    default:
        return false;
    }
}

// ReadConsoleInputW takes the raw input events, so nothing is echoed and the
// console's line editing (which waits for Enter) never runs.
int ReadConsoleKey(HANDLE input)
{
    for (;;) {
        INPUT_RECORD record = {};
        DWORD read = 0;
        if (!ReadConsoleInputW(input, &record, 1, &read) || read == 0)
            return kNoKey;
        if (record.EventType != KEY_EVENT)
            continue;
        const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
        if (key.bKeyDown) {
            if (key.uChar.UnicodeChar != 0)
                return key.uChar.UnicodeChar;
            if (!IsModifierKey(key.wVirtualKeyCode))
                return 0;
        } else if (key.wVirtualKeyCode == VK_MENU && key.uChar.UnicodeChar != 0) {
            // A character typed as Alt + numeric keypad arrives when Alt is released.
            return key.uChar.UnicodeChar;
        }
    }
}

bool ReadByte(HANDLE input, unsigned char* byte)
{
    DWORD read = 0;
    return ReadFile(input, byte, 1, &read, nullptr) && read == 1;
}

// Reads one UTF-8 sequence; a malformed one gives U+FFFD, a character beyond
// the basic plane its high surrogate.
int ReadStreamChar(HANDLE input)
{
    for (;;) {
        unsigned char lead = 0;
        if (!ReadByte(input, &lead))
            return kNoKey;
        if (lead < 0x80)
            return lead;
        int trail = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        if (trail == 0 || lead >= 0xF8)
            return 0xFFFD;
        char sequence[4] = { static_cast<char>(lead) };
        for (int i = 1; i <= trail; ++i) {
            unsigned char next = 0;
            if (!ReadByte(input, &next))
                return kNoKey;
            sequence[i] = static_cast<char>(next);
        }
        wchar_t text[2] = {};
        if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, sequence, trail + 1, text, 2) <= 0)
            return 0xFFFD;
        // A byte-order mark at the start of an answer file is no key press.
        if (text[0] == 0xFEFF)
            continue;
        return text[0];
    }
}

} // namespace

int ReadStdinKey()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!input || input == INVALID_HANDLE_VALUE)
        return kNoKey;
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode))
        return ReadConsoleKey(input);
    return ReadStreamChar(input);
}
