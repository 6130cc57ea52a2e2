#include "shellext/ActCtx.h"
#include "engine/ModuleActCtx.h"
#include "layout/SystemLibrary.h"

namespace {

struct CActCtxState
{
    bool found = false;       // the search below has run to its end
    bool direct = false;      // the system offers no activation contexts
    bool created = false;     // context came from CreateActCtxW: ours to release
    HANDLE context = nullptr; // null: none, calls are made directly
};

CActCtxState g_state;
SRWLOCK g_stateLock = SRWLOCK_INIT;
HMODULE g_comdlg = nullptr;

bool IsMissingManifestError(DWORD error)
{
    return (error >= ERROR_RESOURCE_DATA_NOT_FOUND && error <= ERROR_RESOURCE_LANG_NOT_FOUND) ||
           error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsUnsupportedError(DWORD error)
{
    return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
           error == ERROR_CALL_NOT_IMPLEMENTED || error == ERROR_MOD_NOT_FOUND ||
           error == ERROR_PROC_NOT_FOUND;
}

HMODULE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const wchar_t*>(&ThisModule), &module);
    return module;
}

// Loads the common controls under the context when it redirects them, so that
// version 6 is the one in the process for the dialogs.
void LoadCommonControls()
{
    ACTCTX_SECTION_KEYED_DATA data = {};
    data.cbSize = sizeof(data);
    if (FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"Comctl32.dll", &data))
        LoadSystemLibrary(L"Comctl32.dll");
}

// Finds the module's context once per process. False (with the last error
// set) when the wrapped call must fail.
bool FindContextLocked()
{
    if (g_state.found)
        return true;

    HANDLE context = nullptr;
    bool created = false;
    ACTIVATION_CONTEXT_BASIC_INFORMATION info = {};
    if (QueryActCtxW(QUERY_ACTCTX_FLAG_ACTCTX_IS_ADDRESS | QUERY_ACTCTX_FLAG_NO_ADDREF,
                     reinterpret_cast<HANDLE>(&ThisModule), nullptr, ActivationContextBasicInformation,
                     &info, sizeof(info), nullptr))
        context = info.hActCtx;

    if (!context) {
        // The loader made no context from the module's manifest: make one
        // from it. A module without one runs under whatever context is active.
        HANDLE made = CreateModuleActCtx(ThisModule());
        if (made == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (!IsMissingManifestError(error))
                return false;
        } else {
            context = made;
            created = true;
        }
    }

    if (context) {
        ULONG_PTR cookie = 0;
        if (ActivateActCtx(context, &cookie)) {
            LoadCommonControls();
            DeactivateActCtx(0, cookie);
        } else {
            const DWORD error = GetLastError();
            if (!IsUnsupportedError(error)) {
                if (created)
                    ReleaseActCtx(context);
                SetLastError(error);
                return false;
            }
            g_state.direct = true;
        }
    }
    g_state.context = context;
    g_state.created = created;
    g_state.found = true;
    return true;
}

bool FindContext()
{
    AcquireSRWLockExclusive(&g_stateLock);
    const bool found = FindContextLocked();
    const DWORD error = GetLastError();
    ReleaseSRWLockExclusive(&g_stateLock);
    SetLastError(error);
    return found;
}

// Makes the call under the module's context; failure when it cannot be entered.
template <class Result, class Call>
Result CallUnderContext(Result failure, Call call)
{
    if (!FindContext())
        return failure;
    if (g_state.direct || !g_state.context)
        return call();
    ULONG_PTR cookie = 0;
    if (!ActivateActCtx(g_state.context, &cookie)) {
        if (!IsUnsupportedError(GetLastError()))
            return failure;
        g_state.direct = true;
        return call();
    }
    const Result result = call();
    const DWORD error = GetLastError();
    DeactivateActCtx(0, cookie);
    SetLastError(error);
    return result;
}

using FileDialogFn = BOOL(WINAPI*)(OPENFILENAMEW*);

FileDialogFn FileDialog(const char* name)
{
    if (!g_comdlg)
        g_comdlg = ActCtxLoadLibrary(L"Comdlg32.dll");
    if (!g_comdlg)
        return nullptr;
    return reinterpret_cast<FileDialogFn>(reinterpret_cast<void*>(GetProcAddress(g_comdlg, name)));
}

} // namespace

INT_PTR ActCtxDialogBoxParam(HINSTANCE instance, const wchar_t* templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    return CallUnderContext<INT_PTR>(-1, [&] { return DialogBoxParamW(instance, templateName, owner, proc, param); });
}

BOOL ActCtxGetOpenFileName(OPENFILENAMEW* ofn)
{
    return CallUnderContext<BOOL>(FALSE, [&]() -> BOOL {
        const FileDialogFn open = FileDialog("GetOpenFileNameW");
        return open ? open(ofn) : FALSE;
    });
}

BOOL ActCtxGetSaveFileName(OPENFILENAMEW* ofn)
{
    return CallUnderContext<BOOL>(FALSE, [&]() -> BOOL {
        const FileDialogFn save = FileDialog("GetSaveFileNameW");
        return save ? save(ofn) : FALSE;
    });
}

HMODULE ActCtxLoadLibrary(const wchar_t* name)
{
    return CallUnderContext<HMODULE>(nullptr, [&] { return LoadSystemLibrary(name); });
}

void ReleaseModuleActCtx()
{
    if (g_state.created && g_state.context)
        ReleaseActCtx(g_state.context);
    g_state = CActCtxState();
}
