// The metrics file: the supervision state in the Prometheus text exposition format, one
// "# HELP" and "# TYPE" line per family and one sample per line, label values escaped and in
// UTF-8. Written whole to "<file>.$$$" and renamed over the file.
#include "core/metrics.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/lib.h"
#include "core/pass_common.h"
#include "core/str.h"
#include "core/supervision.h"
#include <mutex>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Counts are kept for this many names: room for both tables and for the names of a few
// re-readings; beyond it the counts of names no longer configured are given up.
enum { COUNTED_NAMES = 256, SERVICE_EVENT_KINDS = 3 };

struct COUNTED_NAME {
    bool used;
    bool messageTable;
    char name[SERVICE_NAME_SIZE];
    uint32_t counts[SERVICE_EVENT_KINDS];
};

struct METRICS_STATE {
    COUNTED_NAME names[COUNTED_NAMES];
    DWORD lastWriteTick;
    bool written;         // written at least once since start
    bool failureLogged;   // the current run of failed writes is in the event log
    int busyRenames;      // renames in a row that a reader of the file has held up
};
METRICS_STATE g_metrics;

// The last FileSync run: written by the worker thread, read by the window thread, always as
// a whole under g_fileSyncLock, so a file never pairs one run's end with another's result.
struct FILESYNC_RUN_METRICS {
    bool seen;
    int32_t end;
    bool ok;
    int32_t filesCopied;
};
std::mutex g_fileSyncLock;
FILESYNC_RUN_METRICS g_fileSyncRun;  // under g_fileSyncLock

FILESYNC_RUN_METRICS LastFileSyncRun()
{
    std::lock_guard<std::mutex> hold(g_fileSyncLock);
    return g_fileSyncRun;
}

// The slow block comes round every 10 s; a little early still counts as round.
const DWORD kWritePeriodMs = 9500;

bool InTable(const SERVICE_TABLE& table, const SERVICE_ENTRY* entry)
{
    return entry >= table.entries && entry < table.entries + SERVICE_TABLE_SIZE;
}

bool IsConfigured(const COUNTED_NAME& n)
{
    const SERVICE_TABLE& table = n.messageTable ? g_messageTable : g_titleTable;
    for (int i = 0; i < table.count && i < SERVICE_TABLE_SIZE; ++i)
        if (strcmp(table.entries[i].name, n.name) == 0) return true;
    return false;
}

COUNTED_NAME* FindCounted(bool messageTable, const char* name, bool create)
{
    COUNTED_NAME* free = nullptr;
    for (COUNTED_NAME& n : g_metrics.names) {
        if (!n.used) {
            if (!free) free = &n;
            continue;
        }
        if (n.messageTable == messageTable && strcmp(n.name, name) == 0) return &n;
    }
    if (!create) return nullptr;
    if (!free) {
        for (COUNTED_NAME& n : g_metrics.names) {
            if (!IsConfigured(n)) {
                free = &n;
                break;
            }
        }
    }
    if (!free) return nullptr;
    memset(free, 0, sizeof(*free));
    free->used = true;
    free->messageTable = messageTable;
    STR_ncpy(free->name, name, SERVICE_NAME_SIZE - 1);
    return free;
}

// ---- text ---------------------------------------------------------------------------------

struct TEXT_OUT {
    char* data;
    size_t length;
    size_t capacity;
    bool failed;
};

void Append(TEXT_OUT& t, const char* format, ...)
{
    if (t.failed) return;
    for (;;) {
        const size_t room = t.capacity - t.length;
        va_list args;
        va_start(args, format);
        const int n = t.data ? vsnprintf(t.data + t.length, room, format, args) : -1;
        va_end(args);
        if (t.data && n >= 0 && (size_t)n < room) {
            t.length += (size_t)n;
            return;
        }
        const size_t wanted = t.capacity * 2 + (n > 0 ? (size_t)n : 0) + 4096;
        char* grown = (char*)realloc(t.data, wanted);
        if (!grown) {
            t.failed = true;
            return;
        }
        t.data = grown;
        t.capacity = wanted;
    }
}

