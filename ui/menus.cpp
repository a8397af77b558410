#include "ui/menus.h"
#include "core/commands.h"
#include "core/pass_common.h"
#include "core/process_control.h"
#include "core/service_table.h"
#include <stdio.h>

HMENU Menu_BuildTray()
{
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    AppendMenuA(menu, MF_STRING, CM_RESTORE, "Restore");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, CM_PROTOCOL, "Protocol");
    AppendMenuA(menu, MF_STRING, CM_CONFIGURATION, "Configuration");
    if (g_pingList.count > 0) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        for (int n = 0; n < g_pingList.count && n < PING_LIST_SIZE; ++n) {
            char text[PING_NAME_SIZE + 32];
            snprintf(text, sizeof(text), "Kill Vorbin on PC %s", g_pingList.entries[n].name);
            AppendMenuA(menu, MF_STRING, CM_KILL_PARTNER + n, text);
        }
    }
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, CM_STOP_ALL, "Stop All");
    AppendMenuA(menu, MF_STRING, CM_END, "End");
    return menu;
}

// The service a row shows: title entries first, then message entries.
static const SERVICE_ENTRY* ServiceOfRow(int row)
{
    if (row < 0) return nullptr;
    if (row < g_titleTable.count) return &g_titleTable.entries[row];
    const int k = row - g_titleTable.count;
    return k < g_messageTable.count ? &g_messageTable.entries[k] : nullptr;
}

HMENU Menu_BuildServiceContext(int row)
{
    const SERVICE_ENTRY* entry = ServiceOfRow(row);
    if (!entry) return nullptr;
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    if (entry->disabled)
        AppendMenuA(menu, MF_STRING, CM_SERVICE_ENABLE, "&Enable");
    else
        AppendMenuA(menu, MF_STRING, CM_SERVICE_DISABLE, "&Disable");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    // A red line is a program that is not running: starting it is all there is to do.
    if (entry->colour == ROW_NOT_RUNNING) {
        AppendMenuA(menu, MF_STRING, CM_SERVICE_START, "&Start");
    } else {
        AppendMenuA(menu, MF_STRING, CM_SERVICE_SHOW, "&Show");
        AppendMenuA(menu, MF_STRING, CM_SERVICE_HIDE, "&Hide");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, CM_SERVICE_END, "&End");
        AppendMenuA(menu, MF_STRING, CM_SERVICE_KILL, "&Kill !");
    }
    return menu;
}

static void Track(HMENU menu, HWND client, UINT alignment)
{
    if (!menu) return;
    POINT at = {0, 0};
    GetCursorPos(&at);
    TrackPopupMenu(menu, alignment | TPM_RIGHTBUTTON, at.x, at.y, 0, client, nullptr);
    DestroyMenu(menu);
}

void Menu_ShowTray(HWND client) { Track(Menu_BuildTray(), client, TPM_RIGHTALIGN); }

void Menu_ShowServiceContext(HWND client)
{
    Track(Menu_BuildServiceContext(ServiceList_SelectedRow()), client, TPM_LEFTALIGN);
}
