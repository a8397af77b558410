// The uptime field: how long the machine has been running, from the system's 64-bit tick
// count, so it is right beyond the 49.7-day wrap of the 32-bit counter and after any start of
// the program. The wraps of the 32-bit counter are still counted in the registry for programs
// that read that count; Custor itself never acts on it.
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

void Uptime_Format(ULONGLONG milliseconds, char* text, int size)
{
    const ULONGLONG s = milliseconds / 1000;
    const ULONGLONG days = s / 86400;
    if (days > 0)
        snprintf(text, size, "%llu %s %02d:%02d:%02d", (unsigned long long)days, DayWord((int64_t)days),
                 (int)((s / 3600) % 24), (int)((s / 60) % 60), (int)(s % 60));
    else
        snprintf(text, size, "%02d:%02d:%02d", (int)(s / 3600), (int)((s / 60) % 60), (int)(s % 60));
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
    Uptime_Format(Host_Ticks64(), text, sizeof(text));
    m.lastUptimeSecond = s;
    Display_SetUptime(text);
}
