#pragma once

// Names that the watcher (OstrelWatch.exe) shares with the programs that
// talk to it: the shell extension's Settings dialog, the installer and the
// tests.

// REG_DWORD in the layout store key beside the seven settings of the shell
// extension; a missing value, or one that is not a 4-byte REG_DWORD, is on.
constexpr wchar_t kAutoRestoreValue[] = L"Auto Restore";
// Beside it, read the same way: the watcher keeps the user's arrangement as
// snapshots and restores the newest.
constexpr wchar_t kAutoSnapshotValue[] = L"Auto Snapshot";

// The watcher's hidden top-level window, one per user session.
constexpr wchar_t kWatchWindowClass[] = L"OstrelWatchWindow";
// Posted (HWND_BROADCAST) after the settings changed: the watcher reads them
// again at once (RegisterWindowMessageW).
constexpr wchar_t kWatchSettingsMessage[] = L"OstrelWatch.SettingsChanged";
// One instance per session: the name lives in the session's namespace.
constexpr wchar_t kWatchInstanceMutex[] = L"Local\\OstrelWatch.Instance";

constexpr wchar_t kWatchExecutable[] = L"OstrelWatch.exe";
// The value under HKLM\Software\Microsoft\Windows\CurrentVersion\Run that
// starts the watcher at every sign-in.
constexpr wchar_t kWatchRunValue[] = L"Ostrel Watch";
