#include "cli/ConsoleQuestion.h"
#include <windows.h>
#include "cli/ConsoleInput.h"
#include "cli/access/ConsoleOut.h"

namespace {

std::function<void()>& BeepHook()
{
    static std::function<void()> s_hook;
    return s_hook;
}

void Beep()
{
    if (BeepHook()) {
        BeepHook()();
        return;
    }
    MessageBeep(0xFFFFFFFF);
}

} // namespace

bool AskYesNo(const wchar_t* question)
{
    OutPrint(OutStream::Out, L"%s [y/n]? ", question);
    for (;;) {
        const int key = ReadKey();
        if (key == kNoKey) {
            OutText(OutStream::Out, L"\n");
            return false;
        }
        if (key == L'y' || key == L'Y') {
            OutText(OutStream::Out, L"y\n");
            return true;
        }
        if (key == L'n' || key == L'N') {
            OutText(OutStream::Out, L"n\n");
            return false;
        }
        Beep();
    }
}

void SetBeepHook(std::function<void()> hook)
{
    BeepHook() = std::move(hook);
}
