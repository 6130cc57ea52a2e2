#include "engine/NameMatch.h"
#include <windows.h>
#include <cwchar>

bool ShellNamesEqual(const wchar_t* left, const wchar_t* right)
{
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, left ? left : L"", -1, right ? right : L"", -1) ==
           CSTR_EQUAL;
}

std::string ShellNameKey(const wchar_t* name)
{
    // Sort keys compare byte for byte as CompareStringW compares the texts.
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    if (!name)
        name = L"";
    const int size = LCMapStringW(LOCALE_USER_DEFAULT, flags, name, -1, nullptr, 0);
    if (size <= 0)
        return std::string();
    std::string key(static_cast<size_t>(size), '\0');
    LCMapStringW(LOCALE_USER_DEFAULT, flags, name, -1, reinterpret_cast<wchar_t*>(&key[0]), size);
    return key;
}

bool ShellPathsEqual(const wchar_t* left, const wchar_t* right)
{
    return CompareStringOrdinal(left ? left : L"", -1, right ? right : L"", -1, TRUE) == CSTR_EQUAL;
}

const wchar_t* ParsingFileName(const wchar_t* path)
{
    if (!path || (path[0] == L':' && path[1] == L':'))
        return nullptr;
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    return slash && slash[1] ? slash + 1 : nullptr;
}
