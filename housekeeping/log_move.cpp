// LogMove: at a configured period within a daily hour window, every log matching a rule is
// appended to the collecting file of the same name and, when the rule has one, to a dated
// archive file, and the log goes so that its service starts a fresh one. The log is handed
// over by renaming it to "<name>$$$"; housekeeping/handover.h tells how an end at any moment
// loses nothing and appends nothing twice.
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/str.h"
#include "housekeeping/file_basics.h"
#include "housekeeping/handover.h"
#include "housekeeping/jobs.h"
#include "housekeeping/log_jobs.h"
#include "housekeeping/spool_jobs.h"
#include "housekeeping/spool_rules.h"
#include "housekeeping/spool_reports.h"
#include "partner/partner_commands.h"
#include <errno.h>
#include <stdio.h>
#include <string.h>

LOGMOVE_STATE g_logMove;
FILERENAME_STATE g_fileRename;

static const char kHandOverSuffix[] = "$$$";
static const DWORD kRenameRetryMs = 200;

void LogJobs_Reset()
{
    g_logMove = LOGMOVE_STATE{};
    g_fileRename = FILERENAME_STATE{};
}

void LogMove_Invalidate()
{
    g_logMove.keysRead = false;
    SpoolRule_ResetReports();
}

// One decimal number of "Time"; false when the part holds no digits.
static bool ParseNumber(const char* part, size_t length, int32_t* value)
{
    size_t i = 0;
    while (i < length && part[i] == ' ') ++i;
    bool negative = false;
    if (i < length && (part[i] == '-' || part[i] == '+')) negative = part[i++] == '-';
    if (i >= length || part[i] < '0' || part[i] > '9') return false;
    int64_t number = 0;
    for (; i < length && part[i] >= '0' && part[i] <= '9'; ++i)
        if (number < 100000) number = number * 10 + (part[i] - '0');
    *value = (int32_t)(negative ? -number : number);
    return true;
}

bool LogMove_ParseTime(const char* text, LOGMOVE_STATE* state)
{
    int32_t* fields[3] = {&state->period, &state->firstHour, &state->lastHour};
    bool periodRead = false;
    const char* p = text;
    for (int i = 0; i < 3; ++i) {
        const char* comma = strchr(p, ',');
        const size_t length = comma ? (size_t)(comma - p) : strlen(p);
        const bool read = ParseNumber(p, length, fields[i]);
        if (i == 0) periodRead = read;
        if (!comma) break;
        p = comma + 1;
    }
    return periodRead;
}

static void ReadKeys()
{
    LOGMOVE_STATE& s = g_logMove;
    char text[CONFIG_VALUE_SIZE];
    Config_GetText("LogMove", "Time", "0,7,22", text, sizeof(text));
    // A period that cannot be read (or a negative one) turns LogMove off rather than
    // running it at some period nobody configured.
    if (!LogMove_ParseTime(text, &s) || s.period < 0) {
        char message[CONFIG_VALUE_SIZE + 64];
        snprintf(message, sizeof(message), "[LogMove] Time \"%s\" has no period: no passes",
                 text);
        EventLog(EVENT_LOGMOVE, message, false, 0);
        s.period = 0;
    }
    s.log = (int32_t)GetPrivateProfileIntA("LogMove", "Log", 0, g_paths.configFile);
    Config_GetText("LogMove", "Final", "", s.final, sizeof(s.final));
    s.keysRead = true;
}

bool LogMove_ArchiveName(char* out, int size, const char* archiveDir, const char* name,
                         const SYSTEMTIME& when)
{
    char body[MAX_PATH];
    STR_ncpy(body, name, sizeof(body) - 1);
    const char* extension = "";
    char* dot = strrchr(body, '.');
    if (dot) {
        *dot = 0;
        extension = name + (dot - body) + 1;
    }
    const int written = snprintf(out, (size_t)size, "%s%s_%02d%02d%02d%02d.%s", archiveDir, body,
                                 when.wDay, when.wMonth, when.wYear % 100, when.wHour, extension);
    return written > 0 && written < size;
}

static void KeepTimes(HANDLE file, const HANDOVER_TIMES& times)
{
    SetFileTime(file, &times.creation, &times.lastAccess, &times.lastWrite);
}

