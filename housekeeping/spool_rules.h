#pragma once
// Rules of the spool and log jobs: "source pattern,destination[,archive]" values, the names of
// the hand-over files the jobs leave in a source directory, and what a pattern matches.
#include <windows.h>

enum { SPOOL_PATH_SIZE = MAX_PATH };

struct SPOOL_RULE {
    char pattern[SPOOL_PATH_SIZE];      // passed to the directory listing as it stands
    char sourceDir[SPOOL_PATH_SIZE];    // the pattern up to and including its last "\"
    const char* namePattern;            // the part of pattern after its last "\"
    char destination[SPOOL_PATH_SIZE];  // ends with "\"
    char archive[SPOOL_PATH_SIZE];      // ends with "\"; "" when none
};

enum SpoolRuleResult {
    RULE_OK,
    RULE_NO_COMMA,           // not a rule: skipped without a word
    RULE_NO_DESTINATION,     // nothing after the comma
    RULE_NO_SOURCE_DIR,      // no "\" in the source pattern
    RULE_TOO_LONG,           // a part does not fit a path
    RULE_SOURCE_IS_DESTINATION,
};

// Parses "pattern,destination" (withArchive false) or "pattern,destination[,archive]".
SpoolRuleResult SpoolRule_Parse(const char* value, bool withArchive, SPOOL_RULE* rule);
// Why a rule is skipped, for the event log.
const char* SpoolRule_Reason(SpoolRuleResult result);
// Reports a skipped rule once per reading of the configuration (job "FileMove" etc.).
void SpoolRule_Report(const char* job, int number, SpoolRuleResult result);
// The configuration was read again: skipped rules are reported once more.
void SpoolRule_ResetReports();

// True for the names the jobs make themselves (ending in "$$$"): never taken as sources.
bool Spool_IsOwnFile(const char* name);
// True when a file name matches the name part of a pattern as a directory listing does:
// "?" and "*" without case, and a pattern ending in ".*" also takes names without a dot.
bool Spool_NameMatches(const char* name, const char* namePattern);
// True when both name the same file (full paths compared without case).
bool Spool_SamePath(const char* a, const char* b);
// Joins directory (ending in "\") and name into out (SPOOL_PATH_SIZE); false when too long.
bool Spool_Join(char* out, const char* directory, const char* name, const char* suffix);

// Calls found(name, size, context) for every hand-over file "<name><suffix>" in the rule's
// source directory whose name the rule's pattern matches (hand-overs of a job's own files,
// such as the records, are left out).
// Calls found(name, size, context) for every file the rule's pattern lists in its source
// directory, leaving out directories and the jobs' and producers' own temporaries; stops when
// found returns false. Returns false when it was stopped.
typedef bool (*SPOOL_SOURCE_FOUND)(const char* name, DWORD size, void* context);
bool Spool_ForEachSource(const SPOOL_RULE& rule, SPOOL_SOURCE_FOUND found, void* context);

typedef void (*SPOOL_HANDOVER_FOUND)(const char* name, DWORD size, void* context);
void Spool_ForEachHandOver(const SPOOL_RULE& rule, const char* suffix, SPOOL_HANDOVER_FOUND found,
                           void* context);
