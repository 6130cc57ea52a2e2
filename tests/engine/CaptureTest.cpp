#include "tests/engine/EngineFixture.h"
#include "cli/access/CliContext.h"
#include "shellview/FolderView.h"
#include "shellview/FolderViewCapture.h"
#include "deskshell/DeskCommands.h"
#include "deskshell/ListViewCapture.h"
#include "engine/ShellNames.h"

namespace {

const wchar_t kComputer[] = L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";

// Keeps what a capture hands over, and when.
class CListSink : public CRecordSink
{
public:
    void Put(const IconRecord& record) override { records.push_back(record); }
    std::vector<IconRecord> records;
};

// A desktop folder that names every item with the same text, of any length.
class CNamingFolder : public IShellFolder
{
public:
    explicit CNamingFolder(std::wstring name) : m_name(std::move(name)) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellFolder)) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
    STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override { return E_NOTIMPL; }
    STDMETHODIMP CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override { return E_NOTIMPL; }
    STDMETHODIMP GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void**) override { return E_NOTIMPL; }
    STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET* name) override
    {
        const size_t bytes = (m_name.size() + 1) * sizeof(wchar_t);
        name->uType = STRRET_WSTR;
        name->pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
        memcpy(name->pOleStr, m_name.c_str(), bytes);
        return S_OK;
    }
    STDMETHODIMP SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override { return E_NOTIMPL; }

private:
    std::wstring m_name;
};

class CaptureTest : public CEngineTest
{
protected:
    // Two monitors side by side, the second to the right of the primary.
    void TwoMonitors()
    {
        display.monitors = { { { 0, 0, 1920, 1080 }, true }, { { 1920, 0, 3200, 1024 }, false } };
    }
};

TEST_F(CaptureTest, ListViewCaptureNamesPositionsAndMonitors)
{
    TwoMonitors();
    Start({ { L"a.txt", { 100, 120 } }, { L"b.doc", { 2000, 30 } }, { kComputer, { 5000, 40 } } },
          [] { DeskHostOptions o; o.width = 6000; return o; }());
    host.Faults().failItemAt = 1;
    auto capture = MakeListViewCapture(context, host.ListView());
    ASSERT_TRUE(capture->Ready());
    CListSink sink;
    EXPECT_EQ(2, capture->Run(sink));
    ASSERT_EQ(2u, sink.records.size());

    const IconRecord& a = sink.records[0];
    EXPECT_STREQ(L"a.txt", a.Name.c_str());
    EXPECT_EQ(PathOf(L"a.txt"), a.Path.c_str());
    EXPECT_EQ(0, a.Monitor);
    EXPECT_EQ(100, a.XCoord);
    EXPECT_EQ(120, a.YCoord);
    EXPECT_EQ(1, a.Index);
    EXPECT_FALSE(a.Legacy);

    // b.doc has no ID list and is left out: the Index values keep the gap.
    const IconRecord& computer = sink.records[1];
    EXPECT_EQ(3, computer.Index);
    EXPECT_EQ(-1, computer.Monitor) << "on no monitor";
    EXPECT_EQ(5000, computer.XCoord);
    EXPECT_EQ(0, _wcsicmp(kComputer, computer.Path.c_str()));

    host.Faults().failItemAt = -1;
    CListSink again;
    EXPECT_EQ(3, MakeListViewCapture(context, host.ListView())->Run(again));
    EXPECT_EQ(1, again.records[1].Monitor);
    EXPECT_EQ(80, again.records[1].XCoord) << "relative to the second monitor";
    EXPECT_EQ(30, again.records[1].YCoord);
}

