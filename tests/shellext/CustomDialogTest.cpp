// The Custom Save/Restore command inside the desktop host, worked as a user
// works it: the dialog's start, Save, Restore, Delete and the file dialogs.
#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>
#include "layout/LayoutFlavor.h"
#include "shellext/CustomDialog.h"
#include "shellext/Module.h"
#include "shellext/resource.h"
#include "tests/shellext/HostFixture.h"

namespace {

constexpr UINT kCustom = 2;

std::wstring BoxEntry(HWND dialog, int index)
{
    wchar_t text[256] = {};
    SendDlgItemMessageW(dialog, IDC_LAYOUTS, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

int BoxCount(HWND dialog)
{
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_LAYOUTS, CB_GETCOUNT, 0, 0));
}

int BoxSelection(HWND dialog)
{
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_LAYOUTS, CB_GETCURSEL, 0, 0));
}

// The file name field of the common file dialog (combo box or edit).
HWND FileNameField(HWND fileDialog)
{
    HWND field = GetDlgItem(fileDialog, 0x47C);
    return field ? field : GetDlgItem(fileDialog, 0x480);
}

bool SamePosition(POINT a, POINT b)
{
    return a.x == b.x && a.y == b.y;
}

class CustomDialogTest : public HostedMenuTest
{
};

TEST_F(CustomDialogTest, WithNoLayoutsTheBoxHoldsTheCurrentNameAndSaveStoresUnderIt)
{
    const std::wstring current = CurrentLayoutName();
    Invoke(kCustom, [&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        SaveScreenShot(dialog, L"custom-dialog-empty.bmp");
        if (ui.Text(dialog, IDC_CURRENT_NAME) != current)
            ui.Fail("current name: " + Narrow(ui.Text(dialog, IDC_CURRENT_NAME)));
        if (ui.Text(dialog, IDC_LAYOUTS) != current || BoxCount(dialog) != 0)
            ui.Fail("the box should hold the current name and no entry");
        if (ui.Text(dialog, IDC_ABOUT).find(L"1.7.2.083") == std::wstring::npos)
            ui.Fail("about line: " + Narrow(ui.Text(dialog, IDC_ABOUT)));
        if (ui.IsEnabled(dialog, IDC_RESTORE) || ui.IsEnabled(dialog, IDC_DELETE))
            ui.Fail("Restore and Delete need a selected layout");
        ui.Click(dialog, IDC_SAVE);
        ui.WaitGone(dialog);
    });
    EXPECT_TRUE(LayoutExists(current));
}

TEST_F(CustomDialogTest, TheFirstLayoutIsSelectedOldIconKeysGoAndSaveOverwritesWithoutAsking)
{
    MakeLayoutKey(L"Beta Layout");
    MakeLayoutKey(L"Alpha Layout");
    MakeLayoutKey(L"Icon0003");
    MakeLayoutKey(L"Icon3");
    MakeLayoutKey(L"Icons");
    Invoke(kCustom, [&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        SaveScreenShot(dialog, L"custom-dialog.bmp");
        if (BoxCount(dialog) != 4 || BoxEntry(dialog, 0) != L"Alpha Layout" || BoxEntry(dialog, 2) != L"Icon3")
            ui.Fail("the box lists the layouts sorted, without the old icon key");
        if (BoxSelection(dialog) != 0 || ui.Text(dialog, IDC_LAYOUTS) != L"Alpha Layout")
            ui.Fail("the first entry is selected");
        if (!ui.IsEnabled(dialog, IDC_RESTORE) || !ui.IsEnabled(dialog, IDC_DELETE))
            ui.Fail("Restore and Delete are on with a selection");
        ui.Click(dialog, IDC_SAVE);
        ui.WaitGone(dialog);
        if (!ui.StaysAway(L"Ostrel", 500))
            ui.Fail("overwriting asked a question");
    });
    EXPECT_FALSE(LayoutExists(L"Icon0003"));
    EXPECT_TRUE(LayoutExists(L"Icon3"));
    EXPECT_TRUE(LayoutExists(L"Alpha Layout"));
    EXPECT_FALSE(HasMarker(L"Alpha Layout")) << "the layout was not saved over";
    EXPECT_TRUE(HasMarker(L"Beta Layout"));
}

