#pragma once
#include <windows.h>
#include <map>
#include <string>
#include "watch/Settle.h"

// One look at the desktop for the snapshots.
struct CSnapshotLook
{
    bool reached = false;    // the shell's view of the desktop answered
    std::wstring setup;      // the display setup on screen (its text)
    ULONGLONG positions = 0; // digest of the icons and their positions
    size_t icons = 0;        // how many icons the look found
};

enum class LookStep
{
    None,     // nothing to keep
    Snapshot, // write an `arranged` snapshot of this look, then call SnapshotWritten
    Trigger,  // the setup is not the one settled on: a change, as any trigger
};

// When the watcher keeps the user's arrangement. While it is allowed to (the
// session active, "Auto Snapshot" on, not paused, no change pending or
// settling, no trigger and no restore of its own for kQuiet) it looks every
// interval. A look whose icons equal those of the look before it, on the
// setup settled on, and differ from the newest snapshot of that setup is an
// arrangement: an icon being dragged or a shell still laying out is seen to
// move between two looks. Before the display is likely to change (suspend,
// lock, end of the session) one look at once is enough: the user is not
// dragging. A failed look or one without icons is never a snapshot. It calls
// nothing: the watcher looks, writes, and tells it what happened.
class CSnapshotLooks
{
public:
    static constexpr ULONGLONG kDefaultInterval = 20000;
    static constexpr ULONGLONG kShortestInterval = 1000;
    static constexpr ULONGLONG kQuiet = 30000;
    static constexpr UINT kNoLook = INFINITE;

    explicit CSnapshotLooks(CWatchClock& clock) : m_clock(clock) {}

    // Milliseconds between looks, at least kShortestInterval.
    void SetInterval(ULONGLONG interval);
    void SetAutoSnapshot(bool on) { Allow(m_autoSnapshot, on); }
    void SetPaused(bool paused) { Allow(m_running, !paused); }
    void SetSessionActive(bool active) { Allow(m_sessionActive, active); }
    // A change is pending or settling.
    void SetPending(bool pending) { Allow(m_calm, !pending); }

    // The setup that the watcher settled on.
    void Settled(const std::wstring& setup);
    const std::wstring& SettledSetup() const { return m_settled; }
    // A trigger or a restore of the watcher's own at the clock's time at.
    void Triggered(ULONGLONG at) { Quiet(at); }
    void Restored(ULONGLONG at) { Quiet(at); }
    // The newest snapshot of the setup now holds these positions (one was
    // written, or the store's newest was read).
    void SnapshotWritten(const std::wstring& setup, ULONGLONG positions) { m_newest[setup] = positions; }

    // Milliseconds until the next look is due; kNoLook while none may run.
    UINT NextLookIn() const;
    // The look that NextLookIn asked for.
    LookStep Look(const CSnapshotLook& look);
    // Before suspend, lock and the end of the session: whether to look at
    // once, and what that one look gives.
    bool MayLook() const;
    LookStep LookBeforeLeaving(const CSnapshotLook& look);

private:
    void Allow(bool& flag, bool value);
    void Quiet(ULONGLONG at);
    // None for a look that is never kept (failed, no icons), Trigger for one
    // of another setup, Snapshot for one that may be kept.
    LookStep Check(const CSnapshotLook& look);
    bool DiffersFromNewest(const CSnapshotLook& look) const;

    CWatchClock& m_clock;
    ULONGLONG m_interval = kDefaultInterval;
    bool m_autoSnapshot = true;
    bool m_running = true;
    bool m_sessionActive = true;
    bool m_calm = true;
    bool m_hasSettled = false;
    std::wstring m_settled;
    ULONGLONG m_quietUntil = 0;
    ULONGLONG m_nextLookAt = 0;
    bool m_hasPrevious = false;
    CSnapshotLook m_previous;
    std::map<std::wstring, ULONGLONG> m_newest;
};
