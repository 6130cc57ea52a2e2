#pragma once
#include <string>

// How both restore engines compare what they read from the shell with what a
// layout holds, so that a layout finds the same icons through either
// deliverable.

// Names as the desktop list view's own search (LVM_FINDITEMW with
// LVFI_STRING) compares them: the whole text, letter case ignored by the
// rules of the user's locale, so that "ÄRGER.TXT" and "ärger.txt" are one
// name.
bool ShellNamesEqual(const wchar_t* left, const wchar_t* right);

// A key that is the same for every two names that ShellNamesEqual finds
// equal (the locale's case-insensitive sort key), for grouping names.
std::string ShellNameKey(const wchar_t* name);

// Parsing names and file names as the file system compares them: letter
// case ignored character by character (upper-case table), nothing else.
bool ShellPathsEqual(const wchar_t* left, const wchar_t* right);

// The name of the file in its folder: what follows the last backslash of a
// full parsing name. Null for a text without a folder (an older layout's bare
// file name) and for a shell object's class identifier path ("::{...}"):
// those only ever match whole.
const wchar_t* ParsingFileName(const wchar_t* path);
