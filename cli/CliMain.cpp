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

int UsageError(const wchar_t* message)
{
    OutText(OutStream::Err, message);
    PrintUsage();
    return kUsageError;
}

} // namespace

int RunOstrelCli(int argc, wchar_t** argv)
{
    if (argc < 2) {
        PrintBanner();
        return UsageError(L"Too few arguments.\n");
    }
    CCliOptions options;
    const wchar_t* invalid = nullptr;
    if (!ParseArguments(argc, argv, options, &invalid)) {
        PrintBanner();
        return UsageError(CWideString::Format(L"Invalid argument: '%s'\n", invalid).c_str());
    }

    CComApartment com;
    PrintBanner();
    const bool fromFile = options.source == LayoutSource::File;
    switch (options.action) {
    case CliAction::Save:
        if (fromFile)
            SaveToFile(options.filePath.c_str());
        else
            SaveToStore(options.answerYes, options.layoutName.c_str());
        break;
    case CliAction::Restore:
        if (fromFile)
            RestoreFromFile(options.filePath.c_str());
        else
            RestoreByName(options.answerYes, options.layoutName.c_str());
        break;
    case CliAction::Query:
        ChooseLayout(options.answerYes);
        break;
    case CliAction::Help:
        PrintUsage();
        break;
    case CliAction::None:
        return UsageError(L"Missing Action.\n");
    }
    return 0;
}
