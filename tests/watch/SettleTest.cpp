// The settling rules of the watcher on a clock driven by hand.
#include <gtest/gtest.h>
#include <functional>
#include "watch/Settle.h"

namespace {

class CFakeClock : public CWatchClock
{
public:
    ULONGLONG Now() override { return now; }
    ULONGLONG now = 100000;
};

CDesktopState State(const wchar_t* name, ULONGLONG positions)
{
    CDesktopState state;
    state.reached = true;
    state.layoutName = name;
    state.positions = positions;
    return state;
}

// Looks every NextLookIn() milliseconds, the desktop as screen(t) has it t ms
// after the start, until a step other than Wait; that step and when it came.
std::pair<SettleStep, ULONGLONG> LookUntil(CSettle& settle, CFakeClock& clock,
                                     const std::function<CDesktopState(ULONGLONG)>& screen)
{
    const ULONGLONG start = clock.now;
    for (;;) {
        clock.now += settle.NextLookIn();
        const SettleStep step = settle.Look(screen(clock.now - start));
        if (step != SettleStep::Wait)
            return { step, clock.now - start };
    }
}

TEST(Settle, WaitsForTheNameAndThePositionsThenLooksOnceMoreAfterARestore)
{
    CFakeClock clock;
    CSettle settle(clock);
    settle.Settled(State(L"Big", 1));
    EXPECT_FALSE(settle.Pending());

    // A new size; the shell lays the icons out again 600 ms later. The name
    // holds from the trigger (2 s), the positions from 600 ms (1 s).
    settle.Trigger(clock.now, false, State(L"Small", 1));
    auto step = LookUntil(settle, clock, [](ULONGLONG t) { return State(L"Small", t < 600 ? 1 : 2); });
    EXPECT_EQ(step, std::make_pair(SettleStep::Restore, ULONGLONG(2000)));
    // The shell moves icons again after the restore: one more restore, then
    // no further look.
    settle.Restored(State(L"Small", 3));
    EXPECT_EQ(settle.NextLookIn(), 2000u);
    step = LookUntil(settle, clock, [](ULONGLONG) { return State(L"Small", 4); });
    EXPECT_EQ(step.first, SettleStep::Restore);
    settle.Restored(State(L"Small", 3));
    EXPECT_FALSE(settle.Pending());

    // Positions that move late, a name that changes again: each look that
    // differs starts its wait again.
    settle.Trigger(clock.now, false, State(L"Small", 3));
    step = LookUntil(settle, clock, [](ULONGLONG t) { return State(t < 1500 ? L"Other" : L"Big", t < 2500 ? t : 9); });
    EXPECT_EQ(step, std::make_pair(SettleStep::Restore, ULONGLONG(3500)));
    settle.Restored(State(L"Big", 5));
    EXPECT_EQ(LookUntil(settle, clock, [](ULONGLONG) { return State(L"Big", 5); }).first, SettleStep::Done);

    // A desktop that never holds still: 30 s after the trigger it restores.
    settle.Trigger(clock.now, false, State(L"Big", 5));
    step = LookUntil(settle, clock, [](ULONGLONG t) { return State(L"Big", t); });
    EXPECT_EQ(step, std::make_pair(SettleStep::Restore, CSettle::kLongest));
}

TEST(Settle, AConfigurationThatComesBackMovesNothingUnlessTheShellMovedIcons)
{
    CFakeClock clock;
    CSettle settle(clock);
    settle.Settled(State(L"Big", 1));

    // Gone for 800 ms and back, the icons where they were: nothing to do,
    // 2 s after the last trigger.
    settle.Trigger(clock.now, false, State(L"Small", 1));
    clock.now += 800;
    settle.Trigger(clock.now, false, State(L"Big", 1));
    auto step = LookUntil(settle, clock, [](ULONGLONG) { return State(L"Big", 1); });
    EXPECT_EQ(step, std::make_pair(SettleStep::Unchanged, ULONGLONG(2000)));
    EXPECT_FALSE(settle.Pending());

    // Back, but the shell shoved icons meanwhile: restore.
    settle.Trigger(clock.now, false, State(L"Small", 1));
    clock.now += 800;
    settle.Trigger(clock.now, false, State(L"Big", 2));
    EXPECT_EQ(LookUntil(settle, clock, [](ULONGLONG) { return State(L"Big", 2); }).first, SettleStep::Restore);
    settle.Stop();

    // A shell that started again, same configuration, same digest: its view
    // is a new one, so the layout goes back.
    settle.Trigger(clock.now, true, State(L"Big", 2));
    EXPECT_EQ(LookUntil(settle, clock, [](ULONGLONG) { return State(L"Big", 2); }).first, SettleStep::Restore);
    settle.Stop();

    // A view that cannot be read is not settled until it can be.
    CDesktopState unreached;
    settle.Trigger(clock.now, false, unreached);
    step = LookUntil(settle, clock, [&](ULONGLONG t) { return t < 5000 ? unreached : State(L"Big", 2); });
    EXPECT_EQ(step, std::make_pair(SettleStep::Restore, ULONGLONG(7000)));
}

} // namespace