TEST_F(CustomDialogTest, ATypedNameIsSavedAndOneWithABackslashIsRefused)
{
    MakeLayoutKey(L"Old");
    Invoke(kCustom, [&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        ui.Type(dialog, IDC_LAYOUTS, L"Old\\Nested");
        ui.Click(dialog, IDC_SAVE);
        HWND box = ui.WaitDialog(L"Ostrel");
        if (!box)
            return;
        if (ui.MessageText(box).find(L"Old\\Nested") == std::wstring::npos)
            ui.Fail("refusal: " + Narrow(ui.MessageText(box)));
        ui.Click(box, IDOK);
        ui.WaitGone(box);
        if (!IsWindowVisible(dialog))
            ui.Fail("the dialog closed after the refusal");
        ui.Type(dialog, IDC_LAYOUTS, L"Evening");
        ui.Click(dialog, IDC_SAVE);
        ui.WaitGone(dialog);
    });
    EXPECT_TRUE(LayoutExists(L"Evening"));
    EXPECT_FALSE(LayoutExists(L"Old\\Nested"));
    EXPECT_TRUE(HasMarker(L"Old")) << "a nested name must not touch the layout it starts with";
}

TEST_F(CustomDialogTest, RestoreOfTheSelectedLayoutPutsTheIconsBack)
{
    Invoke(kCustom, [&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        ui.Type(dialog, IDC_LAYOUTS, L"Home");
        ui.Click(dialog, IDC_SAVE);
        ui.WaitGone(dialog);
    });
    ASSERT_TRUE(LayoutExists(L"Home"));
    const POINT saved[] = { host.Position(0), host.Position(1), host.Position(2) };
    host.SetPosition(0, { 700, 500 });
    host.SetPosition(2, { 900, 200 });

    Invoke(kCustom, [&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        ui.Click(dialog, IDC_RESTORE);
        ui.WaitGone(dialog);
    });
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(SamePosition(host.Position(i), saved[i])) << "icon " << i;
}

TEST_F(CustomDialogTest, DeleteAsksRemovesTheLayoutAndSelectsTheNextOne)
{
    MakeLayoutKey(L"A");
    MakeLayoutKey(L"B");
    MakeLayoutKey(L"C");
    Invoke(kCustom, [&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        ui.SelectEntry(dialog, IDC_LAYOUTS, 1);
        ui.Click(dialog, IDC_DELETE);
        HWND box = ui.WaitDialog(L"Ostrel");
        if (!box)
            return;
        if (ui.MessageText(box) != L"Delete Layout:\nB ?")
            ui.Fail("question: " + Narrow(ui.MessageText(box)));
        ui.Click(box, IDOK);
        ui.WaitGone(box);
        ui.Settle();
        if (BoxCount(dialog) != 2 || BoxSelection(dialog) != 1 || BoxEntry(dialog, 1) != L"C")
            ui.Fail("after deleting B the entry that followed it is selected");

        // Cancel keeps the layout.
        ui.Click(dialog, IDC_DELETE);
        box = ui.WaitDialog(L"Ostrel");
        if (!box)
            return;
        ui.Click(box, IDCANCEL);
        ui.WaitGone(box);
        ui.Settle();
        if (BoxCount(dialog) != 2)
            ui.Fail("Cancel deleted");

        // The last entry: afterwards nothing is selected and Delete is off.
        ui.Click(dialog, IDC_DELETE);
        box = ui.WaitDialog(L"Ostrel");
        if (!box)
            return;
        ui.Click(box, IDOK);
        ui.WaitGone(box);
        ui.Settle();
        if (BoxCount(dialog) != 1 || BoxSelection(dialog) != CB_ERR)
            ui.Fail("deleting the last entry leaves no selection");
        if (ui.IsEnabled(dialog, IDC_RESTORE) || ui.IsEnabled(dialog, IDC_DELETE))
            ui.Fail("Restore and Delete stay on without a selection");
        ui.Click(dialog, IDCANCEL);
        ui.WaitGone(dialog);
    });
    EXPECT_TRUE(LayoutExists(L"A"));
    EXPECT_FALSE(LayoutExists(L"B"));
    EXPECT_FALSE(LayoutExists(L"C"));
}

TEST_F(CustomDialogTest, DeleteWithAnEmptyNameDeletesNothing)
{
    MakeLayoutKey(L"A");
    MakeLayoutKey(L"B");
    Invoke(kCustom, [&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        // The edit field emptied while the list keeps its selection.
        HWND edit = FindWindowExW(GetDlgItem(dialog, IDC_LAYOUTS), nullptr, L"Edit", nullptr);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        if (BoxSelection(dialog) == CB_ERR)
            ui.Fail("the selection went with the text");
        ui.Click(dialog, IDC_DELETE);
        if (!ui.StaysAway(L"Ostrel", 1000))
            ui.Fail("asked to delete an empty name");
        ui.Click(dialog, IDCANCEL);
        ui.WaitGone(dialog);
    });
    EXPECT_TRUE(HasMarker(L"A"));
    EXPECT_TRUE(HasMarker(L"B"));
}

