// The RRDtool feed: every 5 minutes the statistics slots go to "hosts.rrd" in the program's
// directory as 40 values (each slot's maximum and ten times its average) through the
// RRDtool command-line program "rrdtool.exe" beside the program, and the slots start again.
#include "core/config.h"
#include "core/host.h"
#include "core/service_table.h"
#include "partner/machine_duties.h"
#include "partner/partner_duties.h"
#include <stdio.h>
#include <string.h>

static const int32_t kFeedPeriod = 300;

// Appends to the command; false when it would not fit (the command is then not run).
static bool Append(char* command, int size, int* length, const char* text)
{
    const int n = snprintf(command + *length, (size_t)(size - *length), "%s", text);
    if (n < 0 || n >= size - *length) return false;
    *length += n;
    return true;
}

// A path with a blank is quoted, or the program would be looked for at the first blank.
static bool AppendPath(char* command, int size, int* length, const char* directory,
                       const char* name)
{
    char path[CONFIG_PATH_SIZE + 32];
    const bool quote = strchr(directory, ' ') != nullptr;
    const int n = snprintf(path, sizeof(path), "%s%s%s%s", quote ? "\"" : "", directory, name,
                           quote ? "\"" : "");
    if (n < 0 || n >= (int)sizeof(path)) return false;
    return Append(command, size, length, path);
}

void Rrd_BuildCommand(char* command, int size)
{
    int length = 0;
    command[0] = 0;
    bool fits = AppendPath(command, size, &length, g_paths.programDir, "rrdtool.exe") &&
                Append(command, size, &length, " update ") &&
                AppendPath(command, size, &length, g_paths.programDir, "hosts.rrd") &&
                Append(command, size, &length, " N");
    for (int i = 0; i < STAT_SLOT_COUNT && fits; ++i) {
        const STAT_SLOT& slot = g_statSlots[i];
        const long long average =
            slot.count != 0 ? (long long)slot.sum * 10 / slot.count : 0;
        char values[48];
        snprintf(values, sizeof(values), ":%d:%lld", (int)slot.maximum, average);
        fits = Append(command, size, &length, values);
    }
    if (!fits) command[0] = 0;
}

void Rrd_Feed()
{
    if (!g_config.rrdtool) return;
    MACHINE_DUTY_STATE& m = g_machineDuties;
    const int32_t now = Host_Now();
    if (now <= m.lastRrdFeed + kFeedPeriod) {
        // The clock went back: the next update comes 5 minutes after the new time.
        if (now < m.lastRrdFeed) m.lastRrdFeed = now;
        return;
    }
    m.lastRrdFeed = now;
    char command[2 * CONFIG_PATH_SIZE + 20 * 24 + 32];
    Rrd_BuildCommand(command, sizeof(command));
    StatSlots_Clear();
    // A missing rrdtool.exe or hosts.rrd fails silently; the figures are gone either way.
    if (command[0]) WinExec(command, SW_HIDE);
}