static void LogLine(const char* format, const char* path, int number)
{
    char text[MAX_PATH + 64];
    snprintf(text, sizeof(text), format, path, number);
    EventLog(EVENT_LOGMOVE, text, false, 0);
}

// The run-time's rename, for its error number; once more after a pause when the producer
// still holds the log.
static bool RenameWithRetry(const char* from, const char* to)
{
    if (rename(from, to) == 0) return true;
    g_host.sleep(kRenameRetryMs);
    if (rename(from, to) == 0) return true;
    LogLine("cannot rename %s, errno=%d", from, errno);
    return false;
}

static bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

struct LOG_ENTRY {
    const char* sourceDir;              // the rule's source directory
    const char* name;                   // the log's name in it
    char source[SPOOL_PATH_SIZE];       // S
    char handOver[SPOOL_PATH_SIZE];     // T: S followed by "$$$"
    char destination[SPOOL_PATH_SIZE];  // the collecting file
    char archive[SPOOL_PATH_SIZE];      // the archive file; "" without an archive directory
};

static bool MakeEntry(const SPOOL_RULE& rule, const char* name, const SYSTEMTIME& when,
                      LOG_ENTRY* e)
{
    e->archive[0] = 0;
    e->sourceDir = rule.sourceDir;
    e->name = name;
    return Spool_Join(e->source, rule.sourceDir, name, "") &&
           Spool_Join(e->handOver, rule.sourceDir, name, kHandOverSuffix) &&
           Spool_Join(e->destination, rule.destination, name, "") &&
           (!rule.archive[0] ||
            LogMove_ArchiveName(e->archive, sizeof(e->archive), rule.archive, name, when));
}

// Hands one log over: renames S to T unless T is a left-over hand-over being finished, appends
// T to the collecting file and the archive, and removes T. True when T is done with.
static bool HandOverLog(LOG_ENTRY& e, bool leftover)
{
    // A left-over whose collecting file has it already goes on with the archive the record
    // names (the hour may have changed since).
    char noted[MAX_PATH] = "";
    const int stage = leftover ? HandOver_ReadRecord(e.handOver, noted, sizeof(noted)) : 0;
    // A record naming another collecting file belongs to another rule of the same folder.
    if (stage == 1 && STR_cmp(noted, e.destination) != 0) {
        Spool_HandOverHasRule("LogMove", EVENT_LOGMOVE, true, e.sourceDir, e.name, e.handOver,
                              noted);
        return false;
    }
    const bool collected = stage == 2;
    if (collected && e.archive[0]) STR_ncpy(e.archive, noted, sizeof(e.archive) - 1);

    HANDLE destination = INVALID_HANDLE_VALUE, archive = INVALID_HANDLE_VALUE;
    if (!collected && (destination = HandOver_OpenDestination(e.destination)) == INVALID_HANDLE_VALUE) {
        Spool_ReportHeldDestination("LogMove", EVENT_LOGMOVE, e.destination, e.source);
        return false;
    }
    if (e.archive[0] && (archive = HandOver_OpenDestination(e.archive)) == INVALID_HANDLE_VALUE) {
        Spool_ReportHeldDestination("LogMove", EVENT_LOGMOVE, e.archive, e.source);
        if (destination != INVALID_HANDLE_VALUE) CloseHandle(destination);
        return false;
    }
    bool done = false;
    if (!leftover) {
        HandOver_ForgetRecord(e.handOver);
        if (!RenameWithRetry(e.source, e.handOver)) goto close;
    }
    if (!collected) {
        HANDOVER_TIMES times;
        const HandOverResult result = HandOver_Append(destination, e.destination, e.handOver, 1,
                                                      &times);
        if (result == HANDOVER_NOT_NOW) goto close;
        if (result == HANDOVER_FAILED) {
            LogLine("cannot append %s!", e.source, 0);
            // Back to the producer's name, unless the collecting file holds a part of it or the
            // producer has started a new log meanwhile: then it is finished next pass.
            if (HandOver_ReadRecord(e.handOver, nullptr, 0) == 0 && !Exists(e.source))
                MoveFileA(e.handOver, e.source);
            goto close;
        }
        KeepTimes(destination, times);
    }
    if (archive != INVALID_HANDLE_VALUE) {
        HANDOVER_TIMES times;
        // The collecting file has the log: a failed archive copy is reported, and the log goes
        // all the same rather than being collected twice.
        if (HandOver_Append(archive, e.archive, e.handOver, 2, &times) == HANDOVER_DONE)
            KeepTimes(archive, times);
        else
            LogLine("cannot append %s!", e.archive, 0);
    }
    done = HandOver_Finish(e.handOver);
close:
    if (destination != INVALID_HANDLE_VALUE) CloseHandle(destination);
    if (archive != INVALID_HANDLE_VALUE) CloseHandle(archive);
    return done;
}

