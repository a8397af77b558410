// Supervision by message: cooperating servers are asked for their state with a posted
// character and answer with a status report of busy channels and problems.
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/pass_common.h"
#include "core/passes.h"
#include "core/process_control.h"
#include "core/str.h"
#include "core/supervision.h"
#include "core/window_search.h"
#include <stdio.h>

// Each program is asked about every 4 s, at most 4 programs per tick.
static const DWORD kProbePeriodMs = 4000;
static const int kProbesPerTick = 4;
// A start after this many seconds of absence is logged as " Start?:".
static const uint32_t kLateStartSeconds = 180;
enum { STATUS_REQUEST = 0xA0, STATUS_REQUEST_SENDER = 0xA1 };

static int MessageRow(int index) { return g_titleTable.count + index; }

// The probe: 0xA0 normally; while an update asks the program to get ready, 0xA1 for the
// mail sender and lParam 2 for every other program.
static void PostProbe(SERVICE_ENTRY& e)
{
    WPARAM character = STATUS_REQUEST;
    LPARAM parameter = 1;
    if (e.updateRequest) {
        if (STR_str(e.command, "SENDER.EXE"))
            character = STATUS_REQUEST_SENDER;
        else
            parameter = 2;
    }
    if (!PostMessageA(e.window, WM_CHAR, character, parameter)) e.window = nullptr;
}

void ProbeMessageServices()
{
    int probes = 0;
    for (int i = 0; i < g_messageTable.count && probes < kProbesPerTick; ++i) {
        SERVICE_ENTRY& e = g_messageTable.entries[i];
        if (e.disabled != 0 || !e.window) continue;
        if (Host_Ticks() - e.lastProbeTick <= kProbePeriodMs) continue;
        PostProbe(e);
        e.lastProbeTick = Host_Ticks();
        e.lastProbeTime = Host_Now();
        ++probes;
    }
}

static void AddToSlot(int slot, int32_t value)
{
    if (slot < 0 || slot >= STAT_SLOT_COUNT) return;
    STAT_SLOT& s = g_statSlots[slot];
    if (value > s.maximum) s.maximum = value;
    s.sum += value;
    s.count += 1;
}

static void ShowReport(SERVICE_ENTRY& e, int row, int32_t status, int channels, int problems)
{
    SYSTEMTIME t;
    g_host.getLocalTime(&t);
    char text[64];
    if (problems != 0) {
        snprintf(text, sizeof(text), "%d problem%s", problems, problems == 1 ? "" : "s");
        Row_SetText(row, 1, text);
        Row_SetColour(e, row, ROW_ATTENTION);
        ServiceList_MakeVisible(row);
    }
    if (channels > 1) e.multiChannel = true;
    if (channels == 0) {
        Row_SetText(row, 2, "idle");
        // Whether a crash-titled window already stood there while the program was idle: such
        // a window is no sign of a crash later on.
        if (e.crashBaseline == 0) e.crashBaseline = CheckCrashWindow(e) ? 1 : 2;
    } else if (channels == 1 && !e.multiChannel) {
        snprintf(text, sizeof(text), "busy %02d:%02d:%02d", t.wHour, t.wMinute, t.wSecond);
        Row_SetText(row, 2, text);
    } else {
        snprintf(text, sizeof(text), "%d channel%s", channels, channels == 1 ? "" : "s");
        Row_SetText(row, 2, text);
    }
    e.lastStatus = status;
}

LRESULT OnStatusReport(HWND window, LPARAM statusWord)
{
    int index = -1;
    for (int i = 0; i < g_messageTable.count; ++i) {
        if (window && g_messageTable.entries[i].window == window) {
            index = i;
            break;
        }
    }
    if (index < 0) return 0;
    SERVICE_ENTRY& e = g_messageTable.entries[index];
    const int32_t now = Host_Now();
    e.lastAnswer = now;
    e.lastProbeTick = Host_Ticks();
    e.lastProbeTime = now;
    e.stopAttempts = 0;

    const int32_t status = (int32_t)statusWord;
    const int channels = status == 128 ? 0 : (status & 0xFF);
    const int problems = status == 128 ? 1 : ((status >> 8) & 0xFF);
    // One busy channel is shown again each time: the time it became busy changes.
    if (status != e.lastStatus || status == 1) ShowReport(e, MessageRow(index), status, channels, problems);
    e.channels = channels;
    e.problems = problems;

    AddToSlot(e.statSlot, channels);
    if (index == 0) AddToSlot(g_config.rrdErrorSlot, g_supervision.modemProblems);
    return 0;
}

static void StopOrKill(SERVICE_ENTRY& e, int index, int row)
{
    e.stopAttempts += 1;
    if (e.stopAttempts == 1) {
        // First stop of the episode: ask the program to close, after clearing dialogs that
        // would keep it from closing.
        CloseErrorDialogs(e.command);
        PostMessageA(e.window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        PostMessageA(e.window, WM_CLOSE, 0, 0);
        Pass_Announce(row, "trying to stop friendly the application", "stopping");
        EventLog(EVENT_END, e.pattern, false, 0);
    } else {
        KillService(index, KILL_BY_NAME);
        Pass_Announce(row, "trying to kill the application", "killing");
    }
}

static void KnownWindow(SERVICE_ENTRY& e, int index, int32_t now)
{
    const int row = MessageRow(index);
    e.startFailureLogged = false;
    if (Pass_IsHealthy(e, now)) {
        if (e.multiChannel && e.lastStatus != -50) g_supervision.modemProblems += e.problems;
        if (e.problems == 0 && e.colour != ROW_OK) {
            Row_SetColour(e, row, ROW_OK);
            Row_SetText(row, 1, "ok");
        }
        g_supervision.busyChannels += e.channels;
        e.counter = 0;
        return;
    }
    if (Pass_HandleClockDoubt(e, row, now)) return;

    Pass_CountNoResponse(e, row, now);
    const uint32_t limit = g_config.noResponseError;
    if (e.counter % limit == 0) StopOrKill(e, index, row);
    ConfirmCrashWindow(e, row);
}

static void MissingWindow(SERVICE_ENTRY& e, int index, int32_t now)
{
    const int row = MessageRow(index);
    e.lastStatus = -50;
    if (e.colour != ROW_NOT_RUNNING) {
        Row_SetColour(e, row, ROW_NOT_RUNNING);
        e.channels = 0;
        Row_SetText(row, 1, "not running");
        ServiceList_MakeVisible(row);
        CloseErrorDialogs(e.command);
    }
    Pass_CountEpisode(e, row);
    const uint32_t period = g_config.notRunningError;
    if (e.counter > period + 5) Pass_RaiseAppProblem(e, now);
    if (e.counter % period == 0) {
        Pass_ShowAction(row, "try to start the application", "starting");
        Pass_StartProgram(e, e.counter >= kLateStartSeconds ? EVENT_START_LATE : EVENT_START, now);
    }
    e.window = nullptr;
}

void MessagePass()
{
    const int32_t now = Host_Now();
    for (int i = 0; i < g_messageTable.count; ++i) {
        SERVICE_ENTRY& e = g_messageTable.entries[i];
        if (Pass_HandleDisabled(e, MessageRow(i))) continue;
        if (!e.window) {
            WindowSearch_Prepare(e.pattern);
            if (FindServiceWindow(g_windowSearch.pattern, g_windowSearch.exact, false))
                e.window = g_windowSearch.window;
        }
        if (e.window)
            KnownWindow(e, i, now);
        else
            MissingWindow(e, i, now);
    }
}
