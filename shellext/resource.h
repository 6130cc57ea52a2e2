#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

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
// A restore after whose last pass some icons are still not at their saved
// positions.
#define IDS_MISPLACED         140

// Type library and manifest.
#define IDR_TYPELIB           1
#define IDR_MANIFEST          2

// Custom Save/Restore dialog.
#define IDD_CUSTOM            202
#define IDC_RESTORE           4
#define IDC_SAVE              5
#define IDC_SAVE_FILE         6
#define IDC_RESTORE_FILE      7
#define IDC_CURRENT_NAME      201
#define IDC_LAYOUTS           206
#define IDC_DELETE            207
#define IDC_ABOUT             208

// Settings dialog.
#define IDD_SETTINGS          208
#define IDC_CONFIRM_SAVE      209
#define IDC_SAVE_CASCADE      210
#define IDC_SAVE_MAIN         211
#define IDC_RESTORE_CASCADE   212
#define IDC_RESTORE_MAIN      213
#define IDC_CUSTOM_CASCADE    214
#define IDC_CUSTOM_MAIN       215
#define IDC_HILITE_CASCADE    216
#define IDC_HILITE_MAIN       217
#define IDC_CONFIRM_RESTORE   218
#define IDC_FORCE_VISIBLE     219
