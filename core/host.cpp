#include "core/host.h"

static int RealMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    return MessageBoxExA(owner, text, caption, type, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
}

static void RealLocalTime(SYSTEMTIME* now) { GetLocalTime(now); }
static DWORD RealTickCount() { return GetTickCount(); }
static ULONGLONG RealTickCount64() { return GetTickCount64(); }
static BOOL RealBeep(UINT type) { return MessageBeep(type); }
static BOOL RealExitWindows(UINT flags, DWORD reason) { return ExitWindowsEx(flags, reason); }
static void RealSleep(DWORD ms) { Sleep(ms); }
static void RealExitProcess(UINT code) { ExitProcess(code); }
static DWORD RealTimeZone(TIME_ZONE_INFORMATION* zone) { return GetTimeZoneInformation(zone); }

static const Host kRealHost = {
    RealLocalTime, RealTickCount, RealTickCount64, RealSleep, RealMessageBox, RealBeep, RealExitWindows,
    RealExitProcess, RealTimeZone,
};

Host g_host = kRealHost;

void Host_UseReal() { g_host = kRealHost; }

// Days from 1970-01-01 to the given civil date (proleptic Gregorian calendar).
static int64_t DaysFromCivil(int year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yoe = (unsigned)(year - era * 400);
    const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + (int64_t)doe - 719468;
}

int32_t Host_SecondsOf(const SYSTEMTIME& t)
{
    const int64_t days = DaysFromCivil(t.wYear, t.wMonth, t.wDay);
    return (int32_t)(days * 86400 + t.wHour * 3600 + t.wMinute * 60 + t.wSecond);
}

int32_t Host_Now()
{
    SYSTEMTIME now;
    g_host.getLocalTime(&now);
    return Host_SecondsOf(now);
}

DWORD Host_Ticks() { return g_host.getTickCount(); }
ULONGLONG Host_Ticks64() { return g_host.getTickCount64(); }
