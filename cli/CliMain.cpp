#include "cli/CliMain.h"
#include <windows.h>
#include <objbase.h>
#include "cli/CliArguments.h"
#include "cli/CliBanner.h"
#include "cli/CliFlows.h"
#include "cli/access/ConsoleOut.h"

namespace {

constexpr int kUsageError = -1;

// COM for the calls into the shell, in a single-threaded apartment.
class CComApartment
{
public:
    CComApartment() : m_initialized(SUCCEEDED(CoInitialize(nullptr))) {}
    ~CComApartment()
    {
        if (m_initialized)
            CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    bool m_initialized;
};

int UsageError(const CCliContext& context, const wchar_t* message)
{
    OutText(context, OutStream::Err, message);
    PrintUsage(context);
    return kUsageError;
}

} // namespace

int RunOstrelCli(CCliContext& context, int argc, wchar_t** argv)
{
    if (argc < 2) {
        PrintBanner(context);
        return UsageError(context, L"Too few arguments.\n");
    }
    CCliOptions options;
    const wchar_t* invalid = nullptr;
    if (!ParseArguments(argc, argv, options, &invalid)) {
        PrintBanner(context);
        return UsageError(context, CWideString::Format(L"Invalid argument: '%s'\n", invalid).c_str());
    }

    CComApartment com;
    PrintBanner(context);
    const bool fromFile = options.source == LayoutSource::File;
    switch (options.action) {
    case CliAction::Save:
        if (fromFile)
            SaveToFile(context, options.filePath.c_str());
        else
            SaveToStore(context, options.answerYes, options.layoutName.c_str());
        break;
    case CliAction::Restore:
        if (fromFile)
            RestoreFromFile(context, options.filePath.c_str());
        else
            RestoreByName(context, options.answerYes, options.layoutName.c_str());
        break;
    case CliAction::Query:
        ChooseLayout(context, options.answerYes);
        break;
    case CliAction::Undo:
        UndoLastRestore(context, options.answerYes);
        break;
    case CliAction::History:
        ListHistory(context);
        break;
    case CliAction::Help:
        PrintUsage(context);
        break;
    case CliAction::None:
        return UsageError(context, L"Missing Action.\n");
    }
    return 0;
}