// A label value: the Windows code page turned into UTF-8, backslash, double quote and line
// feed escaped as the format wants.
void AppendLabelValue(TEXT_OUT& t, const char* ansi)
{
    wchar_t wide[SERVICE_COMMAND_SIZE];
    int n = MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, SERVICE_COMMAND_SIZE);
    if (n <= 0) {
        wide[0] = 0;
        n = 1;
    }
    wide[SERVICE_COMMAND_SIZE - 1] = 0;
    char utf8[SERVICE_COMMAND_SIZE * 3];
    if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof(utf8), nullptr, nullptr) <= 0)
        utf8[0] = 0;
    char escaped[sizeof(utf8) * 2];
    size_t k = 0;
    for (const char* p = utf8; *p && k + 3 < sizeof(escaped); ++p) {
        if (*p == '\\' || *p == '"') {
            escaped[k++] = '\\';
            escaped[k++] = *p;
        } else if (*p == '\n') {
            escaped[k++] = '\\';
            escaped[k++] = 'n';
        } else {
            escaped[k++] = *p;
        }
    }
    escaped[k] = 0;
    Append(t, "%s", escaped);
}

void Family(TEXT_OUT& t, const char* name, const char* type, const char* help)
{
    Append(t, "# HELP %s %s\n# TYPE %s %s\n", name, help, name, type);
}

void ServiceSample(TEXT_OUT& t, const char* family, const SERVICE_ENTRY& e, bool messageTable,
                   const char* state, double value)
{
    Append(t, "%s{name=\"", family);
    AppendLabelValue(t, e.name);
    Append(t, "\",table=\"%s\"", messageTable ? "message" : "title");
    if (state) {
        Append(t, ",state=\"");
        AppendLabelValue(t, state);
        Append(t, "\"");
    }
    Append(t, "} %.0f\n", value);
}

// The word a service's row shows for its state, from what the passes last decided.
const char* StateWord(const SERVICE_ENTRY& e)
{
    if (e.disabled != 0) return "disabled";
    switch (e.colour) {
    case ROW_OK: return "ok";
    case ROW_NOT_RUNNING: return "not running";
    case ROW_NO_RESPONSE: return "no response";
    case ROW_ATTENTION: return e.problems != 0 ? "problems" : "time?";
    default: return "Init";
    }
}

typedef double (*SERVICE_VALUE)(const SERVICE_ENTRY& e, bool messageTable, int32_t now);

double RunningValue(const SERVICE_ENTRY& e, bool, int32_t) { return e.window ? 1 : 0; }
double AnsweringValue(const SERVICE_ENTRY& e, bool, int32_t now)
{
    return e.window && Pass_IsHealthy(e, now) ? 1 : 0;
}
double ChannelsValue(const SERVICE_ENTRY& e, bool, int32_t) { return e.channels; }
double ProblemsValue(const SERVICE_ENTRY& e, bool, int32_t) { return e.problems; }
double StartsValue(const SERVICE_ENTRY& e, bool message, int32_t)
{
    return Metrics_EventCount(message, e.name, SERVICE_EVENT_START);
}
double KillsValue(const SERVICE_ENTRY& e, bool message, int32_t)
{
    return Metrics_EventCount(message, e.name, SERVICE_EVENT_KILL);
}
double CrashesValue(const SERVICE_ENTRY& e, bool message, int32_t)
{
    return Metrics_EventCount(message, e.name, SERVICE_EVENT_CRASH);
}

struct SERVICE_FAMILY {
    const char* name;
    const char* type;
    const char* help;
    SERVICE_VALUE value;
    bool messageOnly;     // only cooperating servers report it
    bool skipDisabled;    // a disabled program is not looked at, so nothing is known
};

const SERVICE_FAMILY kServiceFamilies[] = {
    {"custor_service_running", "gauge", "1 when the program's window was found at the last pass.",
     RunningValue, false, true},
    {"custor_service_answering", "gauge",
     "1 when the program proved alive within NoResponseWarning.", AnsweringValue, false, true},
    {"custor_service_busy_channels", "gauge", "Busy channels the program last reported.",
     ChannelsValue, true, false},
    {"custor_service_problems", "gauge", "Problems the program last reported.", ProblemsValue,
     true, false},
    {"custor_service_starts_total", "counter", "Start attempts since Custor started.",
     StartsValue, false, false},
    {"custor_service_kills_total", "counter", "Kills since Custor started.", KillsValue, false,
     false},
    {"custor_service_crashes_total", "counter", "Crash windows seen since Custor started.",
     CrashesValue, false, false},
};

