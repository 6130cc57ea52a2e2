#include "layout/ReplacingFile.h"
#include "layout/ExitGuard.h"
#include "layout/ProcessTag.h"
#include "layout/WideString.h"
#include <cwchar>

namespace {

// The leading part of the name of a temporary file.
constexpr const wchar_t* kTempPrefix = L"~Ostrel-";

// Removes the temporary files in the folder whose process has ended.
void RemoveLeftovers(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + kTempPrefix + L"*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    const size_t prefix = std::wcslen(kTempPrefix);
    do {
        // The pattern also matches short names: the long name must match too.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            _wcsnicmp(found.cFileName, kTempPrefix, prefix) == 0 && !IsTaggedProcessRunning(found.cFileName + prefix))
            DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

} // namespace

std::wstring FolderOf(const std::wstring& full)
{
    const size_t cut = full.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : full.substr(0, cut + 1);
}

CReplacingFile::CReplacingFile(const std::wstring& folder)
{
    if (folder.empty())
        return;
    RemoveLeftovers(folder);
    static LONG s_serial = 0;
    m_path = folder + CWideString::Format(L"%s%s-%ld.tmp", kTempPrefix, OwnProcessTag().c_str(),
                                          InterlockedIncrement(&s_serial)).c_str();
    m_file.Reset(CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!m_file)
        m_path.clear();
}

CReplacingFile::~CReplacingFile()
{
    m_file.Reset();
    if (!m_path.empty())
        DeleteFileW(m_path.c_str());
}

bool CReplacingFile::MoveOver(const std::wstring& target)
{
    m_file.Reset();
    const CExitGuard guard;
    if (!ReplaceOrMove(target))
        return false;
    m_path.clear();
    return true;
}

bool CReplacingFile::MoveToNew(const std::wstring& target)
{
    m_file.Reset();
    const CExitGuard guard;
    if (m_path.empty() || !SetFileAttributesW(m_path.c_str(), FILE_ATTRIBUTE_NORMAL))
        return false;
    if (!MoveFileExW(m_path.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        // Still ours, so hidden again until it moves.
        const DWORD error = GetLastError();
        SetFileAttributesW(m_path.c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetLastError(error == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : error);
        return false;
    }
    m_path.clear();
    return true;
}

bool CReplacingFile::ReplaceOrMove(const std::wstring& target) const
{
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
        // The new file keeps the old one's attributes (hidden, for one),
        // owner, ACL and alternate streams: "it has inherited the file
        // streams and attributes from the file it is replacing"
        // (Microsoft's documentation of ReplaceFileW). Only an ACL that
        // cannot be carried over does not stop the save.
        if (ReplaceFileW(target.c_str(), m_path.c_str(), nullptr, REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr))
            return true;
        // These two leave the complete new file under its own name, the
        // old one gone or moved aside: it then goes in by name.
        const DWORD error = GetLastError();
        if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT && error != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
            return false;
    } else if (!SetFileAttributesW(m_path.c_str(), FILE_ATTRIBUTE_NORMAL)) {
        return false;
    }
    return MoveFileExW(m_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}
