#pragma once
#include <windows.h>
#include <unknwn.h>

// One class that the server offers: its identity, how it is registered and
// how its instances are made. The class object is made on first request.
struct CObjectMapEntry
{
    const CLSID* clsid;
    // Writes (doRegister) or removes the class's registry keys; modulePath
    // is the full path of the server file.
    HRESULT (*updateRegistry)(bool doRegister, const wchar_t* modulePath);
    // Makes an instance, aggregated when outer is given, and asks it for riid.
    HRESULT (*createInstance)(IUnknown* outer, REFIID riid, void** result);
    // Per-class start-up (true) and shut-down (false); may be null.
    void (*objectMain)(bool starting);
    IClassFactory* classObject; // the module's own reference, or null
};

// The in-process server module: instance handle, lock count, type library
// identity and the object map.
class CShellModule
{
public:
    CShellModule(CObjectMapEntry* map, size_t count, const GUID& typeLib);
    CShellModule(const CShellModule&) = delete;
    CShellModule& operator=(const CShellModule&) = delete;

    // Process attach and detach.
    void Init(HINSTANCE instance);
    void Term();

    HINSTANCE Instance() const { return m_instance; }
    // Tests that link the handler without the DLL point it at a resource module.
    void SetInstance(HINSTANCE instance) { m_instance = instance; }
    const GUID& TypeLibId() const { return m_typeLib; }

    LONG Lock();
    LONG Unlock();
    LONG LockCount() const { return m_locks; }

    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** result);
    HRESULT CanUnloadNow() const { return m_locks == 0 ? S_OK : S_FALSE; }
    HRESULT RegisterServer();
    HRESULT UnregisterServer();

    // Full path of the server file (at most MAX_PATH characters).
    bool FilePath(wchar_t (&path)[MAX_PATH]) const;

private:
    CObjectMapEntry* m_map;
    size_t m_count;
    GUID m_typeLib;
    HINSTANCE m_instance = nullptr;
    volatile LONG m_locks = 0;
    CRITICAL_SECTION m_classObjectLock;
};

CShellModule& ShellModule();
