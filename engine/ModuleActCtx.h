#pragma once
#include <windows.h>

// An activation context made from a module's own manifest: resource 2
// (ISOLATIONAWARE_MANIFEST_RESOURCE_ID), the manifest that a DLL carries for
// the calls it makes itself. INVALID_HANDLE_VALUE, with the last error set,
// when the module carries none or the context cannot be made; otherwise the
// caller releases it with ReleaseActCtx.
HANDLE CreateModuleActCtx(HMODULE module);

// Activates a module's own manifest for the life of the object; does nothing
// when the module carries none or the context cannot be entered.
class CModuleActCtxScope
{
public:
    explicit CModuleActCtxScope(HMODULE module);
    ~CModuleActCtxScope();
    CModuleActCtxScope(const CModuleActCtxScope&) = delete;
    CModuleActCtxScope& operator=(const CModuleActCtxScope&) = delete;

    bool IsActive() const { return m_context != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_context = INVALID_HANDLE_VALUE;
    ULONG_PTR m_cookie = 0;
};
