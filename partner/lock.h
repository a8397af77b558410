#pragma once
// Single-instance lock: a file beside the program held open with other writers denied.
// The lock file is the given path with its last three characters replaced by "LOK".
#include <windows.h>
#include "core/export.h"

CUSTOR_C BOOL LOCK_Start(const char* path, BOOL exitOnFail, BOOL quiet, const char* text);
CUSTOR_C BOOL LOCK_Stop(void);
// holder (MAX_PATH bytes, may be null) receives the text the holding process wrote.
CUSTOR_C BOOL isLOCKED(const char* directory, const char* fileName, char* holder);
CUSTOR_C BOOL LOCK_Start2(const char* directory, const char* fileName, BOOL exitOnFail);
CUSTOR_C BOOL LOCK_Stop2(void);
CUSTOR_C BOOL isLOCKED2(const char* directory, const char* fileName);
