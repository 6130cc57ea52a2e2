#pragma once
#include <windows.h>
#include <string>
#include "layout/DisplayConfig.h"
#include "layout/DisplaySetup.h"
#include "layout/IconRecord.h"
#include "layout/SnapshotStore.h"

// The arrangement fitted to a display setup never seen before, from the
// arranged snapshots of the setups that shared a monitor with it.
struct CFittedArrangement
{
    CIconRecordArray records; // as ReadLayout gives them: desktop list view coordinates, Monitor of the setup
    FILETIME newest = {};     // UTC time of the newest snapshot that placed an icon
    std::wstring fromSetup;   // that snapshot's setup text
    int icons = 0;            // icons placed by the fit
};

// The arrangement of each monitor of setup (the setup on screen, captured in
// display) from the newest arranged snapshot of any stored setup that had that
// monitor; false when no snapshot places an icon. Reads the setup files and,
// of the setups sharing a monitor with this one, the newest arranged snapshot
// of those that give a monitor its icons, newest first.
bool FitForSetup(const CSnapshotStore& store, const CDisplaySetup& setup, const CDisplayConfig& display,
                 CFittedArrangement& fit);
