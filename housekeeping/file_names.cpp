// Free file names: counter-based, time-based and "name (n).ext" names, and long names of
// short (8.3) ones.
#include "housekeeping/file_lib.h"

#include <string.h>

#include "core/host.h"
#include "core/lib.h"
#include "core/str.h"
#include "housekeeping/file_path.h"
#include "housekeeping/time_internal.h"

namespace {

char g_fullName[MAX_PATH];

// The directory with a trailing backslash (added when missing), so a name can follow it.
bool DirectoryPrefix(const char* directory, char* out)
{
    if (!CopyPathChecked(out, directory ? directory : "")) return false;
    const size_t length = strlen(out);
    if (length > 0 && out[length - 1] != '\\' && out[length - 1] != ':') {
        return FormatPath(out, "%s\\", directory);
    }
    return true;
}

bool IsTaken(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

char* FILE_FindNewName(char* out, const char* directory, const char* prefix,
                       const char* extension, BOOL anyExtension, BOOL upperCase, DWORD start)
{
    if (!out) return nullptr;
    out[0] = 0;
    char folder[MAX_PATH];
    if (!prefix || !extension || !DirectoryPrefix(directory, folder)) return nullptr;
    const int prefixLength = (int)strlen(prefix);
    const int bodyLength = prefixLength > 6 ? prefixLength + 3 : 8;
    const int digits = bodyLength - prefixLength;
    if (folder[0]) FILE_DirectoryTest(folder, 2);

    for (DWORD counter = start;; ++counter) {
        char candidate[MAX_PATH];
        if (!FormatPath(candidate, "%s%s%0*lX.%s", folder, prefix, digits, counter,
                        anyExtension ? "*" : extension)) {
            return nullptr;
        }
        if ((int)strlen(LIB_FilenameBody(candidate)) > bodyLength) return nullptr;
        if (FILE_Exist(candidate, nullptr, nullptr) == 0 && !IsTaken(candidate)) {
            if (!FormatPath(out, "%s%s%0*lX.%s", folder, prefix, digits, counter, extension)) {
                return nullptr;
            }
            // A directory of that name (which the search for files does not count) is no
            // free name either.
            if (!IsTaken(out)) {
                if (upperCase) CharUpperA(out);
                return out;
            }
        }
        if (counter == 0xFFFFFFFFu) return nullptr;
    }
}

char* FILE_FindNewName_1(char* out, const char* directory, const char* prefix,
                         const char* extension, int start)
{
    if (!out) return nullptr;
    out[0] = 0;
    char folder[MAX_PATH];
    if (!prefix || !extension || !DirectoryPrefix(directory, folder)) return nullptr;
    if (folder[0]) FILE_DirectoryTest(folder, 2);
    for (int counter = start < 0 ? 0 : start; counter <= 9; ++counter) {
        if (!FormatPath(out, "%s%s%d.%s", folder, prefix, counter, extension)) return nullptr;
        if (!IsTaken(out)) return out;
    }
    out[0] = 0;
    return nullptr;
}

char* FILE_FindNewNameT(char* out, const char* directory, const char* extension,
                        BOOL anyExtension, char letter, char secondLetter, BOOL useTicks)
{
    if (!out) return nullptr;
    out[0] = 0;
    char folder[MAX_PATH];
    if (!DirectoryPrefix(directory, folder)) return nullptr;
    DWORD seed = useTicks ? g_host.getTickCount() : (DWORD)TimeNow();
    // Each seed offers 256 names; a bounded number of seeds keeps a full or unusable
    // directory from holding the caller forever.
    for (int attempt = 0; attempt < 4096; ++attempt, ++seed) {
        char prefix[8];
        if (letter && secondLetter) {
            snprintf(prefix, sizeof(prefix), "%c%c%04lX", letter, secondLetter, seed & 0xFFFF);
        } else if (letter) {
            snprintf(prefix, sizeof(prefix), "%c%05lX", letter, seed & 0xFFFFF);
        } else {
            snprintf(prefix, sizeof(prefix), "%06lX", seed & 0xFFFFFF);
        }
        if (FILE_FindNewName(out, directory, prefix, extension, anyExtension, FALSE, 0)) return out;
    }
    out[0] = 0;
    return nullptr;
}

char* FILE_FindNewNameLong(char* out, const char* directory, const char* body,
                           const char* extension)
{
    if (!out) return out;
    out[0] = 0;
    char folder[MAX_PATH];
    if (!body || !extension || !DirectoryPrefix(directory, folder)) return out;
    if (folder[0]) FILE_DirectoryTest(folder, 2);
    if (!FormatPath(out, "%s%s.%s", folder, body, extension)) return out;
    if (!IsTaken(out)) return out;
    for (int n = 1; n < 100000; ++n) {
        if (!FormatPath(out, "%s%s (%d).%s", folder, body, n, extension)) return out;
        if (!IsTaken(out)) return out;
    }
    out[0] = 0;
    return out;
}

char* FILE_GetFullName(const char* path)
{
    g_fullName[0] = 0;
    if (!path) return g_fullName;
    STR_ncpy(g_fullName, path, MAX_PATH - 1);
    char folder[MAX_PATH], pattern[MAX_PATH];
    STR_ncpy(folder, LIB_sPath(path), MAX_PATH - 1);
    const char* name = LIB_Filename(path, '\\');
    if (!name[0] || !FormatPath(pattern, "%s*.*", folder)) return g_fullName;
    const size_t nameLength = strlen(name);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return g_fullName;
    do {
        char full[MAX_PATH], shortName[MAX_PATH];
        if (!FormatPath(full, "%s%s", folder, entry.cFileName)) continue;
        const DWORD n = GetShortPathNameA(full, shortName, sizeof(shortName));
        if (n == 0 || n >= sizeof(shortName) || n < nameLength) continue;
        const char* tail = shortName + n - nameLength;
        if ((tail == shortName || tail[-1] == '\\') && lstrcmpiA(tail, name) == 0) {
            STR_ncpy(g_fullName, full, MAX_PATH - 1);
            break;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return g_fullName;
}
