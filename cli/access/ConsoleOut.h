#pragma once
#include <functional>
#include <string>

// Console output of the command-line tool. Text for a console goes through
// the console's wide-character API; text redirected to a file or a pipe is
// written as UTF-8, so that non-Latin layout names survive.
enum class OutStream { Out, Err };

void OutText(OutStream stream, const wchar_t* text);
void OutPrint(OutStream stream, const wchar_t* format, ...);

// Tests capture the output instead of writing it; an empty function restores
// the real streams.
void SetOutputHook(std::function<void(OutStream, const std::wstring&)> hook);
