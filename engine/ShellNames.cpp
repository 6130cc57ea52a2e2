#include "engine/ShellNames.h"
#include <shlobj.h>
#include <shlwapi.h>
#include "engine/ComOwners.h"

bool ItemParsingName(IShellFolder* folder, PCUITEMID_CHILD child, CWideString& name)
{
    STRRET strret = {};
    if (FAILED(folder->GetDisplayNameOf(child, SHGDN_FORPARSING, &strret)))
        return false;
    CCoTaskText text;
    if (FAILED(StrRetToStrW(&strret, child, text.Put())))
        return false;
    name = text.Get();
    return true;
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
