#include "core/pass_common.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/lib.h"
#include "core/metrics.h"
#include "core/process_control.h"
#include "core/str.h"
#include "core/supervision.h"
#include "partner/mailslot.h"
#include "core/display.h"
#include <stdio.h>
#include <string.h>

// Supervision actions keep their status-line text for 10 ticks.
static const int kActionHold = 10;

void Row_SetText(int row, int column, const char* text)
{
    Display_SetRowText(row, column, text);
}

void Row_SetColour(SERVICE_ENTRY& entry, int row, int colour)
{
    entry.colour = colour;
    Display_SetRowColour(row, colour);
}

bool Pass_HandleDisabled(SERVICE_ENTRY& entry, int row)
{
    if (entry.disabled == 1) {
        Row_SetColour(entry, row, ROW_ATTENTION);
        Row_SetText(row, 1, "disabled");
        Row_SetText(row, 2, "");
        entry.disabled = 2;
        return true;
    }
    return entry.disabled == 2;
}

// Both tests take the time since the last answer or probe as an unsigned number: after the
// clock was set back that time is "negative", which makes it huge, so the program shows
// "time?" until its next probe instead of counting as healthy until the clock catches up.
bool Pass_IsHealthy(const SERVICE_ENTRY& entry, int32_t now)
{
    return (uint32_t)(now - entry.lastAnswer) < (uint32_t)g_config.noResponseWarning;
}

bool Pass_HandleClockDoubt(SERVICE_ENTRY& entry, int row, int32_t now)
{
    if ((uint32_t)(now - entry.lastProbeTime) <= 10u) return false;
    if (entry.colour != ROW_ATTENTION) {
        Row_SetColour(entry, row, ROW_ATTENTION);
        Row_SetText(row, 1, "time?");
    }
    return true;
}

void Pass_EnterNoResponse(SERVICE_ENTRY& entry, int row, int32_t now)
{
    if (entry.colour == ROW_NO_RESPONSE) return;
    Row_SetColour(entry, row, ROW_NO_RESPONSE);
    Row_SetText(row, 1, "no response");
    entry.lastStatus = -50;
    ServiceList_MakeVisible(row);
    if (now - 10 > entry.lastStart) {
        char notice[SERVICE_NAME_SIZE + 64];
        snprintf(notice, sizeof(notice), "warning: no response from application \"%s\"",
                 entry.name);
        MAILSLOT_Write(notice, nullptr, nullptr, "tarnwell");
    }
}

void Pass_CountEpisode(SERVICE_ENTRY& entry, int row)
{
    entry.counter += 1;
    char clock[32];
    snprintf(clock, sizeof(clock), "%02u:%02u", (unsigned)(entry.counter / 60),
             (unsigned)(entry.counter % 60));
    Row_SetText(row, 2, clock);
    g_supervision.notOk = true;
}

void Pass_CountNoResponse(SERVICE_ENTRY& entry, int row, int32_t now)
{
    // Within this time of the last probe the program is still looked at.
    static const DWORD kRecentProbeMs = 10000;
    Pass_EnterNoResponse(entry, row, now);
    Pass_CountEpisode(entry, row);
    if (entry.counter > g_config.noResponseError &&
        Host_Ticks() - entry.lastProbeTick < kRecentProbeMs)
        Pass_RaiseAppProblem(entry, now);
}

void Pass_RaiseAppProblem(const SERVICE_ENTRY& entry, int32_t now)
{
    SUPERVISION_STATE& s = g_supervision;
    if (!s.previousAppProblem) s.firstProblemTime = now;
    s.appProblem = true;
    STR_ncpy(s.problemApp, entry.pattern, sizeof(s.problemApp) - 1);
}

void Pass_ShowAction(int row, const char* statusText, const char* stateText)
{
    Status_Set(statusText);
    g_supervision.statusHold = kActionHold;
    Row_SetText(row, 1, stateText);
    ServiceList_MakeVisible(row);
}

void Pass_Announce(int row, const char* statusText, const char* stateText)
{
    Pass_ShowAction(row, statusText, stateText);
    g_host.messageBeep(MB_ICONASTERISK);
}

bool Pass_StartProgram(SERVICE_ENTRY& entry, int eventCode, int32_t now)
{
    DWORD error = 0;
    const bool started = StartProgram(entry.command, SW_MINIMIZE, &error);
    entry.lastStart = now;
    EventLog(eventCode, entry.pattern, false, 0);
    Metrics_CountEvent(entry, SERVICE_EVENT_START);
    if (!started) {
        char text[SERVICE_NAME_SIZE + 300];
        snprintf(text, sizeof(text), "Cannot start %s: %s", entry.name,
                 LIB_WinApiErrorString((HWND)-1, error));
        // The system's text ends with its line break turned into a blank.
        for (size_t n = strlen(text); n > 0 && text[n - 1] == ' '; --n) text[n - 1] = 0;
        Status_Set(text);
        g_supervision.statusHold = kActionHold;
        if (!entry.startFailureLogged) {
            EventLog(EVENT_CUSTOR, text, false, 0);
            entry.startFailureLogged = true;
        }
    }
    return started;
}
