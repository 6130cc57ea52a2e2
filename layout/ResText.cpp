#include "layout/ResText.h"

const wchar_t* LoadResText(HINSTANCE module, UINT id)
{
    // Per thread: the watcher loads texts on its window thread and on the
    // thread that calls into the shell.
    static thread_local wchar_t s_buffers[3][256];
    static thread_local unsigned s_next;
    wchar_t* buffer = s_buffers[s_next];
    s_next = (s_next + 1) % 3;
    buffer[0] = L'\0';
    if (LoadStringW(module, id, buffer, 256) <= 0)
        buffer[0] = L'\0';
    return buffer;
}
