// OstrelCli.exe carries its application manifest, and the running program is
// per-monitor DPI aware: the icon positions that the shell reports and the
// monitor rectangles it measures are then in the same physical pixels.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "DeskHost.h"
#include "DeskHostProcess.h"
#include "tests/cli/CliProcess.h"
#include "tests/common/TestSupport.h"

namespace {

std::string EmbeddedManifest(const std::wstring& exe)
{
    HMODULE image = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!image)
        return std::string();
    std::string text;
    if (HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) { // RT_MANIFEST
        const HGLOBAL data = LoadResource(image, found);
        if (const void* bytes = data ? LockResource(data) : nullptr)
            text.assign(static_cast<const char*>(bytes), SizeofResource(image, found));
    }
    FreeLibrary(image);
    return text;
}

// A setting of the manifest as the loader reads it (the activation context
// made from resource 1 of the program).
std::wstring ManifestSetting(const std::wstring& exe, const wchar_t* ns, const wchar_t* name)
{
    ACTCTXW request = {};
    request.cbSize = sizeof(request);
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = exe.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE context = CreateActCtxW(&request);
    if (context == INVALID_HANDLE_VALUE)
        return L"(no activation context)";
    wchar_t value[128] = {};
    SIZE_T written = 0;
    const bool found = QueryActCtxSettingsW(0, context, ns, name, value, ARRAYSIZE(value), &written) != FALSE;
    ReleaseActCtx(context);
    return found ? value : L"(not set)";
}

// The awareness of a running process as one of its own threads sees it: a
// thread started in it at GetThreadDpiAwarenessContext (user32 lies at the
// same address in every process) ends with that context as its exit code.
DPI_AWARENESS ProcessAwareness(HANDLE process)
{
    const auto start = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetThreadDpiAwarenessContext")));
    HANDLE thread = start ? CreateRemoteThread(process, nullptr, 0, start, nullptr, 0, nullptr) : nullptr;
    if (!thread)
        return DPI_AWARENESS_INVALID;
    DWORD context = 0;
    const bool ended = WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &context);
    CloseHandle(thread);
    if (!ended)
        return DPI_AWARENESS_INVALID;
    return GetAwarenessFromDpiAwarenessContext(reinterpret_cast<DPI_AWARENESS_CONTEXT>(static_cast<ULONG_PTR>(context)));
}

TEST(CliManifest, EmbeddedAndThePerMonitorAwarenessHolds)
{
    const std::wstring exe = DeskHostBinFolder() + L"OstrelCli.exe";
    const std::string manifest = EmbeddedManifest(exe);
    ASSERT_FALSE(manifest.empty()) << "no RT_MANIFEST 1";
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << "Windows 10";
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_EQ(L"PerMonitorV2, PerMonitor",
              ManifestSetting(exe, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"));
    EXPECT_EQ(L"true/pm", ManifestSetting(exe, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"));

    // The layout chooser waits for a key; meanwhile the process is asked.
    // (Wine reports every process per-monitor aware, with or without a
    // manifest, measured with Wine 8.0; Windows makes a process without one
    // unaware. Under Wine the settings above are what tell them apart.)
    CDeskHost host;
    ASSERT_EQ(S_OK, host.Start(DeskHostOptions(), { { L"a.txt", { 30, 30 } } }));
    DPI_AWARENESS awareness = DPI_AWARENESS_INVALID;
    const CliRun run = RunCliProcess({ L"query" }, std::string(), 30000, [&](HANDLE process, const std::string& out) {
        if (out.find("Choose Layout") == std::string::npos)
            return false;
        awareness = ProcessAwareness(process);
        return true;
    });
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(DPI_AWARENESS_PER_MONITOR_AWARE, awareness) << Narrow(run.out) << Narrow(run.err);
}

} // namespace
