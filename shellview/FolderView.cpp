#include "shellview/FolderView.h"
#include <exdisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <algorithm>
#include <deque>
#include <string>
#include <unordered_map>
#include "engine/NameMatch.h"
#include "engine/ShellNames.h"

namespace {

// Names longer than the buffer are cut at 259 characters. An item's names
// belong to the shell namespace, not to the shell's process, and an ID list
// is plain data: this process's own desktop folder names the item without a
// call into the shell. Where it cannot (a namespace extension registered for
// the shell's process alone), the view's folder does.
bool ReadName(const CDesktopViewPair& pair, PCUITEMID_CHILD child, SHGDNF flags, wchar_t (&buffer)[260])
{
    CWideString name;
    if (!(pair.OwnFolder() && ItemDisplayName(pair.OwnFolder(), child, flags, name)) &&
        !ItemDisplayName(pair.Folder(), child, flags, name))
        return false;
    lstrcpynW(buffer, name.c_str(), ARRAYSIZE(buffer));
    return true;
}

} // namespace

HRESULT OpenDesktopViewInterface(REFIID riid, void** result)
{
    *result = nullptr;
    CComRef<IShellWindows> windows;
    HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr,
                                  CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                  IID_IShellWindows, windows.PutVoid());
    if (FAILED(hr))
        return hr;

    CVariant location;
    V_VT(location.Get()) = VT_I4;
    V_I4(location.Get()) = CSIDL_DESKTOP;
    CVariant root;
    long window = 0;
    CComRef<IDispatch> dispatch;
    hr = windows->FindWindowSW(location.Get(), root.Get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, dispatch.Put());
    if (FAILED(hr))
        return hr;
    // Without a registered desktop window the call succeeds (S_FALSE) and
    // hands out nothing.
    if (!dispatch)
        return E_FAIL;

    CComRef<IServiceProvider> provider;
    hr = dispatch.Query(IID_IServiceProvider, provider);
    if (FAILED(hr))
        return hr;
    CComRef<IShellBrowser> browser;
    hr = provider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.PutVoid());
    if (FAILED(hr))
        return hr;
    CComRef<IShellView> view;
    hr = browser->QueryActiveShellView(view.Put());
    if (FAILED(hr))
        return hr;
    if (!view)
        return E_FAIL;
    return view->QueryInterface(riid, result);
}

bool CDesktopViewPair::Open()
{
    Release();
    HRESULT hr = OpenDesktopViewInterface(IID_IFolderView2, m_view.PutVoid());
    if (SUCCEEDED(hr))
        hr = m_view->GetFolder(IID_IShellFolder, m_folder.PutVoid());
    if (SUCCEEDED(hr) && m_view && m_folder) {
        // Without it, every name comes from the view's folder.
        if (FAILED(SHGetDesktopFolder(m_ownFolder.Put())))
            m_ownFolder.Reset();
        return true;
    }
    Release();
    return false;
}

void CDesktopViewPair::Release()
{
    m_ownFolder.Reset();
    m_folder.Reset();
    m_view.Reset();
}

void ProbeIconSize(CDisplayConfig& display, IFolderView2* view)
{
    CComRef<IFolderView2> opened;
    if (!view) {
        if (FAILED(OpenDesktopViewInterface(IID_IFolderView2, opened.PutVoid())))
            return;
        view = opened.Get();
    }
    FOLDERVIEWMODE mode = FVM_AUTO;
    int size = -1;
    if (SUCCEEDED(view->GetViewModeAndIconSize(&mode, &size)))
        display.SetIconSize(size);
}

CWideString OnScreenLayoutName(CDisplayConfig& display, const CLayoutFlavor& flavor, IFolderView2* view)
{
    if (view)
        ProbeIconSize(display, view);
    const int monitors = display.Capture();
    return display.LayoutName(monitors, true, flavor);
}

HRESULT DesktopItemCount(const CDesktopViewPair& pair, int& count)
{
    count = 0;
    return pair.View()->ItemCount(SVGIO_ALLVIEW, &count);
}

bool ReadDesktopItem(const CDesktopViewPair& pair, int index, bool withPosition, CDesktopItem& item)
{
    item.index = index;
    item.position = {};
    ZeroMemory(item.name, sizeof(item.name));
    ZeroMemory(item.parsingName, sizeof(item.parsingName));
    if (FAILED(pair.View()->Item(index, item.child.Put())) || !item.child)
        return false;
    if (!ReadName(pair, item.child.Get(), SHGDN_NORMAL, item.name) ||
        !ReadName(pair, item.child.Get(), SHGDN_FORPARSING, item.parsingName))
        return false;
    if (withPosition && FAILED(pair.View()->GetItemPosition(item.child.Get(), &item.position)))
        return false;
    return true;
}

bool ReadCellSpacing(IFolderView2* view, SIZE& spacing)
{
    POINT pt = {};
    if (FAILED(view->GetSpacing(&pt)))
        return false;
    spacing = { pt.x, pt.y };
    return true;
}

HRESULT PositionItems(IFolderView2* view, UINT count, PCUITEMID_CHILD* children, const POINT* points)
{
    return view->SelectAndPositionItems(count, children, const_cast<POINT*>(points), SVSI_POSITIONITEM);
}

CDesktopItemWalk::~CDesktopItemWalk()
{
    FreeChunk();
}

void CDesktopItemWalk::FreeChunk()
{
    for (ULONG i = m_taken; i < m_fetched; ++i)
        CoTaskMemFree(m_chunk[i]);
    m_fetched = 0;
    m_taken = 0;
}

