#pragma once
// The two popup menus: the tray menu and the service context menu. The builders return a new
// menu that the caller destroys; the Show functions track it at the pointer and let the
// client window receive the chosen command.
#include <windows.h>

// "Restore", "Protocol", "Configuration", one "Kill Vorbin on PC %s" per partner, "Stop All",
// "End".
HMENU Menu_BuildTray();
// For the service shown in the row: "&Enable" or "&Disable", then "&Start" for a red line or
// "&Show", "&Hide", "&End", "&Kill !". Null for a row that shows no service.
HMENU Menu_BuildServiceContext(int row);

void Menu_ShowTray(HWND client);
// For the first selected row; nothing without one.
void Menu_ShowServiceContext(HWND client);
