#include "core/supervision.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/metrics.h"
#include "core/passes.h"
#include "core/problem_state.h"
#include "core/service_table.h"
#include "core/str.h"
#include "core/window_search.h"
#include "housekeeping/jobs.h"
#include "partner/alarm_port.h"
#include "partner/partner_duties.h"
#include "core/display.h"
#include <stdio.h>
#include <string.h>

SUPERVISION_STATE g_supervision;

static const TICK_DUTIES kRealDuties = {
    Rrd_Feed, ClockWatch_Check, TitlePass, MessagePass, UpdateProblemState, AutoReboot_Check,
    Partner_Tick, ProbeMessageServices, SelfUpdate_PendingTotal, FileSync_IsRequested,
    FileRename_Run, LogMove_Run, FileMove_Run, FileAppend_Run, FileSync_Schedule,
    SelfUpdate_Check,
};
TICK_DUTIES g_tickDuties = kRealDuties;

void TickDuties_UseReal() { g_tickDuties = kRealDuties; }

// Ticks of the slow block: every 40 ticks (10 s); a pending self-update adds 10 per tick,
// which brings it round every 4 ticks (1 s).
static const int kSlowBlockTicks = 40;
static const int kSelfUpdateExtraTicks = 10;
// No alarm pop-up during the first 30 seconds and for 30 seconds after the operator hid it.
static const int32_t kAlarmHoldSeconds = 30;
// FileMove/FileAppend passes are at least this far apart.
static const int32_t kFileMovePeriod = 20;

void Status_Set(const char* text)
{
    SUPERVISION_STATE& s = g_supervision;
    STR_ncpy(s.statusText, text ? text : "", sizeof(s.statusText) - 1);
    Display_SetStatus(s.statusText);
}

const char* Status_Get() { return g_supervision.statusText; }

void Supervision_Reset()
{
    g_supervision = SUPERVISION_STATE{};
    ProblemState_Reset();
}

void Desktop_ShowActivation(bool active)
{
    int element = COLOR_BACKGROUND;
    COLORREF colour = active ? RGB(0, 0x77, 0) : RGB(0x77, 0, 0);
    SetSysColors(1, &element, &colour);
}

bool StartSupervision()
{
    SUPERVISION_STATE& s = g_supervision;
    const int32_t now = Host_Now();
    s.statusHold = 0;
    FileSync_ResetTimes(now - 300);
    s.lastFileMovePass = now - 300;

    char text[CONFIG_VALUE_SIZE];
    Config_GetText("COMMON", "Active", "1", text, sizeof(text));
    s.active = text[0] != '0';

    Config_GetText("COMMON", "SetDesktopColor", "0", text, sizeof(text));
    if (text[0] == '1') Desktop_ShowActivation(s.active);

    ReadConfiguration(s.mainWindow, true);
    Display_FitWindowToList(true);

    if (s.statusHold == 0) {
        char version[64];
        snprintf(version, sizeof(version), "V %d.%d%d Tarnwell", 1, 5, 6);
        Status_Set(version);
    }

    Config_GetText("Common", "WatchCom", "", text, sizeof(text));
    if (text[0]) {
        if (AlarmPort_Open("COMMON")) {
            Display_ShowFrameAtStart();
            s.windowVisibility = 2;
        } else {
            const char* message = "Error opening serial port for external alarm";
            EventLog(EVENT_CUSTOR, message, false, 0);
            Status_Set(message);
            s.statusHold = 20;
        }
    }

    Partner_SendStatus("Starting\tOK");
    Uptime_LoadWrapArounds();
    return true;
}

