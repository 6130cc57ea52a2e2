#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "layout/Capture.h"
#include "layout/DisplaySetup.h"
#include "layout/LayoutFile.h"
#include "layout/LayoutFlavor.h"

// Snapshots: layout files that the programs write by themselves, one folder
// per display setup under %LOCALAPPDATA%\Ostrel\Snapshots, named by the
// setup's digest and holding the setup file ("Setup.ini": the setup's text
// and geometry) and the snapshots, each a layout file in the current format
// named by its UTC time and kind: "20261209T143012.345Z arranged.osl". Any
// of them restores as any layout file does.

enum class SnapshotKind
{
    Arranged,      // the arrangement that the user left
    BeforeRestore, // what a restore replaced
};

// "arranged", "before restore".
const wchar_t* SnapshotKindText(SnapshotKind kind);

// At most this many of each kind per setup, the oldest removed first; a setup
// whose newest snapshot is older than kSnapshotSetupDays is removed.
constexpr int kArrangedLimit = 20;
constexpr int kBeforeRestoreLimit = 10;
constexpr int kSnapshotSetupDays = 365;

struct SnapshotEntry
{
    FILETIME time = {}; // UTC, from its name
    SnapshotKind kind = SnapshotKind::Arranged;
    std::wstring path;
};

struct StoredSetup
{
    std::wstring folder; // with its closing backslash
    CDisplaySetup setup;
};

// The snapshot's time in the user's time zone.
SYSTEMTIME SnapshotLocalTime(const SnapshotEntry& entry);
// How many icon records the snapshot holds (0 when it does not read).
int SnapshotIconCount(const SnapshotEntry& entry, const CDisplayConfig& display);

class CSnapshotStore
{
public:
    // root: the folder that holds the setup folders, DefaultRoot() unless a
    // test gives its own.
    explicit CSnapshotStore(std::wstring root = DefaultRoot());

    // %LOCALAPPDATA%\Ostrel\Snapshots; empty when the user has no local
    // application data folder.
    static std::wstring DefaultRoot();
    const std::wstring& Root() const { return m_root; }

    // Writes a snapshot of the setup from the capture, never under the name of
    // another and never older than the newest there, then removes what is over
    // the limits. An empty capture writes nothing (Empty). *path gets the
    // file's full path.
    FileSaveResult Write(const CLayoutFlavor& flavor, const CDisplaySetup& setup, SnapshotKind kind,
                         CLayoutCapture& capture, std::wstring* path = nullptr, int* written = nullptr) const;

    // The snapshots of the setup, newest first.
    std::vector<SnapshotEntry> List(const CDisplaySetup& setup) const;
    // The newest of that kind; false when there is none.
    bool Newest(const CDisplaySetup& setup, SnapshotKind kind, SnapshotEntry& entry) const;
    // Every setup with a readable setup file.
    std::vector<StoredSetup> Setups() const;
    // The setup's folder, with its closing backslash (it may not exist).
    std::wstring Folder(const CDisplaySetup& setup) const;

private:
    std::wstring m_root;
};