// Without a folder view the item parameter is the ID list; an item without
// one is kept as a legacy record of its label.
TEST_F(CaptureTest, ListViewCaptureWithoutFolderViewMakesLegacyRecords)
{
    Start({ { L"a.txt", { 100, 120 } } });
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = 1;
    item.pszText = const_cast<wchar_t*>(L"Old Link");
    item.lParam = 0;
    ASSERT_EQ(1, SendMessageW(host.ListView(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    host.SetPosition(1, { 300, 40 });
    host.Faults().noFolderView = true;

    CListSink sink;
    EXPECT_EQ(2, MakeListViewCapture(context, host.ListView())->Run(sink));
    ASSERT_EQ(2u, sink.records.size());
    EXPECT_EQ(PathOf(L"a.txt"), sink.records[0].Path.c_str());
    const IconRecord& legacy = sink.records[1];
    EXPECT_TRUE(legacy.Legacy);
    EXPECT_STREQ(L"Old Link", legacy.Name.c_str());
    EXPECT_STREQ(L"Old Link", legacy.Path.c_str());
    EXPECT_EQ(300, legacy.XCoord);
    EXPECT_EQ(40, legacy.YCoord);
    EXPECT_EQ(-1, legacy.Monitor);
    EXPECT_EQ(2, legacy.Index);
    SendMessageW(host.ListView(), LVM_DELETEITEM, 1, 0);
}

TEST_F(CaptureTest, ClassIdTextIsUpperCaseRegistryForm)
{
    const CLSID computer = { 0x20D04FE0, 0x3AEA, 0x1069, { 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D } };
    EXPECT_STREQ(kComputer, ClassIdText(computer).c_str());
    const CLSID small = { 0x1, 0x2, 0x3, { 0, 1, 2, 3, 4, 5, 6, 0xAB } };
    EXPECT_STREQ(L"::{00000001-0002-0003-0001-0203040506AB}", ClassIdText(small).c_str()) << "zero-padded";
}

// The command-line capture names items by the shell view; an item that
// vanished during the walk leaves a gap in Index.
TEST_F(CaptureTest, ShellViewCaptureUsesTheViewAndSkipsVanishedItems)
{
    TwoMonitors();
    cli.display.SetSource(&display);
    Start({ { L"a.txt", { 100, 120 } }, { L"b.doc", { 1950, 30 } }, { L"c.txt", { 300, 40 } } });
    CDesktopViewPair pair;
    ASSERT_TRUE(pair.Open());
    auto capture = MakeFolderViewCapture(cli.display, pair);
    ASSERT_TRUE(capture->Ready());
    host.Faults().failDisplayNameAt = 0;
    CListSink sink;
    EXPECT_EQ(2, capture->Run(sink));
    cli.display.SetSource(nullptr);
    ASSERT_EQ(2u, sink.records.size());
    EXPECT_STREQ(L"b.doc", sink.records[0].Name.c_str());
    EXPECT_EQ(PathOf(L"b.doc"), sink.records[0].Path.c_str());
    EXPECT_EQ(2, sink.records[0].Index);
    EXPECT_EQ(1, sink.records[0].Monitor);
    EXPECT_EQ(30, sink.records[0].XCoord);
    EXPECT_EQ(3, sink.records[1].Index);
    EXPECT_EQ(0, sink.records[1].Monitor);

    CDesktopViewPair closed;
    EXPECT_FALSE(MakeFolderViewCapture(cli.display, closed)->Ready());
}

// Names of any length come from the shell; each is cut at 259 characters, so
// that what is saved is what the next read of the same item gives.
TEST_F(CaptureTest, NamesOver259CharactersAreCutAndComeBackFromTheStoreAndTheFile)
{
    std::wstring name(300, L'n');
    name[258] = L'z';
    CNamingFolder folder(name);
    const SHITEMID empty = {};
    CWideString cut;
    ASSERT_TRUE(ItemDisplayName(&folder, reinterpret_cast<PCUITEMID_CHILD>(&empty), SHGDN_NORMAL, cut));
    EXPECT_EQ(name.substr(0, 259), cut.c_str());
    ASSERT_TRUE(ItemParsingName(&folder, reinterpret_cast<PCUITEMID_CHILD>(&empty), cut));
    EXPECT_EQ(259u, cut.Length());

    context.display.Capture();
    const IconRecord record = MakeIcon(cut.c_str(), cut.c_str(), 10, 20, 0, 1);
    StoreLayout(L"Long", { record });
    CIconRecordArray records;
    EXPECT_EQ(1, ReadLayout(context.flavor, L"Long", context.display, false, records, nullptr));
    EXPECT_EQ(CIconRecordArray{ record }, records);

    CScratchFolder files;
    CFakeCapture capture({ record });
    ASSERT_EQ(FileSaveResult::Saved, SaveLayoutFile(context.flavor, files.File(L"long.osl").c_str(), capture, nullptr));
    EXPECT_TRUE(ReadLayoutFile(files.File(L"long.osl").c_str(), context.display, records, nullptr));
    EXPECT_EQ(CIconRecordArray{ record }, records);
}

} // namespace
