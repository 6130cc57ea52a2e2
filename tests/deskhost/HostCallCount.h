#pragma once
#include <windows.h>

// Calls that reach deskhost.exe's objects from other processes, counted as
// they arrive by a COM channel hook in deskhost.exe and kept in a shared
// memory section named after its process id, so that the process that
// launched it can read and reset them. Every incoming call is one round trip
// between the processes, reference counting and interface queries included.
struct DeskHostCallCounts
{
    LONG total;
    LONG view;        // IShellView, IFolderView, IFolderView2
    LONG folder;      // IShellFolder
    LONG enumerator;  // IEnumIDList
    LONG references;  // IRemUnknown: AddRef, Release and QueryInterface of proxies
    LONG other;       // shell windows object, browser, dispatch
};

// In deskhost.exe: starts counting; false when the counts cannot be shared.
bool StartCountingHostCalls();

// In another process: the counts of a running deskhost.exe.
class CDeskHostCallCounter
{
public:
    CDeskHostCallCounter() = default;
    ~CDeskHostCallCounter() { Close(); }
    CDeskHostCallCounter(const CDeskHostCallCounter&) = delete;
    CDeskHostCallCounter& operator=(const CDeskHostCallCounter&) = delete;

    bool Open(DWORD processId);
    void Close();
    // Zero when not open.
    DeskHostCallCounts Read() const;
    void Reset();

private:
    HANDLE m_section = nullptr;
    DeskHostCallCounts* m_counts = nullptr;
};
