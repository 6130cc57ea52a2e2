#pragma once
#include "layout/Capture.h"
#include "layout/DisplayConfig.h"
#include "layout/IconRecord.h"
#include "layout/LayoutFlavor.h"

// Layout files (".osl"): UTF-16 private-profile text with a header comment.

enum class FileSaveResult
{
    Saved,
    Unreachable,   // the desktop could not be reached: nothing was written
    CannotCreate,  // the file could not be created (or no path): no section was written
};

// Writes the header of the flavor and one section per captured record;
// *written gets the number of records.
FileSaveResult SaveLayoutFile(const CLayoutFlavor& flavor, const wchar_t* path, CLayoutCapture& capture, int* written);

// Clears and fills records (positions in desktop list view coordinates);
// *currentFormat tells whether the file carried the format version. Returns
// true when at least one record was read.
bool ReadLayoutFile(const wchar_t* path, const CDisplayConfig& display, CIconRecordArray& records, bool* currentFormat);
