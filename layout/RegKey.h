#pragma once
#include <windows.h>
#include "layout/Owners.h"
#include "layout/WideString.h"

// A key path under HKEY_CURRENT_USER with its open handle. Opening always
// creates the missing keys on the path. Every registry access of both
// deliverables goes through this class. Failures give false or the default.
class CRegKey
{
public:
    CRegKey(const wchar_t* path, REGSAM access, DWORD options = 0);
    CRegKey(const wchar_t* path, const wchar_t* subkey, REGSAM access, DWORD options = 0);
    // A key path under another predefined root (the COM server's
    // registration writes to HKEY_CLASSES_ROOT). An empty path is the root.
    CRegKey(HKEY root, const wchar_t* path, REGSAM access, DWORD options = 0);
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    bool Open();
    void Close();
    bool IsOpen() const { return bool(m_key); }
    HKEY Handle() const { return m_key.Get(); }
    const wchar_t* Path() const { return m_path.c_str(); }

    bool Descend(const wchar_t* subkey);
    bool Ascend();

    // Removes the subkey with its whole subtree.
    bool DeleteSubKey(const wchar_t* name);
    // Removes the subkey only when it has no subkeys of its own.
    bool DeleteEmptySubKey(const wchar_t* name);
    // Whether the subkey exists; looks without creating it.
    bool HasSubKey(const wchar_t* name) const;
    // Copies every value and subkey of this key into destination.
    bool CopyTreeTo(CRegKey& destination);
    // Copies one value, whatever its type, into destination.
    bool CopyValueTo(const wchar_t* name, CRegKey& destination) const;
    // True when the value is gone, also when there was none.
    bool DeleteValue(const wchar_t* name);
    // Whether the key exists under HKEY_CURRENT_USER; looks without creating it.
    static bool Exists(const wchar_t* path);

    // name receives at most kNameBufferChars characters including the NUL.
    bool EnumSubKey(DWORD index, wchar_t* name) const;
    bool EnumValue(DWORD index, wchar_t* name, DWORD* type, BYTE* data, DWORD* dataSize) const;

    // A value counts only when it is a REG_DWORD of 4 bytes.
    DWORD ReadNumber(const wchar_t* name, DWORD defaultValue) const;
    // Reads a text of at most capacity - 1 characters; the buffer is always
    // terminated. A failed read or a value that does not fit gives the default.
    bool ReadText(const wchar_t* name, wchar_t* buffer, DWORD capacity, const wchar_t* defaultText) const;

    // Whether a value of that name exists, whatever its type.
    bool HasValue(const wchar_t* name) const;

    bool WriteNumber(const wchar_t* name, DWORD value);
    bool WriteText(const wchar_t* name, const wchar_t* text);

    // The system's status of the last Open, deletion, copy or write.
    LONG LastStatus() const { return m_status; }

private:
    HKEY m_root = HKEY_CURRENT_USER;
    CKeyHandle m_key;
    CWideString m_path;
    DWORD m_options;
    REGSAM m_access;
    LONG m_status = ERROR_SUCCESS;
};
