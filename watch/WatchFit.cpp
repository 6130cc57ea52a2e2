#include "watch/WatchFit.h"
#include <algorithm>
#include <unordered_set>
#include <vector>
#include "engine/ArrangementFit.h"
#include "layout/LayoutFile.h"

namespace {

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::vector<FitMonitor> FitMonitors(const CDisplaySetup& setup)
{
    std::vector<FitMonitor> monitors;
    for (const SetupMonitor& monitor : setup.Monitors())
        monitors.push_back({ monitor.devicePath, monitor.rect, monitor.work, setup.IconSpacing() });
    return monitors;
}

struct CCandidateSetup
{
    const CDisplaySetup* setup;
    SnapshotEntry newest;
};

} // namespace

bool FitForSetup(const CSnapshotStore& store, const CDisplaySetup& setup, const CDisplayConfig& display,
                 CFittedArrangement& fit)
{
    fit = CFittedArrangement();
    std::unordered_set<std::wstring> wanted;
    for (const SetupMonitor& monitor : setup.Monitors()) {
        if (!monitor.devicePath.empty())
            wanted.insert(monitor.devicePath);
    }
    if (wanted.empty())
        return false;

    // Of the monitors on screen, those that no snapshot read gives their icons yet.
    const auto hasWanted = [&](const CDisplaySetup& stored) {
        const std::vector<SetupMonitor>& monitors = stored.Monitors();
        return std::any_of(monitors.begin(), monitors.end(),
                           [&](const SetupMonitor& m) { return wanted.count(m.devicePath) != 0; });
    };
    const std::vector<StoredSetup> stored = store.Setups();
    std::vector<CCandidateSetup> candidates;
    for (const StoredSetup& each : stored) {
        CCandidateSetup candidate = { &each.setup, {} };
        if (hasWanted(each.setup) && store.Newest(each.setup, SnapshotKind::Arranged, candidate.newest))
            candidates.push_back(std::move(candidate));
    }
    std::sort(candidates.begin(), candidates.end(), [](const CCandidateSetup& a, const CCandidateSetup& b) {
        return Ticks(a.newest.time) > Ticks(b.newest.time);
    });

    // Newest first, a snapshot is read only when it has a monitor that no
    // newer snapshot read gave its icons yet; one that does not read leaves
    // its monitors to older ones. An uncaptured display names no monitor: the
    // reader then leaves each record's position relative to its monitor, as
    // the fit takes it.
    const CDisplayConfig none;
    std::vector<FitSnapshot> snapshots;
    std::vector<FILETIME> times;
    for (const CCandidateSetup& candidate : candidates) {
        FitSnapshot snapshot;
        if (!hasWanted(*candidate.setup) ||
            !ReadLayoutFile(candidate.newest.path.c_str(), none, snapshot.icons, nullptr))
            continue;
        for (const SetupMonitor& monitor : candidate.setup->Monitors())
            wanted.erase(monitor.devicePath);
        snapshot.setup = candidate.setup->Text();
        snapshot.time = Ticks(candidate.newest.time);
        snapshot.monitors = FitMonitors(*candidate.setup);
        snapshots.push_back(std::move(snapshot));
        times.push_back(candidate.newest.time);
    }

    const ArrangementFit arranged = FitArrangement(snapshots, FitMonitors(setup));
    if (arranged.icons.empty())
        return false;
    size_t newest = arranged.icons.front().snapshot;
    for (const FittedIcon& icon : arranged.icons) {
        if (snapshots[icon.snapshot].time > snapshots[newest].time)
            newest = icon.snapshot;
        IconRecord record = icon.record;
        POINT pt = { record.XCoord, record.YCoord };
        display.OffsetToDesktop(record.Monitor, pt);
        record.XCoord = pt.x;
        record.YCoord = pt.y;
        fit.records.push_back(std::move(record));
    }
    fit.newest = times[newest];
    fit.fromSetup = snapshots[newest].setup;
    fit.icons = static_cast<int>(arranged.icons.size());
    return true;
}
