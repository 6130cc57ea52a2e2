#pragma once
#include <windows.h>
#include <vector>
#include "deskshell/DeskContext.h"
#include "layout/WideString.h"

// What the Custom Save/Restore dialog is handed and fills in.
struct CCustomRequest
{
    // The action after the dialog: each equals the id of the button that sets it.
    enum Action : int
    {
        kNothing = IDCANCEL,
        kRestore = 4,
        kSave = 5,
        kSaveFile = 6,
        kRestoreFile = 7,
    };

    explicit CCustomRequest(const CLayoutFlavor& layoutFlavor) : flavor(layoutFlavor) {}

    const CLayoutFlavor& flavor;
    // In: the current layout name. Out: the name to save under (kSave) or the
    // chosen file (kSaveFile, kRestoreFile).
    CWideString nameText;
    // The store's layouts in store order; the dialog's box sorts its own copy.
    std::vector<CWideString> layouts;
    int chosen = -1; // index into layouts of the layout to restore
    int action = kNothing;
};

// The store's layout names, deleting the keys of the old icon format on the way.
std::vector<CWideString> GatherLayouts(const CLayoutFlavor& flavor);

// Shows dialog 202 modally, owned by owner. Returns 1 when an action was
// chosen, IDCANCEL when closed, -1 when it could not be shown.
INT_PTR ShowCustomDialog(HWND owner, CCustomRequest& request);

// The folder that the file dialogs open in: Ostrel inside the user's
// Documents folder, found the first time the dialog opens.
const wchar_t* LayoutFileFolder();

// The Custom Save/Restore command: gathers the layouts, shows the dialog and
// carries out the chosen save or restore after it has closed.
void CustomSaveRestoreCommand(CDeskContext& context);
