#pragma once
#include <windows.h>
#include "engine/RestoreAccess.h"
#include "layout/IconRecord.h"

// The restore, once the layout has been read and the desktop reached:
// switches auto-arrange and snap-to-grid off (viewFlags: the common controls
// know them), moves the icons that no record knows onto free cells of the
// grid inside the work area, places every record's icon (found by its Path,
// else by its file name), repeating the whole layout until a pass ends with
// every placed icon at its target (at most kMaxPasses), and puts
// snap-to-grid back. The work area is the primary monitor's, in desktop list
// view coordinates. False when the access failed before the placement.
constexpr int kMaxPasses = 100;

struct RestoreOutcome
{
    int passes = 0;
    // Icons whose last placement did not read back at their target.
    int misplaced = 0;
    // Icons that the last pass matched by file name alone, their record's
    // Path naming another folder (the Desktop folder has moved).
    int byFileName = 0;
};

bool RunRestore(CRestoreAccess& access, const CIconRecordArray& records, const RECT& workArea, bool viewFlags,
                RestoreOutcome* outcome = nullptr);
