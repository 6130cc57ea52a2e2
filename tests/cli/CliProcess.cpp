#include "tests/cli/CliProcess.h"
#include <shlwapi.h>
#include "shellview/FolderView.h"
#include "layout/Owners.h"
#include "tests/common/TestSupport.h"

namespace {

// A pipe whose child end alone is inherited.
bool MakePipe(CHandle& read, CHandle& write, bool childReads)
{
    SECURITY_ATTRIBUTES sa = { sizeof(sa), nullptr, TRUE };
    if (!CreatePipe(read.Put(), write.Put(), &sa, 1 << 16))
        return false;
    return SetHandleInformation(childReads ? write.Get() : read.Get(), HANDLE_FLAG_INHERIT, 0) != FALSE;
}

std::wstring Quote(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            quoted.append(backslashes * 2 + 1, L'\\');
        else
            quoted.append(backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

void Drain(HANDLE pipe, std::string& bytes)
{
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char chunk[4096];
        DWORD read = 0;
        if (!ReadFile(pipe, chunk, sizeof(chunk), &read, nullptr) || read == 0)
            return;
        bytes.append(chunk, read);
    }
}

} // namespace

CliRun RunCliProcess(const std::vector<std::wstring>& args, const std::string& input, DWORD timeoutMs,
                     const CliWatch& watch)
{
    CliRun run;
    CHandle inRead, inWrite, outRead, outWrite, errRead, errWrite;
    if (!MakePipe(inRead, inWrite, true) || !MakePipe(outRead, outWrite, false) || !MakePipe(errRead, errWrite, false))
        return run;

    const std::wstring exe = BinFolder() + L"\\OstrelCli.exe";
    std::wstring commandLine = Quote(exe);
    for (const std::wstring& arg : args)
        commandLine += L" " + Quote(arg);

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead.Get();
    si.hStdOutput = outWrite.Get();
    si.hStdError = errWrite.Get();
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi))
        return run;
    run.started = true;
    CHandle process, thread;
    *process.Put() = pi.hProcess;
    *thread.Put() = pi.hThread;
    inRead.Reset();
    outWrite.Reset();
    errWrite.Reset();

    DWORD written = 0;
    if (!input.empty())
        WriteFile(inWrite.Get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    if (!watch)
        inWrite.Reset();

    std::string out, err;
    const DWORD start = GetTickCount();
    for (;;) {
        Drain(outRead.Get(), out);
        Drain(errRead.Get(), err);
        if (inWrite.Get() && watch(process.Get(), out))
            inWrite.Reset();
        if (WaitForSingleObject(process.Get(), 20) == WAIT_OBJECT_0) {
            run.finished = true;
            break;
        }
        if (GetTickCount() - start > timeoutMs) {
            TerminateProcess(process.Get(), 1);
            WaitForSingleObject(process.Get(), 5000);
            break;
        }
    }
    Drain(outRead.Get(), out);
    Drain(errRead.Get(), err);
    GetExitCodeProcess(process.Get(), &run.exitCode);
    run.out = Widen(out);
    run.err = Widen(err);
    return run;
}

std::map<std::wstring, std::pair<long, long>> ViewPositions()
{
    std::map<std::wstring, std::pair<long, long>> positions;
    CDesktopViewPair pair;
    std::vector<CDesktopItem> items;
    if (!pair.Open() || !ReadDesktopItems(pair, true, items, nullptr))
        return positions;
    for (const CDesktopItem& item : items)
        positions[PathFindFileNameW(item.parsingName)] = { item.position.x, item.position.y };
    return positions;
}
