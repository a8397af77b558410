// The clock-change watch: once a minute the local time is compared with the last one seen.
// Any jump of the local time makes the configuration be read again (its rules depend on the
// hour); a jump of more than 15 minutes in UTC is logged and announced. A daylight-saving
// change moves the local time but not UTC, so it is never announced.
#include "core/config.h"
#include "core/display.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/supervision.h"
#include "partner/machine_duties.h"
#include "partner/mailslot.h"
#include "partner/partner_duties.h"
#include <stdio.h>
#include <string.h>

// The local time may move this far in a minute before the configuration is read again.
static const int32_t kLocalSlack = 130;
// UTC jumps beyond this are reported.
static const int32_t kMassiveChange = 900;
static const char kChangedPrefix[] = "Time changed ";

static int32_t UtcOf(int32_t local)
{
    TIME_ZONE_INFORMATION zone;
    ZeroMemory(&zone, sizeof(zone));
    const DWORD kind = g_host.getTimeZoneInformation(&zone);
    int32_t utc = local + zone.Bias * 60;
    if (kind == TIME_ZONE_ID_DAYLIGHT) utc += zone.DaylightBias * 60;
    return utc;
}

static void ReportChange(int32_t lastUtc, int32_t utc)
{
    char text[64];
    if (utc < lastUtc)
        snprintf(text, sizeof(text), "%s(-%d min)", kChangedPrefix, (int)((lastUtc - utc) / 60));
    else
        snprintf(text, sizeof(text), "%s(%d min)", kChangedPrefix, (int)((utc - lastUtc) / 60));
    char notice[128];
    snprintf(notice, sizeof(notice), "Custor: Massive date/time change detected: %s",
             text + strlen(kChangedPrefix));
    MAILSLOT_Write(notice, nullptr, nullptr, "tarnwell");
    EventLog(EVENT_TIME, text, false, 0);
    Display_FitWindowToList(true);
}

void ClockWatch_Check()
{
    MACHINE_DUTY_STATE& m = g_machineDuties;
    SYSTEMTIME local;
    g_host.getLocalTime(&local);
    if (m.clockMinuteKnown && local.wMinute == m.lastClockMinute) return;
    m.clockMinuteKnown = true;
    m.lastClockMinute = local.wMinute;

    const int32_t t = Host_SecondsOf(local);
    if (!m.localKnown) {
        m.lastLocal = t;
        m.localKnown = true;
    }
    if (t < m.lastLocal || t > m.lastLocal + kLocalSlack) {
        ReadConfiguration(g_supervision.mainWindow, false);
        Display_FitWindowToList(true);
    }

    const int32_t v = UtcOf(t);
    if (!m.utcKnown) {
        m.lastUtc = v;
        m.utcKnown = true;
        return;
    }
    // A jump found at minute 0 of an hour is not reported.
    const int32_t jump = v - m.lastUtc;
    if ((jump > kMassiveChange || jump < -kMassiveChange) && local.wMinute != 0)
        ReportChange(m.lastUtc, v);
    m.lastUtc = v;
    m.lastLocal = t;
}
