#pragma once
#include "cli/access/CliContext.h"

// The whole run of the command-line tool: parses the arguments, runs one
// action and returns the exit status, 0 after any action and -1 after a
// usage error. wmain calls it with a context of its own; tests call it
// in-process with theirs.
int RunOstrelCli(CCliContext& context, int argc, wchar_t** argv);
