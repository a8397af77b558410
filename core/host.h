#pragma once
// The few effects on the machine that tests must control or must not suffer: the clock and
// its time zone,
// operator dialogs, the beep, rebooting and ending the process. Everything else the watchdog
// does goes straight to the Win32 API.
#include <windows.h>
#include <stdint.h>

struct Host {
    void (*getLocalTime)(SYSTEMTIME* now);
    DWORD (*getTickCount)();
    // Milliseconds since the system started, in 64 bits: never wraps.
    ULONGLONG (*getTickCount64)();
    void (*sleep)(DWORD milliseconds);
    int (*messageBox)(HWND owner, const char* text, const char* caption, UINT type);
    BOOL (*messageBeep)(UINT type);
    BOOL (*exitWindows)(UINT flags, DWORD reason);
    void (*exitProcess)(UINT exitCode);
    // The time zone and whether daylight time is in force (TIME_ZONE_ID_*).
    DWORD (*getTimeZoneInformation)(TIME_ZONE_INFORMATION* zone);
};

extern Host g_host;

// Puts the real Win32 functions back (the state at program start).
void Host_UseReal();

// Seconds since 1970 counted from the local date and time. Only ever compared with other
// values of the same clock, so the time zone plays no part.
int32_t Host_Now();
int32_t Host_SecondsOf(const SYSTEMTIME& t);
DWORD Host_Ticks();
ULONGLONG Host_Ticks64();