TEST_F(CustomDialogTest, SaveToFileThenRestoreFromFile)
{
    CScratchFolder folder;
    const std::wstring file = folder.File(L"desk.osl");
    // The file dialogs open in Ostrel inside Documents when it exists.
    wchar_t documents[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents), S_OK);
    const std::wstring layoutFolder = std::wstring(documents) + L"\\Ostrel";
    CreateDirectoryW(layoutFolder.c_str(), nullptr);
    const std::wstring current = CurrentLayoutName();

    Invoke(kCustom, [&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        // A cancelled file dialog leaves the dialog open.
        ui.Click(dialog, IDC_SAVE_FILE);
        HWND save = ui.WaitDialog(L"Save As");
        if (!save)
            return;
        ui.Click(save, IDCANCEL);
        ui.WaitGone(save);
        if (!IsWindowVisible(dialog))
            ui.Fail("cancelling the file dialog closed the dialog");

        ui.Click(dialog, IDC_SAVE_FILE);
        save = ui.WaitDialog(L"Save As");
        if (!save)
            return;
        SaveScreenShot(save, L"custom-save-file.bmp");
        wchar_t shown[MAX_PATH] = {};
        GetWindowTextW(FileNameField(save), shown, MAX_PATH);
        if (current != shown)
            ui.Fail("suggested name: " + Narrow(shown));
        wchar_t openFolder[MAX_PATH] = {};
        SendMessageW(save, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(openFolder));
        if (_wcsicmp(openFolder, layoutFolder.c_str()) != 0)
            ui.Fail("file dialog folder: " + Narrow(openFolder));
        SetWindowTextW(FileNameField(save), file.c_str());
        ui.Click(save, IDOK);
        ui.WaitGone(dialog);
    });
    RemoveDirectoryW(layoutFolder.c_str());
    ASSERT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(LayoutExists(current)) << "Save to File wrote to the store";

    const POINT saved = host.Position(1);
    host.SetPosition(1, { 800, 600 });
    Invoke(kCustom, [&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        ui.Click(dialog, IDC_RESTORE_FILE);
        HWND open = ui.WaitDialog(L"Open");
        if (!open)
            return;
        SetWindowTextW(FileNameField(open), file.c_str());
        ui.Click(open, IDOK);
        ui.WaitGone(dialog);
    });
    EXPECT_TRUE(SamePosition(host.Position(1), saved));
}

// The dialog alone, with a request the test makes: a multi-monitor name
// suggests a file name with "~" for each "*".
TEST(CustomDialogRequestTest, FileNameSuggestionReplacesAsterisks)
{
    CComApartment apartment;
    const CLayoutFlavor flavor = TestShellExtFlavor();
    ShellModule().SetInstance(flavor.resources);
    CCustomRequest request(flavor);
    request.nameText = L"Multi-Monitor *[1920 x 1080][1280 x 1024] (48)";
    request.layouts = { L"Second", L"First" };
    COwnerWindow owner;
    CUiDriver driver([](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(L"Custom Layout Save/Restore");
        if (!dialog)
            return;
        ui.Click(dialog, IDC_SAVE_FILE);
        HWND save = ui.WaitDialog(L"Save As");
        if (!save)
            return;
        wchar_t shown[MAX_PATH] = {};
        GetWindowTextW(FileNameField(save), shown, MAX_PATH);
        if (std::wstring(shown) != L"Multi-Monitor ~[1920 x 1080][1280 x 1024] (48)")
            ui.Fail("suggested name: " + Narrow(shown));
        ui.Click(save, IDCANCEL);
        ui.WaitGone(save);
        // The box sorts its entries; Restore hands back the list's own index.
        ui.SelectEntry(dialog, IDC_LAYOUTS, 1);
        ui.Click(dialog, IDC_RESTORE);
        ui.WaitGone(dialog);
    });
    EXPECT_EQ(ShowCustomDialog(owner.Handle(), request), 1);
    driver.Finish();
    for (const std::string& error : driver.Errors())
        ADD_FAILURE() << error;
    EXPECT_EQ(request.action, CCustomRequest::kRestore);
    EXPECT_EQ(request.chosen, 0) << "\"Second\" is the first entry of the layout list";
    EXPECT_STREQ(request.nameText.c_str(), L"Multi-Monitor *[1920 x 1080][1280 x 1024] (48)");
}

} // namespace
