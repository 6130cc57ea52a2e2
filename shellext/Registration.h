#pragma once
#include <windows.h>

// One key (or one named value) that registration writes under
// HKEY_CLASSES_ROOT. Removal walks the same table backwards.
struct CRegistryEntry
{
    const wchar_t* key;
    const wchar_t* valueName; // null: the key's default value
    const wchar_t* data;      // null: no value; kModulePathData: the server's path
    unsigned flags;
};

enum : unsigned
{
    kRegNoRemove = 1, // a shared key: created when missing, never removed
    kRegReplace = 2,  // removed with its subtree before it is written again
};

// Stands for the full path of the server file in CRegistryEntry::data.
extern const wchar_t kModulePathData[];

// Writes every entry (doRegister) or removes every key the table made.
// Returns the first failing HRESULT or S_OK; removing a key that is not
// there is no failure.
HRESULT ApplyRegistryTable(const CRegistryEntry* table, size_t count, bool doRegister, const wchar_t* modulePath);

// The table of the context-menu handler class.
const CRegistryEntry* DeskMenuRegistryTable(size_t* count);
HRESULT UpdateDeskMenuRegistry(bool doRegister, const wchar_t* modulePath);
// The class of the Windows 11 menu entry.
HRESULT UpdateDeskExplorerCommandRegistry(bool doRegister, const wchar_t* modulePath);