void ServiceFamilies(TEXT_OUT& t, int32_t now)
{
    Family(t, "custor_service_state", "gauge",
           "The program's state word in the state label; the value is always 1.");
    for (int m = 0; m < 2; ++m) {
        const SERVICE_TABLE& table = m ? g_messageTable : g_titleTable;
        for (int i = 0; i < table.count && i < SERVICE_TABLE_SIZE; ++i)
            ServiceSample(t, "custor_service_state", table.entries[i], m != 0,
                          StateWord(table.entries[i]), 1);
    }
    for (const SERVICE_FAMILY& f : kServiceFamilies) {
        Family(t, f.name, f.type, f.help);
        for (int m = f.messageOnly ? 1 : 0; m < 2; ++m) {
            const SERVICE_TABLE& table = m ? g_messageTable : g_titleTable;
            for (int i = 0; i < table.count && i < SERVICE_TABLE_SIZE; ++i) {
                const SERVICE_ENTRY& e = table.entries[i];
                if (f.skipDisabled && e.disabled != 0) continue;
                ServiceSample(t, f.name, e, m != 0, nullptr, f.value(e, m != 0, now));
            }
        }
    }
}

// Seconds between the local wall clock and UTC, to the quarter hour every zone keeps to.
int32_t LocalClockOffset()
{
    SYSTEMTIME local, utc;
    GetLocalTime(&local);
    GetSystemTime(&utc);
    const int32_t offset = Host_SecondsOf(local) - Host_SecondsOf(utc);
    const int32_t quarter = 900;
    return (offset >= 0 ? offset + quarter / 2 : offset - quarter / 2) / quarter * quarter;
}

double ProcessUptimeSeconds()
{
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a, b;
    a.LowPart = created.dwLowDateTime;
    a.HighPart = created.dwHighDateTime;
    b.LowPart = now.dwLowDateTime;
    b.HighPart = now.dwHighDateTime;
    return b.QuadPart > a.QuadPart ? (double)((b.QuadPart - a.QuadPart) / 10000000ULL) : 0;
}

void WatchdogFamilies(TEXT_OUT& t, int32_t now)
{
    const SUPERVISION_STATE& s = g_supervision;
    Family(t, "custor_problem_state", "gauge",
           "0 all programs well, 1 warnings (a program not running or not answering), 2 errors "
           "(a program failed beyond its limit).");
    Append(t, "custor_problem_state %d\n", s.appProblem ? 2 : (s.notOk ? 1 : 0));
    Family(t, "custor_partner_problem", "gauge",
           "1 when a partner machine has been silent for 185 s or more.");
    Append(t, "custor_partner_problem %d\n", s.deactivatedByPartner ? 1 : 0);
    Family(t, "custor_active", "gauge", "1 when this machine runs the active service lists.");
    Append(t, "custor_active %d\n", s.active ? 1 : 0);

    Family(t, "custor_partner_last_heard_seconds", "gauge",
           "Seconds since the partner machine was last heard.");
    for (int i = 0; i < g_pingList.count && i < PING_LIST_SIZE; ++i) {
        const PING_ENTRY& p = g_pingList.entries[i];
        const int32_t age = now - p.lastHeard;
        Append(t, "custor_partner_last_heard_seconds{name=\"");
        AppendLabelValue(t, p.name);
        Append(t, "\"} %d\n", age > 0 ? (int)age : 0);
    }

    const FILESYNC_RUN_METRICS run = LastFileSyncRun();
    if (run.seen) {
        Family(t, "custor_filesync_last_run_end_timestamp_seconds", "gauge",
               "End of the last FileSync run, seconds since 1970 UTC.");
        Append(t, "custor_filesync_last_run_end_timestamp_seconds %d\n",
               (int)(run.end - LocalClockOffset()));
        Family(t, "custor_filesync_last_run_success", "gauge",
               "1 when the last FileSync run succeeded.");
        Append(t, "custor_filesync_last_run_success %d\n", run.ok ? 1 : 0);
        Family(t, "custor_filesync_last_run_files_copied", "gauge",
               "Files the last FileSync run copied.");
        Append(t, "custor_filesync_last_run_files_copied %d\n", (int)run.filesCopied);
    }

    Family(t, "custor_uptime_seconds", "gauge", "Seconds since Custor started.");
    Append(t, "custor_uptime_seconds %.0f\n", ProcessUptimeSeconds());
    Family(t, "custor_machine_uptime_seconds", "gauge", "Seconds since the machine started.");
    Append(t, "custor_machine_uptime_seconds %.0f\n", (double)(GetTickCount64() / 1000ULL));
}

bool BuildText(TEXT_OUT& t)
{
    memset(&t, 0, sizeof(t));
    const int32_t now = Host_Now();
    ServiceFamilies(t, now);
    WatchdogFamilies(t, now);
    return !t.failed && t.data;
}

// A reader that holds the file open without sharing its deletion (as many do) blocks the
// rename for the moment of its read. The window thread does not wait for it: the file is
// written again at the next ticks (Metrics_RetryHeldWrite), this many times, before the
// write counts as failed.
const int kBusyRenameTicks = 8;

