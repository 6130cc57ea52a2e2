#include "DeskHost.h"
#include "layout/Owners.h"

const wchar_t kDeskHostPublication[] = L"Local\\OstrelDeskHost";
const wchar_t kDeskHostLayOutAgain[] = L"OstrelDeskHostLayOutAgain";

std::wstring DeskHostAnsweringEvent(DWORD processId)
{
    return L"Local\\OstrelDeskHostAnswering." + std::to_wstring(processId);
}

HRESULT GetPublishedDeskHost(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    HANDLE section = OpenFileMappingW(FILE_MAP_READ, FALSE, kDeskHostPublication);
    if (!section)
        return CO_E_SERVER_EXEC_FAILURE;
    HRESULT hr = E_FAIL;
    if (const BYTE* view = static_cast<const BYTE*>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0))) {
        ULONG size = 0;
        memcpy(&size, view, sizeof(size));
        CComRef<IStream> stream;
        hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
        if (SUCCEEDED(hr))
            hr = stream->Write(view + sizeof(size), size, nullptr);
        UnmapViewOfFile(view);
        LARGE_INTEGER zero = {};
        if (SUCCEEDED(hr))
            hr = stream->Seek(zero, STREAM_SEEK_SET, nullptr);
        if (SUCCEEDED(hr))
            hr = CoUnmarshalInterface(stream.Get(), riid, ppv);
    }
    CloseHandle(section);
    return hr;
}
