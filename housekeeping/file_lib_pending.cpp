#include "housekeeping/file_lib.h"

// The file library's copy, removal and append functions come with the file library; until
// then they fail.
int FILE_Copy(const char*, const char*, int, BOOL, BOOL, DWORD*, BOOL) { return 0; }
int FILE_saveremove(const char*) { return 1; }
int FILE_DelFullTree(char*, BOOL) { return 0; }
BOOL FILE_Append(const char*, const char*) { return FALSE; }
