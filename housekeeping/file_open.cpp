// Closing streams and handles, handle positions, and tests whether files can be had
// exclusively or a directory is empty.
#include "housekeeping/file_lib.h"

#include "housekeeping/file_path.h"

int FILE_fclose(FILE** stream)
{
    if (stream && *stream) {
        fclose(*stream);
        *stream = nullptr;
    }
    return 0;
}

void FILE_CloseHandle(HANDLE* handle)
{
    if (!handle) return;
    if (*handle != INVALID_HANDLE_VALUE && *handle != nullptr) CloseHandle(*handle);
    *handle = INVALID_HANDLE_VALUE;
}

DWORD FILE_rewind(HANDLE file) { return SetFilePointer(file, 0, nullptr, FILE_BEGIN); }

DWORD FILE_ftell(HANDLE file) { return SetFilePointer(file, 0, nullptr, FILE_CURRENT); }

BOOL FILE_IsDirectoryEmpty(const char* directory)
{
    char path[MAX_PATH], pattern[MAX_PATH];
    if (!CopyPathChecked(path, directory)) return FALSE;
    StripTrailingBackslash(path);
    if (!FormatPath(pattern, "%s\\*.*", path)) return FALSE;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return FALSE;
    BOOL empty = TRUE;
    do {
        if (!IsDotEntry(entry.cFileName)) empty = FALSE;
    } while (empty && FindNextFileA(search, &entry));
    FindClose(search);
    return empty;
}

namespace {

bool CanOpenExclusively(const char* path)
{
    FILE* stream = FILE_fopen(path, "rt", TRUE);
    if (!stream) return false;
    fclose(stream);
    return true;
}

}  // namespace

BOOL FILE_TestExclusive(const char* file, const char* directory)
{
    if (file && file[0] && !CanOpenExclusively(file)) return FALSE;
    if (!directory || !directory[0]) return TRUE;
    char path[MAX_PATH], pattern[MAX_PATH];
    if (!CopyPathChecked(path, directory)) return FALSE;
    StripTrailingBackslash(path);
    if (!FormatPath(pattern, "%s\\*.*", path)) return FALSE;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return TRUE;
    BOOL all = TRUE;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        char name[MAX_PATH];
        if (!FormatPath(name, "%s\\%s", path, entry.cFileName) || !CanOpenExclusively(name)) {
            all = FALSE;
        }
    } while (all && FindNextFileA(search, &entry));
    FindClose(search);
    return all;
}