bool ReaderHoldsFile(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

void ReportFailure(const char* path, DWORD error)
{
    if (g_metrics.failureLogged) return;
    g_metrics.failureLogged = true;
    char text[CONFIG_PATH_SIZE + 320];
    char reason[300];
    STR_ncpy(reason, LIB_WinApiErrorString((HWND)-1, error), sizeof(reason) - 1);
    snprintf(text, sizeof(text), "cannot write the metrics file %s: %s", path, reason);
    for (size_t n = strlen(text); n > 0 && text[n - 1] == ' '; --n) text[n - 1] = 0;
    EventLog(EVENT_CUSTOR, text, false, 0);
}

}  // namespace

void Metrics_CountEvent(const SERVICE_ENTRY& entry, SERVICE_EVENT event)
{
    if ((int)event < 0 || (int)event >= SERVICE_EVENT_KINDS) return;
    const bool messageTable = InTable(g_messageTable, &entry);
    if (!messageTable && !InTable(g_titleTable, &entry)) return;
    COUNTED_NAME* n = FindCounted(messageTable, entry.name, true);
    if (n) n->counts[event] += 1;
}

uint32_t Metrics_EventCount(bool messageTable, const char* name, SERVICE_EVENT event)
{
    if ((int)event < 0 || (int)event >= SERVICE_EVENT_KINDS || !name) return 0;
    const COUNTED_NAME* n = FindCounted(messageTable, name, false);
    return n ? n->counts[event] : 0;
}

void Metrics_FileSyncRun(int32_t endTime, bool ok, int32_t filesCopied)
{
    std::lock_guard<std::mutex> hold(g_fileSyncLock);
    g_fileSyncRun.seen = true;
    g_fileSyncRun.end = endTime;
    g_fileSyncRun.ok = ok;
    g_fileSyncRun.filesCopied = filesCopied;
}

void Metrics_ResolvePath(const char* value, char* path, int size)
{
    if (!path || size <= 0) return;
    const bool absolute = value[0] == '\\' || (value[0] && value[1] == ':');
    if (absolute)
        STR_ncpy(path, value, size - 1);
    else
        snprintf(path, (size_t)size, "%s%s", g_paths.programDir, value);
}

int Metrics_Format(char* buffer, int size)
{
    TEXT_OUT t;
    const bool built = BuildText(t);
    if (buffer && size > 0) STR_ncpy(buffer, built ? t.data : "", size - 1);
    const int length = built ? (int)t.length : 0;
    free(t.data);
    return length;
}

bool Metrics_Write()
{
    char value[CONFIG_PATH_SIZE];
    Config_GetText("Common", "MetricsFile", "", value, sizeof(value));
    if (!value[0]) return false;
    char path[CONFIG_PATH_SIZE], temporary[CONFIG_PATH_SIZE + 8];
    Metrics_ResolvePath(value, path, sizeof(path));
    snprintf(temporary, sizeof(temporary), "%s.$$$", path);

    TEXT_OUT t;
    if (!BuildText(t)) {
        free(t.data);
        ReportFailure(path, ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    DWORD error = 0;
    bool heldByReader = false;
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
    } else {
        DWORD written = 0;
        const bool whole = WriteFile(file, t.data, (DWORD)t.length, &written, nullptr) &&
                           written == (DWORD)t.length;
        if (!whole) error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        CloseHandle(file);
        // Only a complete file replaces the old one; a reader sees either one or the other.
        bool renamed = false;
        if (whole) renamed = MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING) != 0;
        if (whole && !renamed) {
            error = GetLastError();
            heldByReader = ReaderHoldsFile(error);
        }
        if (error) DeleteFileA(temporary);
    }
    free(t.data);
    if (heldByReader && g_metrics.busyRenames < kBusyRenameTicks) {
        ++g_metrics.busyRenames;
        return false;
    }
    g_metrics.busyRenames = 0;
    if (error) {
        ReportFailure(path, error);
        return false;
    }
    g_metrics.failureLogged = false;
    return true;
}

void Metrics_Tick()
{
    const DWORD now = Host_Ticks();
    if (g_metrics.written && now - g_metrics.lastWriteTick < kWritePeriodMs) return;
    g_metrics.written = true;
    g_metrics.lastWriteTick = now;
    Metrics_Write();
}

void Metrics_RetryHeldWrite()
{
    if (g_metrics.busyRenames != 0) Metrics_Write();
}

void Metrics_Reset()
{
    memset(&g_metrics, 0, sizeof(g_metrics));
    std::lock_guard<std::mutex> hold(g_fileSyncLock);
    g_fileSyncRun = FILESYNC_RUN_METRICS{};
}
