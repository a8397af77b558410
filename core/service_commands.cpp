// The operator's commands on a row of the service list, and opening the configuration file
// and the event log from the menu.
#include "core/process_control.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/lib.h"
#include "core/metrics.h"
#include "core/str.h"
#include "core/supervision.h"
#include "core/commands.h"
#include <shellapi.h>

// How long a request to a program's window may hold up the watchdog's window thread. A hung
// program must not freeze the watchdog through the operator's command.
static const UINT kSendTimeoutMs = 2000;

struct ROW_ENTRY {
    SERVICE_ENTRY* entry;  // null: the row belongs to no entry
    bool message;          // an entry of the message table
    int index;             // its index in that table
};

// Rows follow the tables: title entries first, then message entries.
static ROW_ENTRY EntryOfRow(int row)
{
    ROW_ENTRY r = {nullptr, false, -1};
    const int titles = g_titleTable.count < SERVICE_TABLE_SIZE ? g_titleTable.count
                                                                : SERVICE_TABLE_SIZE;
    const int messages = g_messageTable.count < SERVICE_TABLE_SIZE ? g_messageTable.count
                                                                    : SERVICE_TABLE_SIZE;
    if (row < 0) return r;
    if (row < titles) {
        r.entry = &g_titleTable.entries[row];
        r.index = row;
    } else if (row - titles < messages) {
        r.entry = &g_messageTable.entries[row - titles];
        r.message = true;
        r.index = row - titles;
    }
    return r;
}

// The entry's window while it exists; a window never found, or gone since, gets nothing.
static HWND LiveWindow(const SERVICE_ENTRY& entry)
{
    return entry.window && IsWindow(entry.window) ? entry.window : nullptr;
}

static void SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                        &result);
}

static void ShowService(const ROW_ENTRY& r)
{
    HWND window = LiveWindow(*r.entry);
    if (!window) return;
    if (!r.message) {
        PostMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
        return;
    }
    // Cooperating servers are restored before anything else reaches them; the transfer
    // server also brings its own list forward on WM_USER+200.
    SendBounded(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    if (STR_str(r.entry->name, "Zephyra-Transfer")) SendBounded(window, WM_USER + 200, 0, 0);
}

static void HideService(const ROW_ENTRY& r)
{
    HWND window = LiveWindow(*r.entry);
    if (window) PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

// Shows a failure the operator caused in the status line, with the system's text for it.
static void ShowFailure(DWORD error)
{
    Status_Set(LIB_WinApiErrorString((HWND)-1, error));
    g_supervision.statusHold = 10;
}

static void StartService(const ROW_ENTRY& r)
{
    SERVICE_ENTRY& e = *r.entry;
    DWORD error = 0;
    const bool started = StartProgram(e.command, SW_MINIMIZE, &error);
    EventLog(EVENT_START, e.pattern, false, 0);
    Metrics_CountEvent(e, SERVICE_EVENT_START);
    // A cooperating program gets the full warning time to send its first report.
    if (r.message) e.lastAnswer = Host_Now();
    if (!started) ShowFailure(error);
}

static void EndService(const ROW_ENTRY& r)
{
    HWND window = LiveWindow(*r.entry);
    if (!window) return;
    PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EventLog(EVENT_END, r.entry->pattern, false, 0);
}

void ServiceCommand(int commandId, int row)
{
    const ROW_ENTRY r = EntryOfRow(row);
    if (!r.entry) return;
    SERVICE_ENTRY& e = *r.entry;
    switch (commandId) {
    case CM_SERVICE_ENABLE:
        e.disabled = 0;
        if (r.message) {
            e.colour = 0;
            e.lastStatus = 0;
            e.channels = 0;
            e.problems = 0;
        }
        EventLog(EVENT_ENABLE, e.pattern, false, 0);
        break;
    case CM_SERVICE_DISABLE:
        e.disabled = 1;
        EventLog(EVENT_DISABLE, e.pattern, false, 0);
        break;
    case CM_SERVICE_START: StartService(r); break;
    case CM_SERVICE_SHOW: ShowService(r); break;
    case CM_SERVICE_HIDE: HideService(r); break;
    case CM_SERVICE_END: EndService(r); break;
    case CM_SERVICE_KILL: KillService(r.index, r.message ? KILL_BY_NAME : KILL_BY_WINDOW); break;
    default: break;
    }
}

void ServiceActivate(int row)
{
    const ROW_ENTRY r = EntryOfRow(row);
    if (!r.entry) return;
    HWND window = LiveWindow(*r.entry);
    if (window && IsWindowVisible(window))
        HideService(r);
    else
        ShowService(r);
}

// The error code of a failed ShellExecuteA: its small results are system error codes, except
// the shell's own "no association".
static DWORD ShellError(INT_PTR result)
{
    if (result == SE_ERR_NOASSOC) return ERROR_NO_ASSOCIATION;
    if (result == SE_ERR_ACCESSDENIED || result == SE_ERR_FNF || result == SE_ERR_PNF ||
        result == SE_ERR_OOM || result == ERROR_BAD_FORMAT)
        return (DWORD)result;
    const DWORD last = GetLastError();
    return last ? last : ERROR_NO_ASSOCIATION;
}

// Opens a file of the watchdog with its associated program; the main window then goes back
// to the tray unless the operator opened it himself. When the file cannot be opened, the
// window stays so the operator can read why in the status line.
static void OpenWithAssociation(const char* path)
{
    HWND main = g_supervision.mainWindow;
    const INT_PTR result = (INT_PTR)ShellExecuteA(main, "open", path, nullptr, nullptr, SW_SHOW);
    if (result <= 32) {
        ShowFailure(ShellError(result));
        return;
    }
    if (g_supervision.windowVisibility == 2) return;
    g_supervision.windowVisibility = 0;
    if (main) ShowWindow(main, SW_HIDE);
}

void OpenConfiguration() { OpenWithAssociation(g_paths.configFile); }

void OpenProtocol() { OpenWithAssociation(g_paths.eventLog); }
