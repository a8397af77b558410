// Reading the FileSync rules and deciding when automatic runs are due.
#include "housekeeping/filesync.h"
#include "core/config.h"
#include "core/host.h"
#include "core/str.h"
#include "core/supervision.h"
#include "housekeeping/jobs.h"
#include "partner/partner_commands.h"
#include <stdio.h>
#include <string.h>

namespace {

void ReadKey(const char* configFile, const char* key, char* value, int size)
{
    GetPrivateProfileStringA("FileSync", key, "", value, (DWORD)size, configFile);
}

// Copies text into a MAX_PATH buffer with a trailing backslash; false when it does not fit
// (a cut path would name another directory).
bool CopyDirectory(char* directory, const char* text)
{
    const size_t length = strlen(text);
    const bool slash = length > 0 && text[length - 1] == '\\';
    if (length + (slash ? 0 : 1) >= MAX_PATH) return false;
    memcpy(directory, text, length + 1);
    if (!slash) {
        directory[length] = '\\';
        directory[length + 1] = 0;
    }
    return true;
}

}  // namespace

int FileSync_ReadRule(const char* configFile, int number, FILESYNC_RULE* rule)
{
    memset(rule, 0, sizeof(*rule));
    char key[32];
    char value[CONFIG_PATH_SIZE];
    snprintf(key, sizeof(key), "%d", number);
    ReadKey(configFile, key, value, sizeof(value));
    if (value[0]) {
        // Short form: "source\pattern, destination".
        char* comma = strchr(value, ',');
        if (!comma) return FILESYNC_RULE_SKIP;
        *comma = 0;
        const char* destination = comma + 1;
        while (*destination == ' ') ++destination;
        if (!CopyDirectory(rule->destination, destination)) return FILESYNC_RULE_SKIP;
        // Without a backslash there is no directory: the source stays empty and fails the
        // source test of the run, which reports the rule.
        char* lastSlash = strrchr(value, '\\');
        const char* pattern = lastSlash ? lastSlash + 1 : value;
        STR_ncpy(rule->pattern, pattern, MAX_PATH - 1);
        if (lastSlash) {
            lastSlash[1] = 0;
            STR_ncpy(rule->source, value, MAX_PATH - 1);
        }
        rule->shortForm = true;
        return FILESYNC_RULE_OK;
    }

    char source[CONFIG_PATH_SIZE];
    char destination[CONFIG_PATH_SIZE];
    snprintf(key, sizeof(key), "%d_Source", number);
    ReadKey(configFile, key, source, sizeof(source));
    if (!source[0]) return FILESYNC_RULE_END;
    snprintf(key, sizeof(key), "%d_Destination", number);
    ReadKey(configFile, key, destination, sizeof(destination));
    if (!destination[0]) return FILESYNC_RULE_SKIP;
    if (!CopyDirectory(rule->source, source) || !CopyDirectory(rule->destination, destination))
        return FILESYNC_RULE_SKIP;
    snprintf(key, sizeof(key), "%d_Filter", number);
    ReadKey(configFile, key, rule->pattern, MAX_PATH);
    if (!rule->pattern[0]) STR_ncpy(rule->pattern, "*.*", MAX_PATH - 1);
    rule->shortForm = false;
    return FILESYNC_RULE_OK;
}

bool FileSync_IsConfigured()
{
    return g_config.fileSyncRule1[0] != 0 || g_config.fileSyncRule1Source[0] != 0;
}

// An automatic request obeys the transfer command's rules without its dialogs: dropped while
// the partner named by "Ping" is not answering or this machine is not the active one.
static void RequestAutomatic(bool deleteRun)
{
    if (!Partner_IsResponding(g_config.fileSyncPing)) return;
    if (!g_supervision.active) return;
    FileSync_RequestRun(1, deleteRun);
}

void FileSync_Schedule(int hour, int minute)
{
    const CONFIG& c = g_config;
    if (hour < c.syncStart || hour >= c.syncStop) return;
    const int32_t now = Host_Now();
    // The first minutes of the window make a delete run due early in the day.
    if (hour == c.syncStart && minute < 2) FileSync_SetLastRunTime(now - 1800);

    const FILESYNC_STATE_VIEW state = FileSync_State();
    const SUPERVISION_STATE& s = g_supervision;
    // The sums are taken in 64 bits: a period of years added to the clock must not wrap into
    // the past and make every tick's run due.
    if (c.autoTime != 0 && (int64_t)now >= (int64_t)state.lastSyncTime + c.autoTime &&
        s.active && !s.notOk && !s.appProblem) {
        RequestAutomatic(false);
    } else if (c.autoTimeDel != 0 && c.autoTime != 0 &&
               (int64_t)now >= (int64_t)state.lastRunTime + c.autoTimeDel && s.active &&
               !FileSync_IsRequested()) {
        RequestAutomatic(true);
    }
}
