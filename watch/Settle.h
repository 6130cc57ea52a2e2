#pragma once
#include <windows.h>
#include <string>

// The clock that the settling reads, and when the user last gave input;
// tests drive one by hand.
class CWatchClock
{
public:
    virtual ~CWatchClock() = default;
    virtual ULONGLONG Now() = 0;       // milliseconds
    virtual ULONGLONG LastInput() = 0; // the user's last keyboard or mouse input, on the same clock
};
CWatchClock& SystemWatchClock();

// One look at the desktop.
struct CDesktopState
{
    bool reached = false;     // the shell's view of the desktop answered
    std::wstring layoutName;  // full layout name of the display configuration on screen
    ULONGLONG positions = 0;  // digest of the icons and their positions
    std::wstring setup;       // the display setup on screen (its text)
    size_t icons = 0;         // how many icons the look found
    HWND shellWindow = nullptr; // GetShellWindow, and its process
    DWORD shellProcess = 0;
};

enum class SettleStep
{
    Wait,      // look again in NextLookIn() milliseconds
    Restore,   // restore now, then call Restored
    Unchanged, // settled on the configuration it had, the icons where they were: nothing to do
    LeftAlone, // icons moved after the restore, and the user gave input since: the user's moves stay
    Done,      // the change is over
};

// When the watcher restores. After the last trigger it looks at the desktop
// every 250 ms until the layout name has stayed the same for 2 s and the icon
// positions for 1 s, or 30 s have passed; a new trigger starts the wait
// again. It then restores, unless the configuration on screen is the one it
// last settled on and the icons are where they were when the first trigger
// came (a configuration that lasted less than 2 s, an unlock): Windows moved
// nothing, so neither does the watcher. A shell that started again always
// gets its layout back: its view of the desktop is a new one. 2 s after a
// restore it looks once more and restores again when icons moved since and
// the user gave no input since the restore began (at most twice per change):
// icons that moved with the user's input are the user's moves. Idle in
// between: no look is due. When the watcher looks while idle (Seen), the
// newest of those looks is what was on screen before the change: a change
// after which the setup and the icons are as that look saw them moves
// nothing, even when the shell started again.
class CSettle
{
public:
    static constexpr ULONGLONG kLookInterval = 250;
    static constexpr ULONGLONG kNameSteady = 2000;
    static constexpr ULONGLONG kPositionsSteady = 1000;
    static constexpr ULONGLONG kLongest = 30000;
    static constexpr ULONGLONG kSecondLook = 2000;
    static constexpr int kMostRestores = 2;

    explicit CSettle(CWatchClock& clock) : m_clock(clock) {}

    // The configuration that the watcher takes as settled (at its start, and
    // when it takes up watching again); ends any pending change.
    void Settled(const CDesktopState& now);
    // A trigger that came at the clock's time at, with the desktop as the
    // look after it found it; shellRestarted when the shell's view of the
    // desktop is a new one.
    void Trigger(ULONGLONG at, bool shellRestarted, const CDesktopState& now);
    // The look that NextLookIn asked for.
    SettleStep Look(const CDesktopState& now);
    // The restore ran; now is the desktop right after it.
    void Restored(const CDesktopState& now);
    // Drops the pending change.
    void Stop() { m_phase = Phase::Idle; }
    // A look while no change was pending; Forget drops it (no looks run).
    void Seen(const CDesktopState& look) { m_seen = look; }
    void Forget() { m_seen = CDesktopState(); }

    bool Pending() const { return m_phase != Phase::Idle; }
    UINT NextLookIn() const;
    // From the first trigger of the change to the look that found the
    // desktop settled.
    ULONGLONG SettledAfter() const { return m_settledAfter; }
    // Waiting for the look after a restore.
    bool Checking() const { return m_phase == Phase::Checking; }

private:
    enum class Phase { Idle, Settling, Checking };

    CWatchClock& m_clock;
    Phase m_phase = Phase::Idle;
    std::wstring m_settledName;     // the configuration last settled on ("" unknown)
    CDesktopState m_before;         // the desktop when the first trigger of the change came
    CDesktopState m_seen;           // the newest look while idle
    bool m_shellRestarted = false;
    ULONGLONG m_changeAt = 0;
    ULONGLONG m_triggerAt = 0;
    ULONGLONG m_settledAfter = 0;
    CDesktopState m_last;           // the previous look
    ULONGLONG m_nameSince = 0;
    ULONGLONG m_positionsSince = 0;
    int m_restores = 0;
    ULONGLONG m_restoreAt = 0;      // when the first restore of the change was asked for
    ULONGLONG m_checkAt = 0;
    ULONGLONG m_restoredPositions = 0;
};
