#pragma once
// The supervision state shared by the passes, the problem state and the user interface, and
// the 250 ms tick that runs every periodic duty in a fixed order on the window thread.
#include <windows.h>
#include <stdint.h>

struct SUPERVISION_STATE {
    bool active = true;          // this machine runs the active service sections
    bool notOk;                  // a program was not running or did not answer in this pass
    bool appProblem;             // a program failed beyond its error limit in this pass
    bool previousAppProblem;
    int32_t firstProblemTime;
    char problemApp[260];
    bool deactivatedByPartner;
    int32_t busyChannels;
    int32_t modemProblems;
    int32_t modemProblemsLogged; // highest modem-problem total written since the last quiet pass
    bool modemTextShown;         // the status line shows the modem-problem total
    int32_t alarmHoldUntil;
    int windowVisibility;        // 0 hidden in the tray, 1 raised by the alarm, 2 by the operator
    int statusHold;              // ticks until the status line is cleared; 0 none pending
    bool tickBusy;
    bool firstTick = true;       // StartSupervision not yet done
    int32_t lastSecond;
    int slowCounter;
    int32_t lastFileMovePass;    // seconds clock of the last FileMove/FileAppend pass
    bool logMoveRunning;
    HWND mainWindow;             // the frame "Custor"
    HWND clientWindow;           // its client, owner of timer 1
    char statusText[260];        // the status line's text
};

extern SUPERVISION_STATE g_supervision;

// Back to the state of program start (firstTick set, everything else clear).
void Supervision_Reset();

// The duties the tick runs, in their fixed order. The table holds the real functions; tests
// put recorders in to check the order and the periods.
struct TICK_DUTIES {
    void (*rrdFeed)();
    void (*clockWatch)();
    void (*titlePass)();
    void (*messagePass)();
    void (*updateProblemState)();
    void (*autoReboot)(int32_t busyChannels);
    void (*partnerTick)();
    void (*probeMessageServices)();
    int32_t (*selfUpdatePendingTotal)();
    bool (*fileSyncRequested)();
    void (*fileRename)();
    void (*logMove)();
    bool (*fileMove)();
    void (*fileAppend)();
    void (*fileSyncSchedule)(int hour, int minute);
    void (*selfUpdateCheck)();
};
extern TICK_DUTIES g_tickDuties;
void TickDuties_UseReal();

// Timer 1 of the client window: every 250 ms.
enum { SUPERVISION_TIMER_ID = 1, SUPERVISION_TICK_MS = 250 };

void SupervisionTick(HWND mainWindow);
bool StartSupervision();
// Desktop background by activation state: green while active, dark red while not.
void Desktop_ShowActivation(bool active);
bool SupervisePass();

// The status line of the main window. Duties that want the text cleared later set
// g_supervision.statusHold to a number of ticks.
void Status_Set(const char* text);
const char* Status_Get();
