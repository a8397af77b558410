// FileAppend: the content of every file matching a rule's pattern is appended to the file of
// the same name in the rule's destination directory, and the source goes. The source is first
// renamed to "<name>.$$$" (a producer still writing it makes the rename fail and keeps it for
// a later run); see housekeeping/handover.h for how an end at any moment loses nothing.
#include "core/config.h"
#include "core/eventlog.h"
#include "housekeeping/file_basics.h"
#include "housekeeping/handover.h"
#include "housekeeping/jobs.h"
#include "housekeeping/spool_jobs.h"
#include "housekeeping/spool_reports.h"
#include "housekeeping/spool_rules.h"
#include "partner/partner_commands.h"
#include "core/str.h"
#include <stdio.h>
#include <string.h>

static const char kHandOverSuffix[] = ".$$$";

bool SpoolJobs_ReadRule(const char* section, int n, char* value, int size)
{
    char key[16];
    snprintf(key, sizeof(key), "%d", n);
    Config_GetText(section, key, "", value, size);
    return value[0] != 0;
}

// Appends the hand-over file to destination + name and finishes it. A record that names
// another destination belongs to another rule with the same source directory.
static void AppendHandOver(const SPOOL_RULE& rule, const char* name, const char* handOver)
{
    char destination[SPOOL_PATH_SIZE], noted[SPOOL_PATH_SIZE];
    if (!Spool_Join(destination, rule.destination, name, "")) return;
    if (HandOver_ReadRecord(handOver, noted, sizeof(noted)) != 0 &&
        STR_cmp(noted, destination) != 0) {
        Spool_HandOverHasRule("FileAppend", EVENT_CUSTOR, false, rule.sourceDir, name, handOver,
                              noted);
        return;
    }
    HANDLE file = HandOver_OpenDestination(destination);
    if (file == INVALID_HANDLE_VALUE) {
        Spool_ReportHeldDestination("FileAppend", EVENT_CUSTOR, destination, handOver);
        return;
    }
    if (HandOver_Append(file, destination, handOver, 1, nullptr) == HANDOVER_DONE)
        HandOver_Finish(handOver);
    CloseHandle(file);
}

static void FinishLeftover(const char* name, DWORD, void* context)
{
    const SPOOL_RULE& rule = *(const SPOOL_RULE*)context;
    char handOver[SPOOL_PATH_SIZE];
    if (Spool_Join(handOver, rule.sourceDir, name, kHandOverSuffix))
        AppendHandOver(rule, name, handOver);
}

// Hands one new source file over and appends it to destination + name.
static bool AppendNewFile(const char* name, DWORD, void* context)
{
    const SPOOL_RULE& rule = *(const SPOOL_RULE*)context;
    char source[SPOOL_PATH_SIZE], handOver[SPOOL_PATH_SIZE], destination[SPOOL_PATH_SIZE];
    if (!Spool_Join(source, rule.sourceDir, name, "") ||
        !Spool_Join(handOver, rule.sourceDir, name, kHandOverSuffix) ||
        !Spool_Join(destination, rule.destination, name, ""))
        return true;
    if (Spool_RefuseOwnLookingName("FileAppend", EVENT_CUSTOR, source)) return true;
    // An older hand-over of this name not finished yet: its content comes first.
    if (GetFileAttributesA(handOver) != INVALID_FILE_ATTRIBUTES) return true;
    HANDLE file = HandOver_OpenDestination(destination);
    if (file == INVALID_HANDLE_VALUE) {
        Spool_ReportHeldDestination("FileAppend", EVENT_CUSTOR, destination, source);
        return true;
    }
    HandOver_ForgetRecord(handOver);
    if (MoveFileA(source, handOver) &&
        HandOver_Append(file, destination, handOver, 1, nullptr) == HANDOVER_DONE)
        HandOver_Finish(handOver);
    CloseHandle(file);
    return true;
}

static void AppendFilesOfRule(const SPOOL_RULE& rule)
{
    // Hand-overs left by an earlier run are finished before anything new.
    Spool_ForEachHandOver(rule, kHandOverSuffix, FinishLeftover, (void*)&rule);
    Spool_ForEachSource(rule, AppendNewFile, (void*)&rule);
}

void FileAppend_Run()
{
    if (!Partner_IsResponding(g_config.fileAppendPing)) return;
    char value[SPOOL_RULE_VALUE_SIZE];
    for (int n = 1;; ++n) {
        if (!SpoolJobs_ReadRule("FileAppend", n, value, sizeof(value))) return;
        SPOOL_RULE rule;
        const SpoolRuleResult parsed = SpoolRule_Parse(value, false, &rule);
        if (parsed != RULE_OK) {
            SpoolRule_Report("FileAppend", n, parsed);
            continue;
        }
        if (!FILE_DirectoryTest(rule.sourceDir, 0)) return;
        AppendFilesOfRule(rule);
    }
}
