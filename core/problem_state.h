#pragma once
// The problem state: once per second it turns the flags the passes raised into what a person
// notices (tray picture, the window popping up, the beep series, the problem panel, notices)
// and into the external alarm, which sounds when the serial keep-alive falls silent.
#include <windows.h>

struct PROBLEM_STATE {
    int iconState = 0;         // 0 the run picture is in the tray, 1 the stop picture
    bool panelShown = false;   // the problem panel is visible
    bool confirmed = false;    // a person confirmed the current problem
    int activationState = -1;  // external alarm line: -1 not yet known, 0 deactivated, 1 active
};
extern PROBLEM_STATE g_problemState;

void ProblemState_Reset();

// The text of the problem panel.
extern const char kAlarmText[];

// "Confirm error": logged, the panel hidden and the problem counted as confirmed, which
// silences the beep and restarts the keep-alive until the problem has gone.
void ConfirmError(HWND mainWindow);
