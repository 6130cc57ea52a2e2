#pragma once
#include <windows.h>
#include <unknwn.h>

struct CObjectMapEntry;

// The class object of every class in the object map: it makes instances
// through the entry's creator. The module keeps one reference for as long as
// it is loaded; while anyone else holds one, the module stays locked.
class CClassFactory : public IClassFactory
{
public:
    // Made with the module's reference.
    static CClassFactory* Create(const CObjectMapEntry& entry);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** result) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** result) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    explicit CClassFactory(const CObjectMapEntry& entry) : m_entry(entry) {}
    virtual ~CClassFactory() = default;

    const CObjectMapEntry& m_entry;
    volatile LONG m_refs = 1;
};
