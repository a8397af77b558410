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

    // The service list: one row per supervised program, title entries first.
    void (*clearRows)();
    void (*insertRow)(int row, int colour, const char* program, const char* state,
                      const char* info);
    void (*rowText)(int row, int column, const char* text);
    void (*rowColour)(int row, int colour);
    void (*makeRowVisible)(int row);
    int (*selectedRow)();                        // -1 when no row is selected

    void (*statusText)(const char* text);        // the message part of the status bar
    void (*problemPanel)(const char* text);      // shows the panel with this text
    void (*trayPicture)(const char* iconName);   // the tray icon re-added with this picture
    void (*removeTrayIcon)();
    void (*showFrameAtStart)();                  // the frame in the start-up show state
};
extern DISPLAY g_display;

// Back to the functions that show nothing (program start and tests).
void Display_UseNone();

void Display_SetUptime(const char* text);
void Display_SetFileSyncLine(const char* text);
void Display_SetMachineSyncLine(const char* text);
void Display_FitWindowToList(bool fromProblemClear);

void Display_ClearRows();
void Display_InsertRow(int row, int colour, const char* program, const char* state,
                       const char* info);
void Display_SetRowText(int row, int column, const char* text);
void Display_SetRowColour(int row, int colour);
void Display_MakeRowVisible(int row);
int Display_SelectedRow();
void Display_SetStatus(const char* text);
void Display_ShowProblemPanel(const char* text);
void Display_SetTrayPicture(const char* iconName);
void Display_RemoveTrayIcon();
void Display_ShowFrameAtStart();
