#pragma once
#include "layout/WideString.h"

// Names what a process leaves in places that other processes see (a staged
// layout in the registry, a temporary layout file), so that a later process
// can tell whether the owner has ended: "<process id>-<creation time>", the
// creation time as 16 hexadecimal digits, since process ids are reused.
CWideString OwnProcessTag();

// Whether the process named by the tag at the start of text still runs. A
// bare process id (no creation time) names whichever process has that id. A
// process that this user may not query counts as running.
bool IsTaggedProcessRunning(const wchar_t* text);
