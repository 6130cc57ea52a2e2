#pragma once

// The whole run of the command-line tool: parses the arguments, runs one
// action and returns the exit status, 0 after any action and -1 after a
// usage error. wmain calls it; tests call it in-process.
int RunOstrelCli(int argc, wchar_t** argv);
