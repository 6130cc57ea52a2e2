#include "cli/AsciiNoCase.h"

namespace {

wchar_t FoldAscii(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

} // namespace

bool EqualsAsciiNoCase(const wchar_t* left, const wchar_t* right)
{
    if (!left || !right)
        return left == right;
    for (; *left && *right; ++left, ++right) {
        if (FoldAscii(*left) != FoldAscii(*right))
            return false;
    }
    return *left == *right;
}
