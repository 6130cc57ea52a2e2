#include "cli/ConsoleQuestion.h"
#include "cli/ConsoleInput.h"
#include "cli/access/ConsoleOut.h"

bool AskYesNo(const CCliContext& context, const wchar_t* question)
{
    OutPrint(context, OutStream::Out, L"%s [y/n]? ", question);
    for (;;) {
        const int key = context.system->ReadKey();
        if (key == kNoKey) {
            OutText(context, OutStream::Out, L"\n");
            return false;
        }
        if (key == L'y' || key == L'Y') {
            OutText(context, OutStream::Out, L"y\n");
            return true;
        }
        if (key == L'n' || key == L'N') {
            OutText(context, OutStream::Out, L"n\n");
            return false;
        }
        context.system->Beep();
    }
}
