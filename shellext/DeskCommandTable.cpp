#include "shellext/DeskCommandTable.h"
#include <strsafe.h>
#include "deskshell/DeskCommands.h"
#include "shellext/CustomDialog.h"
#include "shellext/Settings.h"
#include "shellext/resource.h"

const CDeskCommandInfo kDeskCommands[DeskCommand::kCount] = {
    { IDS_SAVE_LABEL, IDS_SAVE_HELP, IDS_SAVE_VERB, &CDeskSettings::cascadeSave, &CDeskSettings::confirmSave },
    { IDS_RESTORE_LABEL, IDS_RESTORE_HELP, IDS_RESTORE_VERB, &CDeskSettings::cascadeRestore, &CDeskSettings::confirmRestore },
    { IDS_CUSTOM_LABEL, IDS_CUSTOM_HELP, IDS_CUSTOM_VERB, &CDeskSettings::cascadeCustom, nullptr },
    { IDS_HILITE_LABEL, IDS_HILITE_HELP, IDS_HILITE_LABEL, &CDeskSettings::cascadeHilite, nullptr },
    { IDS_SETTINGS_LABEL, IDS_SETTINGS_HELP, IDS_SETTINGS_LABEL, nullptr, nullptr },
    { IDS_UNDO_LABEL, IDS_UNDO_HELP, IDS_UNDO_VERB, nullptr, &CDeskSettings::confirmRestore },
};

// Undo Restore, the newest, has the last offset and sits right after Restore
// Desktop.
const UINT kDeskMenuOrder[DeskCommand::kCount] = { DeskCommand::kSave,   DeskCommand::kRestore, DeskCommand::kUndo,
                                                   DeskCommand::kCustom, DeskCommand::kHilite,  DeskCommand::kSettings };

void ComposeCommandLabel(const CDeskContext& context, UINT command, wchar_t (&label)[kLabelChars])
{
    label[0] = L'\0';
    if (command >= DeskCommand::kCount)
        return;
    const CDeskCommandInfo& info = kDeskCommands[command];
    StringCchCopyW(label, kLabelChars, context.Text(info.label));
    if (info.confirm && context.settings.*info.confirm)
        StringCchCatW(label, kLabelChars, L"...");
}

void RunDeskCommand(CDeskContext& context, UINT command)
{
    switch (command) {
    case DeskCommand::kSave:
        SaveDesktopCommand(context);
        break;
    case DeskCommand::kRestore:
        if (RestoreDesktopCommand(context) == 0)
            CustomSaveRestoreCommand(context);
        break;
    case DeskCommand::kCustom:
        CustomSaveRestoreCommand(context);
        break;
    case DeskCommand::kHilite:
        HighlightUnmatchedCommand(context);
        break;
    case DeskCommand::kSettings:
        SettingsCommand(context);
        break;
    case DeskCommand::kUndo:
        UndoRestoreCommand(context);
        break;
    default:
        break;
    }
}
