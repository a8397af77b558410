// Removing files and trees: removal past a read-only attribute, whole trees, empty trees,
// old files and deletion to the recycle bin.
#include "housekeeping/file_lib.h"

#include <limits.h>
#include <shellapi.h>
#include <string.h>

#include "core/host.h"
#include "housekeeping/file_path.h"

namespace {

// A linked directory (junction or symbolic link) is removed as a link; its target is not ours
// to empty.
bool IsLink(const WIN32_FIND_DATAA& entry)
{
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool RemoveDirectoryClearing(const char* directory)
{
    if (RemoveDirectoryA(directory)) return true;
    const DWORD attributes = GetFileAttributesA(directory);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) {
        return false;
    }
    SetFileAttributesA(directory, attributes & ~FILE_ATTRIBUTE_READONLY);
    return RemoveDirectoryA(directory) != 0;
}

// directory has no trailing backslash. Returns files attempted (or their bytes).
long long DeleteTree(const char* directory, bool countFiles)
{
    char pattern[MAX_PATH];
    if (!FormatPath(pattern, "%s\\*.*", directory)) return 0;
    long long total = 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsDotEntry(entry.cFileName)) continue;
            char path[MAX_PATH];
            // A name that does not fit is left alone rather than cut to another name.
            if (!FormatPath(path, "%s\\%s", directory, entry.cFileName)) continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (IsLink(entry)) {
                    RemoveDirectoryClearing(path);
                } else {
                    total += DeleteTree(path, countFiles);
                }
                continue;
            }
            FILE_saveremove(path);
            total += countFiles ? 1 : (long long)entry.nFileSizeLow;
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryClearing(directory);
    return total;
}

// Bottom-up removal of directories without files; RemoveDirectoryA refuses any that still
// hold something.
void DeleteEmpty(const char* directory)
{
    char pattern[MAX_PATH];
    if (!FormatPath(pattern, "%s\\*.*", directory)) return;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsDotEntry(entry.cFileName) || !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
                IsLink(entry)) {
                continue;
            }
            char path[MAX_PATH];
            if (FormatPath(path, "%s\\%s", directory, entry.cFileName)) DeleteEmpty(path);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(directory);
}

// 100-nanosecond intervals per second.
const ULONGLONG kFileTimeSecond = 10000000ull;

}  // namespace

int FILE_saveremove(const char* path)
{
    if (!path || !path[0]) return -1;
    if (DeleteFileA(path)) return 0;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return -1;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return -1;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path) ? 0 : -1;
}

int FILE_DelFullTree(char* directory, BOOL countFiles)
{
    if (!directory || !directory[0] || strlen(directory) > FILE_MAX_PATH_LENGTH) return 0;
    char* backslash = StripTrailingBackslash(directory);
    long long total = 0;
    // A linked directory handed in goes as a link, like one met inside a tree.
    const DWORD attributes = directory[0] ? GetFileAttributesA(directory) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveDirectoryClearing(directory);
    else if (directory[0])
        total = DeleteTree(directory, countFiles != FALSE);
    if (backslash) *backslash = '\\';
    return total > INT_MAX ? INT_MAX : (int)total;
}

BOOL FILE_DelEmptyTree(const char* directory)
{
    char path[MAX_PATH];
    if (!CopyPathChecked(path, directory)) return TRUE;
    StripTrailingBackslash(path);
    if (path[0]) DeleteEmpty(path);
    return TRUE;
}

int FILE_DelOldFiles(const char* directory, const char* pattern, int days)
{
    char search[MAX_PATH];
    if (!directory || !pattern || !FormatPath(search, "%s%s", directory, pattern)) return 0;
    // The age limit in the files' own clock: local now, less the days, back in UTC.
    SYSTEMTIME now;
    g_host.getLocalTime(&now);
    FILETIME localNow, utcNow;
    if (!SystemTimeToFileTime(&now, &localNow) || !LocalFileTimeToFileTime(&localNow, &utcNow)) {
        return 0;
    }
    ULARGE_INTEGER limit;
    limit.LowPart = utcNow.dwLowDateTime;
    limit.HighPart = utcNow.dwHighDateTime;
    const ULONGLONG age = (ULONGLONG)(days > 0 ? days : 0) * 86400ull * kFileTimeSecond;
    limit.QuadPart = limit.QuadPart > age ? limit.QuadPart - age : 0;

    // The matches are named relative to the pattern's directory.
    char folder[MAX_PATH];
    const char* slash = strrchr(search, '\\');
    const size_t length = slash ? (size_t)(slash - search) + 1 : 0;
    memcpy(folder, search, length);
    folder[length] = 0;
    int removed = 0;
    WIN32_FIND_DATAA entry;
    HANDLE found = FindFirstFileA(search, &entry);
    if (found == INVALID_HANDLE_VALUE) return 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ULARGE_INTEGER written;
        written.LowPart = entry.ftLastWriteTime.dwLowDateTime;
        written.HighPart = entry.ftLastWriteTime.dwHighDateTime;
        if (written.QuadPart >= limit.QuadPart) continue;
        char path[MAX_PATH];
        if (FormatPath(path, "%s%s", folder, entry.cFileName) && DeleteFileA(path)) ++removed;
    } while (FindNextFileA(found, &entry));
    FindClose(found);
    return removed;
}

int FILE_ShellRemove(HWND window, const char* paths)
{
    if (!paths || !paths[0]) return 0;
    SHFILEOPSTRUCTA operation = {};
    operation.hwnd = window;
    operation.wFunc = FO_DELETE;
    operation.pFrom = paths;
    operation.fFlags = 0x54;  // FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO
    return SHFileOperationA(&operation);
}
