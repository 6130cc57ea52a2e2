#pragma once
#include <windows.h>
#include <string>
#include "layout/Owners.h"

// The file that takes new content until it is complete, in the folder of the
// file it is for (a file is replaced in one step only within its volume). It
// is named "~Ostrel-<process tag>-<n>.tmp" and hidden while it exists, so that
// on the Desktop it never shows as an icon; making one first removes those of
// the folder whose process has ended (what a killed write left behind).
// Removed unless it took the target's place.
class CReplacingFile
{
public:
    explicit CReplacingFile(const std::wstring& folder);
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    bool Created() const { return bool(m_file); }
    HANDLE Handle() const { return m_file.Get(); }

    // Closes the written and flushed file and puts it in the target's place
    // in one step (an existing target keeps its attributes, owner, ACL and
    // streams): the target is the old file or the new one, whenever the
    // process ends.
    bool MoveOver(const std::wstring& target);
    // The same for a target that must not exist yet; false with
    // ERROR_ALREADY_EXISTS when it does, and the file can move again.
    bool MoveToNew(const std::wstring& target);

private:
    bool ReplaceOrMove(const std::wstring& target) const;

    std::wstring m_path;
    CHandle m_file;
};

// The folder part of a full path, with its closing backslash.
std::wstring FolderOf(const std::wstring& full);
