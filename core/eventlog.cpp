#include "core/eventlog.h"
#include "core/config.h"
#include "core/host.h"
#include "housekeeping/file_basics.h"
#include "partner/alarm_job.h"
#include <mutex>
#include <stdio.h>
#include <string.h>

ERROR_LOG_STATE g_errorLogState;

// The FileSync worker writes its lines beside the window thread. One lock covers the size
// check, the line and the error file's state, so two writers never delete a log the other is
// appending to, never mix their lines and never lose an update of the one-hour times. The
// alarm jobs start outside it: they take their time and need nothing of the log.
static std::mutex s_logLock;

// A log above this size is deleted before the next line; the log rotation keeps history.
static const DWORD kLogSizeLimit = 100000;
static const int32_t kOneHour = 3600;

void EventLog_DatePrefix(char* buffer, int size)
{
    SYSTEMTIME t;
    g_host.getLocalTime(&t);
    snprintf(buffer, (size_t)size, "%02d.%02d.%02d %02d:%02d:%02d ", t.wDay, t.wMonth,
             t.wYear % 100, t.wHour, t.wMinute, t.wSecond);
}

static const char* LineFormat(int code)
{
    switch (code) {
    case EVENT_START: return "  Start: %s\n";
    case EVENT_CUSTOR: return " Custor: %s\n";
    case EVENT_CRASH: return "    End: %s (crash)\n";
    case EVENT_KILL: return "   Kill: %s\n";
    case EVENT_FILESYNC: return "%s\n";
    case EVENT_DISABLE: return "Disable: %s\n";
    case EVENT_ENABLE: return " Enable: %s\n";
    case EVENT_COMPORT: return "Comport %s\n";
    case EVENT_PING: return "   Ping: No response from %s\n";
    case EVENT_TIME: return "   Time: %s\n";
    case EVENT_START_LATE: return " Start?: %s\n";
    case EVENT_MODEMS: return " Modems: %s\n";
    case EVENT_LOGMOVE: return "LogMove: %s\n";
    default: return "    End: %s\n";
    }
}

// Appends one dated line; false when the file cannot be opened.
static bool AppendLine(const char* path, const char* format, const char* text)
{
    FILE* f = FILE_fopen(path, "at", FALSE);
    if (!f) return false;
    char prefix[32];
    EventLog_DatePrefix(prefix, sizeof(prefix));
    fputs(prefix, f);
    fprintf(f, format, text);
    fclose(f);
    return true;
}

static void WriteErrorLine(const char* format, const char* text, int32_t now)
{
    if (AppendLine(g_paths.errorLog, format, text)) g_errorLogState.lastWrite = now;
}

// Repeated trouble: the second event within an hour goes to the error file, unless the error
// file already got a line in the last hour.
static void ErrorLineIfRepeated(int32_t* lastEvent, const char* format, const char* text,
                                int32_t now)
{
    if (now < *lastEvent + kOneHour && now > g_errorLogState.lastWrite + kOneHour)
        WriteErrorLine(format, text, now);
    *lastEvent = now;
}

int EventLog(int code, const char* text, bool toFileSyncLog, int alarmCount)
{
    code &= 0xFF;
    if (!text) text = "";
    const char* path = toFileSyncLog ? g_paths.fileSyncLog : g_paths.eventLog;
    bool written;
    {
        std::lock_guard<std::mutex> hold(s_logLock);
        if (FILE_GetSize(path) > kLogSizeLimit) DeleteFileA(path);
        written = AppendLine(path, LineFormat(code), text);

        const int32_t now = Host_Now();
        switch (code) {
        case EVENT_CRASH:
            ErrorLineIfRepeated(&g_errorLogState.lastCrash, "[Custor] Crash: %s\n", text, now);
            break;
        case EVENT_START_LATE:
            ErrorLineIfRepeated(&g_errorLogState.lastCannotStart, "[Custor] Cannot start: %s\n",
                                text, now);
            break;
        case EVENT_KILL:
            ErrorLineIfRepeated(&g_errorLogState.lastKill, "[Custor] TerminateProcess(): %s\n",
                                text, now);
            break;
        case EVENT_TIME:
            if (now > g_errorLogState.lastWrite + kOneHour)
                WriteErrorLine("[TIME] %s\n", text, now);
            break;
        case EVENT_MODEMS:
            WriteErrorLine("[MODEMS] %s\n", text, now);
            break;
        default:
            break;
        }
    }
    // Ten kills in a row: the program cannot be kept alive, a person must come.
    if (code == EVENT_KILL && alarmCount == 10) AlarmJob_Start("Alarm");
    if (code == EVENT_PING) return AlarmJob_Start(text);
    return written ? 1 : 0;
}
