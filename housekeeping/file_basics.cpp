// The basic members of the file library: opening with sharing rules, size, time and count of
// directory-search matches, and the directory test that can create whole paths.
#include "housekeeping/file_basics.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <string.h>
#include <sys/stat.h>

namespace {

// Longest path the library handles (MAX_PATH without the terminator).
const size_t kMaxPathLength = MAX_PATH - 1;

// Copies path into a MAX_PATH buffer; false (nothing copied) when it is null or too long.
// Cutting a path would silently name another file, so an over-long one is refused instead.
bool CopyPath(char (&dest)[MAX_PATH], const char* path)
{
    if (!path) return false;
    const size_t length = strlen(path);
    if (length > kMaxPathLength) return false;
    memcpy(dest, path, length + 1);
    return true;
}

// A mode the run-time's stream layer understands: "r", "w" or "a", then any of "+", "b", "t".
// Checked before the file is touched, so a bad mode never creates or truncates anything.
bool IsValidMode(const char* mode)
{
    if (!mode || !mode[0] || !strchr("rwa", mode[0])) return false;
    for (const char* c = mode + 1; *c; ++c) {
        if (!strchr("+bt", *c)) return false;
    }
    return true;
}

// First match of a directory search; false when there is none.
bool FindFirst(const char* path, WIN32_FIND_DATAA* found)
{
    if (!path || !path[0]) return false;
    HANDLE search = FindFirstFileA(path, found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

// Year field of the packed form holds 1980 to 2107; times outside stay at the nearest end so
// the value keeps its order instead of spilling into the other fields.
DWORD PackDosDateTime(const SYSTEMTIME& t)
{
    int year = (int)t.wYear - 1980;
    if (year < 0) year = 0;
    if (year > 127) year = 127;
    return ((DWORD)year << 25) | ((DWORD)(t.wMonth & 0x0F) << 21) |
           ((DWORD)(t.wDay & 0x1F) << 16) | ((DWORD)(t.wHour & 0x1F) << 11) |
           ((DWORD)(t.wMinute & 0x3F) << 5) | (DWORD)((t.wSecond / 2) & 0x1F);
}

bool IsDirectory(const char* path)
{
    WIN32_FIND_DATAA found;
    return FindFirst(path, &found) && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "X:" (a drive root once its backslash is stripped) cannot be found by a directory search.
bool IsExistingDriveRoot(const char* path)
{
    if (strlen(path) != 2 || path[1] != ':') return false;
    const char root[4] = {path[0], ':', '\\', 0};
    const DWORD attributes = GetFileAttributesA(root);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// \\server\share: two leading backslashes and exactly one more.
bool IsShareRoot(const char* path)
{
    if (path[0] != '\\' || path[1] != '\\') return false;
    int more = 0;
    for (const char* c = path + 2; *c; ++c) {
        if (*c == '\\') ++more;
    }
    return more == 1;
}

// A share root cannot be found by a directory search either; it counts as present when a test
// file can be created in it. The test file is removed again.
bool CanWriteShareRoot(const char* share)
{
    char testFile[MAX_PATH];
    const int n = snprintf(testFile, sizeof(testFile), "%s\\dircheck.$$1", share);
    if (n < 0 || n >= (int)sizeof(testFile)) return false;
    HANDLE file = CreateFileA(testFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileA(testFile);
    return true;
}

// directory has no trailing backslash and lives in a writable MAX_PATH buffer: the parent is
// tested by cutting it at its last backslash for the time of the recursive call.
int TestDirectory(char* directory, int mode)
{
    if (IsShareRoot(directory) && CanWriteShareRoot(directory)) return 1;
    if (IsDirectory(directory) || IsExistingDriveRoot(directory)) return 1;
    if (mode <= 0) return 0;
    if (CreateDirectoryA(directory, nullptr)) return 1;
    if (mode == 1) return 0;

    if (mode == 3) {
        const DWORD attributes = GetFileAttributesA(directory);
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileA(directory);
        }
    }
    char* lastSeparator = strrchr(directory, '\\');
    if (lastSeparator && lastSeparator != directory) {
        *lastSeparator = 0;
        TestDirectory(directory, mode);
        *lastSeparator = '\\';
    }
    return TestDirectory(directory, 1);
}

}  // namespace

FILE* FILE_fopen(const char* path, const char* mode, BOOL exclusive)
{
    if (!path || !path[0] || !IsValidMode(mode)) return nullptr;

    int flags = strchr(mode, 't') ? _O_TEXT : _O_BINARY;
    int sharing;
    if (strchr(mode, '+')) {
        flags |= _O_RDWR;
        sharing = exclusive ? _SH_DENYRW : _SH_DENYNO;
    } else if (strchr(mode, 'r')) {
        flags |= _O_RDONLY;
        sharing = exclusive ? _SH_DENYRW : _SH_DENYNO;
    } else if (strchr(mode, 'a')) {
        flags |= _O_WRONLY | _O_APPEND | _O_CREAT;
        sharing = exclusive ? _SH_DENYWR : _SH_DENYNO;
    } else {
        flags |= _O_WRONLY | _O_CREAT | _O_TRUNC;
        sharing = _SH_DENYRW;
    }

    const int descriptor = _sopen(path, flags, sharing, _S_IWRITE);
    if (descriptor < 0) return nullptr;
    FILE* stream = _fdopen(descriptor, mode);
    if (!stream) _close(descriptor);
    return stream;
}

DWORD FILE_GetSize(const char* path)
{
    WIN32_FIND_DATAA found;
    if (!FindFirst(path, &found)) return 0;
    return found.nFileSizeLow;
}

DWORD FILE_GetTime(const char* path, DWORD* size)
{
    if (size) *size = 0;
    WIN32_FIND_DATAA found;
    if (!FindFirst(path, &found)) return 0;
    // A creation time whose low half is zero marks an entry without usable times.
    if (found.ftCreationTime.dwLowDateTime == 0) return 0;

    FILETIME local;
    SYSTEMTIME broken;
    if (!FileTimeToLocalFileTime(&found.ftLastWriteTime, &local)) return 0;
    if (!FileTimeToSystemTime(&local, &broken)) return 0;
    if (size) *size = found.nFileSizeLow;
    return PackDosDateTime(broken);
}

int FILE_Exist(const char* path, const char* name, DWORD* sizeSum)
{
    char pattern[MAX_PATH];
    if (!CopyPath(pattern, path)) return 0;
    if (name) {
        const size_t length = strlen(pattern);
        const char* separator = (length > 0 && pattern[length - 1] == '\\') ? "" : "\\";
        const int n = snprintf(pattern + length, sizeof(pattern) - length, "%s%s", separator,
                               name);
        if (n < 0 || (size_t)n >= sizeof(pattern) - length) return 0;
    }
    if (!pattern[0]) return 0;

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ++count;
        if (sizeSum) *sizeSum += found.nFileSizeLow;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

int FILE_DirectoryTest(const char* directory, int mode)
{
    // Works on a private copy, so the caller's text is never changed, not even for a moment.
    char path[MAX_PATH];
    if (!CopyPath(path, directory)) return 0;
    const size_t length = strlen(path);
    if (length > 0 && path[length - 1] == '\\') path[length - 1] = 0;
    if (!path[0]) return 0;
    return TestDirectory(path, mode);
}
