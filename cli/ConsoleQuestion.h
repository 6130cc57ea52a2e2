#pragma once
#include <functional>

// Prints "<question> [y/n]? " and reads keys until y or n (either case);
// every other key beeps. Answers no when no key can be read, so that a run
// without input never waits for ever.
bool AskYesNo(const wchar_t* question);

// Tests count the beeps instead of sounding them; an empty function restores
// MessageBeep.
void SetBeepHook(std::function<void()> hook);
