// Supervision by window title: a program runs while a top-level window with its title exists
// and answers while that window processes a null message within 500 ms.
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/pass_common.h"
#include "core/passes.h"
#include "core/process_control.h"
#include "core/supervision.h"
#include "core/window_search.h"

// A running program is probed every 10 s; a probe waits at most 500 ms for the answer.
static const DWORD kProbePeriodMs = 10000;
static const UINT kProbeTimeoutMs = 500;

static void ProbeWindow(SERVICE_ENTRY& e, int row, int32_t now)
{
    if (Host_Ticks() - e.lastProbeTick <= kProbePeriodMs) return;
    e.lastProbeTick = Host_Ticks();
    e.lastProbeTime = now;
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(e.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kProbeTimeoutMs, &result)) {
        e.lastAnswer = now;
        Row_SetText(row, 1, "ok");
    } else {
        Row_SetText(row, 1, "no response");
    }
}

static void RunningEntry(SERVICE_ENTRY& e, int index, int32_t now)
{
    const int row = index;
    e.window = g_windowSearch.window;
    e.startFailureLogged = false;
    ProbeWindow(e, row, now);

    if (Pass_IsHealthy(e, now)) {
        if (e.colour != ROW_OK) {
            Row_SetColour(e, row, ROW_OK);
            Row_SetText(row, 1, "ok");
            Row_SetText(row, 2, "");
        }
        e.counter = 0;
        return;
    }
    // A clock moved since the last probe must not count towards a kill.
    if (Pass_HandleClockDoubt(e, row, now)) return;

    Pass_CountNoResponse(e, row, now);
    const uint32_t limit = g_config.noResponseError;
    if (e.counter % limit == 0) {
        e.stopAttempts += 1;
        KillService(index, KILL_BY_WINDOW);
        Pass_Announce(row, "trying to kill the application", "killing");
    }
    if (e.counter % (limit / 2) == 0 && CheckCrashWindow(e)) ReportCrashWindow(e, row);
}

static void MissingEntry(SERVICE_ENTRY& e, int row, int32_t now)
{
    if (e.colour != ROW_NOT_RUNNING) {
        Row_SetColour(e, row, ROW_NOT_RUNNING);
        Row_SetText(row, 1, "not running");
        Row_SetText(row, 2, "");
        ServiceList_MakeVisible(row);
    }
    Pass_CountEpisode(e, row);
    // A pass that starts the program does not count it as a problem, so a program that keeps
    // failing to start never reaches the external alarm; a problem that another program
    // raised in the same pass stays raised.
    const uint32_t period = g_config.notRunningError;
    const bool startNow = e.counter % period == 0;
    if (e.counter > period && !startNow) Pass_RaiseAppProblem(e, now);
    if (startNow) Pass_StartProgram(e, EVENT_START, now);
    e.window = nullptr;
}

void TitlePass()
{
    const int32_t now = Host_Now();
    for (int i = 0; i < g_titleTable.count; ++i) {
        SERVICE_ENTRY& e = g_titleTable.entries[i];
        if (Pass_HandleDisabled(e, i)) continue;
        WindowSearch_Prepare(e.pattern);
        if (FindServiceWindow(g_windowSearch.pattern, g_windowSearch.exact, false))
            RunningEntry(e, i, now);
        else
            MissingEntry(e, i, now);
    }
}
