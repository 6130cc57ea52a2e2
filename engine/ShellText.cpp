#include "engine/ShellText.h"
#include <windows.h>

bool ShellTextEquals(const wchar_t* left, const wchar_t* right)
{
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, left ? left : L"", -1, right ? right : L"", -1) ==
           CSTR_EQUAL;
}

std::string ShellTextKey(const wchar_t* text)
{
    // Sort keys compare byte for byte as CompareStringW compares the texts.
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    if (!text)
        text = L"";
    const int size = LCMapStringW(LOCALE_USER_DEFAULT, flags, text, -1, nullptr, 0);
    if (size <= 0)
        return std::string();
    std::string key(static_cast<size_t>(size), '\0');
    LCMapStringW(LOCALE_USER_DEFAULT, flags, text, -1, reinterpret_cast<wchar_t*>(&key[0]), size);
    return key;
}
