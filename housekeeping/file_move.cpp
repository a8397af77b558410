// FileMove: every file matching a rule's pattern goes into the rule's destination directory,
// by renaming on the same drive letter, else by a verified copy and the removal of the source.
#include "core/config.h"
#include "housekeeping/file_lib.h"
#include "housekeeping/jobs.h"
#include "housekeeping/spool_jobs.h"
#include "housekeeping/spool_rules.h"
#include "partner/partner_commands.h"
#include <stdio.h>

// Moves one source file of a rule; false when it fails (the remaining files and rules wait
// for the next run).
static bool MoveOneFile(const char* name, DWORD, void* context)
{
    const SPOOL_RULE& rule = *(const SPOOL_RULE*)context;
    char source[SPOOL_PATH_SIZE], destination[SPOOL_PATH_SIZE];
    if (!Spool_Join(source, rule.sourceDir, name, "") ||
        !Spool_Join(destination, rule.destination, name, ""))
        return false;
    if (FILE_Copy(destination, source, 1, TRUE, FALSE, nullptr, FALSE) == 0) return false;
    // After a rename this finds nothing; after a copy the source goes only now.
    FILE_saveremove(source);
    return true;
}

// Moves the files of one rule; false at the first move that fails.
static bool MoveFilesOfRule(const SPOOL_RULE& rule)
{
    return Spool_ForEachSource(rule, MoveOneFile, (void*)&rule);
}

bool FileMove_Run()
{
    if (!Partner_IsResponding(g_config.fileMovePing)) return false;
    char value[SPOOL_RULE_VALUE_SIZE];
    for (int n = 1;; ++n) {
        if (!SpoolJobs_ReadRule("FileMove", n, value, sizeof(value))) return true;
        SPOOL_RULE rule;
        const SpoolRuleResult parsed = SpoolRule_Parse(value, false, &rule);
        if (parsed != RULE_OK) {
            SpoolRule_Report("FileMove", n, parsed);
            continue;
        }
        if (!FILE_DirectoryTest(rule.sourceDir, 0)) return false;
        if (!MoveFilesOfRule(rule)) return false;
    }
}