static void Count(DWORD size)
{
    g_logMove.files += 1;
    g_logMove.bytes += size;
}

// The rule and the time of the pass, for the listing callbacks.
struct LEFTOVER_CONTEXT {
    const SPOOL_RULE* rule;
    const SYSTEMTIME* when;
};

static void FinishLeftover(const char* name, DWORD size, void* context)
{
    const LEFTOVER_CONTEXT& c = *(const LEFTOVER_CONTEXT*)context;
    LOG_ENTRY e;
    if (MakeEntry(*c.rule, name, *c.when, &e) && HandOverLog(e, true)) Count(size);
}

static bool MoveNewLog(const char* name, DWORD size, void* context)
{
    const LEFTOVER_CONTEXT& c = *(const LEFTOVER_CONTEXT*)context;
    LOG_ENTRY e;
    if (!MakeEntry(*c.rule, name, *c.when, &e)) return true;
    if (Spool_RefuseOwnLookingName("LogMove", EVENT_LOGMOVE, e.source)) return true;
    // An older hand-over of this log not finished yet: its content comes first.
    if (Exists(e.handOver)) return true;
    if (HandOverLog(e, false)) Count(size);
    return true;
}

static void MoveLogsOfRule(const SPOOL_RULE& rule, const SYSTEMTIME& when)
{
    FILE_DirectoryTest(rule.destination, 2);
    if (rule.archive[0]) FILE_DirectoryTest(rule.archive, 2);
    // Hand-overs left by an earlier pass are finished before anything new.
    LEFTOVER_CONTEXT context = {&rule, &when};
    Spool_ForEachHandOver(rule, kHandOverSuffix, FinishLeftover, &context);
    Spool_ForEachSource(rule, MoveNewLog, &context);
}

static void Pass(const SYSTEMTIME& started)
{
    const DWORD startTicks = g_host.getTickCount();
    char value[LOG_RULE_VALUE_SIZE];
    for (int n = 1; SpoolJobs_ReadRule("LogMove", n, value, sizeof(value)); ++n) {
        SPOOL_RULE rule;
        const SpoolRuleResult parsed = SpoolRule_Parse(value, true, &rule);
        if (parsed != RULE_OK) {
            SpoolRule_Report("LogMove", n, parsed);
            continue;
        }
        MoveLogsOfRule(rule, started);
    }
    LOGMOVE_STATE& s = g_logMove;
    if (s.final[0]) {
        FILE* marker = fopen(s.final, "a");
        if (marker) {
            fprintf(marker, "%02d:%02d:%02d\n", started.wHour, started.wMinute, started.wSecond);
            fclose(marker);
        }
    }
    if (s.log != 0) {
        const DWORD elapsed = g_host.getTickCount() - startTicks;
        char text[96];
        snprintf(text, sizeof(text), "%d Files, %d MB, %d.%03d s", (int)s.files,
                 (int)(s.bytes / 1048576), (int)(elapsed / 1000), (int)(elapsed % 1000));
        EventLog(EVENT_LOGMOVE, text, false, 0);
    }
}

void LogMove_Run()
{
    LOGMOVE_STATE& s = g_logMove;
    if (!Partner_IsResponding(g_config.logMovePing)) return;
    SYSTEMTIME now;
    g_host.getLocalTime(&now);
    if (!s.keysRead) ReadKeys();
    if (s.period <= 0) return;
    const int32_t m = now.wHour * 60 + now.wMinute;
    // No pass in the slot that is current at start-up or at the change of day.
    if (now.wDay != s.dayOfMonth) {
        s.dayOfMonth = now.wDay;
        s.lastSlot = m - m % s.period;
    }
    if (now.wHour < s.firstHour || now.wHour > s.lastHour) return;
    if (m < s.lastSlot + s.period) return;
    s.lastSlot = m - m % s.period;
    s.files = 0;
    s.bytes = 0;
    Pass(now);
}
