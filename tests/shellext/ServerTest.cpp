// The server DLL as the shell and regsvr32 see it: exports, imports,
// resources, class object and unloading.
#include <windows.h>
#include <gtest/gtest.h>
#include <oleauto.h>
#include <set>
#include <string>
#include "engine/ComOwners.h"
#include "shellext/DeskMenuIds.h"
#include "tests/common/TestSupport.h"
#include "tests/shellext/ServerDll.h"

namespace {

template <class T>
const T* ImageData(HMODULE module, DWORD rva)
{
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + rva);
}

const IMAGE_DATA_DIRECTORY& Directory(HMODULE module, int entry)
{
    const auto* dos = ImageData<IMAGE_DOS_HEADER>(module, 0);
    const auto* nt = ImageData<IMAGE_NT_HEADERS>(module, dos->e_lfanew);
    return nt->OptionalHeader.DataDirectory[entry];
}

std::string ResourceText(HMODULE module, const wchar_t* type, const wchar_t* name)
{
    HRSRC found = FindResourceW(module, name, type);
    if (!found)
        return {};
    HGLOBAL loaded = LoadResource(module, found);
    const char* data = static_cast<const char*>(LockResource(loaded));
    return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

// An outer object that aggregates the handler and counts its own references.
class COuter : public IUnknown
{
public:
    IUnknown* inner = nullptr;
    ULONG refs = 1;

    STDMETHODIMP QueryInterface(REFIID riid, void** result) override
    {
        if (IsEqualIID(riid, IID_IUnknown)) {
            *result = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(riid, result) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

class ServerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(dll.Module(), nullptr) << "ostrelsx.dll did not load"; }

    CComApartment apartment;
    CServerDll& dll = CServerDll::Get();
};

TEST_F(ServerTest, ExportsExactlyTheFourServerFunctionsAndNeedsNoMingwRuntime)
{
    const IMAGE_DATA_DIRECTORY& exports = Directory(dll.Module(), IMAGE_DIRECTORY_ENTRY_EXPORT);
    ASSERT_NE(exports.VirtualAddress, 0u);
    const auto* table = ImageData<IMAGE_EXPORT_DIRECTORY>(dll.Module(), exports.VirtualAddress);
    EXPECT_EQ(table->NumberOfFunctions, 4u);
    std::set<std::string> names;
    const DWORD* nameRvas = ImageData<DWORD>(dll.Module(), table->AddressOfNames);
    for (DWORD i = 0; i < table->NumberOfNames; ++i)
        names.insert(ImageData<char>(dll.Module(), nameRvas[i]));
    EXPECT_EQ(names, (std::set<std::string>{ "DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                             "DllUnregisterServer" }));

    const IMAGE_DATA_DIRECTORY& imports = Directory(dll.Module(), IMAGE_DIRECTORY_ENTRY_IMPORT);
    ASSERT_NE(imports.VirtualAddress, 0u);
    for (const auto* entry = ImageData<IMAGE_IMPORT_DESCRIPTOR>(dll.Module(), imports.VirtualAddress); entry->Name;
         ++entry) {
        std::string name = ImageData<char>(dll.Module(), entry->Name);
        for (char& c : name)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(name.find("libstdc++"), std::string::npos) << name;
        EXPECT_EQ(name.find("libgcc"), std::string::npos) << name;
        EXPECT_EQ(name.find("libwinpthread"), std::string::npos) << name;
    }
}

TEST_F(ServerTest, CarriesTypeLibraryManifestVersionAndDialogs)
{
    CComRef<ITypeLib> typeLib;
    ASSERT_EQ(LoadTypeLibEx(dll.Path().c_str(), REGKIND_NONE, typeLib.Put()), S_OK);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(typeLib->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_TOVAKLib));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 1);
    EXPECT_EQ(attr->lcid, 0x409u);
    typeLib->ReleaseTLibAttr(attr);

    // The class, creatable, with the dual interface as its default.
    CComRef<ITypeInfo> coclass;
    ASSERT_EQ(typeLib->GetTypeInfoOfGuid(CLSID_DeskMenu, coclass.Put()), S_OK);
    TYPEATTR* classAttr = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&classAttr), S_OK);
    EXPECT_EQ(classAttr->typekind, TKIND_COCLASS);
    EXPECT_TRUE(classAttr->wTypeFlags & TYPEFLAG_FCANCREATE);
    coclass->ReleaseTypeAttr(classAttr);
    HREFTYPE ref = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
    CComRef<ITypeInfo> defaultInterface;
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, defaultInterface.Put()), S_OK);
    TYPEATTR* interfaceAttr = nullptr;
    ASSERT_EQ(defaultInterface->GetTypeAttr(&interfaceAttr), S_OK);
    EXPECT_TRUE(IsEqualGUID(interfaceAttr->guid, IID_IDeskMenu));
    EXPECT_TRUE(interfaceAttr->wTypeFlags & TYPEFLAG_FDUAL);
    defaultInterface->ReleaseTypeAttr(interfaceAttr);

    const std::string manifest = ResourceText(dll.Module(), RT_MANIFEST, MAKEINTRESOURCEW(2));
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.ostrelsx\""), std::string::npos);

    const std::string version = ResourceText(dll.Module(), RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO));
    const std::string fileVersion(reinterpret_cast<const char*>(L"1.7.2.083"), 9 * sizeof(wchar_t));
    EXPECT_NE(version.find(fileVersion), std::string::npos);

    EXPECT_NE(FindResourceW(dll.Module(), MAKEINTRESOURCEW(202), RT_DIALOG), nullptr);
    EXPECT_NE(FindResourceW(dll.Module(), MAKEINTRESOURCEW(208), RT_DIALOG), nullptr);
    wchar_t text[64] = {};
    LoadStringW(dll.Module(), 100, text, 64);
    EXPECT_STREQ(text, L"Tovak");
    LoadStringW(dll.Module(), 126, text, 64);
    EXPECT_STREQ(text, L"Restore Icon Locations from\n%s ?");
}

