#pragma once
#include <windows.h>
#include "deskshell/DeskContext.h"

// The commands of both menus of the desktop background: the classic context
// menu (CDeskMenu) and the top-level entry of the Windows 11 menu
// (CDeskExplorerCommand). Their labels, help texts, settings and the code
// they run come from here alone.
namespace DeskCommand {
enum : UINT
{
    kSave,
    kRestore,
    kCustom,
    kHilite,
    kSettings,
    kUndo, // shown right after Restore Desktop
    kCount
};
} // namespace DeskCommand

// Texts and settings of one command.
struct CDeskCommandInfo
{
    UINT label;
    UINT help;
    UINT verb;
    DWORD CDeskSettings::*cascade; // null: always in the cascade submenu
    DWORD CDeskSettings::*confirm; // null: no confirmation, no "..." added
};

// By command, and the order in which both menus show them.
extern const CDeskCommandInfo kDeskCommands[DeskCommand::kCount];
extern const UINT kDeskMenuOrder[DeskCommand::kCount];

// A label as the menus show it: "..." appended when the command asks first.
constexpr size_t kLabelChars = 32;
void ComposeCommandLabel(const CDeskContext& context, UINT command, wchar_t (&label)[kLabelChars]);

// Runs one command to its end with the context's owner window and site;
// a command out of range runs nothing.
void RunDeskCommand(CDeskContext& context, UINT command);
