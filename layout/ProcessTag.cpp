#include "layout/ProcessTag.h"
#include <windows.h>
#include <cwchar>
#include "layout/Owners.h"

namespace {

bool CreationTime(HANDLE process, ULONGLONG* time)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return false;
    *time = (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    return true;
}

} // namespace

CWideString OwnProcessTag()
{
    ULONGLONG created = 0;
    CreationTime(GetCurrentProcess(), &created);
    return CWideString::Format(L"%lu-%08lx%08lx", GetCurrentProcessId(), static_cast<unsigned long>(created >> 32),
                               static_cast<unsigned long>(created & 0xFFFFFFFFu));
}

bool IsTaggedProcessRunning(const wchar_t* text)
{
    wchar_t* end = nullptr;
    const DWORD pid = std::wcstoul(text, &end, 10);
    if (end == text || pid == 0)
        return false;
    const bool timed = *end == L'-';
    const ULONGLONG tagged = timed ? std::wcstoull(end + 1, nullptr, 16) : 0;
    const CHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
    if (!process)
        return GetLastError() != ERROR_INVALID_PARAMETER;
    if (WaitForSingleObject(process.Get(), 0) != WAIT_TIMEOUT)
        return false;
    ULONGLONG created = 0;
    return !timed || !CreationTime(process.Get(), &created) || created == tagged;
}
