#include "cli/access/ConsoleOut.h"
#include <windows.h>
#include <cstdarg>
#include <vector>
#include "layout/WideString.h"

namespace {

void WriteHandle(HANDLE handle, const wchar_t* text, size_t length)
{
    if (!handle || handle == INVALID_HANDLE_VALUE || length == 0)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text, static_cast<DWORD>(length), &written, nullptr);
        return;
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return;
    std::vector<char> utf8(bytes);
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), bytes, nullptr, nullptr);
    WriteFile(handle, utf8.data(), static_cast<DWORD>(bytes), &written, nullptr);
}

} // namespace

void WriteStdStream(OutStream stream, const wchar_t* text)
{
    if (!text)
        return;
    WriteHandle(GetStdHandle(stream == OutStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE), text, wcslen(text));
}

void OutText(const CCliContext& context, OutStream stream, const wchar_t* text)
{
    if (text)
        context.system->Write(stream, text);
}

void OutPrint(const CCliContext& context, OutStream stream, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const CWideString text = CWideString::FormatV(format, args);
    va_end(args);
    OutText(context, stream, text.c_str());
}
