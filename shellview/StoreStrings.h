#pragma once

// The string table entries through which the programs outside the shell (the
// command-line tool, the watcher) build the store key and the layout names;
// StoreStrings.rc holds the texts, and each program's resource script
// includes it.
#define IDS_STORE_KEY      101
#define IDS_LAYOUT_SINGLE  102
#define IDS_MULTI_MONITOR  103
#define IDS_ICON_SIZE      104
