#pragma once
#include "cli/access/CliContext.h"

// Prints "<question> [y/n]? " and reads keys until y or n (either case);
// every other key beeps. Answers no when no key can be read, so that a run
// without input never waits for ever.
bool AskYesNo(const CCliContext& context, const wchar_t* question);
