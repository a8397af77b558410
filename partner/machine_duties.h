#pragma once
// The duties that look after the machine as a whole: the uptime field, the automatic reboot,
// the clock-change watch, the RRDtool feed and the self-update from the "SWUPDATE" folder.
// The tick calls them through partner/partner_duties.h; their state is kept here so tests can
// reset and inspect it.
#include <windows.h>
#include <stdint.h>
#include "core/export.h"
#include "core/service_table.h"

// Uptime field and automatic reboot.
struct MACHINE_DUTY_STATE {
    DWORD lastUptimeSecond;   // tick count / 1000 last shown
    int32_t lastRebootCall;   // seconds clock of the last auto-reboot check
    bool clockMinuteKnown;
    int lastClockMinute;
    bool localKnown;
    int32_t lastLocal;        // seconds clock (local time) at the last clock watch
    bool utcKnown;
    int32_t lastUtc;          // the same moment in UTC
    int32_t lastRrdFeed;      // seconds clock of the last RRDtool update
};
extern MACHINE_DUTY_STATE g_machineDuties;
void MachineDuties_Reset();

// Shows the machine's uptime in the status bar's field (from the 64-bit tick count), and
// writes the count of the 32-bit counter's wraps to the registry for other programs.
void Uptime_Show();
// The uptime text for milliseconds since boot: "hh:mm:ss", or "N days hh:mm:ss".
void Uptime_Format(ULONGLONG milliseconds, char* text, int size);

// The auto-reboot check with the supervision's busy channels: false when no reboot is due,
// true when one is due but postponed. A reboot ends the program.
bool AutoReboot_Run(int32_t busyChannels);
// Removes the program's tray icon before the program ends on its own.
void MachineDuties_RemoveTrayIcon();
// Asks a service's window to close (system menu close, then WM_CLOSE); nothing without one.
void Service_PostClose(SERVICE_ENTRY& entry);
// Enables the shutdown privilege and reboots the machine by force; 0 when it cannot.
CUSTOR_C int LIB_ExitWindows(void);

// Builds the RRDtool update command from the statistics slots (command holds size bytes).
void Rrd_BuildCommand(char* command, int size);

// Self-update readiness and procedure.
struct SELF_UPDATE_STATE {
    bool checkedOnce;         // the first readiness check has looked at the directory
    DWORD checkInterval;      // ms between checks while nothing is pending
    DWORD nextCheck;          // tick count before which the check does nothing
    DWORD total;              // bytes in the update directory at the last check
    DWORD lastTotal;
    int32_t stableSince;      // seconds clock since when the total has not changed; 0 none
    ULONGLONG retryAt;        // 64-bit tick count before which a failed installation waits
    char failed[MAX_PATH];    // the files that could not be installed, "A.EXE;B.DLL;"
};
extern SELF_UPDATE_STATE g_selfUpdate;
void SelfUpdate_Reset();

// True when the files of the update directory (or the one file, single) stopped changing
// Update_Waittime seconds ago; unless noStart, the updater is then started for the file and
// true means it was. status (may be null) shows the countdown and the missing-updater text.
bool SelfUpdate_IsReady(bool single, const char* fileName, const char* missingUpdaterText,
                        const char* directory, bool noStart, void (*status)(const char* text));
// The program's own file in the update directory.
extern const char kOwnProgramFile[];
