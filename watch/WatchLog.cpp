#include "watch/WatchLog.h"
#include <shlobj.h>
#include <cwchar>
#include "layout/Owners.h"

namespace {

std::string Utf8(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                            nullptr);
    return bytes;
}

// Keeps the newer half of the file, from the first line that starts in it.
void DropOlderHalf(HANDLE file, DWORD size)
{
    std::string bytes(size, '\0');
    DWORD read = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    if (!ReadFile(file, &bytes[0], size, &read, nullptr))
        return;
    bytes.resize(read);
    size_t from = bytes.find('\n', bytes.size() / 2);
    from = from == std::string::npos ? bytes.size() : from + 1;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    DWORD written = 0;
    WriteFile(file, bytes.data() + from, static_cast<DWORD>(bytes.size() - from), &written, nullptr);
    SetEndOfFile(file);
}

} // namespace

void CWatchLog::Write(const std::wstring& text)
{
    if (m_path.empty())
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t stamp[32];
    swprintf(stamp, 32, L"%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    const std::string line = Utf8(stamp + text + L"\r\n");

    CHandle file(CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    const DWORD size = GetFileSize(file.Get(), nullptr);
    if (size != INVALID_FILE_SIZE && size + line.size() > kWatchLogLimit)
        DropOlderHalf(file.Get(), size);
    SetFilePointer(file.Get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::wstring DefaultWatchLogPath()
{
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                folder)))
        return std::wstring();
    std::wstring path = std::wstring(folder) + L"\\Ostrel";
    CreateDirectoryW(path.c_str(), nullptr);
    return path + L"\\OstrelWatch.log";
}
