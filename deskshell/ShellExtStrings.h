#pragma once

// Ids of the shell extension's string table (shellext/strings.rc). The desktop
// commands and the layout flavor of the shell extension load their texts by
// these ids.
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
// Added to the string table: the refusal of a layout name that would name a
// key nested below the layout store.
#define IDS_INVALID_NAME      127
// Added: what a save that did not happen tells the user.
#define IDS_SAVE_FAILED       128
#define IDS_SAVE_EMPTY        129
#define IDS_SAVE_UNREACHABLE  130
#define IDS_FILE_CREATE       131
#define IDS_FILE_FAILED       132
#define IDS_FILE_EMPTY        133
#define IDS_FILE_UNREACHABLE  134
#define IDS_STORE_BUSY        135
// A restore after whose last pass some icons are still not at their saved
// positions.
#define IDS_MISPLACED         140
// Undo Restore: the command's texts and messages.
#define IDS_UNDO_LABEL        141
#define IDS_UNDO_HELP         142
#define IDS_UNDO_VERB         143
#define IDS_NOTHING_TO_UNDO   144
#define IDS_CONFIRM_UNDO      145
// The desktop list view belongs to another process than the command's.
#define IDS_LISTVIEW_ELSEWHERE 146
