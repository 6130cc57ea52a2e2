#include "layout/WideString.h"
#include <cstdarg>
#include <cwchar>
#include <strsafe.h>

CWideString& CWideString::operator=(const CWideString& other)
{
    if (this != &other)
        Assign(other.c_str());
    return *this;
}

void CWideString::Assign(const wchar_t* text)
{
    if (!text || !*text) {
        m_text.reset();
        return;
    }
    const size_t length = wcslen(text);
    std::unique_ptr<wchar_t[]> copy(new wchar_t[length + 1]);
    wmemcpy(copy.get(), text, length + 1);
    m_text = std::move(copy);
}

size_t CWideString::Length() const
{
    return m_text ? wcslen(m_text.get()) : 0;
}

CWideString CWideString::FormatV(const wchar_t* format, va_list args)
{
    wchar_t buffer[kFormatBufferChars] = {};
    // A text that does not fit is cut; the buffer stays terminated.
    StringCchVPrintfW(buffer, kFormatBufferChars, format, args);
    return CWideString(buffer);
}

CWideString CWideString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    CWideString result = FormatV(format, args);
    va_end(args);
    return result;
}
