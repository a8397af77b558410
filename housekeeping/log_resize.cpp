// FILE_ResizeLog: a log that has grown to keep + 10000 bytes is cut to its tail of about keep
// bytes, beginning at a line. The log is renamed aside first, so a writer that has it open
// stops the trimming, and the tail is copied back under the log's own name.
#include "housekeeping/file_basics.h"
#include "housekeeping/log_jobs.h"
#include <stdio.h>
#include <string.h>

static const int kSlack = 10000;

// Copies the rest of from into to; false when a byte could not be written.
static bool CopyRest(FILE* from, FILE* to)
{
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), from)) > 0)
        if (fwrite(buffer, 1, got, to) != got) return false;
    return !ferror(from);
}

int FILE_ResizeLog(const char* path, int keep)
{
    if (!path || keep < 0) return 0;
    const DWORD size = FILE_GetSize(path);
    if ((long long)size < (long long)keep + kSlack) return 0;
    char aside[MAX_PATH];
    const int length = snprintf(aside, sizeof(aside), "%s.$$$", path);
    if (length <= 0 || length >= (int)sizeof(aside)) return 0;
    if (!MoveFileA(path, aside)) return 0;

    FILE* from = fopen(aside, "rb");
    FILE* to = from ? fopen(path, "wb") : nullptr;
    bool ok = to != nullptr && fseek(from, (long)(size - (DWORD)keep), SEEK_SET) == 0;
    if (ok) {
        // The rest of the line the cut falls into goes with the head.
        char line[1000];
        if (!fgets(line, sizeof(line), from)) line[0] = 0;
        ok = CopyRest(from, to);
    }
    if (to && fclose(to) != 0) ok = false;
    if (from) fclose(from);
    if (ok) {
        DeleteFileA(aside);
        return 1;
    }
    // Nothing of the log is given up when its tail could not be written: the whole log goes
    // back under its name (unless its writer has started a new one; then it stays aside).
    if (to) DeleteFileA(path);
    MoveFileA(aside, path);
    return 0;
}
