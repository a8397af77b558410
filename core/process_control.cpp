// Starting and killing supervised programs, and the two list-view requests the supervision
// makes of the service list.
#include "core/process_control.h"
#include "core/command_line.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/metrics.h"
#include "core/str.h"
#include "core/window_search.h"
#include "core/display.h"
#include <commctrl.h>
#include <string.h>

// Cuts the directory at its last backslash. A root keeps its backslash: "C:" alone would
// mean the drive's current directory, and "" no directory at all.
static void CutAtLastBackslash(char* directory)
{
    char* slash = strrchr(directory, '\\');
    if (!slash) return;
    const bool root = slash == directory || (slash == directory + 2 && directory[1] == ':');
    if (root)
        slash[1] = 0;
    else
        *slash = 0;
}

void StartProgram_WorkingDirectory(const char* command, char* directory, int size)
{
    if (!directory || size <= 0) return;
    directory[0] = 0;
    char program[SERVICE_COMMAND_SIZE];
    CommandLine_ProgramPart(command, program, sizeof(program));
    if (strchr(program, '\\')) {
        CutAtLastBackslash(program);
        STR_ncpy(directory, program, size - 1);
        return;
    }
    // A bare program name is found in the watchdog's own directory first (the directory the
    // watchdog was loaded from), so that is where it runs. Before the paths are known, the
    // child inherits the watchdog's current directory.
    if (!g_paths.programDir[0]) return;
    char own[CONFIG_PATH_SIZE];
    STR_ncpy(own, g_paths.programDir, sizeof(own) - 1);
    // "C:\Custor\" loses its trailing backslash; a root such as "C:\" keeps it.
    const size_t length = strlen(own);
    const bool root = length == 1 || (length == 3 && own[1] == ':');
    if (length > 0 && own[length - 1] == '\\' && !root) own[length - 1] = 0;
    STR_ncpy(directory, own, size - 1);
}

bool StartProgram(const char* command, int show, DWORD* error)
{
    if (error) *error = 0;
    if (!command || !command[0]) {
        if (error) *error = ERROR_INVALID_PARAMETER;
        return false;
    }
    // CreateProcessA may write into the command line, so it gets a copy of our own.
    char line[SERVICE_COMMAND_SIZE];
    STR_ncpy(line, command, sizeof(line) - 1);
    char directory[MAX_PATH];
    StartProgram_WorkingDirectory(line, directory, sizeof(directory));

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = (WORD)show;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr,
                        directory[0] ? directory : nullptr, &startup, &process)) {
        if (error) *error = GetLastError();
        return false;
    }
    // The watchdog never waits for its programs; it sees them again by their windows.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool KillService(int index, KILL_MODE mode)
{
    SERVICE_TABLE& table = mode == KILL_BY_WINDOW ? g_titleTable : g_messageTable;
    if (index < 0 || index >= table.count || index >= SERVICE_TABLE_SIZE) return false;
    SERVICE_ENTRY& entry = table.entries[index];
    Metrics_CountEvent(entry, SERVICE_EVENT_KILL);
    if (mode == KILL_BY_WINDOW) {
        EventLog(EVENT_KILL, entry.pattern, false, 0);
        return TerminateWindowProcess(entry.window);
    }
    // The alarm count lets the tenth kill in a row call a person.
    EventLog(EVENT_KILL, entry.pattern, false, entry.stopAttempts);
    WindowSearch_Prepare(entry.pattern);
    // An empty pattern begins every title: it would end every program on the desktop.
    if (!g_windowSearch.pattern[0]) return false;
    return FindServiceWindow(g_windowSearch.pattern, g_windowSearch.exact, true);
}

void ServiceList_MakeVisible(int row)
{
    if (row >= 0) Display_MakeRowVisible(row);
}

int ServiceList_SelectedRow() { return Display_SelectedRow(); }
