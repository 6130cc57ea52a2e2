#pragma once
#include <windows.h>
#include <shobjidl.h>
#include "layout/WideString.h"

// Names of a desktop item that identify it beyond its label. Each takes the
// desktop folder and the item's child ID list and gives false when the shell
// cannot produce the name.

// The item's name of that kind (SHGDN_NORMAL, SHGDN_FORPARSING, ...), cut to
// 259 characters like every name read from the system.
bool ItemDisplayName(IShellFolder* folder, PCUITEMID_CHILD child, SHGDNF flags, CWideString& name);
// The parsing name (SHGDN_FORPARSING): a file system path, or "::{CLSID}"
// for a shell object.
bool ItemParsingName(IShellFolder* folder, PCUITEMID_CHILD child, CWideString& name);
// The bare file name of a file system item.
bool ItemFileName(IShellFolder* folder, PCUITEMID_CHILD child, CWideString& name);
// "::" and the class identifier of the item's description, in braces.
bool ItemClassIdText(IShellFolder* folder, PCUITEMID_CHILD child, CWideString& text);

// "::{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
CWideString ClassIdText(const CLSID& clsid);
