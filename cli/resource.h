#pragma once

// String table of the command-line tool.
#define IDS_STORE_KEY      101
#define IDS_LAYOUT_SINGLE  102
#define IDS_MULTI_MONITOR  103
#define IDS_ICON_SIZE      104
