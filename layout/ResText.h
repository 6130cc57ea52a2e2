#pragma once
#include <windows.h>

// Loads a string-table entry into the next of three buffers of 256 wide
// characters, used in turn. The text stays valid until three more texts have
// been loaded; longer texts are cut to 255 characters. A missing entry gives
// the empty text.
const wchar_t* LoadResText(HINSTANCE module, UINT id);
