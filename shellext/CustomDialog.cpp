#include "shellext/CustomDialog.h"
#include <shlobj.h>
#include <shlwapi.h>
#include "deskshell/DeskCommands.h"
#include "deskshell/ListViewRestore.h"
#include "layout/LayoutFile.h"
#include "layout/LayoutStore.h"
#include "layout/ResText.h"
#include "shellext/ActCtx.h"
#include "shellext/resource.h"
// Last: it deprecates the run-time's string functions that the standard
// library's headers use.
#include <strsafe.h>

namespace {

// Texts typed into or taken from the dialog are at most this long.
constexpr int kDialogTextChars = 256;

const wchar_t kFileFilter[] = L"Ostrel (*.osl)\0*.osl\0";
const wchar_t kFileExtension[] = L"osl";
const wchar_t kFileFolderName[] = L"Ostrel";

CWideString g_fileFolder;

void FindFileFolder()
{
    if (!g_fileFolder.IsAbsent())
        return;
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path)))
        return;
    if (!PathAddBackslashW(path) || FAILED(StringCchCatW(path, MAX_PATH, kFileFolderName)))
        return;
    g_fileFolder = path;
}

const wchar_t* Text(const CCustomRequest& request, UINT id)
{
    return LoadResText(request.flavor.resources, id);
}

int Ask(HWND dialog, const CCustomRequest& request, const CWideString& text, UINT type)
{
    return MessageBoxW(dialog, text.c_str(), Text(request, IDS_CAPTION), type);
}

void RefuseName(HWND owner, const CCustomRequest& request, const wchar_t* name)
{
    Ask(owner, request, CWideString::Format(Text(request, IDS_INVALID_NAME), name), MB_OK | MB_ICONWARNING);
}

void FillLayoutBox(HWND box, const CCustomRequest& request)
{
    for (size_t i = 0; i < request.layouts.size(); ++i) {
        const LRESULT item = SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(request.layouts[i].c_str()));
        if (item >= 0)
            SendMessageW(box, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
    }
}

// Restore and Delete act on the selected layout: without one they are off.
void UpdateButtons(HWND dialog)
{
    const bool selected = SendDlgItemMessageW(dialog, IDC_LAYOUTS, CB_GETCURSEL, 0, 0) != CB_ERR;
    EnableWindow(GetDlgItem(dialog, IDC_RESTORE), selected);
    EnableWindow(GetDlgItem(dialog, IDC_DELETE), selected);
}

BOOL ShowFileDialog(HWND dialog, wchar_t* file, bool save)
{
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = kFileFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = g_fileFolder.c_str();
    ofn.lpstrDefExt = kFileExtension;
    // The shell's process must not keep the chosen folder as its current one.
    ofn.Flags = OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    return save ? ActCtxGetSaveFileName(&ofn) : ActCtxGetOpenFileName(&ofn);
}

// Ends the dialog with an action on a name or a chosen file.
void Finish(HWND dialog, CCustomRequest& request, int action, const wchar_t* text)
{
    request.action = action;
    request.chosen = -1;
    request.nameText = text;
    EndDialog(dialog, 1);
}

void OnSave(HWND dialog, CCustomRequest& request)
{
    wchar_t name[kDialogTextChars] = {};
    GetDlgItemTextW(dialog, IDC_LAYOUTS, name, kDialogTextChars);
    // A backslash would name a key nested below the store.
    if (wcschr(name, L'\\')) {
        RefuseName(dialog, request, name);
        return;
    }
    Finish(dialog, request, CCustomRequest::kSave, name);
}

void OnRestore(HWND dialog, CCustomRequest& request)
{
    request.action = CCustomRequest::kRestore;
    const LRESULT selected = SendDlgItemMessageW(dialog, IDC_LAYOUTS, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR)
        return;
    request.chosen = static_cast<int>(SendDlgItemMessageW(dialog, IDC_LAYOUTS, CB_GETITEMDATA, selected, 0));
    EndDialog(dialog, 1);
}

void OnSaveFile(HWND dialog, CCustomRequest& request)
{
    wchar_t file[MAX_PATH] = {};
    lstrcpynW(file, request.nameText.c_str(), MAX_PATH);
    // Multi-monitor names mark the primary monitor with "*", which no file name may hold.
    for (wchar_t* c = file; *c; ++c)
        if (*c == L'*')
            *c = L'~';
    if (!ShowFileDialog(dialog, file, true))
        return;
    Finish(dialog, request, CCustomRequest::kSaveFile, file);
}

void OnRestoreFile(HWND dialog, CCustomRequest& request)
{
    wchar_t file[MAX_PATH] = {};
    if (!ShowFileDialog(dialog, file, false))
        return;
    Finish(dialog, request, CCustomRequest::kRestoreFile, file);
}

