#pragma once
// The file library beyond the file basics: copies that keep times and verify sizes, tree
// removal, appending and the rest of the FILE_ family.
#include <windows.h>
#include "core/export.h"
#include "housekeeping/file_basics.h"

// Copies (or, with moveMode 1 or 2, moves) source to destination; keepTimes sets the source's
// times on the copy, scramble passes the bytes through LIB_xor, size receives the destination's
// size, append adds to the end of the destination. 0 failure, 1 copied, 2 moved by renaming.
CUSTOR_C int FILE_Copy(const char* destination, const char* source, int moveMode, BOOL keepTimes,
                       BOOL scramble, DWORD* size, BOOL append);
// Removes a file, clearing a read-only attribute if that is what stopped it. 0 on success.
CUSTOR_C int FILE_saveremove(const char* path);
// Removes the whole tree below directory and the directory itself; counts files (countFiles)
// or their bytes. directory may end with "\"; it is restored before returning.
CUSTOR_C int FILE_DelFullTree(char* directory, BOOL countFiles);
// Appends source to the end of destination (created when missing); true if source was read.
CUSTOR_C BOOL FILE_Append(const char* destination, const char* source);
