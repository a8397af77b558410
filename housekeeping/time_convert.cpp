// Conversions between the library's four time forms. Local time comes from the Win32 zone
// conversions with the rule of each date, never from the run-time's TZ handling (which would
// read a TZ variable in another format than Windows writes it).
#include "housekeeping/time_lib.h"

#include "core/host.h"
#include "housekeeping/time_internal.h"

int TIME_zoneDelay = 0;

namespace {

const long long kSecondsPerDay = 86400;
// 100-ns intervals between 1601 and 1970.
const long long kFileTimeOf1970 = 116444736000000000LL;

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12).
long long DaysFromCivil(long long y, long long m, long long d)
{
    y -= m <= 2;
    const long long era = FloorDiv(y, 400);
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Packs a local date and time; years outside the packed range stay at its nearest end.
void PackStamp(const SYSTEMTIME& t, TIME_FTIME* stamp)
{
    int year = (int)t.wYear - 1980;
    if (year < 0) year = 0;
    if (year > 127) year = 127;
    stamp->date = (WORD)((year << 9) | ((t.wMonth & 0x0F) << 5) | (t.wDay & 0x1F));
    stamp->time = (WORD)(((t.wHour & 0x1F) << 11) | ((t.wMinute & 0x3F) << 5) | ((t.wSecond / 2) & 0x1F));
}

}  // namespace

long long TimeCivilToSeconds(long long year, long long month, long long day, long long hour,
                             long long minute, long long second)
{
    // Out-of-range months carry into the year first; days, hours and so on add up linearly.
    const long long monthIndex = month - 1;
    year += FloorDiv(monthIndex, 12);
    month = monthIndex - FloorDiv(monthIndex, 12) * 12 + 1;
    const long long days = DaysFromCivil(year, month, 1) + (day - 1);
    return days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

bool TimeSecondsToCivil(long long seconds, SYSTEMTIME* out)
{
    *out = SYSTEMTIME{};
    long long days = FloorDiv(seconds, kSecondsPerDay);
    const long long rest = seconds - days * kSecondsPerDay;
    const long long weekday = (days % 7 + 11) % 7;  // 1970-01-01 was a Thursday (4)
    days += 719468;
    const long long era = FloorDiv(days, 146097);
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2);
    if (year < 1601 || year > 30827) return false;
    out->wYear = (WORD)year;
    out->wMonth = (WORD)month;
    out->wDay = (WORD)day;
    out->wDayOfWeek = (WORD)weekday;
    out->wHour = (WORD)(rest / 3600);
    out->wMinute = (WORD)(rest / 60 % 60);
    out->wSecond = (WORD)(rest % 60);
    return true;
}

time_t TimeFileTimeToUnix(const FILETIME& time)
{
    const long long ticks = ((long long)time.dwHighDateTime << 32) | time.dwLowDateTime;
    return (time_t)FloorDiv(ticks - kFileTimeOf1970, 10000000LL);
}

int TimeDaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

bool TimeUnixToLocal(time_t seconds, SYSTEMTIME* local)
{
    SYSTEMTIME utc;
    if (!TimeSecondsToCivil((long long)seconds, &utc)) {
        *local = SYSTEMTIME{};
        return false;
    }
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, local)) {
        return TimeSecondsToCivil((long long)seconds + TIME_GetMyTimeZoneDelay() * 60LL, local);
    }
    // The day of week of the local date (the conversion need not set it).
    SYSTEMTIME check;
    if (TimeSecondsToCivil(TimeCivilToSeconds(local->wYear, local->wMonth, local->wDay, 0, 0, 0),
                           &check)) {
        local->wDayOfWeek = check.wDayOfWeek;
    }
    return true;
}

time_t TimeLocalToUnix(long long year, long long month, long long day, long long hour,
                       long long minute, long long second)
{
    const long long wall = TimeCivilToSeconds(year, month, day, hour, minute, second);
    SYSTEMTIME local, utc;
    if (TimeSecondsToCivil(wall, &local) && TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) {
        return (time_t)TimeCivilToSeconds(utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute,
                                          utc.wSecond);
    }
    return (time_t)(wall - TIME_GetMyTimeZoneDelay() * 60LL);
}

