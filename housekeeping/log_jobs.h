#pragma once
// Log rotation: the LogMove schedule and its state, FileRename's minute and FILE_ResizeLog.
#include <windows.h>
#include <stdint.h>
#include "core/export.h"

struct LOGMOVE_STATE {
    bool keysRead;           // "Time", "Log" and "Final" read since the configuration was
    int32_t period = 0;      // minutes; 0: no passes
    int32_t firstHour = 7;   // inclusive hour window
    int32_t lastHour = 22;
    int32_t log;             // non-zero: a statistics line after every pass
    char final[MAX_PATH];    // non-empty: the pass's start time is appended to this file
    int32_t lastSlot;        // minutes since midnight of the last pass's slot
    int dayOfMonth;          // seen last; 0 before the first call
    int32_t files;           // moved in the current pass
    uint64_t bytes;
};
extern LOGMOVE_STATE g_logMove;

struct FILERENAME_STATE {
    int32_t lastMinute = -1;  // seconds clock / 60 of the last run
};
extern FILERENAME_STATE g_fileRename;

// Back to the state of program start.
void LogJobs_Reset();

// Reads "Time" into the state: up to three numbers separated by commas; a part without a
// number keeps what was there. False when the period part holds no number.
bool LogMove_ParseTime(const char* text, LOGMOVE_STATE* state);
// Archive file name: archive directory + body + "_ddmmyyhh." + extension.
bool LogMove_ArchiveName(char* out, int size, const char* archiveDir, const char* name,
                         const SYSTEMTIME& when);

// Trims a log to about its last keep bytes, starting at a line, once it has reached keep +
// 10000 bytes. 1 when it was trimmed, 0 when it was left as it was.
CUSTOR_C int FILE_ResizeLog(const char* path, int keep);
