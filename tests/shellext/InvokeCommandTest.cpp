// Each command of the menu invoked inside the desktop host, as the shell
// invokes it, with its questions answered as a user answers them.
#include <windows.h>
#include <gtest/gtest.h>
#include <commctrl.h>
#include <string>
#include "tests/shellext/HostFixture.h"

namespace {

constexpr UINT kSave = 0;
constexpr UINT kRestore = 1;
constexpr UINT kHilite = 3;

bool Selected(HWND listView, int index)
{
    return SendMessageW(listView, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) & LVIS_SELECTED;
}

class InvokeCommandTest : public HostedMenuTest
{
protected:
    // Save Desktop with its question answered OK.
    void SaveDesktop()
    {
        const std::wstring question = L"Save Icon Locations for\n" + CurrentLayoutName() + L" ?";
        HWND ownerWindow = owner.Handle();
        Invoke(kSave, [&](CUiDriver& ui) {
            HWND box = ui.WaitDialog(L"Ostrel");
            if (!box)
                return;
            if (ui.MessageText(box) != question)
                ui.Fail("question: " + Narrow(ui.MessageText(box)));
            if (GetWindow(box, GW_OWNER) != ownerWindow)
                ui.Fail("the question is not owned by the invoking window");
            ui.Click(box, IDOK);
            ui.WaitGone(box);
        });
    }
};

TEST_F(InvokeCommandTest, SaveThenRestoreDesktopPutsTheIconsBack)
{
    SaveDesktop();
    ASSERT_TRUE(LayoutExists(CurrentLayoutName()));
    const POINT saved = host.Position(0);
    host.SetPosition(0, { 900, 700 });
    Invoke(kRestore, [](CUiDriver& ui) {
        if (!ui.StaysAway(kCustomCaption, 1500))
            ui.Fail("a restore that restored opened the Custom Save/Restore dialog");
    });
    EXPECT_EQ(host.Position(0).x, saved.x);
    EXPECT_EQ(host.Position(0).y, saved.y);
}

TEST_F(InvokeCommandTest, RestoreDesktopThatFindsNoLayoutOpensTheCustomDialog)
{
    Invoke(kRestore, [](CUiDriver& ui) {
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        ui.Click(dialog, IDCANCEL);
        ui.WaitGone(dialog);
    });
}

TEST_F(InvokeCommandTest, RestoreDesktopCancelledAtItsQuestionOpensTheCustomDialog)
{
    StoreSetting(L"Confirm Restore", 1);
    MakeLayoutKey(CurrentLayoutName());
    const std::wstring question = L"Restore Icon Locations from\n" + CurrentLayoutName() + L" ?";
    Invoke(kRestore, [&](CUiDriver& ui) {
        HWND box = ui.WaitDialog(L"Ostrel");
        if (!box)
            return;
        if (ui.MessageText(box) != question)
            ui.Fail("question: " + Narrow(ui.MessageText(box)));
        ui.Click(box, IDCANCEL);
        ui.WaitGone(box);
        HWND dialog = ui.WaitDialog(kCustomCaption);
        if (!dialog)
            return;
        ui.Click(dialog, IDCANCEL);
        ui.WaitGone(dialog);
    });
}

TEST_F(InvokeCommandTest, HighlightSelectsTheIconsTheLayoutDoesNotKnow)
{
    SaveDesktop();
    const int added = host.AddIcon({ L"Delta.txt", { 500, 500 } });
    ASSERT_GE(added, 0);
    Invoke(kHilite, [](CUiDriver& ui) {
        if (!ui.StaysAway(L"Ostrel", 1000))
            ui.Fail("Highlight Unmatched Icons showed a message");
    });
    EXPECT_TRUE(Selected(host.ListView(), added));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(Selected(host.ListView(), i)) << "icon " << i;
}

} // namespace
