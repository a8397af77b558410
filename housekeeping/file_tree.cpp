// Whole-tree operations: size statistics, the size of a directory counting compressed twins,
// and recursive copies that keep times.
#include "housekeeping/file_lib.h"

#include <string.h>

#include "core/lib.h"
#include "core/str.h"
#include "housekeeping/file_path.h"
#include "housekeeping/time_lib.h"

namespace {

struct TreeCounters {
    int countDepth;
    DWORD* fileCount;
    DWORD* oldestTime;
    DWORD* liveCount;
    const char* excludedExtension;
    DWORD* matchCount;
    bool skipDollar;
    const char* tag;
};

bool HasExtension(const char* name, const char* dottedExtension)
{
    if (!dottedExtension || !dottedExtension[0]) return false;
    const char* dot = strrchr(name, '.');
    return dot && lstrcmpiA(dot, dottedExtension) == 0;
}

DWORD PackedLocal(const FILETIME& time)
{
    TIME_FTIME stamp;
    TIME_filetime2ftime(&stamp, &time);
    return ((DWORD)stamp.date << 16) | stamp.time;
}

// directory has no trailing backslash.
ULONGLONG TreeSize(const char* directory, int depth, const TreeCounters& c)
{
    char pattern[MAX_PATH];
    const bool tagged = depth == 1 && c.tag && c.tag[0];
    if (!(tagged ? FormatPath(pattern, "%s\\$%s$*.*", directory, c.tag)
                 : FormatPath(pattern, "%s\\*.*", directory))) {
        return 0;
    }
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    const bool live = !STR_str(directory, "daemon") && !STR_str(directory, "\\Antivirus");
    ULONGLONG total = 0;
    do {
        if (IsDotEntry(entry.cFileName)) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (depth == 1 && c.skipDollar && entry.cFileName[0] == '$') continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            char sub[MAX_PATH];
            if (FormatPath(sub, "%s\\%s", directory, entry.cFileName)) {
                total += TreeSize(sub, depth + 1, c);
            }
            continue;
        }
        if (HasExtension(entry.cFileName, c.excludedExtension)) continue;
        if (c.skipDollar && entry.cFileName[0] == '$') continue;
        total += entry.nFileSizeLow;
        if (c.countDepth == depth + 1) {
            if (c.fileCount) ++*c.fileCount;
            if (live && c.liveCount) ++*c.liveCount;
            if (c.oldestTime) {
                const DWORD written = PackedLocal(entry.ftLastWriteTime);
                if (written <= *c.oldestTime) *c.oldestTime = written;
            }
        }
        if (c.matchCount) ++*c.matchCount;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return total;
}

// The destination lies inside the source (a copy would copy itself without end).
bool IsInside(const char* inner, const char* outer)
{
    char fullInner[MAX_PATH], fullOuter[MAX_PATH];
    const DWORD ni = GetFullPathNameA(inner, MAX_PATH, fullInner, nullptr);
    const DWORD no = GetFullPathNameA(outer, MAX_PATH, fullOuter, nullptr);
    if (ni == 0 || ni >= MAX_PATH || no == 0 || no >= MAX_PATH) return false;
    size_t lo = strlen(fullOuter);
    while (lo > 0 && fullOuter[lo - 1] == '\\') fullOuter[--lo] = 0;
    return STR_ncmp(fullInner, fullOuter, (int)lo) == 0 &&
           (fullInner[lo] == 0 || fullInner[lo] == '\\');
}

bool CopyTree(const char* destination, const char* source)
{
    if (!FILE_DirectoryTest(destination, 2)) return false;
    char pattern[MAX_PATH];
    if (!FormatPath(pattern, "%s\\*.*", source)) return false;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return true;
    bool ok = true;
    do {
        if (IsDotEntry(entry.cFileName)) continue;
        char from[MAX_PATH], to[MAX_PATH];
        if (!FormatPath(from, "%s\\%s", source, entry.cFileName) ||
            !FormatPath(to, "%s\\%s", destination, entry.cFileName)) {
            ok = false;
            continue;
        }
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!CopyTree(to, from)) ok = false;
        } else if (FILE_Copy(to, from, 0, TRUE, FALSE, nullptr, FALSE) != 1) {
            ok = false;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return ok;
}

}  // namespace

ULONGLONG FILE_GetTreeSize(const char* directory, int countDepth, int depth, DWORD* fileCount,
                           DWORD* oldestTime, DWORD* liveCount, const char* excludedExtension,
                           DWORD* matchCount, BOOL skipDollar, const char* tag)
{
    char path[MAX_PATH];
    if (!CopyPathChecked(path, directory)) return 0;
    StripTrailingBackslash(path);
    if (!path[0]) return 0;
    const TreeCounters counters = {countDepth, fileCount, oldestTime, liveCount,
                                   excludedExtension, matchCount, skipDollar != FALSE, tag};
    return TreeSize(path, depth, counters);
}

ULONGLONG FILE_GetCompressedDirSize(const char* directory)
{
    char path[MAX_PATH], pattern[MAX_PATH];
    if (!DirectoryPattern(directory, path, pattern)) return 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    ULONGLONG total = 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (HasExtension(entry.cFileName, ".$Z$")) continue;
        char twin[MAX_PATH];
        const DWORD twinSize =
            FormatPath(twin, "%s\\%s.$Z$", path, entry.cFileName) ? FILE_GetSize(twin) : 0;
        total += twinSize ? twinSize : entry.nFileSizeLow;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return total;
}

BOOL FILE_CopyTree(const char* destination, const char* source)
{
    char to[MAX_PATH], from[MAX_PATH];
    if (!CopyPathChecked(to, destination) || !CopyPathChecked(from, source)) return FALSE;
    StripTrailingBackslash(to);
    StripTrailingBackslash(from);
    if (!to[0] || !from[0] || IsInside(to, from)) return FALSE;
    return CopyTree(to, from) ? TRUE : FALSE;
}
