// The Custom Save/Restore command inside the desktop host, worked as a user
// works it: the dialog's start, Save, Restore, Delete and the file dialogs.
#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>
#include "shellext/CustomDialog.h"
#include "shellext/Module.h"
#include "shellext/resource.h"
#include "tests/shellext/ShellExtFixture.h"

namespace {

constexpr UINT kCustom = 2;

LRESULT Box(HWND dialog, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendDlgItemMessageW(dialog, IDC_LAYOUTS, message, wParam, lParam);
}

std::wstring Entry(HWND dialog, int index)
{
    wchar_t text[256] = {};
    Box(dialog, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

// The file name field of the common file dialog.
HWND FileNameField(HWND fileDialog)
{
    HWND field = GetDlgItem(fileDialog, 0x47C);
    return field ? field : GetDlgItem(fileDialog, 0x480);
}

std::wstring FieldText(HWND field)
{
    wchar_t text[MAX_PATH] = {};
    GetWindowTextW(field, text, MAX_PATH);
    return text;
}

// Answers the question that follows Delete.
void AnswerDelete(CUiDriver& ui, HWND dialog, int answer, const std::wstring& expected = L"")
{
    ui.Click(dialog, IDC_DELETE);
    if (HWND box = ui.WaitDialog(L"Ostrel")) {
        if (!expected.empty() && ui.MessageText(box) != expected)
            ui.Fail("question: " + Narrow(ui.MessageText(box)));
        ui.Click(box, answer);
        ui.WaitGone(box);
        ui.Settle();
    }
}

class CustomDialogTest : public HostedMenuTest
{
protected:
    // Opens the dialog, lets work act on it and waits until it has closed.
    void Custom(const std::function<void(CUiDriver&, HWND)>& work)
    {
        Invoke(kCustom, [&](CUiDriver& ui) {
            if (HWND dialog = ui.WaitDialog(kCustomCaption)) {
                work(ui, dialog);
                ui.WaitGone(dialog);
            }
        });
    }
};

TEST_F(CustomDialogTest, WithNoLayoutsTheBoxHoldsTheCurrentNameAndSaveStoresUnderIt)
{
    const std::wstring current = CurrentLayoutName();
    Custom([&](CUiDriver& ui, HWND dialog) {
        SaveScreenShot(dialog, L"custom-dialog-empty.bmp");
        if (ui.Text(dialog, IDC_CURRENT_NAME) != current || ui.Text(dialog, IDC_LAYOUTS) != current ||
            Box(dialog, CB_GETCOUNT) != 0)
            ui.Fail("the current name belongs in both fields, the list stays empty");
        if (ui.Text(dialog, IDC_ABOUT).find(L"1.7.2.083") == std::wstring::npos)
            ui.Fail("about line: " + Narrow(ui.Text(dialog, IDC_ABOUT)));
        if (ui.IsEnabled(dialog, IDC_RESTORE) || ui.IsEnabled(dialog, IDC_DELETE))
            ui.Fail("Restore and Delete need a selected layout");
        ui.Click(dialog, IDC_SAVE);
    });
    EXPECT_TRUE(LayoutExists(current));
}

TEST_F(CustomDialogTest, TheFirstLayoutIsSelectedOldIconKeysGoAndSaveOverwritesWithoutAsking)
{
    for (const wchar_t* name : { L"Beta Layout", L"Alpha Layout", L"Icon0003", L"Icon3", L"Icons" })
        MakeLayoutKey(name);
    Custom([&](CUiDriver& ui, HWND dialog) {
        SaveScreenShot(dialog, L"custom-dialog.bmp");
        if (Box(dialog, CB_GETCOUNT) != 4 || Entry(dialog, 0) != L"Alpha Layout" || Entry(dialog, 2) != L"Icon3")
            ui.Fail("the box lists the layouts sorted, without the old icon key");
        if (Box(dialog, CB_GETCURSEL) != 0 || ui.Text(dialog, IDC_LAYOUTS) != L"Alpha Layout")
            ui.Fail("the first entry is selected");
        ui.Click(dialog, IDC_SAVE);
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
    Custom([](CUiDriver& ui, HWND dialog) {
        ui.Type(dialog, IDC_LAYOUTS, L"Old\\Nested");
        ui.Click(dialog, IDC_SAVE);
        if (HWND box = ui.WaitDialog(L"Ostrel")) {
            if (ui.MessageText(box).find(L"Old\\Nested") == std::wstring::npos)
                ui.Fail("refusal: " + Narrow(ui.MessageText(box)));
            ui.Click(box, IDOK);
            ui.WaitGone(box);
        }
        if (!IsWindowVisible(dialog))
            ui.Fail("the dialog closed after the refusal");
        ui.Type(dialog, IDC_LAYOUTS, L"Evening");
        ui.Click(dialog, IDC_SAVE);
    });
    EXPECT_TRUE(LayoutExists(L"Evening"));
    EXPECT_FALSE(LayoutExists(L"Old\\Nested"));
    EXPECT_TRUE(HasMarker(L"Old")) << "a nested name touched the layout it begins with";
}

// The store refuses the new layout (a volatile key where the pending layouts
// go cannot hold a stable one): the user is told, the old layout stays.
TEST_F(CustomDialogTest, ASaveThatFailsIsToldAndLeavesTheStoredLayout)
{
    MakeLayoutKey(L"Home");
    // Staging keys cannot be made below a volatile key; one named by this
    // (running) process keeps the staging area from being removed as empty.
    const std::wstring live = L"Software\\Quenlo\\Tovak (saving)\\" + std::to_wstring(GetCurrentProcessId());
    HKEY blocked = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, live.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &blocked, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(blocked);
    const HWND ownerWindow = owner.Handle();
    Invoke(kCustom, [&](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        ui.Type(dialog, IDC_LAYOUTS, L"Home");
        ui.Click(dialog, IDC_SAVE);
        ui.WaitGone(dialog);
        if (HWND box = ui.WaitDialog(L"Ostrel")) {
            if (ui.MessageText(box) != L"Could not save the layout:\nHome\n\nThe stored layout was not changed." ||
                GetWindow(box, GW_OWNER) != ownerWindow)
                ui.Fail("message \"" + Narrow(ui.MessageText(box)) + "\" or its owner is wrong");
            ui.Click(box, IDOK);
            ui.WaitGone(box);
        }
    });
    EXPECT_TRUE(HasMarker(L"Home"));
}

TEST_F(CustomDialogTest, RestoreOfTheSelectedLayoutPutsTheIconsBack)
{
    Custom([](CUiDriver& ui, HWND dialog) {
        ui.Type(dialog, IDC_LAYOUTS, L"Home");
        ui.Click(dialog, IDC_SAVE);
    });
    ASSERT_TRUE(LayoutExists(L"Home"));
    const POINT saved[] = { host.Position(0), host.Position(2) };
    host.SetPosition(0, { 700, 500 });
    host.SetPosition(2, { 900, 200 });
    Custom([](CUiDriver& ui, HWND dialog) { ui.Click(dialog, IDC_RESTORE); });
    EXPECT_EQ(host.Position(0).x, saved[0].x);
    EXPECT_EQ(host.Position(0).y, saved[0].y);
    EXPECT_EQ(host.Position(2).x, saved[1].x);
    EXPECT_EQ(host.Position(2).y, saved[1].y);
}

TEST_F(CustomDialogTest, DeleteAsksRemovesTheLayoutAndSelectsTheNextOne)
{
    for (const wchar_t* name : { L"A", L"B", L"C" })
        MakeLayoutKey(name);
    Custom([](CUiDriver& ui, HWND dialog) {
        ui.SelectEntry(dialog, IDC_LAYOUTS, 1);
        AnswerDelete(ui, dialog, IDOK, L"Delete Layout:\nB ?");
        if (Box(dialog, CB_GETCOUNT) != 2 || Box(dialog, CB_GETCURSEL) != 1 || Entry(dialog, 1) != L"C")
            ui.Fail("after deleting B the entry that followed it is selected");
        AnswerDelete(ui, dialog, IDCANCEL);
        AnswerDelete(ui, dialog, IDOK);
        // The last entry went: nothing is selected, so Restore and Delete are off.
        if (Box(dialog, CB_GETCOUNT) != 1 || Box(dialog, CB_GETCURSEL) != CB_ERR)
            ui.Fail("deleting the last entry leaves no selection");
        if (ui.IsEnabled(dialog, IDC_RESTORE) || ui.IsEnabled(dialog, IDC_DELETE))
            ui.Fail("Restore and Delete stay on without a selection");
        ui.Click(dialog, IDCANCEL);
    });
    EXPECT_TRUE(LayoutExists(L"A"));
    EXPECT_FALSE(LayoutExists(L"B"));
    EXPECT_FALSE(LayoutExists(L"C"));
}

TEST_F(CustomDialogTest, DeleteWithAnEmptyNameDeletesNothing)
{
    MakeLayoutKey(L"A");
    MakeLayoutKey(L"B");
    Custom([](CUiDriver& ui, HWND dialog) {
        // The edit field emptied while the list keeps its selection.
        HWND edit = FindWindowExW(GetDlgItem(dialog, IDC_LAYOUTS), nullptr, L"Edit", nullptr);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        ui.Click(dialog, IDC_DELETE);
        if (!ui.StaysAway(L"Ostrel", 1000))
            ui.Fail("asked to delete an empty name");
        ui.Click(dialog, IDCANCEL);
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
    Custom([&](CUiDriver& ui, HWND dialog) {
        // A cancelled file dialog leaves the dialog open.
        ui.Click(dialog, IDC_SAVE_FILE);
        if (HWND save = ui.WaitDialog(L"Save As")) {
            ui.Click(save, IDCANCEL);
            ui.WaitGone(save);
        }
        ui.Click(dialog, IDC_SAVE_FILE);
        HWND save = ui.WaitDialog(L"Save As");
        if (!save)
            return;
        SaveScreenShot(save, L"custom-save-file.bmp");
        wchar_t openFolder[MAX_PATH] = {};
        SendMessageW(save, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(openFolder));
        if (FieldText(FileNameField(save)) != current || _wcsicmp(openFolder, layoutFolder.c_str()) != 0)
            ui.Fail("suggested " + Narrow(FieldText(FileNameField(save))) + " in " + Narrow(openFolder));
        SetWindowTextW(FileNameField(save), file.c_str());
        ui.Click(save, IDOK);
    });
    RemoveDirectoryW(layoutFolder.c_str());
    ASSERT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(LayoutExists(current)) << "Save to File wrote to the store";

    const POINT saved = host.Position(1);
    host.SetPosition(1, { 800, 600 });
    Custom([&](CUiDriver& ui, HWND dialog) {
        ui.Click(dialog, IDC_RESTORE_FILE);
        if (HWND open = ui.WaitDialog(L"Open")) {
            SetWindowTextW(FileNameField(open), file.c_str());
            ui.Click(open, IDOK);
        }
    });
    EXPECT_EQ(host.Position(1).x, saved.x);
    EXPECT_EQ(host.Position(1).y, saved.y);
}

// The dialog alone with a request of the test's: a multi-monitor name
// suggests a file name with "~" for each "*", and Restore hands back the
// layout list's index although the box sorts its entries.
TEST(CustomDialogRequestTest, FileNameAndChosenLayoutOfAMultiMonitorRequest)
{
    CShellApartment apartment{ false };
    const CLayoutFlavor flavor = TestShellExtFlavor();
    ShellModule().SetInstance(flavor.resources);
    CCustomRequest request(flavor);
    request.nameText = L"Multi-Monitor *[1920 x 1080]*[1280 x 1024] (48)";
    request.layouts = { L"Second", L"First" };
    COwnerWindow owner;
    CUiDriver driver([](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(L"Custom Layout Save/Restore");
        if (!dialog)
            return;
        ui.Click(dialog, IDC_SAVE_FILE);
        if (HWND save = ui.WaitDialog(L"Save As")) {
            if (FieldText(FileNameField(save)) != L"Multi-Monitor ~[1920 x 1080]~[1280 x 1024] (48)")
                ui.Fail("suggested name: " + Narrow(FieldText(FileNameField(save))));
            ui.Click(save, IDCANCEL);
            ui.WaitGone(save);
        }
        ui.SelectEntry(dialog, IDC_LAYOUTS, 1);
        ui.Click(dialog, IDC_RESTORE);
    });
    EXPECT_EQ(ShowCustomDialog(owner.Handle(), request), 1);
    driver.Finish();
    EXPECT_TRUE(driver.Errors().empty()) << driver.Errors().front();
    EXPECT_EQ(request.action, CCustomRequest::kRestore);
    EXPECT_EQ(request.chosen, 0) << "\"Second\" is entry 1 of the box and 0 of the list";
}

} // namespace
