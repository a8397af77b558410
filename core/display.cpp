#include "core/display.h"

static void ShowNoText(const char*) {}
static void FitNothing(bool) {}

static const DISPLAY kShowNothing = {ShowNoText, ShowNoText, ShowNoText, FitNothing};
DISPLAY g_display = kShowNothing;

void Display_UseNone() { g_display = kShowNothing; }

void Display_SetUptime(const char* text) { g_display.uptimeText(text ? text : ""); }
void Display_SetFileSyncLine(const char* text) { g_display.fileSyncLine(text ? text : ""); }
void Display_SetMachineSyncLine(const char* text) { g_display.machineSyncLine(text ? text : ""); }
void Display_FitWindowToList(bool fromProblemClear) { g_display.fitWindowToList(fromProblemClear); }
