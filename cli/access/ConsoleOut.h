#pragma once
#include "cli/access/CliContext.h"

// Console output of the command-line tool, through the context's system.
void OutText(const CCliContext& context, OutStream stream, const wchar_t* text);
void OutPrint(const CCliContext& context, OutStream stream, const wchar_t* format, ...);

// The system's writer: text for a console goes through the console's
// wide-character API; text redirected to a file or a pipe is written as
// UTF-8, so that non-Latin layout names survive.
void WriteStdStream(OutStream stream, const wchar_t* text);
