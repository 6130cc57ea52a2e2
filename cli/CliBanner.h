#pragma once
#include "cli/access/CliContext.h"

// "OstrelCli Version: ..." on standard output.
void PrintBanner(const CCliContext& context);
// The eight usage lines on standard output.
void PrintUsage(const CCliContext& context);
