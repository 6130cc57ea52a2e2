// The desktop's entry in the Windows 11 context menu, made through the
// server's class object as the shell makes it, inside the desktop host.
#include <windows.h>
#include <gtest/gtest.h>
#include <shobjidl.h>
#include <string>
#include <vector>
#include "DeskHostProcess.h"
#include "shellext/DeskMenuIds.h"
#include "tests/shellext/ShellExtFixture.h"

namespace {

CComRef<IExplorerCommand> NewEntry(IUnknown* site)
{
    CComRef<IClassFactory> factory;
    CComRef<IExplorerCommand> entry;
    CComRef<IObjectWithSite> withSite;
    if (FAILED(CServerDll::Get().GetClassObject(CLSID_DeskExplorerCommand, IID_IClassFactory, factory.PutVoid())) ||
        FAILED(factory->CreateInstance(nullptr, IID_IExplorerCommand, entry.PutVoid())))
        return entry;
    if (site && SUCCEEDED(entry.Query(IID_IObjectWithSite, withSite)))
        withSite->SetSite(site);
    return entry;
}

std::vector<CComRef<IExplorerCommand>> Subcommands(IExplorerCommand* entry)
{
    std::vector<CComRef<IExplorerCommand>> commands;
    CComRef<IEnumExplorerCommand> list;
    CComRef<IExplorerCommand> command;
    if (entry && SUCCEEDED(entry->EnumSubCommands(list.Put())))
        while (list->Next(1, command.Put(), nullptr) == S_OK)
            commands.push_back(std::move(command));
    return commands;
}

EXPCMDSTATE State(IExplorerCommand* command)
{
    EXPCMDSTATE state = ECS_DISABLED;
    EXPECT_EQ(command->GetState(nullptr, TRUE, &state), S_OK);
    return state;
}

class ExplorerCommandTest : public HostedMenuTest
{
};

TEST_F(ExplorerCommandTest, OstrelWithTheClassicCascadeAsSubcommandsShownOnTheDesktopAlone)
{
    CComRef<IExplorerCommand> entry = NewEntry(host.Site());
    ASSERT_TRUE(entry);
    CCoTaskText title;
    CCoTaskText icon;
    EXPECT_EQ(entry->GetTitle(nullptr, title.Put()), S_OK);
    EXPECT_STREQ(title.Get(), L"Ostrel");
    EXPECT_EQ(entry->GetIcon(nullptr, icon.Put()), S_OK);
    EXPECT_EQ(icon.Get(), CServerDll::Get().Path() + L",-1");
    EXPECT_NE(FindResourceW(CServerDll::Get().Module(), MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
    EXPCMDFLAGS flags = ECF_DEFAULT;
    EXPECT_EQ(entry->GetFlags(&flags), S_OK);
    EXPECT_EQ(flags, static_cast<EXPCMDFLAGS>(ECF_HASSUBCOMMANDS));

    // Label for label and help text for help text the classic menu's cascade.
    CComRef<IContextMenu> classic = NewInitialisedMenu(host.Site());
    ASSERT_TRUE(classic);
    HMENU menu = CreatePopupMenu();
    classic->QueryContextMenu(menu, 0, 1, 100, CMF_NORMAL);
    HMENU cascade = GetSubMenu(menu, 1);
    const std::vector<std::wstring> labels = MenuTexts(cascade);
    const std::vector<std::wstring> expected = { L"Sa&ve Desktop...", L"Restore &Desktop", L"Undo Restore",
                                                 L"C&ustom Save/Restore...", L"Highlight Unmatched Icons",
                                                 L"Settings..." };
    EXPECT_EQ(labels, expected);
    const std::vector<CComRef<IExplorerCommand>> commands = Subcommands(entry.Get());
    ASSERT_EQ(commands.size(), labels.size());
    for (size_t i = 0; i < commands.size(); ++i) {
        CCoTaskText label;
        CCoTaskText tip;
        wchar_t help[256] = {};
        classic->GetCommandString(GetMenuItemID(cascade, static_cast<int>(i)) - 1, GCS_HELPTEXTW, nullptr,
                                  reinterpret_cast<CHAR*>(help), 256);
        EXPECT_EQ(commands[i]->GetTitle(nullptr, label.Put()), S_OK);
        EXPECT_EQ(commands[i]->GetToolTip(nullptr, tip.Put()), S_OK);
        EXPECT_EQ(label.Get(), labels[i]);
        EXPECT_STREQ(tip.Get(), help);
        EXPECT_EQ(commands[i]->GetFlags(&flags), S_OK);
        EXPECT_EQ(flags, static_cast<EXPCMDFLAGS>(ECF_DEFAULT)) << Narrow(labels[i]);
        EXPECT_EQ(State(commands[i].Get()), static_cast<EXPCMDSTATE>(ECS_ENABLED));
    }
    DestroyMenu(menu);

    EXPECT_EQ(State(entry.Get()), static_cast<EXPCMDSTATE>(ECS_ENABLED));
    // The Desktop directory in a folder window is another folder's background.
    host.Faults().viewOfDesktopDirectory = true;
    EXPECT_EQ(State(entry.Get()), static_cast<EXPCMDSTATE>(ECS_HIDDEN));
    EXPECT_EQ(State(NewEntry(nullptr).Get()), static_cast<EXPCMDSTATE>(ECS_HIDDEN));
}

TEST_F(ExplorerCommandTest, SaveDesktopThenRestoreDesktopThroughTheSubcommandsPutTheIconBack)
{
    const std::vector<CComRef<IExplorerCommand>> commands = Subcommands(NewEntry(host.Site()).Get());
    ASSERT_EQ(commands.size(), 6u);
    const POINT saved = host.Position(0);
    const HWND shellWindow = host.Progman();
    CUiDriver save([&](CUiDriver& ui) {
        if (HWND box = ui.WaitDialog(L"Ostrel")) {
            if (GetWindow(box, GW_OWNER) != shellWindow)
                ui.Fail("the question is not owned by the site's window");
            ui.Click(box, IDOK);
            ui.WaitGone(box);
        }
    });
    EXPECT_EQ(commands[0]->Invoke(nullptr, nullptr), S_OK);
    save.Finish();
    ASSERT_TRUE(LayoutExists(CurrentLayoutName()));

    host.SetPosition(0, { 900, 700 });
    CUiDriver restore([](CUiDriver& ui) {
        if (!ui.StaysAway(kCustomCaption, 1500))
            ui.Fail("a restore that restored opened the Custom Save/Restore dialog");
    });
    EXPECT_EQ(commands[1]->Invoke(nullptr, nullptr), S_OK);
    restore.Finish();
    EXPECT_EQ(host.Position(0).x, saved.x);
    EXPECT_EQ(host.Position(0).y, saved.y);
    for (const CUiDriver* driver : { &save, &restore })
        for (const std::string& error : driver->Errors())
            ADD_FAILURE() << error;
}

// Explorer runs the packaged class in a COM surrogate, whose commands find
// the desktop list view in another process: they say so and touch nothing.
TEST(ExplorerCommandOutsideTheShellTest, CommandsRefuseTheListViewOfAnotherProcess)
{
    CScopedUserHive hive;
    CShellApartment apartment;
    CDeskHostProcess shell;
    ASSERT_EQ(shell.Launch({ { L"Alpha.txt", { 100, 100 } } }), S_OK);
    const std::vector<CComRef<IExplorerCommand>> commands = Subcommands(NewEntry(nullptr).Get());
    ASSERT_EQ(commands.size(), 6u);
    std::wstring said;
    CUiDriver driver([&](CUiDriver& ui) {
        if (HWND box = ui.WaitDialog(L"Ostrel")) {
            said = ui.MessageText(box);
            ui.Click(box, IDOK);
            ui.WaitGone(box);
        }
    });
    EXPECT_EQ(commands[0]->Invoke(nullptr, nullptr), S_OK);
    driver.Finish();
    EXPECT_NE(said.find(L"\"Show more options\""), std::wstring::npos) << Narrow(said);
    for (const std::string& error : driver.Errors())
        ADD_FAILURE() << error;
}

} // namespace