bool SupervisePass()
{
    SUPERVISION_STATE& s = g_supervision;
    s.previousAppProblem = s.appProblem;
    s.appProblem = false;
    s.notOk = false;
    s.modemProblems = 0;

    // Both passes match against one look at the desktop.
    Desktop_TakeSnapshot();
    g_tickDuties.titlePass();
    g_tickDuties.messagePass();
    Desktop_ForgetSnapshot();

    char text[64];
    snprintf(text, sizeof(text), "%d modems with problems", (int)s.modemProblems);
    const int32_t limit = g_config.modemProblemLimit;
    if (limit != 0 && s.modemProblems == limit) {
        if (s.modemProblems > s.modemProblemsLogged) {
            s.modemProblemsLogged = s.modemProblems;
            EventLog(EVENT_MODEMS, text, false, 0);
        }
    } else if (s.modemProblems == 0 && !s.notOk && !s.appProblem) {
        s.modemProblemsLogged = 0;
    }

    if (s.modemProblems != 0) {
        Status_Set(text);
        s.modemTextShown = true;
    } else if (s.modemTextShown) {
        Status_Set("");
        s.modemTextShown = false;
    }
    return s.appProblem;
}

// The slow block: file jobs (while no FileSync run is pending), the self-update check and the
// configuration re-read when the file's time changed.
static void SlowBlock()
{
    SUPERVISION_STATE& s = g_supervision;
    SYSTEMTIME t;
    g_host.getLocalTime(&t);
    s.slowCounter = 0;

    if (!g_tickDuties.fileSyncRequested()) {
        g_tickDuties.fileRename();
        if (s.active && !s.logMoveRunning) {
            s.logMoveRunning = true;
            g_tickDuties.logMove();
            s.logMoveRunning = false;
        }
        const int32_t now = Host_Now();
        // A clock set back must not stop the jobs until it has caught up again.
        if (s.active && (now - s.lastFileMovePass >= kFileMovePeriod || now < s.lastFileMovePass)) {
            if (g_tickDuties.fileMove()) g_tickDuties.fileAppend();
            s.lastFileMovePass = now;
        }
        g_tickDuties.fileSyncSchedule(t.wHour, t.wMinute);
    }

    g_tickDuties.selfUpdateCheck();

    if (ConfigFile_Changed()) {
        ReadConfiguration(s.mainWindow, false);
        Display_FitWindowToList(true);
    }
    Metrics_Tick();
}

void SupervisionTick(HWND mainWindow)
{
    SUPERVISION_STATE& s = g_supervision;
    // A duty's message box runs a nested message loop; its timer messages must not start a
    // second tick inside the first.
    if (s.tickBusy) return;
    s.tickBusy = true;
    if (mainWindow) s.mainWindow = mainWindow;

    if (s.firstTick) {
        s.firstTick = false;
        StartSupervision();
        s.alarmHoldUntil = Host_Now() + kAlarmHoldSeconds;
    }

    g_tickDuties.rrdFeed();
    g_tickDuties.clockWatch();

    // Inequality, not "later than": a clock set back does not stop the passes.
    const int32_t now = Host_Now();
    if (now != s.lastSecond) {
        s.busyChannels = 0;
        SupervisePass();
        g_tickDuties.updateProblemState();
        s.lastSecond = now;
        g_tickDuties.autoReboot(s.busyChannels);
        g_tickDuties.partnerTick();
    }

    g_tickDuties.probeMessageServices();
    // The FileSync worker leaves its line text for this thread, which owns the window.
    FileSync_ShowLine();
    Metrics_RetryHeldWrite();

    s.slowCounter += 1;
    if (g_tickDuties.selfUpdatePendingTotal() != 0) s.slowCounter += kSelfUpdateExtraTicks;
    if (s.slowCounter >= kSlowBlockTicks) SlowBlock();

    if (s.statusHold != 0) {
        if (--s.statusHold == 0) Status_Set("");
    }

    // Minimised by the operator: back to the tray. A problem may raise it again only after
    // the hold, so the operator is not pestered at once.
    if (s.windowVisibility != 0 && s.mainWindow && IsIconic(s.mainWindow)) {
        if (s.notOk || s.appProblem || s.deactivatedByPartner)
            s.alarmHoldUntil = Host_Now() + kAlarmHoldSeconds;
        s.windowVisibility = 0;
        ShowWindow(s.mainWindow, SW_HIDE);
    }

    s.tickBusy = false;
}
