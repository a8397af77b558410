// The partner commands: the responding check, the kill order to a partner, the transfer to
// the backup machine's checks, and stopping every service.
#include "partner/partner_commands.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/service_table.h"
#include "core/str.h"
#include "core/supervision.h"
#include "housekeeping/jobs.h"
#include "partner/machine_duties.h"
#include "partner/partner_state.h"

// The End command of the main window; posting it keeps this subsystem free of the window's
// code and ends the program the same way the tray menu's "End" does.
static const WPARAM kEndCommand = 21;

bool Partner_IsResponding(const char* name)
{
    if (!name || !name[0]) return true;
    const int32_t now = Host_Now();
    for (int i = 0; i < g_pingList.count; ++i) {
        const PING_ENTRY& p = g_pingList.entries[i];
        if (STR_cmp(p.name, name) == 0)
            return (int64_t)now - p.lastHeard < PARTNER_WARNING_AFTER;
    }
    return false;
}

void Partner_KillVorbin(int partner)
{
    if (partner < 0 || partner >= g_pingList.count) return;
    Partner_Send("KILLVORBIN", g_pingList.entries[partner].name);
}

bool Partner_RequestTransfer(bool automatic)
{
    HWND owner = g_supervision.mainWindow;
    if (!Partner_IsResponding(g_config.fileSyncPing)) {
        if (!automatic)
            g_host.messageBox(owner,
                              "The other machine is not responding to pings!\n\nPlease check "
                              "and try again after solving the problem",
                              "Error", MB_OK | MB_ICONSTOP);
        return false;
    }
    if (!g_supervision.active) {
        if (automatic) return false;
        if (g_host.messageBox(owner,
                              "This machine is currently not active.\n\nAre you sure that "
                              "transfering files to the backup is intended?",
                              "Error", MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
            return false;
    }
    return FileSync_Request(automatic ? 1 : 2);
}

void Partner_TransferBackup() { Partner_RequestTransfer(false); }

// Asks the service to close and logs that it was stopped.
static void StopEntry(SERVICE_ENTRY& e)
{
    Service_PostClose(e);
    EventLog(EVENT_END, e.pattern, false, 0);
}

void Partner_StopAllServices()
{
    for (int i = 0; i < g_titleTable.count; ++i) StopEntry(g_titleTable.entries[i]);
    for (int i = 0; i < g_messageTable.count; ++i)
        if (!Partner_IsVorbinEntry(i)) StopEntry(g_messageTable.entries[i]);
}

void Partner_StopAllAndEnd()
{
    if (g_host.messageBox(g_supervision.mainWindow,
                          "Really stop Custor together with all configured applications?\n",
                          "Custor", MB_YESNO | MB_ICONSTOP) != IDYES)
        return;
    Partner_StopAllServices();
    if (g_supervision.clientWindow)
        PostMessageA(g_supervision.clientWindow, WM_COMMAND, kEndCommand, 0);
}
