#include "core/problem_state.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/lib.h"
#include "core/passes.h"
#include "core/supervision.h"
#include "partner/alarm_port.h"
#include "partner/mailslot.h"
#include "partner/partner_duties.h"
#include "core/display.h"
#include <stdio.h>

PROBLEM_STATE g_problemState;

const char kAlarmText[] =
    "Custor has detected a problem.\n\nConfirm this error to stop error sound.\n\n"
    "After solving the problems, Custor will inform you on new errors.";

void ProblemState_Reset() { g_problemState = PROBLEM_STATE{}; }

// The partner report for the current flags: the same words the heartbeat uses.
static const char* StatusWord()
{
    if (g_supervision.appProblem) return "Errors";
    if (g_supervision.notOk) return "Warnings";
    return "OK";
}

// A missing picture leaves the tray as it is; the icon state changes all the same.
static void ShowTrayPicture(const char* name) { Display_SetTrayPicture(name); }

static void SetTopmost(HWND window, bool topmost)
{
    SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
}

// Tray picture and window: stop picture and the window raised while anything is wrong.
static void ShowOrClearProblem(HWND window, int32_t now)
{
    SUPERVISION_STATE& s = g_supervision;
    PROBLEM_STATE& p = g_problemState;
    if (s.notOk || s.appProblem || s.deactivatedByPartner) {
        if (p.iconState != 1) {
            ShowTrayPicture("IconStop");
            p.iconState = 1;
            g_host.messageBeep(MB_ICONHAND);
            Partner_SendStatus(StatusWord());
        }
        // Not during the hold after start-up or after the operator put the window away.
        if (s.windowVisibility == 0 && now > s.alarmHoldUntil) {
            s.windowVisibility = 1;
            if (window) {
                ShowWindow(window, SW_SHOWNORMAL);
                LIB_SetForegroundWindowHack(window);
                SetTopmost(window, true);
            }
        }
        return;
    }
    // A window the operator opened (visibility 2) stays open.
    if (s.windowVisibility == 1) {
        s.windowVisibility = 0;
        if (window) {
            SetTopmost(window, false);
            ShowWindow(window, SW_HIDE);
        }
    }
    if (p.iconState != 0) {
        ShowTrayPicture("IconRun");
        p.iconState = 0;
        Status_Set("");
        Partner_SendStatus(StatusWord());
        MAILSLOT_Write("Custor: All OK!", nullptr, nullptr, "tarnwell");
    }
}

// The serial port failed: a fresh watchdog started by the updater takes over. Without the
// updater this one goes on without the keep-alive.
static void RestartThroughUpdater()
{
    char command[2 * MAX_PATH];
    snprintf(command, sizeof(command), "swupd.exe \"%s%s\"", g_paths.programDir, "CUSTOR.EXE");
    if (WinExec(command, SW_SHOWNORMAL) > 31) {
        EventLog(EVENT_CUSTOR, "Comport-Problem", false, 0);
        Display_RemoveTrayIcon();
        g_host.exitProcess(0);
    }
}

void UpdateProblemState()
{
    SUPERVISION_STATE& s = g_supervision;
    PROBLEM_STATE& p = g_problemState;
    HWND window = s.mainWindow;
    const int32_t now = Host_Now();

    ShowOrClearProblem(window, now);

    // The alarm: the keep-alive runs unless an application problem outlasted ExternOn or a
    // partner machine fell silent; the beep series and panel wait for a confirmation.
    bool running = true;
    char reason[320] = "";
    if (!s.deactivatedByPartner && !s.appProblem) {
        if (p.panelShown) Display_FitWindowToList(true);
        p.confirmed = false;
    } else {
        if (s.deactivatedByPartner ||
            (s.appProblem && now - (int32_t)g_config.externOn > s.firstProblemTime)) {
            running = false;
            if (s.deactivatedByPartner)
                snprintf(reason, sizeof(reason), "deactivated: other machine");
            else
                snprintf(reason, sizeof(reason), "deactivated: Application problem with %s",
                         s.problemApp);
            Status_Set("Alarm!");
        }
        if (!p.confirmed && now > s.alarmHoldUntil) {
            if (now % 5 == 0) g_host.messageBeep(MB_ICONHAND);
            if (!p.panelShown) {
                p.panelShown = true;
                MAILSLOT_Write("Custor: Problem detected!", nullptr, nullptr, "tarnwell");
                Display_ShowProblemPanel(kAlarmText);
            }
        }
    }

    // The external alarm line. The first second only learns the state, so a start-up writes
    // no "Comport" line.
    if (running || p.confirmed) {
        if (!AlarmPort_KeepAlive()) RestartThroughUpdater();
        if (p.activationState == 0) EventLog(EVENT_COMPORT, "activated", false, 0);
        p.activationState = 1;
    } else {
        if (p.activationState == 1) EventLog(EVENT_COMPORT, reason, false, 0);
        p.activationState = 0;
    }
}

void ConfirmError(HWND)
{
    EventLog(EVENT_CUSTOR, "Error confirmed by user", false, 0);
    Display_FitWindowToList(false);
}
