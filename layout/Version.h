#pragma once

// The version of both deliverables, read by the resource scripts (version
// resources), the code (layout file headers, the About text, the banner) and
// the build of the release packages (installer/CMakeLists.txt,
// scripts/release.sh). The text form writes the build number with three
// digits; the numeric form of the version resources cannot.
#define OSTREL_VERSION_MAJOR 1
#define OSTREL_VERSION_MINOR 7
#define OSTREL_VERSION_PATCH 2
#define OSTREL_VERSION_BUILD 83
#define OSTREL_VERSION_TEXT "1.7.2.083"

#define OSTREL_VERSION_NUMBERS OSTREL_VERSION_MAJOR, OSTREL_VERSION_MINOR, OSTREL_VERSION_PATCH, OSTREL_VERSION_BUILD

#ifndef RC_INVOKED
// Version string written into layout files and shown by both deliverables.
constexpr const wchar_t* kOstrelVersion = L"" OSTREL_VERSION_TEXT;

namespace ostrel_version_check {
constexpr unsigned Field(const char* text, int index)
{
    unsigned value = 0;
    for (; index > 0; ++text)
        if (*text == '.')
            --index;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10 + unsigned(*text - '0');
    return value;
}
static_assert(Field(OSTREL_VERSION_TEXT, 0) == OSTREL_VERSION_MAJOR &&
              Field(OSTREL_VERSION_TEXT, 1) == OSTREL_VERSION_MINOR &&
              Field(OSTREL_VERSION_TEXT, 2) == OSTREL_VERSION_PATCH &&
              Field(OSTREL_VERSION_TEXT, 3) == OSTREL_VERSION_BUILD,
              "the text and the numbers of the version must agree");
} // namespace ostrel_version_check
#endif
