#pragma once
#include <windows.h>
#include "cli/access/CliContext.h"

// The actions of the command-line tool. Each prints its results and failures
// itself; none returns a status, since the run ends with 0 after any action.

// Saves the desktop to the layout store under name, or under the full layout
// name of the current display configuration when name is empty. Asks first
// unless answerYes.
void SaveToStore(CCliContext& context, bool answerYes, const wchar_t* name);
// Saves the desktop to a layout file; never asks.
void SaveToFile(CCliContext& context, const wchar_t* path);
// Restores a layout file; never asks.
void RestoreFromFile(CCliContext& context, const wchar_t* path);
// Restores the stored layout whose name equals name, letters A to Z in any
// case (empty: the current display configuration's). Asks first unless answerYes.
void RestoreByName(CCliContext& context, bool answerYes, const wchar_t* name);
// Lists the stored layouts, reads one selection key and restores that layout.
void ChooseLayout(CCliContext& context, bool answerYes);
// Restores the undo layout of the current display configuration, keeping the
// current positions as the new one. Asks first unless answerYes.
void UndoLastRestore(CCliContext& context, bool answerYes);
// Lists the snapshots of the display setup on screen, newest first, and the
// setup's text; never asks.
void ListHistory(CCliContext& context);

// The 35 selection keys of the layout chooser, by store enumeration index.
constexpr const wchar_t* kSelectionKeys = L"123456789abcdefghijklmnopqrstuvwxyz";
constexpr int kSelectionKeyCount = 35;
