#include "layout/StagedKey.h"
#include <cwchar>
#include <string>
#include <vector>
#include "layout/ProcessTag.h"

namespace {

// The mark of a complete key.
constexpr const wchar_t* kMark = L"Version";
// The journal: values of the staging key beside its content "New".
constexpr const wchar_t* kParentValue = L"Parent";
constexpr const wchar_t* kNameValue = L"Name";
// Present (1) from the first change of the stored key until the replacement
// is complete.
constexpr const wchar_t* kCommittingValue = L"Committing";
constexpr const wchar_t* kContentKey = L"New";
// Registry key paths are at most 255 characters per name; the parents that
// commits go to are short paths under the user's Software key.
constexpr DWORD kPathChars = 1024;

CWideString StagingRoot(const wchar_t* storePath)
{
    return CWideString::Format(L"%s (saving)", storePath);
}

// Fails while any staging key is left in it.
void RemoveEmptyRoot(const wchar_t* rootPath)
{
    CRegKey(L"", KEY_ALL_ACCESS).DeleteEmptySubKey(rootPath);
}

std::vector<std::wstring> SubKeyNames(const CRegKey& key)
{
    std::vector<std::wstring> names;
    wchar_t name[kNameBufferChars];
    for (DWORD i = 0; key.EnumSubKey(i, name); ++i)
        names.emplace_back(name);
    return names;
}

std::vector<std::wstring> ValueNames(const CRegKey& key)
{
    std::vector<std::wstring> names;
    wchar_t name[kNameBufferChars];
    for (DWORD i = 0; key.EnumValue(i, name, nullptr, nullptr, nullptr); ++i)
        names.emplace_back(name);
    return names;
}

// Replaces the key that the journal names with the journal's content. Every
// step can be run again from the start after a kill at any instant, which is
// what the recovery does.
bool FinishCommit(const wchar_t* journalPath)
{
    const CRegKey journal(journalPath, KEY_READ);
    wchar_t parentPath[kPathChars];
    wchar_t name[kNameBufferChars];
    if (!journal.ReadText(kParentValue, parentPath, kPathChars, L"") ||
        !journal.ReadText(kNameValue, name, kNameBufferChars, L"") || !*parentPath || !*name)
        return false;
    const CRegKey staged(journalPath, kContentKey, KEY_READ);
    if (!staged.IsOpen())
        return false;

    // 1. The old key goes, mark first: from the mark's removal on it reads as
    //    no layout, never as a part of one.
    if (!RemoveKeyMarkFirst(parentPath, name))
        return false;
    // 2. The key anew, in the name's letter case, with the subkeys and then
    //    the values of the content, all but the mark: still no layout.
    CRegKey target(parentPath, name, KEY_ALL_ACCESS);
    if (!target.IsOpen())
        return false;
    for (const std::wstring& subkey : SubKeyNames(staged)) {
        CRegKey from(staged.Path(), subkey.c_str(), KEY_READ);
        CRegKey to(target.Path(), subkey.c_str(), KEY_ALL_ACCESS);
        if (!from.CopyTreeTo(to))
            return false;
    }
    for (const std::wstring& value : ValueNames(staged)) {
        if (_wcsicmp(value.c_str(), kMark) != 0 && !staged.CopyValueTo(value.c_str(), target))
            return false;
    }
    // 3. The mark, in one step: the key is the complete new one.
    return !staged.HasValue(kMark) || staged.CopyValueTo(kMark, target);
}

} // namespace

CStagedKey::CStagedKey(const wchar_t* storePath, const wchar_t* parentPath, const wchar_t* name)
    : m_rootPath(StagingRoot(storePath))
{
    static LONG s_serial = 0;
    m_ownName = CWideString::Format(L"%s-%ld", OwnProcessTag().c_str(), InterlockedIncrement(&s_serial));
    m_path = CWideString::Format(L"%s\\%s", m_rootPath.c_str(), m_ownName.c_str());
    // Another process may remove the empty staging root just as this key is
    // made below it: then the key is made once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_content = std::make_unique<CRegKey>(m_path.c_str(), kContentKey, KEY_ALL_ACCESS);
        if (m_content->IsOpen())
            break;
    }
    CRegKey journal(m_path.c_str(), KEY_ALL_ACCESS);
    if (!journal.WriteText(kParentValue, parentPath) || !journal.WriteText(kNameValue, name))
        m_content->Close();
}

CStagedKey::~CStagedKey()
{
    m_content.reset();
    if (m_leftToRecovery)
        return;
    CRegKey root(m_rootPath.c_str(), KEY_ALL_ACCESS);
    root.DeleteSubKey(m_ownName.c_str());
    root.Close();
    RemoveEmptyRoot(m_rootPath.c_str());
}

bool CStagedKey::Commit(const CStoreLock& lock)
{
    if (!lock.Held() || !m_content->IsOpen())
        return false;
    // The content is complete before this value is written; from it on, a
    // recovery finishes the replacement whoever began it, and until it a
    // recovery removes the content of a dead process without touching the
    // stored key.
    CRegKey journal(m_path.c_str(), KEY_ALL_ACCESS);
    if (!journal.WriteNumber(kCommittingValue, 1))
        return false;
    m_leftToRecovery = true;
    if (!FinishCommit(m_path.c_str()))
        return false;
    // Cleared in one step before the content goes: a journal without it is
    // an ended commit, or one that never began. Should it stay, the next
    // holder of the lock replaces the key with this same content before
    // anything else, which changes nothing.
    journal.DeleteValue(kCommittingValue);
    m_leftToRecovery = false;
    return true;
}

bool RemoveKeyMarkFirst(const wchar_t* parentPath, const wchar_t* name)
{
    CRegKey parent(parentPath, KEY_ALL_ACCESS);
    if (!parent.IsOpen())
        return false;
    if (!parent.HasSubKey(name))
        return true;
    {
        CRegKey key(parentPath, name, KEY_ALL_ACCESS);
        if (!key.DeleteValue(kMark))
            return false;
        for (const std::wstring& value : ValueNames(key)) {
            if (!key.DeleteValue(value.c_str()))
                return false;
        }
    }
    // Subkeys before the key itself; without values the key reads as nothing
    // all the while.
    return parent.DeleteSubKey(name) || parent.LastStatus() == ERROR_FILE_NOT_FOUND;
}

void RecoverStagedKeys(const wchar_t* storePath)
{
    const CWideString rootPath = StagingRoot(storePath);
    if (!CRegKey::Exists(rootPath.c_str()))
        return;
    CRegKey root(rootPath.c_str(), KEY_ALL_ACCESS);
    for (const std::wstring& name : SubKeyNames(root)) {
        const CWideString path = CWideString::Format(L"%s\\%s", rootPath.c_str(), name.c_str());
        // No commit runs while this lock is held: a journal that says one had
        // begun belongs to a process that ended (or failed) half way through
        // it, with its content complete. It is finished, not undone, since
        // the old key may be gone already.
        if (CRegKey(path.c_str(), KEY_READ).ReadNumber(kCommittingValue, 0) == 1) {
            if (FinishCommit(path.c_str()))
                root.DeleteSubKey(name.c_str());
            continue;
        }
        // Otherwise the stored key was never touched, and the content may be
        // partial: it goes once its process has ended (a live one is still
        // writing it). Leftovers of older versions are named by a bare
        // process id.
        if (!IsTaggedProcessRunning(name.c_str()))
            root.DeleteSubKey(name.c_str());
    }
    root.Close();
    RemoveEmptyRoot(rootPath.c_str());
}
