/* The class of the desktop host's proxy/stub factory: its own identifier,
 * {6F1C2B57-3D0A-4E8B-9C41-7A2E5D0B8F13}, registered in a test prefix only. */
#define PROXY_CLSID_IS { 0x6F1C2B57, 0x3D0A, 0x4E8B, { 0x9C, 0x41, 0x7A, 0x2E, 0x5D, 0x0B, 0x8F, 0x13 } }
#include <objbase.h>
#include <rpcproxy.h>

EXTERN_PROXY_FILE(hostps)

PROXYFILE_LIST_START
    REFERENCE_PROXY_FILE(hostps),
PROXYFILE_LIST_END

DLLDATA_ROUTINES(aProxyFileList, GET_DLL_CLSID)
