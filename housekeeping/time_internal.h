#pragma once
// Calendar arithmetic and zone conversions shared by the date and time library (not exported).
#include <windows.h>
#include <time.h>

// Seconds since 1970 of a calendar date and time read as UTC. Fields out of range carry over
// (month 13 is January of the next year, hour 24 the next day), as the run-time's do.
long long TimeCivilToSeconds(long long year, long long month, long long day, long long hour,
                             long long minute, long long second);
// The calendar date and time (with day of week) of seconds since 1970 read as UTC; false
// outside the years 1601 to 30827.
bool TimeSecondsToCivil(long long seconds, SYSTEMTIME* out);
// Local date and time of seconds since 1970, by the zone's rule for that date.
bool TimeUnixToLocal(time_t seconds, SYSTEMTIME* local);
// Seconds since 1970 of a local date and time (fields may be out of range, see above).
time_t TimeLocalToUnix(long long year, long long month, long long day, long long hour,
                       long long minute, long long second);
// Seconds since 1970 of a FILETIME (UTC).
time_t TimeFileTimeToUnix(const FILETIME& time);
// Days in the month of the year.
int TimeDaysInMonth(int year, int month);
// The host clock's now as seconds since 1970.
time_t TimeNow();
// Current zone state: minutes east of UTC and the GetTimeZoneInformation result.
struct TimeZoneState {
    TIME_ZONE_INFORMATION info;
    DWORD id;       // TIME_ZONE_ID_UNKNOWN (no daylight saving), _STANDARD, _DAYLIGHT, _INVALID
    int offset;     // minutes east of UTC
    bool daylight;  // daylight time now
};
TimeZoneState TimeCurrentZone();
// The zone name in ANSI (the daylight name in daylight time, else the standard name).
void TimeZoneName(const TimeZoneState& zone, char* out, int size);
