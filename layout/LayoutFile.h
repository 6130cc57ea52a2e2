#pragma once
#include <functional>
#include <string>
#include "layout/Capture.h"
#include "layout/DisplayConfig.h"
#include "layout/IconRecord.h"
#include "layout/LayoutFlavor.h"

// Layout files (".osl"): UTF-16 private-profile text with a header comment.

enum class FileSaveResult
{
    Saved,
    Unreachable,   // the desktop could not be reached: nothing was written
    CannotCreate,  // the file cannot be written there (or no path): nothing was written
    Empty,         // the capture gave no record: an existing file is untouched
    Failed,        // a write or the capture failed: an existing file is untouched
};

// Writes the header of the flavor and one section per captured record into a
// new hidden file beside the layout file, and puts it in the layout file's
// place in one step once it is complete (an existing file keeps its
// attributes, owner, ACL and streams); a process that ends at any instant
// leaves the old file or the new one. A record whose Name or Path holds a line
// break cannot be stored and is left out. *written gets the number of records
// stored.
FileSaveResult SaveLayoutFile(const CLayoutFlavor& flavor, const wchar_t* path, CLayoutCapture& capture, int* written);

// Writes a new layout file into folder (with its closing backslash), as
// SaveLayoutFile writes one, under the first of name(0), name(1), ... that
// names no file there yet, even when another process takes a name at the
// same moment; *path gets the full path of the file written.
constexpr int kNewNameAttempts = 100;
FileSaveResult SaveNewLayoutFile(const CLayoutFlavor& flavor, const std::wstring& folder,
                                 const std::function<std::wstring(int)>& name, CLayoutCapture& capture, int* written,
                                 std::wstring* path);

// Clears and fills records (positions in desktop list view coordinates);
// *currentFormat tells whether the file carried the format version. Returns
// true when at least one record was read.
bool ReadLayoutFile(const wchar_t* path, const CDisplayConfig& display, CIconRecordArray& records, bool* currentFormat);
