#include "layout/RegKey.h"
#include <shlwapi.h>
#include <cwchar>
#include <string>
#include <vector>

CRegKey::CRegKey(const wchar_t* path, REGSAM access, DWORD options)
    : m_path(path), m_options(options), m_access(access)
{
    Open();
}

CRegKey::CRegKey(const wchar_t* path, const wchar_t* subkey, REGSAM access, DWORD options)
    : m_options(options), m_access(access)
{
    std::wstring full = path ? path : L"";
    if (subkey && *subkey) {
        full += L'\\';
        full += subkey;
    }
    m_path = full.c_str();
    Open();
}

CRegKey::CRegKey(HKEY root, const wchar_t* path, REGSAM access, DWORD options)
    : m_root(root), m_path(path), m_options(options), m_access(access)
{
    Open();
}

bool CRegKey::Open()
{
    Close();
    SECURITY_ATTRIBUTES sa = { sizeof(sa), nullptr, TRUE };
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExW(m_root, m_path.c_str(), 0, nullptr, m_options,
                                        m_access, &sa, &key, nullptr);
    m_status = status;
    if (status != ERROR_SUCCESS)
        return false;
    *m_key.Put() = key;
    return true;
}

void CRegKey::Close()
{
    m_key.Reset();
}

bool CRegKey::Descend(const wchar_t* subkey)
{
    if (!m_key || !subkey || !*subkey)
        return false;
    Close();
    std::wstring path = m_path.c_str();
    path += L'\\';
    path += subkey;
    m_path = path.c_str();
    return Open();
}

bool CRegKey::Ascend()
{
    if (!m_key)
        return false;
    Close();
    std::wstring path = m_path.c_str();
    const size_t cut = path.rfind(L'\\');
    if (cut == std::wstring::npos)
        return false;
    path.resize(cut);
    m_path = path.c_str();
    return Open();
}

bool CRegKey::DeleteSubKey(const wchar_t* name)
{
    if (!m_key)
        return false;
    m_status = SHDeleteKeyW(m_key.Get(), name);
    return m_status == ERROR_SUCCESS;
}

bool CRegKey::DeleteEmptySubKey(const wchar_t* name)
{
    if (!m_key || !name || !*name)
        return false;
    m_status = RegDeleteKeyW(m_key.Get(), name);
    return m_status == ERROR_SUCCESS;
}

bool CRegKey::HasSubKey(const wchar_t* name) const
{
    if (!m_key || !name || !*name)
        return false;
    CKeyHandle key;
    return RegOpenKeyExW(m_key.Get(), name, 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS;
}

bool CRegKey::CopyTreeTo(CRegKey& destination)
{
    if (!m_key || !destination.m_key.Get())
        return false;
    m_status = RegCopyTreeW(m_key.Get(), nullptr, destination.m_key.Get());
    return m_status == ERROR_SUCCESS;
}

bool CRegKey::CopyValueTo(const wchar_t* name, CRegKey& destination) const
{
    if (!m_key || !destination.m_key)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(m_key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> data(size + 1);
    if (RegQueryValueExW(m_key.Get(), name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return false;
    destination.m_status = RegSetValueExW(destination.m_key.Get(), name, 0, type, data.data(), size);
    return destination.m_status == ERROR_SUCCESS;
}

bool CRegKey::DeleteValue(const wchar_t* name)
{
    if (!m_key)
        return false;
    m_status = RegDeleteValueW(m_key.Get(), name);
    return m_status == ERROR_SUCCESS || m_status == ERROR_FILE_NOT_FOUND;
}

bool CRegKey::Exists(const wchar_t* path)
{
    CKeyHandle key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS;
}

bool CRegKey::EnumSubKey(DWORD index, wchar_t* name) const
{
    if (!m_key)
        return false;
    DWORD chars = kNameBufferChars;
    return RegEnumKeyExW(m_key.Get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool CRegKey::EnumValue(DWORD index, wchar_t* name, DWORD* type, BYTE* data, DWORD* dataSize) const
{
    if (!m_key)
        return false;
    DWORD chars = kNameBufferChars;
    return RegEnumValueW(m_key.Get(), index, name, &chars, nullptr, type, data, dataSize) == ERROR_SUCCESS;
}

DWORD CRegKey::ReadNumber(const wchar_t* name, DWORD defaultValue) const
{
    if (!m_key)
        return defaultValue;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(m_key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS
        || type != REG_DWORD || size != sizeof(DWORD))
        return defaultValue;
    return value;
}

bool CRegKey::ReadText(const wchar_t* name, wchar_t* buffer, DWORD capacity, const wchar_t* defaultText) const
{
    if (!buffer || capacity == 0)
        return false;
    DWORD size = capacity * sizeof(wchar_t);
    if (m_key && RegQueryValueExW(m_key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS) {
        // The stored data need not end in a NUL: terminate inside the buffer.
        const DWORD chars = size / sizeof(wchar_t);
        if (chars == 0)
            buffer[0] = L'\0';
        else if (buffer[chars - 1] != L'\0')
            buffer[chars < capacity ? chars : capacity - 1] = L'\0';
        return true;
    }
    lstrcpynW(buffer, defaultText ? defaultText : L"", static_cast<int>(capacity));
    return false;
}

bool CRegKey::HasValue(const wchar_t* name) const
{
    return m_key && RegQueryValueExW(m_key.Get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool CRegKey::WriteNumber(const wchar_t* name, DWORD value)
{
    if (!m_key)
        return false;
    m_status = RegSetValueExW(m_key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    return m_status == ERROR_SUCCESS;
}

bool CRegKey::WriteText(const wchar_t* name, const wchar_t* text)
{
    if (!m_key)
        return false;
    if (!text)
        text = L"";
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    m_status = RegSetValueExW(m_key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
    return m_status == ERROR_SUCCESS;
}
