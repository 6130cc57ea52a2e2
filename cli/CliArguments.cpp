#include "cli/CliArguments.h"
#include <shlwapi.h>
#include "cli/AsciiNoCase.h"

namespace {

bool IsAny(const wchar_t* argument, const wchar_t* word, const wchar_t* slashWord)
{
    return EqualsAsciiNoCase(argument, word) || EqualsAsciiNoCase(argument, slashWord);
}

} // namespace

CWideString ResolveFilePath(const wchar_t* path)
{
    if (!PathIsRelativeW(path))
        return CWideString(path);
    wchar_t current[kNameBufferChars] = {};
    const DWORD length = GetCurrentDirectoryW(kNameBufferChars, current);
    if (length == 0 || length >= kNameBufferChars)
        return CWideString(path);
    wchar_t joined[MAX_PATH] = {};
    wchar_t canonical[MAX_PATH] = {};
    if (!PathCombineW(joined, current, path) || !PathCanonicalizeW(canonical, joined))
        return CWideString(path);
    return CWideString(canonical);
}

bool ParseArguments(int argc, wchar_t** argv, CCliOptions& options, const wchar_t** invalid)
{
    for (int i = 1; i < argc; ++i) {
        const wchar_t* argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (IsAny(argument, L"save", L"/save")) {
            options.action = CliAction::Save;
        } else if (IsAny(argument, L"restore", L"/restore")) {
            options.action = CliAction::Restore;
        } else if (IsAny(argument, L"query", L"/query")) {
            options.action = CliAction::Query;
        } else if (IsAny(argument, L"undo", L"/undo")) {
            options.action = CliAction::Undo;
        } else if (IsAny(argument, L"history", L"/history")) {
            options.action = CliAction::History;
        } else if (EqualsAsciiNoCase(argument, L"/y")) {
            options.answerYes = true;
        } else if (EqualsAsciiNoCase(argument, L"/?")) {
            options.action = CliAction::Help;
        } else if (EqualsAsciiNoCase(argument, L"/n")) {
            if (hasValue) {
                options.layoutName = argv[++i];
                options.source = LayoutSource::Store;
            }
        } else if (EqualsAsciiNoCase(argument, L"/f")) {
            if (hasValue) {
                options.filePath = ResolveFilePath(argv[++i]);
                options.source = LayoutSource::File;
            }
        } else {
            if (invalid)
                *invalid = argument;
            return false;
        }
    }
    return true;
}
