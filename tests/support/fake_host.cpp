#include "support/fake_host.h"
#include "core/host.h"

FakeHost* FakeHost::current = nullptr;

static void FakeLocalTime(SYSTEMTIME* now) { *now = FakeHost::current->time; }
static DWORD FakeTicks() { return FakeHost::current->ticks; }
static ULONGLONG FakeTicks64()
{
    return ((ULONGLONG)FakeHost::current->tickWraps << 32) | FakeHost::current->ticks;
}
static void FakeSleep(DWORD ms) { FakeHost::current->AdvanceMs(ms); }
static int FakeMessageBox(HWND, const char* text, const char* caption, UINT)
{
    FakeHost::current->messageBoxes.push_back(std::string(caption ? caption : "") + "|" +
                                              (text ? text : ""));
    return FakeHost::current->messageBoxAnswer;
}
static BOOL FakeBeep(UINT type) { FakeHost::current->beeps.push_back(type); return TRUE; }
static BOOL FakeExitWindows(UINT flags, DWORD)
{
    FakeHost::current->exitWindowsCalls.push_back(flags);
    return TRUE;
}
static void FakeExitProcess(UINT code) { FakeHost::current->exitCodes.push_back(code); }
static DWORD FakeTimeZone(TIME_ZONE_INFORMATION* zone)
{
    *zone = FakeHost::current->zone;
    return FakeHost::current->zoneId;
}

FakeHost::FakeHost()
{
    SetTime(2024, 3, 5, 14, 7, 9);
    current = this;
    g_host.getLocalTime = FakeLocalTime;
    g_host.getTickCount = FakeTicks;
    g_host.getTickCount64 = FakeTicks64;
    g_host.sleep = FakeSleep;
    g_host.messageBox = FakeMessageBox;
    g_host.messageBeep = FakeBeep;
    g_host.exitWindows = FakeExitWindows;
    g_host.exitProcess = FakeExitProcess;
    g_host.getTimeZoneInformation = FakeTimeZone;
}

FakeHost::~FakeHost()
{
    Host_UseReal();
    current = nullptr;
}

void FakeHost::SetTime(int year, int month, int day, int hour, int minute, int second)
{
    time = SYSTEMTIME{};
    time.wYear = (WORD)year;
    time.wMonth = (WORD)month;
    time.wDay = (WORD)day;
    time.wHour = (WORD)hour;
    time.wMinute = (WORD)minute;
    time.wSecond = (WORD)second;
}

FILETIME AddSeconds(FILETIME time, int seconds)
{
    ULARGE_INTEGER v;
    v.LowPart = time.dwLowDateTime;
    v.HighPart = time.dwHighDateTime;
    v.QuadPart += (LONGLONG)seconds * 10000000LL;
    time.dwLowDateTime = v.LowPart;
    time.dwHighDateTime = v.HighPart;
    return time;
}

int32_t FakeHost::Now() const { return Host_SecondsOf(time); }

// Adds seconds to the wall clock through FILETIME arithmetic, which handles every carry.
void FakeHost::JumpClock(int seconds)
{
    FILETIME ft;
    SystemTimeToFileTime(&time, &ft);
    ft = AddSeconds(ft, seconds);
    FileTimeToSystemTime(&ft, &time);
    time.wMilliseconds = 0;
}

void FakeHost::Advance(int seconds)
{
    JumpClock(seconds);
    AddTicks((DWORD)seconds * 1000u);
}

void FakeHost::AdvanceMs(DWORD milliseconds)
{
    // The wall clock moves by whole seconds as the milliseconds add up.
    DWORD total = time.wMilliseconds + milliseconds;
    time.wMilliseconds = 0;
    JumpClock((int)(total / 1000));
    time.wMilliseconds = (WORD)(total % 1000);
    AddTicks(milliseconds);
}

void FakeHost::AddTicks(DWORD milliseconds)
{
    const DWORD before = ticks;
    ticks += milliseconds;
    if (ticks < before) ++tickWraps;
}
