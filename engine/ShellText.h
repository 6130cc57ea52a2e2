#pragma once
#include <string>

// Names and paths of desktop icons are compared the way the desktop list
// view's own search (LVM_FINDITEMW with LVFI_STRING) compares them: the whole
// text, letter case ignored by the rules of the user's locale, so that
// "ÄRGER.TXT" and "ärger.txt" are one name. Both restore engines use this,
// so that a layout finds the same icons through either deliverable.
bool ShellTextEquals(const wchar_t* left, const wchar_t* right);

// A key that is the same for every two texts that ShellTextEquals finds
// equal (the locale's case-insensitive sort key), for grouping names.
std::string ShellTextKey(const wchar_t* text);
