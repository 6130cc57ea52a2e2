#pragma once
#include <memory>
#include "layout/RegKey.h"
#include "layout/StoreLock.h"

// The all-or-nothing replacement of one registry key: a layout under the store
// key, an undo layout under its own parent, any key whose content a program
// writes as a whole. The new content is written completely outside the parent
// (in "<store> (saving)", one staging key per save, named by the process tag
// and never listed as a layout), and only then, under the store lock, takes
// the place of the old key. A process that dies at any instant of that step
// leaves a journal from which the next holder of the lock finishes it.
//
// The value "Version" marks a complete key (a layout in the current format):
// the replacement removes it first and writes it last. In between the key has
// no values and reads as no layout at all, never as a part of one. (The one
// exception, for a reader that skips the recovery: the shell extension's
// legacy records are values of the layout key, which are removed after the
// mark and copied before it, and read as an older layout while the mark is
// missing. Every program of ours reads under the lock, after the recovery.)
//
//     CStagedKey staged(storePath, parentPath, name);  // no lock yet
//     ... write the content into staged.Content(), "Version" last
//     CStoreLock lock(flavor);
//     if (!lock.Held() || !staged.Commit(lock))
//         ... the save failed
class CStagedKey
{
public:
    // Paths under HKEY_CURRENT_USER; storePath is the store whose lock the
    // commit holds (CStoreLock::StorePath, LayoutStorePath).
    CStagedKey(const wchar_t* storePath, const wchar_t* parentPath, const wchar_t* name);
    // Removes the staged content unless a failed commit left it to the
    // recovery.
    ~CStagedKey();
    CStagedKey(const CStagedKey&) = delete;
    CStagedKey& operator=(const CStagedKey&) = delete;

    // Where the caller writes the new content; not open when the staging key
    // could not be made.
    CRegKey& Content() { return *m_content; }

    // Replaces parentPath\name (of any letter case) with the content, the key
    // taking the name's letter case; the caller holds the lock. False when the
    // key could not be replaced: before the first change it is the old key;
    // when a step failed after it, the journal stays, and the next recovery
    // finishes the replacement.
    bool Commit(const CStoreLock& lock);

private:
    CWideString m_rootPath;
    CWideString m_ownName;
    CWideString m_path;
    std::unique_ptr<CRegKey> m_content;
    bool m_leftToRecovery = false;
};

// Removes parentPath\name so that it never reads as a part of itself: the
// mark "Version" first, then the other values, then the subkeys and the key.
// True when the key is gone (or was never there).
bool RemoveKeyMarkFirst(const wchar_t* parentPath, const wchar_t* name);

// Run by CStoreLock as soon as it is held: finishes every commit whose journal
// says it had begun, and removes what processes that have ended staged.
void RecoverStagedKeys(const wchar_t* storePath);
