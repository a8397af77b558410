#pragma once
// Path building shared by the file library (not exported). Every path the library builds from
// two or more parts goes through FormatPath: a result longer than a path may be fails instead
// of being cut, because a cut path names another file.
#include <windows.h>
#include <stddef.h>

// Longest path the library handles (MAX_PATH without the terminator).
enum { FILE_MAX_PATH_LENGTH = MAX_PATH - 1 };

// snprintf into out (MAX_PATH bytes); false, with out emptied, when the text does not fit in
// FILE_MAX_PATH_LENGTH characters.
bool FormatPath(char* out, const char* format, ...);
// Copies path into out (MAX_PATH bytes); false, with out emptied, for null or over-long paths.
bool CopyPathChecked(char* out, const char* path);
// Removes one trailing backslash in place; returns where it was (to put it back) or null.
char* StripTrailingBackslash(char* directory);
// True for "." and "..", the entries every directory listing holds.
bool IsDotEntry(const char* name);