bool CDesktopItemWalk::Start()
{
    FreeChunk();
    m_enum.Reset();
    m_enumerated = false;
    m_enumDone = false;
    m_ordinal = 0;
    m_status = S_OK;
    if (FAILED(DesktopItemCount(m_pair, m_count)))
        return false;
    if (m_count <= 0)
        return true;
    // In view order, so that the enumerator's ordinal is the view index
    // (without the flag the selected item comes first).
    m_enumerated =
        SUCCEEDED(m_pair.View()->Items(SVGIO_ALLVIEW | SVGIO_FLAG_VIEWORDER, IID_IEnumIDList, m_enum.PutVoid())) &&
        m_enum;
    return true;
}

bool CDesktopItemWalk::NextChild(CDesktopItem& item)
{
    if (!m_enumerated) {
        while (m_ordinal < m_count) {
            const int index = m_ordinal++;
            if (SUCCEEDED(m_pair.View()->Item(index, item.child.Put())) && item.child) {
                item.index = index;
                return true;
            }
        }
        return false;
    }
    if (m_taken == m_fetched) {
        FreeChunk();
        if (m_enumDone)
            return false;
        ULONG fetched = 0;
        const HRESULT hr = m_enum->Next(kChunk, reinterpret_cast<PITEMID_CHILD*>(m_chunk), &fetched);
        if (FAILED(hr))
            fetched = 0;
        m_fetched = fetched > kChunk ? kChunk : fetched;
        m_enumDone = hr != S_OK || m_fetched < kChunk;
        if (m_fetched == 0)
            return false;
    }
    *item.child.Put() = m_chunk[m_taken++];
    item.index = m_ordinal++;
    return item.child.Get() != nullptr;
}

bool CDesktopItemWalk::Next(CDesktopItem& item)
{
    if (FAILED(m_status))
        return false;
    for (;;) {
        if (!NextChild(item)) {
            if (m_taken < m_fetched || (m_enumerated && !m_enumDone))
                continue; // a null ID list in the chunk: pass over it
            item.child.Reset();
            return false;
        }
        item.position = {};
        ZeroMemory(item.name, sizeof(item.name));
        ZeroMemory(item.parsingName, sizeof(item.parsingName));
        if (!ReadName(m_pair, item.child.Get(), SHGDN_NORMAL, item.name) ||
            !ReadName(m_pair, item.child.Get(), SHGDN_FORPARSING, item.parsingName))
            continue;
        if (m_withPosition) {
            m_status = m_pair.View()->GetItemPosition(item.child.Get(), &item.position);
            if (FAILED(m_status)) {
                item.child.Reset();
                return false;
            }
            m_status = S_OK;
        }
        return true;
    }
}

bool ReadDesktopItems(const CDesktopViewPair& pair, bool withPosition, std::vector<CDesktopItem>& items, int* count,
                      HRESULT* status)
{
    items.clear();
    if (count)
        *count = 0;
    if (status)
        *status = S_OK;
    CDesktopItemWalk walk(pair, withPosition);
    if (!walk.Start())
        return false;
    if (count)
        *count = walk.Count();
    items.reserve(static_cast<size_t>(walk.Count() > 0 ? walk.Count() : 0));
    CDesktopItem item;
    while (walk.Next(item))
        items.push_back(std::move(item));
    if (status)
        *status = walk.Status();
    return SUCCEEDED(walk.Status());
}

std::vector<int> FindUnmatchedItems(const std::vector<CDesktopItem>& items, const CIconRecordArray& records)
{
    auto key = [](const wchar_t* name, const wchar_t* path) {
        std::wstring text(name);
        text.push_back(L'\0');
        text.append(path);
        return text;
    };
    // Each item claims the first unclaimed record of its exact (Name, Path).
    std::unordered_map<std::wstring, std::deque<size_t>> waiting;
    for (size_t r = 0; r < records.size(); ++r)
        waiting[key(records[r].Name.c_str(), records[r].Path.c_str())].push_back(r);
    std::vector<bool> claimed(records.size(), false);
    std::vector<int> unmatched;
    for (size_t i = 0; i < items.size(); ++i) {
        auto found = waiting.find(key(items[i].name, items[i].parsingName));
        if (found != waiting.end() && !found->second.empty()) {
            claimed[found->second.front()] = true;
            found->second.pop_front();
        } else {
            unmatched.push_back(static_cast<int>(i));
        }
    }

    // Then, as the placement's second round does (RunRestore), each record
    // left over, in list order, claims the first item left over of its exact
    // Name and file name, letter case counting as above.
    std::unordered_map<std::wstring, std::deque<int>> byFileName;
    for (int at : unmatched) {
        if (const wchar_t* file = ParsingFileName(items[static_cast<size_t>(at)].parsingName))
            byFileName[key(items[static_cast<size_t>(at)].name, file)].push_back(at);
    }
    std::vector<bool> known(items.size(), false);
    for (size_t r = 0; r < records.size() && !byFileName.empty(); ++r) {
        const wchar_t* file = ParsingFileName(records[r].Path.c_str());
        if (claimed[r] || records[r].Legacy || !file)
            continue;
        auto found = byFileName.find(key(records[r].Name.c_str(), file));
        if (found != byFileName.end() && !found->second.empty()) {
            known[static_cast<size_t>(found->second.front())] = true;
            found->second.pop_front();
        }
    }
    unmatched.erase(std::remove_if(unmatched.begin(), unmatched.end(),
                                   [&](int at) { return known[static_cast<size_t>(at)]; }),
                    unmatched.end());
    return unmatched;
}
