#include "engine/ModuleActCtx.h"

HANDLE CreateModuleActCtx(HMODULE module)
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = module ? GetModuleFileNameW(module, path, MAX_PATH) : 0;
    if (length == 0 || length >= MAX_PATH) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    ACTCTXW request = {};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
    request.lpSource = path;
    request.hModule = module;
    request.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
    return CreateActCtxW(&request);
}

CModuleActCtxScope::CModuleActCtxScope(HMODULE module)
{
    m_context = CreateModuleActCtx(module);
    if (m_context == INVALID_HANDLE_VALUE)
        return;
    if (!ActivateActCtx(m_context, &m_cookie)) {
        ReleaseActCtx(m_context);
        m_context = INVALID_HANDLE_VALUE;
    }
}

CModuleActCtxScope::~CModuleActCtxScope()
{
    if (m_context == INVALID_HANDLE_VALUE)
        return;
    DeactivateActCtx(0, m_cookie);
    ReleaseActCtx(m_context);
}
