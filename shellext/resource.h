#pragma once

// String table of the shell extension.
#define IDS_PROJNAME          100
#define IDS_SAVE_LABEL        101
#define IDS_RESTORE_LABEL     102
#define IDS_SAVE_HELP         103
#define IDS_RESTORE_HELP      104
#define IDS_CAPTION           105
#define IDS_STORE_KEY         106
#define IDS_LAYOUT_SINGLE     107
#define IDS_MULTI_MONITOR     108
#define IDS_SAVE_VERB         109
#define IDS_RESTORE_VERB      110
#define IDS_NO_LISTVIEW       112
#define IDS_NO_ICON_INFO      113
#define IDS_CONFIRM_SAVE      114
#define IDS_CUSTOM_LABEL      115
#define IDS_CONFIRM_DELETE    116
#define IDS_CUSTOM_HELP       117
#define IDS_CUSTOM_VERB       118
#define IDS_ABOUT             119
#define IDS_ICON_SIZE         120
#define IDS_SUBMENU           121
#define IDS_HILITE_LABEL      122
#define IDS_HILITE_HELP       123
#define IDS_SETTINGS_LABEL    124
#define IDS_SETTINGS_HELP     125
#define IDS_CONFIRM_RESTORE   126
