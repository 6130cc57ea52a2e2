#include "engine/ComCtlVersion.h"
#include <shlwapi.h>

namespace {

// Activates a module's manifest for the life of the object; does nothing
// when the module carries none.
class CManifestScope
{
public:
    explicit CManifestScope(HMODULE module)
    {
        if (!module)
            return;
        wchar_t path[MAX_PATH] = {};
        if (!GetModuleFileNameW(module, path, MAX_PATH))
            return;
        ACTCTXW actCtx = {};
        actCtx.cbSize = sizeof(actCtx);
        actCtx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
        actCtx.lpSource = path;
        actCtx.hModule = module;
        actCtx.lpResourceName = MAKEINTRESOURCEW(2);
        m_context = CreateActCtxW(&actCtx);
        if (m_context == INVALID_HANDLE_VALUE)
            return;
        if (!ActivateActCtx(m_context, &m_cookie)) {
            ReleaseActCtx(m_context);
            m_context = INVALID_HANDLE_VALUE;
        }
    }
    ~CManifestScope()
    {
        if (m_context == INVALID_HANDLE_VALUE)
            return;
        DeactivateActCtx(0, m_cookie);
        ReleaseActCtx(m_context);
    }
    CManifestScope(const CManifestScope&) = delete;
    CManifestScope& operator=(const CManifestScope&) = delete;

private:
    HANDLE m_context = INVALID_HANDLE_VALUE;
    ULONG_PTR m_cookie = 0;
};

// Owns a loaded library.
class CLibrary
{
public:
    explicit CLibrary(const wchar_t* name) : m_module(LoadLibraryW(name)) {}
    ~CLibrary()
    {
        if (m_module)
            FreeLibrary(m_module);
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;
    HMODULE Get() const { return m_module; }

private:
    HMODULE m_module;
};

CommonControlsProbe g_probe = nullptr;

} // namespace

void SetCommonControlsProbe(CommonControlsProbe probe)
{
    g_probe = probe;
}

DWORD ProbeCommonControlsVersion(HMODULE manifestModule)
{
    if (g_probe)
        return g_probe(manifestModule);
    CManifestScope scope(manifestModule);
    CLibrary comctl(L"ComCtl32.dll");
    if (!comctl.Get())
        return 0;
    auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(GetProcAddress(comctl.Get(), "DllGetVersion")));
    if (!getVersion)
        return 0;
    DLLVERSIONINFO2 info = {};
    info.info1.cbSize = sizeof(info);
    if (FAILED(getVersion(&info.info1)))
        return 0;
    return (info.info1.dwMajorVersion & 0xFFFF) << 16 | (info.info1.dwMinorVersion & 0xFFFF);
}
