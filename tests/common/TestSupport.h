#pragma once
#include <windows.h>
#include <string>
#include "layout/LayoutFlavor.h"
#include "layout/Owners.h"

// Maps HKEY_CURRENT_USER onto a scratch key for the life of the object, so
// that tests of the store and settings never touch a real user's layouts.
class CScopedUserHive
{
public:
    CScopedUserHive();
    ~CScopedUserHive();
    CScopedUserHive(const CScopedUserHive&) = delete;
    CScopedUserHive& operator=(const CScopedUserHive&) = delete;
    // The scratch key, opened on the real hive (for checks that bypass the override).
    HKEY Scratch() const { return m_scratch.Get(); }

private:
    std::wstring m_name;
    CKeyHandle m_scratch;
};

// A fresh empty folder under the temp folder, removed with its files.
class CScratchFolder
{
public:
    CScratchFolder();
    ~CScratchFolder();
    const std::wstring& Path() const { return m_path; }
    std::wstring File(const wchar_t* name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// Replaces the key at path (under HKEY_CURRENT_USER; the keys above it exist)
// with an empty volatile one, which cannot hold the stable keys a save writes.
void MakeUnwritableKey(const wchar_t* path);

// Empties this user's snapshot store (the test prefix's), as if no program
// had written one; also takes away what BlockSnapshots put there.
void RemoveSnapshots();
// Puts a file where the snapshot store's folder goes: no snapshot can be
// written, none is found.
void BlockSnapshots();

// Folder of the test program (build/bin), where the deliverables are too.
std::wstring BinFolder();

// The two deliverables' string tables, loaded from their binaries.
HINSTANCE ShellExtResources();
HINSTANCE CliResources();
CLayoutFlavor TestShellExtFlavor();
CLayoutFlavor TestCliFlavor();

// Reads a whole file as bytes.
std::string ReadFileBytes(const std::wstring& path);
// UTF-8 <-> UTF-16 for messages in test output.
std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);

// A section "I" of `keys` keys, then `duplicates` more sections "I": each reads
// as the record Name "n", Path "p" at (10, 20), no monitor, Index its ordinal.
void WriteDuplicateSectionsFile(const std::wstring& path, int keys, int duplicates);
