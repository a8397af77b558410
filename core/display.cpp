#include "core/display.h"
#include "core/problem_state.h"

static void ShowNoText(const char*) {}
static void FitNothing(bool) {}
static void DoNothing() {}
static void InsertNoRow(int, int, const char*, const char*, const char*) {}
static void SetNoRowText(int, int, const char*) {}
static void SetNoRowColour(int, int) {}
static void ShowNoRow(int) {}
static int NoRowSelected() { return -1; }

static const DISPLAY kShowNothing = {
    ShowNoText, ShowNoText, ShowNoText, FitNothing, DoNothing, InsertNoRow, SetNoRowText,
    SetNoRowColour, ShowNoRow, NoRowSelected, ShowNoText, ShowNoText, ShowNoText, DoNothing,
    DoNothing,
};
DISPLAY g_display = kShowNothing;

void Display_UseNone() { g_display = kShowNothing; }

static const char* Text(const char* text) { return text ? text : ""; }

void Display_SetUptime(const char* text) { g_display.uptimeText(Text(text)); }
void Display_SetFileSyncLine(const char* text) { g_display.fileSyncLine(Text(text)); }
void Display_SetMachineSyncLine(const char* text) { g_display.machineSyncLine(Text(text)); }
// Every fit hides the problem panel, so the alarm state is right even without a window.
void Display_FitWindowToList(bool fromProblemClear)
{
    g_problemState.panelShown = false;
    g_problemState.confirmed = !fromProblemClear;
    g_display.fitWindowToList(fromProblemClear);
}

void Display_ClearRows() { g_display.clearRows(); }
void Display_InsertRow(int row, int colour, const char* program, const char* state,
                       const char* info)
{
    g_display.insertRow(row, colour, Text(program), Text(state), Text(info));
}
void Display_SetRowText(int row, int column, const char* text)
{
    g_display.rowText(row, column, Text(text));
}
void Display_SetRowColour(int row, int colour) { g_display.rowColour(row, colour); }
void Display_MakeRowVisible(int row) { g_display.makeRowVisible(row); }
int Display_SelectedRow() { return g_display.selectedRow(); }
void Display_SetStatus(const char* text) { g_display.statusText(Text(text)); }
void Display_ShowProblemPanel(const char* text) { g_display.problemPanel(Text(text)); }
void Display_SetTrayPicture(const char* iconName) { g_display.trayPicture(Text(iconName)); }
void Display_RemoveTrayIcon() { g_display.removeTrayIcon(); }
void Display_ShowFrameAtStart() { g_display.showFrameAtStart(); }
