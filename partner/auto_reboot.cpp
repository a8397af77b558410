// The automatic reboot: after "AutoRebootPeriod" days of uptime the machine is rebooted, but
// only between 08:00 and 12:59 and only while few lines are busy, with notices 5 minutes and
// 1 minute ahead.
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/service_table.h"
#include "core/str.h"
#include "core/supervision.h"
#include "partner/machine_duties.h"
#include "partner/mailslot.h"
#include "partner/partner_commands.h"
#include "partner/partner_duties.h"
#include <shellapi.h>
#include <stdio.h>

// The reboot window: from 08:00 until 12:59; each hour after 8 one more busy line is allowed.
static const int kFirstRebootHour = 8;
static const int kEndRebootHour = 13;
static const int64_t kSecondsPerDay = 86400;
// The tray icon's identifier, as the main window adds it.
static const UINT kTrayIconId = 123;

void MachineDuties_RemoveTrayIcon()
{
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof(data));
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = g_supervision.clientWindow;
    data.uID = kTrayIconId;
    if (data.hWnd) Shell_NotifyIconA(NIM_DELETE, &data);
}

void Service_PostClose(SERVICE_ENTRY& entry)
{
    // A window handle of null would post to this thread's own queue instead.
    if (!entry.window) return;
    PostMessageA(entry.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(entry.window, WM_CLOSE, 0, 0);
}

static bool ExitError(const char* step)
{
    g_host.messageBox(nullptr, "Exit Error", step, MB_OK | MB_ICONSTOP);
    return false;
}

static bool EnableShutdownPrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return ExitError("OpenProcessToken() failed");
    TOKEN_PRIVILEGES privileges = {};
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        CloseHandle(token);
        return ExitError("LookupPrivilegeValue() failed");
    }
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    SetLastError(0);
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(token);
    if (error != 0) return ExitError("AdjustTokenPrivileges() failed");
    return true;
}

int LIB_ExitWindows(void)
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
        !EnableShutdownPrivilege())
        return 0;
    return g_host.exitWindows(EWX_REBOOT | EWX_FORCE, 0) ? 1 : 0;
}

static void Reboot(int32_t days)
{
    MachineDuties_RemoveTrayIcon();
    char text[64];
    snprintf(text, sizeof(text), "Auto-Reboot after %d days", (int)days);
    EventLog(EVENT_CUSTOR, text, false, 0);
    Partner_StopAllServices();
    g_supervision.windowVisibility = 0;
    LIB_ExitWindows();
    g_host.exitProcess(0);
}

bool AutoReboot_Run(int32_t busyChannels)
{
    MACHINE_DUTY_STATE& m = g_machineDuties;
    // A negative period counts as none: it would otherwise reboot at once.
    const int32_t days = g_config.autoRebootPeriod > 0 ? g_config.autoRebootPeriod : 0;
    const int64_t period = days * kSecondsPerDay;
    // The system's own 64-bit count: periods beyond 49 days are reached, and a wrap count left
    // in the registry by an earlier boot can never make a freshly booted machine reboot.
    const int64_t uptime = (int64_t)(Host_Ticks64() / 1000);
    SYSTEMTIME t;
    g_host.getLocalTime(&t);
    const int hour = t.wHour;
    const bool inWindow = hour >= kFirstRebootHour && hour < kEndRebootHour;

    const int32_t now = Host_Now();
    if (now != m.lastRebootCall) {
        Uptime_Show();
        if (period != 0 && inWindow) {
            if (uptime == period - 300)
                MAILSLOT_Write("Automatic reboot in 5 minutes", nullptr, nullptr, "tarnwell");
            if (uptime == period - 60)
                MAILSLOT_Write("Automatic reboot in 1 minute", nullptr, nullptr, "tarnwell");
        }
        m.lastRebootCall = now;
    }
    if (period == 0 || uptime < period) return false;
    if (!inWindow || hour - kFirstRebootHour < busyChannels) return true;
    Reboot(days);
    return true;
}

void AutoReboot_Check(int32_t busyChannels) { AutoReboot_Run(busyChannels); }
