#pragma once
// What the watchdog shows in its main window, as seen from the subsystems that decide it. The
// user interface installs the real functions when it creates its windows; until then (and in
// tests that install recorders) every call lands in a function that shows nothing.
#include <stdint.h>

struct DISPLAY {
    void (*uptimeText)(const char* text);        // the 12-character field of the status bar
    void (*fileSyncLine)(const char* text);      // the "FileSync" line
    void (*machineSyncLine)(const char* text);   // the "MachineSync" line
    void (*fitWindowToList)(bool fromProblemClear);
};
extern DISPLAY g_display;

// Back to the functions that show nothing (program start and tests).
void Display_UseNone();

void Display_SetUptime(const char* text);
void Display_SetFileSyncLine(const char* text);
void Display_SetMachineSyncLine(const char* text);
void Display_FitWindowToList(bool fromProblemClear);
