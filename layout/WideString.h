#pragma once
#include <windows.h>
#include <memory>

// An owned wide string: either absent or a heap buffer with a non-empty,
// NUL-terminated UTF-16 text. Assigning the empty text leaves it absent;
// an absent string is handed to the system as L"".
class CWideString
{
public:
    CWideString() = default;
    CWideString(const wchar_t* text) { Assign(text); }
    CWideString(const CWideString& other) { Assign(other.c_str()); }
    CWideString(CWideString&& other) noexcept = default;
    CWideString& operator=(const CWideString& other);
    CWideString& operator=(CWideString&& other) noexcept = default;
    CWideString& operator=(const wchar_t* text) { Assign(text); return *this; }

    void Assign(const wchar_t* text);
    void Clear() { m_text.reset(); }

    bool IsAbsent() const { return !m_text; }
    const wchar_t* c_str() const { return m_text ? m_text.get() : L""; }
    size_t Length() const;

    // Formats into a buffer of 1024 wide characters (cut to fit) and keeps the
    // result. Format strings follow the platform's wide printf rules.
    static CWideString Format(const wchar_t* format, ...);
    static CWideString FormatV(const wchar_t* format, va_list args);

private:
    std::unique_ptr<wchar_t[]> m_text;
};

// Buffer size, in wide characters, of every formatted text.
constexpr int kFormatBufferChars = 1024;
// Buffer size of names and paths read from the system (259 characters + NUL).
constexpr int kNameBufferChars = 260;
