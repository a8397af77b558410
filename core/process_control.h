#pragma once
// Acting on supervised programs: starting them, stopping them friendly, killing them, and
// clearing the error windows a crashed program leaves behind; the operator's row commands.
#include <windows.h>
#include "core/service_table.h"

// Starts a program from its command line with the given show state and the program's own
// directory as working directory; never waits for it. Returns whether the process was
// created; on failure *error (when given) receives the system error code.
bool StartProgram(const char* command, int show, DWORD* error = nullptr);
// The working directory StartProgram uses for a command (directory holds MAX_PATH bytes).
void StartProgram_WorkingDirectory(const char* command, char* directory, int size);

enum KILL_MODE { KILL_BY_WINDOW, KILL_BY_NAME };
// By window (title-table index): terminates the process of the entry's window.
// By name (message-table index): terminates every process whose window title begins with
// (or, exact, equals) the entry's pattern; returns the found flag.
bool KillService(int index, KILL_MODE mode);

// Closes the known error dialogs and the maker's server windows named by the command line.
void CloseErrorDialogs(const char* command);
// True when a window titled like the program's crash message box exists, unless the entry's
// own pattern is that title.
bool CheckCrashWindow(const SERVICE_ENTRY& entry);
// Five rounds of Enter to the crash window, pausing 200 ms after each one found.
void CloseCrashWindow(const SERVICE_ENTRY& entry);
// A crash recognised for the entry on its row: status line, "crashed" in the row, beep, event
// line with the pattern, then CloseCrashWindow. Shared by both passes.
void ReportCrashWindow(const SERVICE_ENTRY& entry, int row);
// Message entries, every pass without an answer: a crash window that appeared since the
// program last reported idle is logged and closed.
void ConfirmCrashWindow(SERVICE_ENTRY& entry, int row);

// Scrolls the service list so the row is wholly visible.
void ServiceList_MakeVisible(int row);
// The selected row of the service list, -1 when none.
int ServiceList_SelectedRow();

// Operator commands 11 to 17 on a row (below the title count: title entry, else message entry).
void ServiceCommand(int commandId, int row);
// Enter or double click on a row: hide its program's window when visible, else show it.
void ServiceActivate(int row);
// Opens the configuration file or the event log with the associated program.
void OpenConfiguration();
void OpenProtocol();
