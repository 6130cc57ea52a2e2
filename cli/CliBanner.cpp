#include "cli/CliBanner.h"
#include "cli/access/ConsoleOut.h"
#include "layout/LayoutFlavor.h"

namespace {

constexpr const wchar_t* kLegalNotice = L"Copyright (C) Quenlo. All rights reserved.";

constexpr const wchar_t* kUsageLines[] = {
    L"  Usage: OstrelCli [<save | restore | query> </n \"Layout\" |\n",
    L"                    /f \"filepath.osl\"> /y /?]\n",
    L"    /n \"Layout\" - Use the named layout for save or restore.\n",
    L"                - Quote \"Layout\" if it contains embedded spaces.\n",
    L"    /f \"filepath.osl\" - Use the named file path for save or restore.\n",
    L"                - Quote \"filepath.osl\" if it contains embedded spaces.\n",
    L"    undo        - Put the icons back where the last restore found them.\n",
    L"    history     - List the snapshots of this display setup (restore one with /f).\n",
    L"    /y          - Answer 'yes' to any questions: silent operation.\n",
    L"    /?          - Display this text.\n",
};

} // namespace

void PrintBanner(const CCliContext& context)
{
    OutPrint(context, OutStream::Out, L"OstrelCli Version: %s (%d Bit) %s\n", kOstrelVersion,
             static_cast<int>(sizeof(void*) * 8), kLegalNotice);
}

void PrintUsage(const CCliContext& context)
{
    for (const wchar_t* line : kUsageLines)
        OutText(context, OutStream::Out, line);
}
