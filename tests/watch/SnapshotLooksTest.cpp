// When the watcher keeps the user's arrangement, on a clock driven by hand.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include "watch/SnapshotLooks.h"
#include "tests/common/FakeClock.h"

namespace {

constexpr ULONGLONG kFailed = 0, kNoIcons = 99, kProjector = 77;

CSnapshotLook Look(ULONGLONG positions)
{
    if (positions == kFailed)
        return CSnapshotLook();
    return { true, positions == kProjector ? L"Projector" : L"Desk", positions, positions == kNoIcons ? 0u : 42u };
}

// Looks when asked at the icons in each of these positions in turn: what
// each look gave, '.' nothing, 'S' a snapshot, 'T' a change.
std::string LooksGive(CSnapshotLooks& looks, CFakeClock& clock, std::initializer_list<ULONGLONG> positions)
{
    std::string steps;
    for (ULONGLONG each : positions) {
        EXPECT_NE(CSnapshotLooks::kNoLook, looks.NextLookIn());
        clock.now += looks.NextLookIn();
        const LookStep step = looks.Look(Look(each));
        steps += step == LookStep::Snapshot ? 'S' : step == LookStep::Trigger ? 'T' : '.';
    }
    return steps;
}

TEST(SnapshotLooks, AnArrangementIsWhatTwoLooksAgreeOn)
{
    CFakeClock clock;
    CSnapshotLooks looks(clock);
    EXPECT_EQ(CSnapshotLooks::kNoLook, looks.NextLookIn()) << "nothing settled on yet";
    looks.Settled(L"Desk");
    looks.SnapshotWritten(L"Desk", 1);
    EXPECT_EQ(CSnapshotLooks::kDefaultInterval, looks.NextLookIn());

    // As the newest snapshot; moving (each place seen once); still for two
    // looks: a snapshot, and once written not again. A failed look, one
    // without icons and one of another setup (a change) break the pair.
    EXPECT_EQ("....S", LooksGive(looks, clock, { 1, 1, 2, 3, 3 }));
    looks.SnapshotWritten(L"Desk", 3);
    EXPECT_EQ("......T.S", LooksGive(looks, clock, { 3, 4, kFailed, 4, kNoIcons, 4, kProjector, 4, 4 }));

    // A pending change, pause, "Auto Snapshot" off and a locked session
    // stop the looks; a look before the stop and one after it are no pair.
    const std::function<void(bool)> stops[] = { [&](bool stop) { looks.SetPending(stop); },
                                                [&](bool stop) { looks.SetPaused(stop); },
                                                [&](bool stop) { looks.SetAutoSnapshot(!stop); },
                                                [&](bool stop) { looks.SetSessionActive(!stop); } };
    ULONGLONG positions = 10;
    for (const auto& stop : stops) {
        EXPECT_EQ(".", LooksGive(looks, clock, { ++positions }));
        stop(true);
        EXPECT_EQ(CSnapshotLooks::kNoLook, looks.NextLookIn());
        EXPECT_FALSE(looks.MayLook());
        EXPECT_EQ(LookStep::None, looks.Look(Look(positions)));
        stop(false);
        EXPECT_EQ(".S", LooksGive(looks, clock, { positions, positions }));
    }

    // Another interval, never below a second.
    looks.SetInterval(10);
    EXPECT_EQ(CSnapshotLooks::kShortestInterval, looks.NextLookIn());
}

TEST(SnapshotLooks, QuietAfterATriggerOrARestoreAndOneLookBeforeLeaving)
{
    CFakeClock clock;
    CSnapshotLooks looks(clock);
    looks.Settled(L"Desk");
    looks.SnapshotWritten(L"Desk", 1);

    // The first look comes 30 s after the last trigger or restore.
    EXPECT_EQ(".", LooksGive(looks, clock, { 2 }));
    looks.Restored(clock.now);
    clock.now += 1000;
    EXPECT_FALSE(looks.MayLook());
    EXPECT_EQ(CSnapshotLooks::kQuiet - 1000, looks.NextLookIn());
    looks.Triggered(clock.now);
    EXPECT_EQ(CSnapshotLooks::kQuiet, looks.NextLookIn());
    EXPECT_EQ(".S", LooksGive(looks, clock, { 2, 2 }));
    looks.SnapshotWritten(L"Desk", 2);

    // Before suspend, lock or the end of the session: one look, kept when
    // it differs from the newest snapshot; none within 30 s of a restore.
    EXPECT_EQ(LookStep::None, looks.LookBeforeLeaving(Look(2)));
    EXPECT_EQ(LookStep::Snapshot, looks.LookBeforeLeaving(Look(5)));
    EXPECT_EQ(LookStep::None, looks.LookBeforeLeaving(Look(kFailed)));
    looks.Restored(clock.now);
    EXPECT_EQ(LookStep::None, looks.LookBeforeLeaving(Look(6)));
}

} // namespace
