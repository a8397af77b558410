// Activating and deactivating all services of this machine: the active flag in the
// configuration, the service lists it selects, and the desktop colour that shows it.
#include "partner/partner_commands.h"
#include "core/config.h"
#include "core/display.h"
#include "core/host.h"
#include "core/service_table.h"
#include "core/supervision.h"

// The stopped programs get this long to close before the other list's programs start.
static const DWORD kStopWaitMs = 2000;
// The new list's programs are started this many seconds short of the not-running limit.
static const uint32_t kStartAheadSeconds = 12;

static void SwitchLists(bool active, const char* question, const char* section)
{
    if (g_host.messageBox(g_supervision.mainWindow, question, "Warning",
                          MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
        return;
    WritePrivateProfileStringA(section, "Active", active ? "1" : "0", g_paths.configFile);
    g_supervision.active = active;
    Partner_StopAllServices();
    g_host.sleep(kStopWaitMs);

    ReadConfiguration(g_supervision.mainWindow, true);
    Display_FitWindowToList(true);
    // A limit below the head start would wrap the unsigned counter: start at once instead.
    const uint32_t limit = g_config.notRunningError;
    const uint32_t counter = limit > kStartAheadSeconds ? limit - kStartAheadSeconds : 0;
    SERVICE_TABLE* tables[] = {&g_titleTable, &g_messageTable};
    for (SERVICE_TABLE* table : tables)
        for (int i = 0; i < table->count; ++i) {
            table->entries[i].counter = counter;
            table->entries[i].colour = 0;
        }

    char colour[CONFIG_VALUE_SIZE];
    Config_GetText("COMMON", "SetDesktopColor", "0", colour, sizeof(colour));
    if (colour[0] == '1') Desktop_ShowActivation(active);
}

void Partner_ActivateAll()
{
    SwitchLists(true,
                "Do you really want to activate all services on this machine?\n\nPlease "
                "ensure that no other machine is running the same services!",
                "Common");
}

void Partner_DeactivateAll()
{
    SwitchLists(false, "Do you really want to stop all activated services on this machine?",
                "COMMON");
}