void OnDelete(HWND dialog, CCustomRequest& request)
{
    request.action = CCustomRequest::kNothing;
    HWND box = GetDlgItem(dialog, IDC_LAYOUTS);
    const LRESULT selected = SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR)
        return;
    wchar_t name[kDialogTextChars] = {};
    GetWindowTextW(box, name, kDialogTextChars);
    // An empty name would make the deletion take the whole store with it.
    if (!name[0]) {
        MessageBeep(MB_ICONWARNING);
        return;
    }
    if (!IsValidLayoutName(name)) {
        RefuseName(dialog, request, name);
        return;
    }
    if (Ask(dialog, request, CWideString::Format(Text(request, IDS_CONFIRM_DELETE), name),
            MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    DeleteLayout(request.flavor, name);
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    request.layouts = ListLayouts(request.flavor);
    FillLayoutBox(box, request);
    // Past the end this selects nothing.
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    UpdateButtons(dialog);
}

void OnInitDialog(HWND dialog, CCustomRequest& request)
{
    SetDlgItemTextW(dialog, IDC_ABOUT, CWideString::Format(Text(request, IDS_ABOUT), kOstrelVersion).c_str());
    SetDlgItemTextW(dialog, IDC_CURRENT_NAME, request.nameText.c_str());
    HWND box = GetDlgItem(dialog, IDC_LAYOUTS);
    if (box) {
        if (request.layouts.empty()) {
            SetWindowTextW(box, request.nameText.c_str());
        } else {
            FillLayoutBox(box, request);
            SendMessageW(box, CB_SETCURSEL, 0, 0);
        }
    }
    UpdateButtons(dialog);
    FindFileFolder();
}

INT_PTR CALLBACK CustomDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        CCustomRequest* request = reinterpret_cast<CCustomRequest*>(lParam);
        if (!request)
            return FALSE;
        try {
            OnInitDialog(dialog, *request);
        } catch (...) {
            EndDialog(dialog, -1);
        }
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    CCustomRequest* request = reinterpret_cast<CCustomRequest*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!request)
        return FALSE;

    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    try {
        switch (id) {
        case IDC_SAVE:
            OnSave(dialog, *request);
            return TRUE;
        case IDC_RESTORE:
            OnRestore(dialog, *request);
            return TRUE;
        case IDC_SAVE_FILE:
            OnSaveFile(dialog, *request);
            return TRUE;
        case IDC_RESTORE_FILE:
            OnRestoreFile(dialog, *request);
            return TRUE;
        case IDC_DELETE:
            OnDelete(dialog, *request);
            return TRUE;
        case IDCANCEL:
            request->action = CCustomRequest::kNothing;
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_LAYOUTS:
            if (code == CBN_SELCHANGE || code == CBN_KILLFOCUS || code == CBN_EDITCHANGE) {
                UpdateButtons(dialog);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
        }
    } catch (...) {
        // Out of memory inside a button: the dialog stays open, nothing chosen.
        request->action = CCustomRequest::kNothing;
        return TRUE;
    }
}

} // namespace

std::vector<CWideString> GatherLayouts(const CLayoutFlavor& flavor)
{
    std::vector<CWideString> layouts;
    for (CWideString& name : ListLayouts(flavor)) {
        // Keys of the old icon format are not layouts; one that cannot be
        // deleted is left out all the same.
        if (IsOldIconKeyName(name.c_str())) {
            RemoveOldIconKey(flavor, name.c_str());
            continue;
        }
        layouts.push_back(std::move(name));
    }
    return layouts;
}

INT_PTR ShowCustomDialog(HWND owner, CCustomRequest& request)
{
    return ActCtxDialogBoxParam(request.flavor.resources, MAKEINTRESOURCEW(IDD_CUSTOM), owner, CustomDialogProc,
                                reinterpret_cast<LPARAM>(&request));
}

const wchar_t* LayoutFileFolder()
{
    return g_fileFolder.c_str();
}

void CustomSaveRestoreCommand(CDeskContext& context)
{
    HWND listView = FindListViewOrWarn(context);
    if (!listView)
        return;
    ProbeDesktopView(context);
    const int monitors = context.display.Capture();

    CCustomRequest request(context.flavor);
    request.nameText = context.display.LayoutName(monitors, true, context.flavor);
    request.layouts = GatherLayouts(context.flavor);

    if (ShowCustomDialog(context.owner, request) == IDCANCEL)
        return;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));

    const wchar_t* name = request.nameText.c_str();
    switch (request.action) {
    case CCustomRequest::kRestore:
        if (request.chosen >= 0 && static_cast<size_t>(request.chosen) < request.layouts.size() &&
            !request.layouts[request.chosen].IsAbsent())
            RestoreLayoutInShell(context, listView, request.layouts[request.chosen].c_str(), 0);
        break;
    case CCustomRequest::kSave:
        if (*name)
            SaveDesktopToStore(context, listView, name);
        break;
    case CCustomRequest::kSaveFile:
        if (*name)
            SaveDesktopToFile(context, listView, name);
        break;
    case CCustomRequest::kRestoreFile:
        if (*name)
            RestoreLayoutInShell(context, listView, name, 1);
        break;
    default:
        break;
    }
}
