#include "housekeeping/spool_reports.h"
#include "core/eventlog.h"
#include "core/str.h"
#include "housekeeping/spool_jobs.h"
#include <stdint.h>
#include <stdio.h>

// Lines written since the configuration was read, by a hash of their text. When the table is
// full the oldest half is forgotten, so a line may come again, never be lost.
struct SPOOL_LINE_REPORTS {
    uint64_t written[256];
    int count;
};
static SPOOL_LINE_REPORTS g_lineReports;

static uint64_t HashOf(const char* text)
{
    uint64_t hash = 1469598103934665603ull;
    for (const unsigned char* c = (const unsigned char*)text; *c; ++c)
        hash = (hash ^ *c) * 1099511628211ull;
    return hash;
}

void Spool_ForgetLineReports() { g_lineReports.count = 0; }

void Spool_ReportOnce(const char* job, int eventCode, const char* text)
{
    char line[3 * SPOOL_PATH_SIZE];
    snprintf(line, sizeof(line), "[%s] %s", job, text);
    const uint64_t hash = HashOf(line);
    SPOOL_LINE_REPORTS& r = g_lineReports;
    for (int i = 0; i < r.count; ++i)
        if (r.written[i] == hash) return;
    const int capacity = (int)(sizeof(r.written) / sizeof(r.written[0]));
    if (r.count == capacity) {
        for (int i = 0; i < capacity / 2; ++i) r.written[i] = r.written[i + capacity / 2];
        r.count = capacity / 2;
    }
    r.written[r.count++] = hash;
    EventLog(eventCode, line, false, 0);
}

bool Spool_RefuseOwnLookingName(const char* job, int eventCode, const char* source)
{
    if (!STR_str(source, "$$$")) return false;
    char text[SPOOL_PATH_SIZE + 64];
    snprintf(text, sizeof(text), "%s not collected: its name holds \"$$$\"", source);
    Spool_ReportOnce(job, eventCode, text);
    return true;
}

void Spool_ReportHeldDestination(const char* job, int eventCode, const char* destination,
                                 const char* source)
{
    char text[2 * SPOOL_PATH_SIZE + 64];
    snprintf(text, sizeof(text), "%s cannot be opened (held by another program), %s waits",
             destination, source);
    Spool_ReportOnce(job, eventCode, text);
}

bool Spool_HandOverHasRule(const char* job, int eventCode, bool withArchive,
                           const char* sourceDir, const char* name, const char* handOver,
                           const char* noted)
{
    char value[LOG_RULE_VALUE_SIZE];
    for (int n = 1; SpoolJobs_ReadRule(job, n, value, sizeof(value)); ++n) {
        SPOOL_RULE rule;
        char destination[SPOOL_PATH_SIZE];
        if (SpoolRule_Parse(value, withArchive, &rule) == RULE_OK &&
            Spool_SamePath(rule.sourceDir, sourceDir) &&
            Spool_Join(destination, rule.destination, name, "") &&
            Spool_SamePath(destination, noted))
            return true;
    }
    char text[2 * SPOOL_PATH_SIZE + 64];
    snprintf(text, sizeof(text), "hand-over %s waits for %s, which no rule collects into",
             handOver, noted);
    Spool_ReportOnce(job, eventCode, text);
    return false;
}
