#pragma once
// The basic members of the file library that the supervision core needs from its first step.
#include <windows.h>
#include <stdio.h>
#include "core/export.h"

// Opens with the library's sharing rules ("a" modes deny other writers when exclusive, "r" and
// "+" modes deny everything when exclusive, "w" modes always). The caller closes the stream.
CUSTOR_C FILE* FILE_fopen(const char* path, const char* mode, BOOL exclusive);
// Size of the first match of a directory search; 0 when there is none.
CUSTOR_C DWORD FILE_GetSize(const char* path);
// Last-write time of the first match as a packed DOS date/time in local time; 0 when missing.
CUSTOR_C DWORD FILE_GetTime(const char* path, DWORD* size);
// Number of files (not directories) matching path (or path\name); adds their sizes to sizeSum.
CUSTOR_C int FILE_Exist(const char* path, const char* name, DWORD* sizeSum);
// 1 when the directory exists (mode 0) or exists after creating it: 1 the last level,
// 2 with all missing parents, 3 as 2 after removing a file of the directory's name.
CUSTOR_C int FILE_DirectoryTest(const char* directory, int mode);
