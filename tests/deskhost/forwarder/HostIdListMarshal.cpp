// Marshaling of item identifier lists for the desktop host's proxies and
// stubs (hostps.idl): a 4-byte aligned byte count, 0 for no list, then the
// list's bytes with its terminating zero count. Lists are allocated with the
// COM task allocator, as the shell allocates them.
#include <windows.h>
#include <objbase.h>
#include <cstring>

extern "C" {
typedef BYTE* HOST_IDLIST;
ULONG __RPC_USER HOST_IDLIST_UserSize(ULONG* flags, ULONG start, HOST_IDLIST* list);
unsigned char* __RPC_USER HOST_IDLIST_UserMarshal(ULONG* flags, unsigned char* buffer, HOST_IDLIST* list);
unsigned char* __RPC_USER HOST_IDLIST_UserUnmarshal(ULONG* flags, unsigned char* buffer, HOST_IDLIST* list);
void __RPC_USER HOST_IDLIST_UserFree(ULONG* flags, HOST_IDLIST* list);
}

namespace {

ULONG ListBytes(const BYTE* list)
{
    if (!list)
        return 0;
    ULONG size = 0;
    for (;;) {
        USHORT cb;
        memcpy(&cb, list + size, sizeof(cb));
        if (cb == 0)
            return size + sizeof(cb);
        size += cb;
    }
}

unsigned char* Align4(unsigned char* p)
{
    return reinterpret_cast<unsigned char*>((reinterpret_cast<ULONG_PTR>(p) + 3) & ~static_cast<ULONG_PTR>(3));
}

} // namespace

ULONG __RPC_USER HOST_IDLIST_UserSize(ULONG*, ULONG start, HOST_IDLIST* list)
{
    return ((start + 3) & ~3u) + sizeof(ULONG) + ListBytes(*list);
}

unsigned char* __RPC_USER HOST_IDLIST_UserMarshal(ULONG*, unsigned char* buffer, HOST_IDLIST* list)
{
    buffer = Align4(buffer);
    const ULONG size = ListBytes(*list);
    memcpy(buffer, &size, sizeof(size));
    buffer += sizeof(size);
    if (size)
        memcpy(buffer, *list, size);
    return buffer + size;
}

unsigned char* __RPC_USER HOST_IDLIST_UserUnmarshal(ULONG*, unsigned char* buffer, HOST_IDLIST* list)
{
    buffer = Align4(buffer);
    ULONG size = 0;
    memcpy(&size, buffer, sizeof(size));
    buffer += sizeof(size);
    *list = nullptr;
    if (size) {
        *list = static_cast<BYTE*>(CoTaskMemAlloc(size));
        if (!*list)
            RpcRaiseException(E_OUTOFMEMORY);
        memcpy(*list, buffer, size);
    }
    return buffer + size;
}

void __RPC_USER HOST_IDLIST_UserFree(ULONG*, HOST_IDLIST* list)
{
    CoTaskMemFree(*list);
    *list = nullptr;
}
