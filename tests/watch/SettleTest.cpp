// The settling rules of the watcher on a clock driven by hand.
#include <gtest/gtest.h>
#include <functional>
#include "watch/Settle.h"
#include "tests/common/FakeClock.h"

namespace {

CDesktopState State(const wchar_t* name, ULONGLONG positions) { return { true, name, positions }; }

// Looks when asked, at screen(t ms after the start), until a step other than
// Wait: that step and when it came.
std::pair<SettleStep, ULONGLONG> LookUntil(CSettle& settle, CFakeClock& clock,
                                           const std::function<CDesktopState(ULONGLONG)>& screen)
{
    for (const ULONGLONG start = clock.now;;) {
        clock.now += settle.NextLookIn();
        const SettleStep step = settle.Look(screen(clock.now - start));
        if (step != SettleStep::Wait)
            return { step, clock.now - start };
    }
}

TEST(Settle, WhenTheWatcherRestores)
{
    CFakeClock clock;
    CSettle settle(clock);
    settle.Settled(State(L"Big", 1));

    // A new size; the shell lays the icons out again 600 ms later: the name
    // holds 2 s, the positions 1 s. A second look 2 s after the restore
    // finds icons moved again: one more restore, the last for this change.
    settle.Trigger(clock.now, false, State(L"Small", 1));
    auto step = LookUntil(settle, clock, [](ULONGLONG t) { return State(L"Small", t < 600 ? 1 : 2); });
    EXPECT_EQ(step, std::make_pair(SettleStep::Restore, ULONGLONG(2000)));
    settle.Restored(State(L"Small", 3));
    EXPECT_EQ(LookUntil(settle, clock, [](ULONGLONG) { return State(L"Small", 4); }),
              std::make_pair(SettleStep::Restore, ULONGLONG(2000)));
    settle.Restored(State(L"Small", 3));
    EXPECT_FALSE(settle.Pending());

    // A name that changes again and positions that move late start their
    // waits again; a second look that finds nothing moved ends the change.
    settle.Trigger(clock.now, false, State(L"Small", 3));
    step = LookUntil(settle, clock, [](ULONGLONG t) { return State(t < 1500 ? L"Other" : L"Big", t < 2500 ? t : 9); });
    EXPECT_EQ(step, std::make_pair(SettleStep::Restore, ULONGLONG(3500)));
    settle.Restored(State(L"Big", 5));
    EXPECT_EQ(LookUntil(settle, clock, [](ULONGLONG) { return State(L"Big", 5); }).first, SettleStep::Done);

    // Gone for 800 ms and back with the icons where they were: nothing to
    // do, 2 s after the last trigger. Back with icons shoved: restore.
    for (ULONGLONG after : { 5, 6 }) {
        settle.Trigger(clock.now, false, State(L"Small", 5));
        clock.now += 800;
        settle.Trigger(clock.now, false, State(L"Big", after));
        step = LookUntil(settle, clock, [after](ULONGLONG) { return State(L"Big", after); });
        EXPECT_EQ(step, std::make_pair(after == 5 ? SettleStep::Unchanged : SettleStep::Restore, ULONGLONG(2000)));
        settle.Stop();
    }

    // A shell that started again gets its layout back, whatever moved; a
    // view that cannot be read is not settled; a desktop that never holds
    // still is restored 30 s after the trigger.
    settle.Trigger(clock.now, true, State(L"Big", 6));
    step = LookUntil(settle, clock, [](ULONGLONG t) { return t < 5000 ? CDesktopState() : State(L"Big", 6); });
    EXPECT_EQ(step, std::make_pair(SettleStep::Restore, ULONGLONG(7000)));
    settle.Trigger(clock.now, false, State(L"Big", 6));
    step = LookUntil(settle, clock, [](ULONGLONG t) { return State(L"Big", t); });
    EXPECT_EQ(step, std::make_pair(SettleStep::Restore, CSettle::kLongest));

    // Icons that move after the restore along with the user's input are the
    // user's moves: left alone.
    settle.Restored(State(L"Big", 8));
    clock.lastInput = clock.now + 500;
    EXPECT_EQ(LookUntil(settle, clock, [](ULONGLONG) { return State(L"Big", 9); }),
              std::make_pair(SettleStep::LeftAlone, ULONGLONG(2000)));

    // The newest look while idle: a shell that started again with every
    // icon where that look saw it moves nothing; with icons elsewhere, or
    // once the looks stop, it restores.
    settle.Seen(State(L"Big", 7));
    for (const ULONGLONG after : { 7, 8, 0 }) {
        if (after == 0)
            settle.Forget();
        settle.Trigger(clock.now, true, State(L"Big", after ? after : 7));
        const auto found = LookUntil(settle, clock, [after](ULONGLONG) { return State(L"Big", after ? after : 7); });
        EXPECT_EQ(found.first, after == 7 ? SettleStep::Unchanged : SettleStep::Restore);
        settle.Stop();
    }
}

} // namespace
