#pragma once
#include <windows.h>
#include "layout/Version.h"

// The two deliverables share the layout code but differ in a few texts,
// resource ids and access rights. Each passes its own flavor.
struct CLayoutFlavor
{
    HINSTANCE resources;      // module whose string table holds the ids below
    bool shellExt;            // true for the shell extension, false for the command line
    UINT idsStoreKey;         // "Software\Quenlo\Tovak"
    UINT idsLayoutSingle;     // "Layout %d x %d"
    UINT idsMultiMonitor;     // "Multi-Monitor"
    UINT idsIconSize;         // "(%lu)" or "(%d)"
    const wchar_t* emptyText; // default of a missing Name or Path in the store
    REGSAM readAccess;        // access for reading a layout
    const wchar_t* fileHeader;// header comment of a layout file, "%s" = version
};

// Marks the current form of a layout in the registry and in layout files.
constexpr DWORD kFormatVersion = 0x332E534F;
