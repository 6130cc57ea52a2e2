#pragma once

// Compares two texts with the letters A to Z equal to a to z; every other
// character, including every non-ASCII letter, must match exactly. Keywords
// and layout names of the command line are compared this way.
bool EqualsAsciiNoCase(const wchar_t* left, const wchar_t* right);
