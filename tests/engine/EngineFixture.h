#pragma once
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "DeskHost.h"
#include "cli/access/CliContext.h"
#include "deskshell/DeskContext.h"
#include "layout/LayoutStore.h"
#include "tests/common/FakeCapture.h"
#include "tests/common/FakeDisplay.h"
#include "tests/common/TestSupport.h"

// One message box as the commands showed it.
struct ShownBox
{
    std::wstring text;
    std::wstring caption;
    UINT type;
};

inline IconRecord MakeRecord(const wchar_t* name, const std::wstring& path, int x, int y, bool legacy = false)
{
    IconRecord record;
    record.Name = name;
    record.Path = path.c_str();
    record.XCoord = x;
    record.YCoord = y;
    record.Legacy = legacy;
    return record;
}

// A desktop host with the shell extension's command state over it, the
// user's registry mapped onto a scratch key, one 1920 x 1080 monitor with a
// work area of 1920 x 1040, and message boxes and console output captured.
class CEngineTest : public ::testing::Test
{
protected:
    CEngineTest() : context(ShellExtResources())
    {
        display.monitors = { { { 0, 0, 1920, 1080 }, true } };
        display.workArea = { 0, 0, 1920, 1040 };
        context.display.SetSource(&display);
        s_boxes = &boxes;
        s_answer = IDOK;
        s_ccVersion = 0x60000;
        s_probedModule = nullptr;
        context.system = &deskSystem;
        cli.flavor = TestCliFlavor();
        cli.system = &cliSystem;
        RemoveSnapshots();
    }

    ~CEngineTest() override
    {
        context.SetSiteUnknown(nullptr);
        host.Stop();
        s_boxes = nullptr;
        RemoveSnapshots();
    }

    // Starts the host with the icons and gives the context the host's site.
    void Start(const std::vector<DeskIcon>& icons, DeskHostOptions options = DeskHostOptions())
    {
        ASSERT_EQ(S_OK, host.Start(options, icons));
        context.SetSiteUnknown(host.Site());
    }

    POINT At(const wchar_t* label) const { return host.Position(host.IndexOf(label)); }
    std::wstring PathOf(const wchar_t* file) const { return host.DesktopFolder() + L"\\" + file; }

    // A list view label that differs from the file name.
    void Relabel(int index, const wchar_t* text)
    {
        LVITEMW item = {};
        item.pszText = const_cast<wchar_t*>(text);
        SendMessageW(host.ListView(), LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }

    bool Selected(int index) const
    {
        return SendMessageW(host.ListView(), LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) != 0;
    }

    // Stores records under a layout name in the shell extension's store.
    void StoreLayout(const wchar_t* name, std::vector<IconRecord> records)
    {
        CFakeCapture capture(std::move(records));
        int written = 0;
        ASSERT_EQ(SaveResult::Saved, SaveLayout(context.flavor, name, capture, &written));
    }

    static int MessageBoxHook(HWND, const wchar_t* text, const wchar_t* caption, UINT type)
    {
        if (s_boxes)
            s_boxes->push_back({ text ? text : L"", caption ? caption : L"", type });
        return s_answer;
    }

    // Wine's comctl32 refuses the 32-byte version record of DllGetVersion, so
    // the tests say which version the common controls are.
    static DWORD ProbeHook(HMODULE module)
    {
        s_probedModule = module;
        return s_ccVersion;
    }

    // The system as the tests answer it: message boxes recorded and
    // answered, the common-controls version given, console output kept.
    class CTestDeskSystem : public CDeskSystem
    {
    public:
        int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override
        {
            return MessageBoxHook(owner, text, caption, type);
        }
        DWORD CommonControlsVersion(HMODULE module) override { return ProbeHook(module); }
    };
    class CTestCliSystem : public CCliSystem
    {
    public:
        explicit CTestCliSystem(CEngineTest& test) : m_test(test) {}
        void Write(OutStream stream, const std::wstring& text) override
        {
            (stream == OutStream::Out ? m_test.out : m_test.err) += text;
        }
        DWORD CommonControlsVersion() override { return ProbeHook(nullptr); }

    private:
        CEngineTest& m_test;
    };

    CScopedUserHive hive;
    CFakeDisplay display;
    CDeskHost host;
    CDeskContext context;
    CTestDeskSystem deskSystem;
    CTestCliSystem cliSystem{ *this };
    CCliContext cli;
    std::vector<ShownBox> boxes;
    std::wstring out;
    std::wstring err;

    static inline std::vector<ShownBox>* s_boxes = nullptr;
    static inline int s_answer = IDOK;
    static inline DWORD s_ccVersion = 0x60000;
    static inline HMODULE s_probedModule = nullptr;
};

inline bool operator==(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }
inline bool operator!=(POINT a, POINT b) { return !(a == b); }
inline std::ostream& operator<<(std::ostream& os, POINT p) { return os << "(" << p.x << "," << p.y << ")"; }
