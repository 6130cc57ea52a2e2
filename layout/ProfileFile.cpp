#include "layout/ProfileFile.h"
#include <cwchar>
#include "layout/Owners.h"

namespace {

// Names compare as the profile functions compare them: letter case ignored.
std::wstring Folded(const wchar_t* text, size_t length)
{
    std::wstring folded(text, length);
    if (length > 0)
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text, static_cast<int>(length), &folded[0],
                     static_cast<int>(length));
    return folded;
}

// A name as the profile functions take it from a caller: blanks around it
// dropped.
std::wstring TrimmedName(const wchar_t* name)
{
    const wchar_t* start = name;
    while (*start && IsProfileSpace(*start))
        ++start;
    const wchar_t* end = start + std::wcslen(start);
    while (end > start && IsProfileSpace(end[-1]))
        --end;
    return std::wstring(start, end);
}

std::wstring DecodeFile(const std::string& bytes)
{
    const size_t size = bytes.size();
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        const int chars = MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, static_cast<int>(size - 3), nullptr, 0);
        std::wstring text(static_cast<size_t>(chars), L'\0');
        if (chars > 0)
            MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, static_cast<int>(size - 3), &text[0], chars);
        return text;
    }
    if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
        const bool bigEndian = data[0] == 0xFE;
        std::wstring text;
        text.reserve((size - 2) / 2);
        for (size_t i = 2; i + 1 < size; i += 2)
            text.push_back(static_cast<wchar_t>(bigEndian ? (data[i] << 8) | data[i + 1] : data[i] | (data[i + 1] << 8)));
        return text;
    }
    const int chars = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(size), nullptr, 0);
    std::wstring text(static_cast<size_t>(chars), L'\0');
    if (chars > 0)
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(size), &text[0], chars);
    return text;
}

} // namespace

bool IsProfileSpace(wchar_t c)
{
    // Control characters 9 to 13, the DOS end-of-file mark and the blank;
    // no other space of Unicode.
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == L' ';
}

bool CProfileReader::Load(const wchar_t* path)
{
    m_sections.clear();
    m_first.clear();
    const CHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF)
        return false;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && !ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr))
        return false;
    bytes.resize(got);
    LoadText(DecodeFile(bytes));
    return true;
}

void CProfileReader::LoadText(const std::wstring& text)
{
    m_sections.clear();
    m_first.clear();
    Parse(text.data(), text.data() + text.size());
}

void CProfileReader::Parse(const wchar_t* next, const wchar_t* end)
{
    m_sections.emplace_back();
    m_sections.back().indexed = true;
    const Key* previous = nullptr;
    while (next < end) {
        // A line ends at a carriage return or a line feed.
        const wchar_t* start = next;
        while (next < end && *next != L'\n' && *next != L'\r')
            ++next;
        const wchar_t* lineEnd = next;
        while (next < end && (*next == L'\n' || *next == L'\r'))
            ++next;
        while (start < lineEnd && IsProfileSpace(*start))
            ++start;
        while (lineEnd > start && IsProfileSpace(lineEnd[-1]))
            --lineEnd;
        if (start >= lineEnd)
            continue;

        if (*start == L'[') {
            const wchar_t* close = lineEnd;
            while (close > start && close[-1] != L']')
                --close;
            if (close > start + 1) {
                const wchar_t* nameStart = start + 1;
                const wchar_t* nameEnd = close - 1;
                while (nameStart < nameEnd && IsProfileSpace(*nameStart))
                    ++nameStart;
                while (nameEnd > nameStart && IsProfileSpace(nameEnd[-1]))
                    --nameEnd;
                Section section;
                section.name.assign(nameStart, nameEnd);
                if (!section.name.empty())
                    section.indexed =
                        m_first.emplace(Folded(section.name.data(), section.name.size()), m_sections.size()).second;
                m_sections.push_back(std::move(section));
                previous = nullptr;
                continue;
            }
        }

        Key key;
        const wchar_t* equals = std::wmemchr(start, L'=', static_cast<size_t>(lineEnd - start));
        const wchar_t* nameEnd = equals ? equals : lineEnd;
        if (equals) {
            while (nameEnd > start && IsProfileSpace(nameEnd[-1]))
                --nameEnd;
            const wchar_t* value = equals + 1;
            while (value < lineEnd && IsProfileSpace(*value))
                ++value;
            key.value.assign(value, lineEnd);
            key.hasValue = true;
        }
        key.name.assign(start, nameEnd);
        // A line without a name right after another is dropped.
        if (key.name.empty() && previous && previous->name.empty())
            continue;
        Section& section = m_sections.back();
        if (section.indexed)
            section.firstKey.emplace(Folded(key.name.data(), key.name.size()), section.keys.size());
        section.keys.push_back(std::move(key));
        previous = &section.keys.back();
    }
}

bool CProfileReader::SectionNames(DWORD chars, std::vector<const wchar_t*>& names) const
{
    names.clear();
    if (chars < 2)
        return false;
    DWORD room = chars - 1;
    DWORD used = 0;
    for (const Section& section : m_sections) {
        if (section.name.empty())
            continue;
        const DWORD length = static_cast<DWORD>(section.name.size()) + 1;
        if (length >= room)
            return false;
        names.push_back(section.name.c_str());
        room -= length;
        used += length;
    }
    // A list that fills the buffer to its last two characters cannot be told
    // from one that was cut.
    return used != 0 && used != chars - 2;
}

