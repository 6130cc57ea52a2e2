#include "layout/ResText.h"

const wchar_t* LoadResText(HINSTANCE module, UINT id)
{
    static wchar_t s_buffers[3][256];
    static unsigned s_next;
    wchar_t* buffer = s_buffers[s_next];
    s_next = (s_next + 1) % 3;
    buffer[0] = L'\0';
    if (LoadStringW(module, id, buffer, 256) <= 0)
        buffer[0] = L'\0';
    return buffer;
}
