#pragma once
#include "watch/Settle.h"

// The watcher's clock, driven by hand.
struct CFakeClock : CWatchClock
{
    ULONGLONG Now() override { return now; }
    ULONGLONG LastInput() override { return lastInput; }
    ULONGLONG now = 100000;
    ULONGLONG lastInput = 0;
};
