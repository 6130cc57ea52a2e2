// The desktop commands invoked inside the desktop host, as the shell invokes
// them, with their questions answered as a user answers them.
#include <windows.h>
#include <gtest/gtest.h>
#include <commctrl.h>
#include <string>
#include "tests/shellext/ShellExtFixture.h"

namespace {

constexpr UINT kSave = 0;
constexpr UINT kRestore = 1;
constexpr UINT kHilite = 3;
constexpr UINT kUndo = 5;

class InvokeCommandTest : public HostedMenuTest
{
protected:
    // Answers the first message box; then, when closeCustom, closes the
    // Custom Save/Restore dialog that must follow.
    void Answer(UINT offset, const std::wstring& question, int answer, bool closeCustom)
    {
        HWND ownerWindow = owner.Handle();
        Invoke(offset, [&](CUiDriver& ui) {
            if (HWND box = ui.WaitDialog(L"Ostrel")) {
                if (ui.MessageText(box) != question || GetWindow(box, GW_OWNER) != ownerWindow)
                    ui.Fail("question \"" + Narrow(ui.MessageText(box)) + "\" or its owner is wrong");
                ui.Click(box, answer);
                ui.WaitGone(box);
            }
            if (!closeCustom)
                return;
            if (HWND dialog = ui.WaitDialog(kCustomCaption))
                ui.Click(dialog, IDCANCEL);
        });
    }
    void SaveDesktop() { Answer(kSave, L"Save Icon Locations for\n" + CurrentLayoutName() + L" ?", IDOK, false); }
};

TEST_F(InvokeCommandTest, SaveHighlightAndRestoreDesktopWorkOnTheSavedLayout)
{
    SaveDesktop();
    ASSERT_TRUE(LayoutExists(CurrentLayoutName()));

    const int added = host.AddIcon({ L"Delta.txt", { 500, 500 } });
    ASSERT_EQ(added, 3);
    Invoke(kHilite, [](CUiDriver&) {});
    for (int i = 0; i <= added; ++i)
        EXPECT_EQ(ListView_GetItemState(host.ListView(), i, LVIS_SELECTED) != 0, i == added) << "icon " << i;

    const POINT saved = host.Position(0);
    host.SetPosition(0, { 900, 700 });
    Invoke(kRestore, [](CUiDriver& ui) {
        if (!ui.StaysAway(kCustomCaption, 1500))
            ui.Fail("a restore that restored opened the Custom Save/Restore dialog");
    });
    EXPECT_EQ(host.Position(0).x, saved.x);
    EXPECT_EQ(host.Position(0).y, saved.y);
    Invoke(kUndo, [](CUiDriver&) {});
    EXPECT_EQ(host.Position(0).x, 900);
    EXPECT_EQ(host.Position(0).y, 700);
}

TEST_F(InvokeCommandTest, RestoreDesktopThatRestoresNothingOpensTheCustomDialog)
{
    // No layout for the current display configuration.
    Invoke(kRestore, [](CUiDriver& ui) {
        if (HWND dialog = ui.WaitDialog(kCustomCaption))
            ui.Click(dialog, IDCANCEL);
    });
    // A layout, but the question answered Cancel.
    StoreSetting(L"Confirm Restore", 1);
    MakeLayoutKey(CurrentLayoutName());
    Answer(kRestore, L"Restore Icon Locations from\n" + CurrentLayoutName() + L" ?", IDCANCEL, true);
}

} // namespace
