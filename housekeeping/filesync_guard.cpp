// Which FileSync rules a run refuses. A mirror removes whatever its source lacks, so a
// destination that is the source, lies inside it, holds it, or is the whole of a drive or
// share would delete the very data the rule is meant to keep: one mistyped rule must never
// do that. Paths are compared as the system resolves them (full path, ".", ".." and
// trailing backslashes resolved, long names, case-insensitive).
#include "housekeeping/filesync.h"
#include "core/eventlog.h"
#include "core/str.h"
#include <atomic>
#include <stdio.h>
#include <string.h>

namespace {

enum { kNormalSize = MAX_PATH * 2 };

// The system's full, long, upper-case form of a directory, ending with "\"; false when the
// path cannot be resolved.
bool Normalise(const char* directory, char* out)
{
    char full[kNormalSize];
    const DWORD length = GetFullPathNameA(directory, kNormalSize, full, nullptr);
    if (length == 0 || length >= kNormalSize) return false;
    // Short (8.3) names of existing folders become their long names, so one folder spelt
    // both ways compares equal.
    const DWORD longLength = GetLongPathNameA(full, out, kNormalSize);
    if (longLength == 0 || longLength >= kNormalSize) memcpy(out, full, length + 1);
    size_t n = strlen(out);
    while (n > 0 && out[n - 1] == '\\') out[--n] = 0;
    if (n + 2 > kNormalSize) return false;
    out[n] = '\\';
    out[n + 1] = 0;
    CharUpperBuffA(out, (DWORD)(n + 1));
    return true;
}

// "X:\" or "\\server\share\": the top of a drive or a share.
bool IsBareRoot(const char* normal)
{
    if (normal[0] && normal[1] == ':' && normal[2] == '\\' && !normal[3]) return true;
    if (normal[0] != '\\' || normal[1] != '\\') return false;
    int separators = 0;
    for (const char* c = normal + 2; *c; ++c)
        if (*c == '\\') ++separators;
    return separators <= 2;
}

// inner lies below outer (both normalised, ending with "\").
bool IsBelow(const char* inner, const char* outer)
{
    const size_t n = strlen(outer);
    return strlen(inner) > n && strncmp(inner, outer, n) == 0;
}

// Reports of refused rules, once per rule and reading of the configuration. Only the worker
// writes reportedAt; the window thread only counts the readings.
std::atomic<int> g_configReadings{1};
enum { kReportedRules = 1000 };
int g_reportedAt[kReportedRules];

}  // namespace

const char* FileSync_RefusalOf(const FILESYNC_RULE& rule)
{
    if (!rule.destination[0] || strcmp(rule.destination, "\\") == 0) return "no destination";
    char destination[kNormalSize];
    if (!Normalise(rule.destination, destination)) return "the destination cannot be resolved";
    if (IsBareRoot(destination)) return "the destination is the root of a drive or share";
    // A short-form rule without a directory has no source: its source test reports that.
    char source[kNormalSize];
    if (!rule.source[0] || !Normalise(rule.source, source)) return nullptr;
    if (strcmp(source, destination) == 0) return "the destination is the source";
    if (IsBelow(destination, source)) return "the destination is inside the source";
    if (IsBelow(source, destination)) return "the destination holds the source";
    return nullptr;
}

void FileSync_ConfigurationRead() { g_configReadings.fetch_add(1); }

void FileSync_ReportRefusal(int number, const char* reason, const char* destination)
{
    const int reading = g_configReadings.load();
    if (number >= 1 && number <= kReportedRules) {
        if (g_reportedAt[number - 1] == reading) return;
        g_reportedAt[number - 1] = reading;
    }
    char text[FILESYNC_TEXT_SIZE + 80];
    snprintf(text, sizeof(text), "FileSync: rule %d refused, %s: %s", number, reason,
             destination);
    EventLog(EVENT_FILESYNC, text, false, 0);
}
