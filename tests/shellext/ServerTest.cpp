// The server DLL as the shell and regsvr32 see it: exports, imports,
// resources, the class object, aggregation and unloading.
#include <windows.h>
#include <gtest/gtest.h>
#include <oleauto.h>
#include <set>
#include <string>
#include "engine/ModuleActCtx.h"
#include "shellext/DeskMenuIds.h"
#include "tests/shellext/ShellExtFixture.h"

namespace {

template <class T>
const T* At(HMODULE module, DWORD rva)
{
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + rva);
}

DWORD DirectoryRva(HMODULE module, int entry)
{
    const auto* nt = At<IMAGE_NT_HEADERS>(module, At<IMAGE_DOS_HEADER>(module, 0)->e_lfanew);
    return nt->OptionalHeader.DataDirectory[entry].VirtualAddress;
}

std::string Resource(HMODULE module, const wchar_t* type, int id)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    const char* data = found ? static_cast<const char*>(LockResource(LoadResource(module, found))) : nullptr;
    return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

HRESULT NewFactory(CComRef<IClassFactory>& factory)
{
    return CServerDll::Get().GetClassObject(CLSID_DeskMenu, IID_IClassFactory, factory.PutVoid());
}

// An outer object that aggregates the handler and counts its own references.
class COuter : public IUnknown
{
public:
    IUnknown* inner = nullptr;
    ULONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID riid, void** result) override
    {
        if (!IsEqualIID(riid, IID_IUnknown))
            return inner->QueryInterface(riid, result);
        *result = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

class ServerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(dll.Module(), nullptr); }
    CShellApartment apartment{ false };
    CServerDll& dll = CServerDll::Get();
};

TEST_F(ServerTest, ExportsTheFourServerFunctionsOnlyAndImportsNoMingwRuntime)
{
    const auto* exports = At<IMAGE_EXPORT_DIRECTORY>(dll.Module(), DirectoryRva(dll.Module(), IMAGE_DIRECTORY_ENTRY_EXPORT));
    EXPECT_EQ(exports->NumberOfFunctions, 4u);
    std::set<std::string> names;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.insert(At<char>(dll.Module(), At<DWORD>(dll.Module(), exports->AddressOfNames)[i]));
    EXPECT_EQ(names, (std::set<std::string>{ "DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                             "DllUnregisterServer" }));

    for (auto* import = At<IMAGE_IMPORT_DESCRIPTOR>(dll.Module(), DirectoryRva(dll.Module(), IMAGE_DIRECTORY_ENTRY_IMPORT));
         import->Name; ++import) {
        const std::string name = At<char>(dll.Module(), import->Name);
        for (const char* runtime : { "libstdc++", "libgcc", "libwinpthread" })
            EXPECT_EQ(name.find(runtime), std::string::npos) << name;
    }
}

TEST_F(ServerTest, CarriesTypeLibraryManifestVersionStringsAndDialogs)
{
    CComRef<ITypeLib> typeLib;
    ASSERT_EQ(LoadTypeLibEx(dll.Path().c_str(), REGKIND_NONE, typeLib.Put()), S_OK);
    TLIBATTR* lib = nullptr;
    ASSERT_EQ(typeLib->GetLibAttr(&lib), S_OK);
    EXPECT_TRUE(IsEqualGUID(lib->guid, LIBID_TOVAKLib));
    EXPECT_EQ(lib->wMajorVerNum * 10 + lib->wMinorVerNum, 11);
    EXPECT_EQ(lib->lcid, 0x409u);
    typeLib->ReleaseTLibAttr(lib);

    // The dispatch interface is dual.
    CComRef<ITypeInfo> deskMenu;
    ASSERT_EQ(typeLib->GetTypeInfoOfGuid(IID_IDeskMenu, deskMenu.Put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(deskMenu->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    deskMenu->ReleaseTypeAttr(attr);

    EXPECT_NE(Resource(dll.Module(), RT_MANIFEST, 2).find(
                  "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    // The context that the dialogs and the version probe fall back on is made
    // from that manifest; a module without one gets none.
    const HANDLE context = CreateModuleActCtx(dll.Module());
    EXPECT_NE(context, INVALID_HANDLE_VALUE);
    if (context != INVALID_HANDLE_VALUE)
        ReleaseActCtx(context);
    EXPECT_EQ(CreateModuleActCtx(GetModuleHandleW(nullptr)), INVALID_HANDLE_VALUE);
    const wchar_t version[] = L"1.7.2.083";
    EXPECT_NE(Resource(dll.Module(), RT_VERSION, 1).find(std::string(reinterpret_cast<const char*>(version), sizeof(version))),
              std::string::npos);
    EXPECT_FALSE(Resource(dll.Module(), RT_DIALOG, 202).empty());
    EXPECT_FALSE(Resource(dll.Module(), RT_DIALOG, 208).empty());
    wchar_t text[64] = {};
    LoadStringW(dll.Module(), 100, text, 64);
    EXPECT_STREQ(text, L"Tovak");
}

TEST_F(ServerTest, OneClassObjectAndOnlyForTheHandlerClass)
{
    EXPECT_EQ(dll.GetClassObject(CLSID_DeskMenu, IID_IClassFactory, nullptr), E_POINTER);
    void* result = reinterpret_cast<void*>(1);
    EXPECT_EQ(dll.GetClassObject(IID_IDeskMenu, IID_IClassFactory, &result), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(result, nullptr);

    CComRef<IClassFactory> first;
    CComRef<IClassFactory> second;
    ASSERT_EQ(NewFactory(first), S_OK);
    ASSERT_EQ(NewFactory(second), S_OK);
    EXPECT_EQ(first.Get(), second.Get());
    CComRef<IContextMenu2> none;
    EXPECT_EQ(first->CreateInstance(nullptr, IID_IContextMenu2, none.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(none.Get(), nullptr);
}

TEST_F(ServerTest, StaysLoadedWhileHandlersTheClassObjectOrServerLocksLive)
{
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
    CComRef<IClassFactory> factory;
    ASSERT_EQ(NewFactory(factory), S_OK);
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE) << "the shell holds the class object";
    CComRef<IContextMenu> menu;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, menu.PutVoid()), S_OK);
    factory.Reset();
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE) << "a handler is alive";
    menu.Reset();
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);

    ASSERT_EQ(NewFactory(factory), S_OK);
    factory->LockServer(TRUE);
    factory->LockServer(TRUE);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE) << "one lock is still held";
    ASSERT_EQ(NewFactory(factory), S_OK);
    factory->LockServer(FALSE);
    factory.Reset();
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

TEST_F(ServerTest, AnAggregatedHandlerCountsOnItsOuterObject)
{
    CComRef<IClassFactory> factory;
    ASSERT_EQ(NewFactory(factory), S_OK);
    COuter outer;
    CComRef<IContextMenu> menu;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IContextMenu, menu.PutVoid()), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    EXPECT_EQ(outer.refs, 1u);

    ASSERT_EQ(outer.QueryInterface(IID_IContextMenu, menu.PutVoid()), S_OK);
    EXPECT_EQ(outer.refs, 2u);
    CComRef<IUnknown> identity;
    ASSERT_EQ(menu.Query(IID_IUnknown, identity), S_OK);
    EXPECT_EQ(identity.Get(), &outer);
    identity.Reset();
    menu.Reset();
    EXPECT_EQ(outer.refs, 1u);

    outer.inner->Release();
    factory.Reset();
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

} // namespace
