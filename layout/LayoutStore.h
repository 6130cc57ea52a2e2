#pragma once
#include <vector>
#include "layout/Capture.h"
#include "layout/DisplayConfig.h"
#include "layout/IconRecord.h"
#include "layout/LayoutFlavor.h"

// The registry layout store: HKEY_CURRENT_USER "Software\Quenlo\Tovak", one
// subkey per layout name. The store key's values are the shell extension's
// settings.

// A layout name may be neither empty nor hold a backslash (it would name a
// key nested below the store).
bool IsValidLayoutName(const wchar_t* name);

enum class SaveResult
{
    Saved,        // the layout key was replaced by the captured records
    InvalidName,  // empty, or holds a backslash: nothing was written
    Unreachable,  // the desktop could not be reached: the stored layout is untouched
    Empty,        // the capture gave no record: the stored layout is untouched
    Failed,       // a write or the capture failed: the stored layout is untouched
    Busy,         // another program held the store's lock too long: the stored layout is untouched
};

// Replaces the layout of that name with the captured records once all of them
// are written; until then the stored layout stays as it was, and a process
// that ends at any instant leaves the old layout or the new one (CStagedKey).
// *written gets the number of records stored (0 when not saved).
//
// Every function here holds the store's lock (CStoreLock) while it reads or
// changes the store, and so first finishes what another program left.
SaveResult SaveLayout(const CLayoutFlavor& flavor, const wchar_t* name, CLayoutCapture& capture, int* written);
// The same save into another key that holds layouts, one subkey per name
// (the undo layouts beside the store); parentPath is under HKEY_CURRENT_USER.
SaveResult SaveLayoutUnder(const CLayoutFlavor& flavor, const wchar_t* parentPath, const wchar_t* name,
                           CLayoutCapture& capture, int* written);

// Clears and fills records; positions come back in desktop list view
// coordinates. forceVisible (shell extension) moves positions that lie on no
// monitor to the primary centre. *currentFormat tells whether the layout
// carried the format version. Returns the number of records read; an invalid
// name reads nothing. The caller has captured the display configuration.
int ReadLayout(const CLayoutFlavor& flavor, const wchar_t* name, const CDisplayConfig& display,
               bool forceVisible, CIconRecordArray& records, bool* currentFormat);
// The same read from another key that holds layouts.
int ReadLayoutUnder(const CLayoutFlavor& flavor, const wchar_t* parentPath, const wchar_t* name,
                    const CDisplayConfig& display, bool forceVisible, CIconRecordArray& records, bool* currentFormat);

// Names of the store's subkeys in the registry's enumeration order.
std::vector<CWideString> ListLayouts(const CLayoutFlavor& flavor);

// Deletes the layout key with its subtree; an invalid name deletes nothing.
bool DeleteLayout(const CLayoutFlavor& flavor, const wchar_t* name);

// "Icon" followed by four decimal digits (only the first eight characters count).
bool IsOldIconKeyName(const wchar_t* name);
// Deletes the subkey when its name has the old icon key form; true only when
// it was deleted, so that a caller enumerating the store moves on past a key
// that could not be.
bool RemoveOldIconKey(const CLayoutFlavor& flavor, const wchar_t* name);
