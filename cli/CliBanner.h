#pragma once

// "OstrelCli Version: ..." on standard output.
void PrintBanner();
// The eight usage lines on standard output.
void PrintUsage();
