// The uptime field: how long the machine has been running, correct beyond the 49.7-day wrap
// of the millisecond tick counter, whose wraps are counted in the registry.
#include "core/config.h"
#include "core/display.h"
#include "core/host.h"
#include "core/lib.h"
#include "partner/machine_duties.h"
#include "partner/partner_duties.h"
#include <stdio.h>

int32_t g_uptimeWrapArounds = 0;
MACHINE_DUTY_STATE g_machineDuties;

void MachineDuties_Reset() { g_machineDuties = MACHINE_DUTY_STATE{}; }

// Ten minutes after boot the tick counter cannot have wrapped yet.
static const DWORD kFreshBootMs = 600000;
// One full turn of the 32-bit millisecond counter in whole minutes (rounded down).
static const int64_t kMinutesPerWrap = 71582;

void Uptime_LoadWrapArounds()
{
    char text[CONFIG_VALUE_SIZE];
    LIB_GetRegistryString("Tarnwell", "Uptime_WrapArounds", "0", text, sizeof(text), FALSE);
    g_uptimeWrapArounds = Config_ParseInt(text);
    if (Host_Ticks() < kFreshBootMs) {
        g_uptimeWrapArounds = 0;
        LIB_WriteRegistryString("Tarnwell", "Uptime_WrapArounds", "0", FALSE, FALSE, FALSE);
    }
}

static const char* DayWord(int64_t days) { return days == 1 ? "day" : "days"; }

void Uptime_Format(DWORD ticks, int32_t wraps, char* text, int size)
{
    const DWORD s = ticks / 1000;
    if (wraps > 0) {
        const int64_t m = s / 60 + (int64_t)wraps * kMinutesPerWrap;
        snprintf(text, size, "%lld %s %02d:%02d:%02d", (long long)(m / 1440), DayWord(m / 1440),
                 (int)((m / 60) % 24), (int)(m % 60), (int)(s % 60));
        return;
    }
    const DWORD days = ticks / 86400000u;
    if (days > 0)
        snprintf(text, size, "%lu %s %02lu:%02lu:%02lu", (unsigned long)days, DayWord(days),
                 (unsigned long)((s / 3600) % 24), (unsigned long)((ticks / 60000) % 60),
                 (unsigned long)(s % 60));
    else
        snprintf(text, size, "%02lu:%02lu:%02lu", (unsigned long)(s / 3600),
                 (unsigned long)((s / 60) % 60), (unsigned long)(s % 60));
}

void Uptime_Show()
{
    const DWORD ticks = Host_Ticks();
    const DWORD s = ticks / 1000;
    MACHINE_DUTY_STATE& m = g_machineDuties;
    if (s == m.lastUptimeSecond) return;
    if (s < m.lastUptimeSecond) {
        // The counter went round: the count survives a restart of the program.
        ++g_uptimeWrapArounds;
        char count[16];
        snprintf(count, sizeof(count), "%d", (int)g_uptimeWrapArounds);
        LIB_WriteRegistryString("Tarnwell", "Uptime_WrapArounds", count, FALSE, FALSE, FALSE);
    }
    char text[64];
    Uptime_Format(ticks, g_uptimeWrapArounds, text, sizeof(text));
    m.lastUptimeSecond = s;
    Display_SetUptime(text);
}
