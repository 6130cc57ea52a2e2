#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "layout/IconRecord.h"

// Carries the arrangement that the user had on each monitor over to a
// display setup never seen before. Plain data in, plain data out: the
// snapshots' geometry and icons, the new setup's geometry, and the icon
// records to restore.

// One monitor of a display setup, in that setup's screen coordinates.
struct FitMonitor
{
    std::wstring identity; // the monitor's device path; empty when unknown (never matches)
    RECT rect = {};        // rcMonitor
    RECT workArea = {};    // rcWork
    SIZE spacing = {};     // the desktop's icon spacing on it
};

// An arranged snapshot: its setup, when it was taken, and its icons as its
// layout file holds them (Monitor indexes monitors, positions relative to
// that monitor's top-left corner; records on no monitor play no part).
struct FitSnapshot
{
    std::wstring setup;  // the setup's text, for the log
    ULONGLONG time = 0;  // any clock; only the order counts, and newer wins
    std::vector<FitMonitor> monitors;
    CIconRecordArray icons;
};

struct FittedIcon
{
    // Monitor indexes the new setup's monitors; the position is relative to
    // its top-left corner, as a layout's records are.
    IconRecord record;
    size_t snapshot = 0; // the snapshot that placed it
};

struct ArrangementFit
{
    std::vector<FittedIcon> icons;
    // Icons that a snapshot placed but that found no free cell on their
    // monitor: they are left to the restore as unknown icons.
    size_t unplaced = 0;
};

// For each monitor of the setup, the newest snapshot that had a monitor of
// its identity gives the places of the icons that lay on that monitor; an
// icon placed through two monitors takes its place from the newer snapshot.
// Each icon keeps its grid cell, counted in the old spacing inside the old
// work area from the nearer edge (an icon in the right half keeps its
// distance in cells from the right edge, likewise the bottom), at that cell
// of the new work area in the new spacing. Cells lie wholly inside the work
// area. A cell outside the new grid or taken already goes to the free cell
// fewest steps away (a diagonal step counts one), of those the one nearest
// the icon's old position relative to the work area. Icons whose cells fit
// keep them before any other icon looks for a free one.
ArrangementFit FitArrangement(const std::vector<FitSnapshot>& snapshots, const std::vector<FitMonitor>& setup);
