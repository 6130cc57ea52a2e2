#include "shellext/Module.h"
#include "shellext/ClassFactory.h"
#include "shellext/DeskExplorerCommand.h"
#include "shellext/DeskMenu.h"
#include "shellext/DeskMenuIds.h"
#include "shellext/Registration.h"
#include "shellext/TypeLibrary.h"

namespace {

CObjectMapEntry g_objectMap[] = {
    { &CLSID_DeskMenu, &UpdateDeskMenuRegistry, &CDeskMenu::CreateInstance, nullptr, nullptr },
    { &CLSID_DeskExplorerCommand, &UpdateDeskExplorerCommandRegistry, &CDeskExplorerCommand::CreateInstance, nullptr,
      nullptr },
};

CShellModule g_module(g_objectMap, sizeof(g_objectMap) / sizeof(g_objectMap[0]), LIBID_TOVAKLib);

} // namespace

CShellModule& ShellModule()
{
    return g_module;
}

CShellModule::CShellModule(CObjectMapEntry* map, size_t count, const GUID& typeLib)
    : m_map(map), m_count(count), m_typeLib(typeLib)
{
    InitializeCriticalSection(&m_classObjectLock);
}

void CShellModule::Init(HINSTANCE instance)
{
    m_instance = instance;
    for (size_t i = 0; i < m_count; ++i)
        if (m_map[i].objectMain)
            m_map[i].objectMain(true);
    DisableThreadLibraryCalls(instance);
}

void CShellModule::Term()
{
    for (size_t i = 0; i < m_count; ++i) {
        CObjectMapEntry& entry = m_map[i];
        if (entry.classObject) {
            IClassFactory* classObject = entry.classObject;
            entry.classObject = nullptr;
            classObject->Release();
        }
        if (entry.objectMain)
            entry.objectMain(false);
    }
    DeleteCriticalSection(&m_classObjectLock);
}

LONG CShellModule::Lock()
{
    return InterlockedIncrement(&m_locks);
}

LONG CShellModule::Unlock()
{
    return InterlockedDecrement(&m_locks);
}

HRESULT CShellModule::GetClassObject(REFCLSID clsid, REFIID riid, void** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    for (size_t i = 0; i < m_count; ++i) {
        CObjectMapEntry& entry = m_map[i];
        if (!IsEqualCLSID(*entry.clsid, clsid))
            continue;
        EnterCriticalSection(&m_classObjectLock);
        if (!entry.classObject)
            entry.classObject = CClassFactory::Create(entry);
        IClassFactory* classObject = entry.classObject;
        LeaveCriticalSection(&m_classObjectLock);
        if (!classObject)
            return E_OUTOFMEMORY;
        return classObject->QueryInterface(riid, result);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

bool CShellModule::FilePath(wchar_t (&path)[MAX_PATH]) const
{
    const DWORD length = GetModuleFileNameW(m_instance, path, MAX_PATH);
    // A path that does not fit comes back cut: never register a wrong one.
    if (length == 0 || length >= MAX_PATH) {
        path[0] = L'\0';
        return false;
    }
    return true;
}

HRESULT CShellModule::RegisterServer()
{
    wchar_t path[MAX_PATH];
    if (!FilePath(path))
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    for (size_t i = 0; i < m_count; ++i) {
        const HRESULT hr = m_map[i].updateRegistry(true, path);
        if (FAILED(hr))
            return hr;
    }
    return RegisterTypeLibrary(path);
}

HRESULT CShellModule::UnregisterServer()
{
    wchar_t path[MAX_PATH];
    if (!FilePath(path))
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    HRESULT result = S_OK;
    for (size_t i = m_count; i-- > 0;) {
        const HRESULT hr = m_map[i].updateRegistry(false, path);
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    const HRESULT hr = UnregisterTypeLibrary(path);
    if (FAILED(hr) && SUCCEEDED(result))
        result = hr;
    return result;
}