const std::vector<CProfileReader::Line>& CProfileReader::HeaderLines() const
{
    static const std::vector<Line> none;
    return m_sections.empty() ? none : m_sections.front().keys;
}

const std::wstring* CProfileReader::Find(const wchar_t* section, const wchar_t* key) const
{
    const std::wstring sectionName = TrimmedName(section);
    const Section* found = nullptr;
    if (sectionName.empty()) {
        // The lines before the first section header.
        found = m_sections.empty() ? nullptr : &m_sections.front();
    } else {
        auto first = m_first.find(Folded(sectionName.data(), sectionName.size()));
        if (first != m_first.end())
            found = &m_sections[first->second];
    }
    if (!found)
        return nullptr;
    const std::wstring keyName = TrimmedName(key);
    auto first = found->firstKey.find(Folded(keyName.data(), keyName.size()));
    if (first == found->firstKey.end())
        return nullptr;
    const Key& candidate = found->keys[first->second];
    return candidate.hasValue ? &candidate.value : nullptr;
}

CWideString CProfileReader::Text(const wchar_t* section, const wchar_t* key, DWORD chars) const
{
    const std::wstring* value = Find(section, key);
    if (!value || chars == 0)
        return CWideString();
    const wchar_t* text = value->c_str();
    size_t length = value->size();
    bool quoted = false;
    if ((text[0] == L'"' || text[0] == L'\'') && length > 1 && text[length - 1] == text[0]) {
        quoted = true;
        ++text;
        --length;
    }
    std::wstring copy(text, length < chars - 1 ? length : chars - 1);
    // The closing quote goes only when the whole rest fitted.
    if (quoted && chars >= length && !copy.empty())
        copy.pop_back();
    return CWideString(copy.c_str());
}

int CProfileReader::Int(const wchar_t* section, const wchar_t* key, int defaultValue) const
{
    // The profile function reads the value into 30 characters first.
    const CWideString text = Text(section, key, 30);
    if (text.IsAbsent())
        return defaultValue;
    // The number as the system converts text to an integer: blanks and
    // control characters skipped, a sign, a prefix 0b, 0o or 0x for another
    // base, then digits up to the first that does not belong to the base;
    // 32 bits, wrapping around.
    const wchar_t* c = text.c_str();
    while (*c && *c <= L' ')
        ++c;
    bool negative = false;
    if (*c == L'+' || *c == L'-')
        negative = *c++ == L'-';
    unsigned int base = 10;
    if (c[0] == L'0' && (c[1] == L'b' || c[1] == L'o' || c[1] == L'x')) {
        base = c[1] == L'b' ? 2 : c[1] == L'o' ? 8 : 16;
        c += 2;
    }
    unsigned int total = 0;
    for (;; ++c) {
        unsigned int digit = base;
        if (*c >= L'0' && *c <= L'9')
            digit = static_cast<unsigned int>(*c - L'0');
        else if (*c >= L'A' && *c <= L'Z')
            digit = static_cast<unsigned int>(*c - L'A') + 10;
        else if (*c >= L'a' && *c <= L'z')
            digit = static_cast<unsigned int>(*c - L'a') + 10;
        if (digit >= base)
            break;
        total = total * base + digit;
    }
    if (negative)
        total = 0u - total;
    return static_cast<int>(total);
}

bool CProfileWriter::Write(const wchar_t* section, const wchar_t* key, const wchar_t* value)
{
    const std::wstring sectionName = TrimmedName(section);
    const std::wstring keyName = TrimmedName(key);
    if (sectionName.empty() || keyName.empty() || !value)
        return false;
    while (*value && IsProfileSpace(*value))
        ++value;

    const std::wstring folded = Folded(sectionName.data(), sectionName.size());
    auto found = m_byName.find(folded);
    if (found == m_byName.end()) {
        found = m_byName.emplace(folded, m_sections.size()).first;
        m_sections.push_back({ sectionName, {} });
    }
    Section& target = m_sections[found->second];
    const std::wstring foldedKey = Folded(keyName.data(), keyName.size());
    for (auto& existing : target.keys) {
        if (existing.first.size() == keyName.size() && Folded(existing.first.data(), existing.first.size()) == foldedKey) {
            existing.second = value;
            return true;
        }
    }
    target.keys.emplace_back(keyName, value);
    return true;
}

bool CProfileWriter::Finish(HANDLE file)
{
    // The profile functions rewrite the whole file from what they read of
    // it: the header's lines come back trimmed, without blank lines, and
    // every section follows without a blank line before it.
    CProfileReader header;
    header.LoadText(m_header);
    std::wstring text;
    for (const CProfileReader::Line& line : header.HeaderLines()) {
        text += line.name;
        if (line.hasValue) {
            text += L"=";
            text += line.value;
        }
        text += L"\r\n";
    }
    for (const Section& section : m_sections) {
        text += L"[";
        text += section.name;
        text += L"]\r\n";
        for (const auto& key : section.keys) {
            text += key.first;
            text += L"=";
            text += key.second;
            text += L"\r\n";
        }
    }
    // UTF-16 LE with its byte-order mark, as the header was written.
    std::string bytes("\xFF\xFE", 2);
    bytes.reserve(2 + text.size() * 2);
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && FlushFileBuffers(file);
}
