// Single-instance lock. The lock is a file beside the program held open for appending with
// other writers denied: a second copy cannot open it, and a file left behind by a crashed copy
// blocks nothing because the lock is the open file, not its existence.
#include "partner/lock.h"

#include <stdio.h>
#include <string.h>

#include "core/host.h"
#include "core/lib.h"
#include "housekeeping/file_basics.h"

namespace {

struct LockState {
    char name[MAX_PATH];  // lock file while locked, "" otherwise
    FILE* file;           // the open lock file, null while unlocked
};

// The first lock is the program's own; the second is free for other programs of the maker.
LockState g_lock = {};
LockState g_lock2 = {};

// Lock file name: the path with its last three characters replaced by "LOK". False for a
// path too short to lose three characters or too long for a path buffer, which names no file.
bool BuildLockName(char (&name)[MAX_PATH], const char* path)
{
    name[0] = 0;
    if (!path) return false;
    const size_t length = strlen(path);
    if (length < 3 || length > MAX_PATH - 1) return false;
    memcpy(name, path, length - 3);
    memcpy(name + length - 3, "LOK", 4);
    return true;
}

// Directory and file name joined without a separator, as the maker's programs pass them.
bool BuildLockNameOf(char (&name)[MAX_PATH], const char* directory, const char* fileName)
{
    name[0] = 0;
    char path[MAX_PATH];
    const int n = snprintf(path, sizeof(path), "%s%s", directory ? directory : "",
                           fileName ? fileName : "");
    if (n < 0 || n >= (int)sizeof(path)) return false;
    return BuildLockName(name, path);
}

// Removes a stale lock file (one that is held open cannot be deleted and stays), then opens
// it for appending with other writers denied. Null while another process holds it.
FILE* OpenLockFile(const char* name)
{
    DeleteFileA(name);
    return FILE_fopen(name, "ab", TRUE);
}

// Keeps the newly opened lock file. A lock this process held before under another name is
// released, so no handle is lost.
void Hold(LockState& lock, const char* name, FILE* file)
{
    if (lock.file) {
        fclose(lock.file);
        DeleteFileA(lock.name);
    }
    lock.file = file;
    snprintf(lock.name, sizeof(lock.name), "%s", name);
}

BOOL Release(LockState& lock)
{
    if (lock.file) {
        fclose(lock.file);
        lock.file = nullptr;
    }
    if (lock.name[0]) DeleteFileA(lock.name);
    lock.name[0] = 0;
    return TRUE;
}

// True when another process holds the lock file open. A free lock file is removed again.
// A held lock file always exists (an open file cannot be deleted), so when the probe cannot
// even create the file, as in a missing or read-only directory, nobody holds the lock.
bool IsHeld(const char* name)
{
    FILE* probe = FILE_fopen(name, "ab", FALSE);
    if (!probe) return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
    fclose(probe);
    DeleteFileA(name);
    return false;
}

}  // namespace

BOOL LOCK_Start(const char* path, BOOL exitOnFail, BOOL quiet, const char* text)
{
    char name[MAX_PATH];
    FILE* file = BuildLockName(name, path) ? OpenLockFile(name) : nullptr;
    if (file) {
        if (text) {
            fprintf(file, "%s", text);
            fflush(file);
        }
        Hold(g_lock, name, file);
        return TRUE;
    }

    if (!quiet) {
        char message[MAX_PATH + 200];
        snprintf(message, sizeof(message),
                 "An instance of %s is still running. Please check your task manager, your "
                 "service configuration or your network server.",
                 LIB_Filename(path, '\\'));
        g_host.messageBox(nullptr, message, "Tarnwell",
                          MB_OK | MB_ICONSTOP | MB_DEFAULT_DESKTOP_ONLY);
    }
    if (exitOnFail) g_host.exitProcess(1);
    return FALSE;
}

BOOL LOCK_Stop(void) { return Release(g_lock); }

BOOL isLOCKED(const char* directory, const char* fileName, char* holder)
{
    if (holder) holder[0] = 0;
    char name[MAX_PATH];
    if (!BuildLockNameOf(name, directory, fileName)) return FALSE;
    if (!IsHeld(name)) return FALSE;

    if (holder) {
        FILE* file = FILE_fopen(name, "rb", FALSE);
        if (file) {
            if (!fgets(holder, MAX_PATH, file)) holder[0] = 0;
            fclose(file);
            holder[strcspn(holder, "\r\n")] = 0;
        }
    }
    return TRUE;
}

BOOL LOCK_Start2(const char* directory, const char* fileName, BOOL exitOnFail)
{
    char name[MAX_PATH];
    FILE* file = BuildLockNameOf(name, directory, fileName) ? OpenLockFile(name) : nullptr;
    if (file) {
        Hold(g_lock2, name, file);
        return TRUE;
    }
    if (exitOnFail) g_host.exitProcess(1);
    return FALSE;
}

BOOL LOCK_Stop2(void) { return Release(g_lock2); }

BOOL isLOCKED2(const char* directory, const char* fileName)
{
    char name[MAX_PATH];
    if (!BuildLockNameOf(name, directory, fileName)) return FALSE;
    return IsHeld(name) ? TRUE : FALSE;
}
