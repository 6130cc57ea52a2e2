#pragma once

// One key press from standard input. From a console: the next key pressed,
// without echo and without waiting for Enter. From a pipe or a file: the next
// character (UTF-8), so that scripted answers work. kNoKey when nothing can
// be read: no standard input, end of input, or a read error.
constexpr int kNoKey = -1;

// A UTF-16 code unit; 0 for a key that produces no character (arrows,
// function keys). Modifier keys alone are not key presses.
int ReadStdinKey();
