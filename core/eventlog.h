#pragma once
// The one writer of the event log, the FileSync log and the error file ERRORS.TXT. Every line
// starts with the local date and time "dd.mm.yy hh:mm:ss "; the event code picks the text.
#include <stdint.h>

enum {
    EVENT_END = 0,          // "    End: %s"  friendly stop, error window closed
    EVENT_START = 1,        // "  Start: %s"
    EVENT_CUSTOR = 2,       // " Custor: %s"  the watchdog's own events
    EVENT_CRASH = 3,        // "    End: %s (crash)"
    EVENT_KILL = 4,         // "   Kill: %s"
    EVENT_FILESYNC = 6,     // "%s"
    EVENT_DISABLE = 7,
    EVENT_ENABLE = 8,
    EVENT_COMPORT = 9,
    EVENT_PING = 10,        // "   Ping: No response from %s"
    EVENT_TIME = 11,
    EVENT_START_LATE = 12,  // " Start?: %s"
    EVENT_MODEMS = 13,
    EVENT_LOGMOVE = 14,
};

// Times (seconds clock) behind the error file's one-hour rules; all 0 at start.
struct ERROR_LOG_STATE {
    int32_t lastCrash;
    int32_t lastCannotStart;
    int32_t lastKill;
    int32_t lastWrite;
};
extern ERROR_LOG_STATE g_errorLogState;

// Writes one line for the event code (only its low byte counts). Returns 0 when the log file
// could not be opened, for code 10 the result of the alarm job, otherwise 1. The error-file
// line and the alarm job do not depend on the log file: the alarm must go out on a full disk.
int EventLog(int code, const char* text, bool toFileSyncLog, int alarmCount);

// Formats "dd.mm.yy hh:mm:ss " for the current local time into buffer (at least 19 bytes).
void EventLog_DatePrefix(char* buffer, int size);