time_t TimeNow()
{
    SYSTEMTIME now;
    g_host.getLocalTime(&now);
    return TimeLocalToUnix(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

TimeZoneState TimeCurrentZone()
{
    TimeZoneState zone = {};
    zone.id = GetTimeZoneInformation(&zone.info);
    zone.daylight = zone.id == TIME_ZONE_ID_DAYLIGHT;
    if (zone.id == TIME_ZONE_ID_INVALID) {
        zone.info = TIME_ZONE_INFORMATION{};
        zone.offset = 0;
    } else if (zone.daylight) {
        zone.offset = -(int)(zone.info.Bias + zone.info.DaylightBias);
    } else {
        zone.offset = -(int)zone.info.Bias;
    }
    return zone;
}

void TimeZoneName(const TimeZoneState& zone, char* out, int size)
{
    const WCHAR* name = zone.daylight ? zone.info.DaylightName : zone.info.StandardName;
    WCHAR bounded[33];
    memcpy(bounded, name, sizeof(WCHAR) * 32);
    bounded[32] = 0;
    if (!WideCharToMultiByte(CP_ACP, 0, bounded, -1, out, size, nullptr, nullptr)) out[0] = 0;
}

int TIME_GetMyTimeZoneDelay(void)
{
    TIME_zoneDelay = TimeCurrentZone().offset;
    return TIME_zoneDelay;
}

void TIME_struct2ffblk(WORD* date, WORD* time, const TIME_DATE* d, const TIME_TIME* t)
{
    SYSTEMTIME s = {};
    if (d) {
        s.wYear = (WORD)(d->year < 0 ? 0 : d->year > 9999 ? 9999 : d->year);
        s.wMonth = (WORD)(BYTE)d->month;
        s.wDay = (WORD)(BYTE)d->day;
    }
    if (t) {
        s.wHour = t->hour;
        s.wMinute = t->minute;
        s.wSecond = t->second;
    }
    TIME_FTIME stamp;
    PackStamp(s, &stamp);
    if (date) *date = stamp.date;
    if (time) *time = stamp.time;
}

void TIME_ffblk2struct(TIME_DATE* d, TIME_TIME* t, WORD date, WORD time)
{
    if (d) {
        d->year = 1980 + (date >> 9);
        d->month = (char)((date >> 5) & 0x0F);
        d->day = (char)(date & 0x1F);
    }
    if (t) {
        t->hour = (unsigned char)(time >> 11);
        t->minute = (unsigned char)((time >> 5) & 0x3F);
        t->second = (unsigned char)((time & 0x1F) * 2);
        t->hundredths = 0;
    }
}

time_t TIME_ftime2unix(const TIME_FTIME* stamp)
{
    if (!stamp) return 0;
    TIME_DATE d;
    TIME_TIME t;
    TIME_ffblk2struct(&d, &t, stamp->date, stamp->time);
    return TimeLocalToUnix(d.year, d.month, d.day, t.hour, t.minute, t.second);
}

void TIME_unix2ftime(TIME_FTIME* stamp, time_t seconds)
{
    if (!stamp) return;
    SYSTEMTIME local;
    if (!TimeUnixToLocal(seconds, &local)) {
        stamp->date = stamp->time = 0;
        return;
    }
    PackStamp(local, stamp);
}

time_t TIME_ftimeadd(TIME_FTIME* stamp, long seconds)
{
    if (!stamp) return 0;
    const time_t moved = TIME_ftime2unix(stamp) + seconds;
    TIME_unix2ftime(stamp, moved);
    return moved;
}

time_t TIME_SYSTEMTIME2Unix(const SYSTEMTIME* local)
{
    if (!local) return 0;
    return TimeLocalToUnix(local->wYear, local->wMonth, local->wDay, local->wHour, local->wMinute,
                           local->wSecond);
}

BOOL TIME_GetRelativeSystemTime(SYSTEMTIME* out, int days, int minutes)
{
    if (!out) return FALSE;
    const long long moved = (long long)TimeNow() + (long long)days * 86400 + (long long)minutes * 60;
    if (!TimeSecondsToCivil(moved, out)) *out = SYSTEMTIME{};
    out->wDayOfWeek = 0;
    out->wMilliseconds = 0;
    return TRUE;
}

SYSTEMTIME* TIME_ftime2systemtime(SYSTEMTIME* out, const TIME_FTIME* stamp)
{
    if (!out) return out;
    *out = SYSTEMTIME{};
    if (!stamp) return out;
    TIME_DATE d;
    TIME_TIME t;
    TIME_ffblk2struct(&d, &t, stamp->date, stamp->time);
    out->wYear = (WORD)d.year;
    out->wMonth = (WORD)(BYTE)d.month;
    out->wDay = (WORD)(BYTE)d.day;
    out->wHour = t.hour;
    out->wMinute = t.minute;
    out->wSecond = t.second;
    return out;
}

void TIME_filetime2ftime(TIME_FTIME* stamp, const FILETIME* time)
{
    if (!stamp) return;
    stamp->date = stamp->time = 0;
    if (!time) return;
    TIME_unix2ftime(stamp, TimeFileTimeToUnix(*time));
}
