#pragma once
#include <string>
#include <vector>
#include "layout/SnapshotStore.h"

// "Earlier Arrangements" of the notification icon's menu: the newest
// snapshots of the setup on screen, newest first, each shown as
// "Today 14:02 — arranged, 42 icons" (the date for another day).
constexpr size_t kEarlierArrangements = 10;

struct CEarlierArrangement
{
    SnapshotEntry entry;
    std::wstring label;
};

std::vector<CEarlierArrangement> ListEarlierArrangements(const CDisplaySetup& setup);

// The snapshot's local time as "HH:MM" after today (it being today), else
// as "YYYY-MM-DD HH:MM".
std::wstring SnapshotTimeText(const SnapshotEntry& entry, const wchar_t* today);
