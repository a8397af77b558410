// FileRename: once a minute, every file matching a rule's pattern is moved onto the rule's one
// target name; with several matches the last one listed remains.
#include "core/config.h"
#include "core/host.h"
#include "housekeeping/file_lib.h"
#include "housekeeping/jobs.h"
#include "housekeeping/log_jobs.h"
#include "housekeeping/spool_jobs.h"
#include "housekeeping/spool_rules.h"
#include <string.h>

static void RenameFilesOfRule(const char* value)
{
    const char* comma = strchr(value, ',');
    if (!comma) return;
    char pattern[SPOOL_PATH_SIZE], directory[SPOOL_PATH_SIZE], target[SPOOL_PATH_SIZE];
    const size_t patternLength = (size_t)(comma - value);
    if (patternLength >= sizeof(pattern) || strlen(comma + 1) >= sizeof(target)) return;
    memcpy(pattern, value, patternLength);
    pattern[patternLength] = 0;
    strcpy(target, comma + 1);
    strcpy(directory, pattern);
    char* slash = strrchr(directory, '\\');
    if (slash) slash[1] = 0; else directory[0] = 0;
    if (!target[0]) return;

    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA(pattern, &found);
    if (listing == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (Spool_IsOwnFile(found.cFileName)) continue;
        char source[SPOOL_PATH_SIZE];
        if (!Spool_Join(source, directory, found.cFileName, "")) continue;
        // The target itself may match the pattern: moving it onto itself would remove it.
        if (Spool_SamePath(source, target)) continue;
        // The move replaces the target; a move that fails keeps the source (and the old
        // target) for the next minute.
        if (FILE_Copy(target, source, 1, TRUE, FALSE, nullptr, FALSE) != 0) FILE_saveremove(source);
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
}

void FileRename_Run()
{
    const int32_t minute = Host_Now() / 60;
    if (minute == g_fileRename.lastMinute) return;
    g_fileRename.lastMinute = minute;
    char value[LOG_RULE_VALUE_SIZE];
    for (int n = 1; SpoolJobs_ReadRule("FileRename", n, value, sizeof(value)); ++n)
        RenameFilesOfRule(value);
}
