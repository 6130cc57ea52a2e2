#include "engine/ShellNames.h"
#include <shlobj.h>
#include <shlwapi.h>
#include "layout/Owners.h"

bool ItemDisplayName(IShellFolder* folder, PCUITEMID_CHILD child, SHGDNF flags, CWideString& name)
{
    STRRET strret = {};
    if (FAILED(folder->GetDisplayNameOf(child, flags, &strret)))
        return false;
    // StrRetToBufW into a buffer of 260 is not used: where the name does not
    // fit, some versions fail instead of cutting it. The whole name is taken
    // and cut here.
    CCoTaskText text;
    if (FAILED(StrRetToStrW(&strret, child, text.Put())))
        return false;
    wchar_t cut[kNameBufferChars];
    lstrcpynW(cut, text.Get(), kNameBufferChars);
    name = cut;
    return true;
}

bool ItemParsingName(IShellFolder* folder, PCUITEMID_CHILD child, CWideString& name)
{
    return ItemDisplayName(folder, child, SHGDN_FORPARSING, name);
}

bool ItemFileName(IShellFolder* folder, PCUITEMID_CHILD child, CWideString& name)
{
    WIN32_FIND_DATAW data = {};
    if (FAILED(SHGetDataFromIDListW(folder, child, SHGDFIL_FINDDATA, &data, sizeof(data))))
        return false;
    name = data.cFileName;
    return true;
}

bool ItemClassIdText(IShellFolder* folder, PCUITEMID_CHILD child, CWideString& text)
{
    SHDESCRIPTIONID description = {};
    if (FAILED(SHGetDataFromIDListW(folder, child, SHGDFIL_DESCRIPTIONID, &description, sizeof(description))))
        return false;
    text = ClassIdText(description.clsid);
    return true;
}

CWideString ClassIdText(const CLSID& id)
{
    return CWideString::Format(
        L"::{%-08.8X-%-04.4X-%-04.4X-%-02.2X%-02.2X-%02.2X%-02.2X%-02.2X%-02.2X%-02.2X%-02.2X}",
        id.Data1, id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3],
        id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
}