TEST_F(ServerTest, ClassObjectOnlyForTheHandlerClass)
{
    EXPECT_EQ(dll.GetClassObject(CLSID_DeskMenu, IID_IClassFactory, nullptr), E_POINTER);

    void* result = reinterpret_cast<void*>(1);
    EXPECT_EQ(dll.GetClassObject(IID_IDeskMenu, IID_IClassFactory, &result), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(result, nullptr);

    // One class object, kept from the first request on.
    IClassFactory* first = nullptr;
    IClassFactory* second = nullptr;
    ASSERT_EQ(dll.GetClassObject(CLSID_DeskMenu, IID_IClassFactory, reinterpret_cast<void**>(&first)), S_OK);
    ASSERT_EQ(dll.GetClassObject(CLSID_DeskMenu, IID_IClassFactory, reinterpret_cast<void**>(&second)), S_OK);
    EXPECT_EQ(first, second);
    second->Release();

    IContextMenu* menu = nullptr;
    ASSERT_EQ(first->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    menu->Release();
    void* nothing = reinterpret_cast<void*>(1);
    EXPECT_EQ(first->CreateInstance(nullptr, IID_IContextMenu2, &nothing), E_NOINTERFACE);
    EXPECT_EQ(nothing, nullptr);
    first->Release();
}

TEST_F(ServerTest, StaysLoadedWhileObjectsClassObjectOrServerLocksLive)
{
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(dll.GetClassObject(CLSID_DeskMenu, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE) << "the shell holds the class object";

    IContextMenu* menu = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    factory->Release();
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE) << "a handler is alive";
    menu->Release();
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);

    ASSERT_EQ(dll.GetClassObject(CLSID_DeskMenu, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
    ASSERT_EQ(dll.GetClassObject(CLSID_DeskMenu, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE) << "one lock is still held";
    ASSERT_EQ(dll.GetClassObject(CLSID_DeskMenu, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

TEST_F(ServerTest, AggregatedHandlerDelegatesToItsOuterObject)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(dll.GetClassObject(CLSID_DeskMenu, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);

    COuter outer;
    void* result = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IContextMenu, &result), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(result, nullptr);

    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    factory->Release();
    EXPECT_EQ(outer.refs, 1u) << "the inner object holds no reference to its outer object";

    IContextMenu* menu = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    EXPECT_EQ(outer.refs, 2u) << "interfaces of the inner object count on the outer one";
    IUnknown* identity = nullptr;
    ASSERT_EQ(menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
    identity->Release();
    menu->Release();
    EXPECT_EQ(outer.refs, 1u);

    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
    outer.inner->Release();
    outer.inner = nullptr;
    EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

} // namespace
