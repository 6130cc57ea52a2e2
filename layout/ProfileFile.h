#pragma once
#include <windows.h>
#include <string>
#include <unordered_map>
#include <vector>
#include "layout/WideString.h"

// Private-profile (INI) text read and written in one pass over the file. The
// system's profile functions read or rewrite the whole file for every key on
// Windows, so a file of N sections costs N^2 through them; these classes give
// the answers and the bytes that the profile functions give.

// Blanks that the profile functions trim around names and values.
bool IsProfileSpace(wchar_t c);

// A file as GetPrivateProfileSectionNamesW, GetPrivateProfileStringW and
// GetPrivateProfileIntW see it.
class CProfileReader
{
public:
    // Reads the whole file: UTF-16 with its byte-order mark (either order),
    // UTF-8 with its mark, the ANSI code page without one. False when the
    // file cannot be read.
    bool Load(const wchar_t* path);
    // Takes the text as a file's content.
    void LoadText(const std::wstring& text);

    // The names of the named sections in file order, as a list of `chars`
    // characters would hold them; false when there is none or when they do
    // not fit (the profile function then fills the list to its end).
    bool SectionNames(DWORD chars, std::vector<const wchar_t*>& names) const;
    // The value of key in the first section of that name (letter case
    // ignored), one pair of enclosing quotes taken off, cut to chars - 1
    // characters; the empty text when there is none.
    CWideString Text(const wchar_t* section, const wchar_t* key, DWORD chars) const;
    // The decimal number that the value begins with (sign allowed), or
    // defaultValue when the value is missing or empty.
    int Int(const wchar_t* section, const wchar_t* key, int defaultValue) const;

    // A line of the file as the profile functions keep it: a key with or
    // without "=" and value.
    struct Line
    {
        std::wstring name;
        std::wstring value;
        bool hasValue = false;
    };
    // The lines before the first section header (comments among them).
    const std::vector<Line>& HeaderLines() const;

private:
    using Key = Line;
    struct Section
    {
        std::wstring name;
        std::vector<Key> keys;
        // Upper-cased key name -> first key of that name; kept for the
        // sections that lookups reach (the first of each name, and the lines
        // before the first header), so that a file reads in linear time.
        std::unordered_map<std::wstring, size_t> firstKey;
        bool indexed = false;
    };

    void Parse(const wchar_t* text, const wchar_t* end);
    // The value of the first key of that name in the first section of that
    // name; null when there is none or the key has no "=".
    const std::wstring* Find(const wchar_t* section, const wchar_t* key) const;

    // The lines before the first section header form a section without name.
    std::vector<Section> m_sections;
    // Upper-cased section name -> first section of that name.
    std::unordered_map<std::wstring, size_t> m_first;
};

// Sections and keys as WritePrivateProfileStringW leaves them in a file that
// holds nothing but a comment header: a new section goes to the end of the
// file, a new key to the end of its section, and a key written again
// replaces its value. Kept in memory and written with the header in one go.
class CProfileWriter
{
public:
    // header: the comment lines that the file begins with ("\n" between lines).
    explicit CProfileWriter(const wchar_t* header) : m_header(header) {}

    // False when the section or key name is empty.
    bool Write(const wchar_t* section, const wchar_t* key, const wchar_t* value);
    // Writes the whole file into an empty file opened for writing: the header
    // lines, then the sections (UTF-16 LE with its byte-order mark), and
    // flushes it to the disk. False when that fails.
    bool Finish(HANDLE file);

private:
    struct Section
    {
        std::wstring name;
        std::vector<std::pair<std::wstring, std::wstring>> keys;
    };

    std::wstring m_header;
    std::vector<Section> m_sections;
    std::unordered_map<std::wstring, size_t> m_byName;
};
