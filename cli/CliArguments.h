#pragma once
#include "layout/WideString.h"

enum class CliAction { None, Save, Restore, Query, Undo, History, Help };
enum class LayoutSource { Store, File };

// What the command line asked for.
struct CCliOptions
{
    CliAction action = CliAction::None;
    bool answerYes = false;
    CWideString layoutName;   // empty: the layout of the current display configuration
    CWideString filePath;     // absolute when it was given relative
    LayoutSource source = LayoutSource::Store;
};

// Parses argv[1..argc-1]; later arguments override earlier ones. On an
// argument that is no keyword and no option value, returns false with
// *invalid pointing at it and leaves the rest unexamined.
bool ParseArguments(int argc, wchar_t** argv, CCliOptions& options, const wchar_t** invalid);

// A relative path joined with the current directory and canonicalised; the
// path as typed when it is not relative or cannot be resolved.
CWideString ResolveFilePath(const wchar_t* path);
