#pragma once

// String table of the command-line tool: the store key and the layout-name
// pieces, shared with the watcher.
#include "shellview/StoreStrings.h"
