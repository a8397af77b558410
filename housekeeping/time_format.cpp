// Date texts: the numeric and named German and English forms, RFC 822 mail dates, PDF dates and
// the dates of files.
#include "housekeeping/time_lib.h"

#include <stdlib.h>
#include <string.h>

#include "core/host.h"
#include "core/str.h"
#include "housekeeping/time_internal.h"

namespace {

const char* const kEnglishMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kEnglishMonthsPoint[12] = {"Jan.", "Feb.", "Mar.", "Apr.", "May",  "June",
                                             "July", "Aug.", "Sep.", "Oct.", "Nov.", "Dec."};
const char* const kGermanMonthsPoint[12] = {"Jan.", "Feb.", "M\xe4rz", "Apr.", "Mai",  "Juni",
                                            "Juli", "Aug.", "Sep.",    "Okt.", "Nov.", "Dez."};
const char* const kEnglishWeekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kGermanWeekdays[7] = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                        "Donnerstag", "Freitag", "Samstag"};
const char* const kGermanMonths[12] = {"Januar", "Februar", "M\xe4rz",   "April",
                                       "Mai",    "Juni",    "Juli",      "August",
                                       "September", "Oktober", "November", "Dezember"};

const char* MonthName(const char* const (&names)[12], int month)
{
    return (month >= 1 && month <= 12) ? names[month - 1] : "";
}

const char* WeekdayName(const char* const (&names)[7], int weekday)
{
    return (weekday >= 0 && weekday <= 6) ? names[weekday] : "";
}

void ToRecords(const SYSTEMTIME& s, TIME_DATE* d, TIME_TIME* t)
{
    d->year = s.wYear;
    d->month = (char)s.wMonth;
    d->day = (char)s.wDay;
    t->hour = (unsigned char)s.wHour;
    t->minute = (unsigned char)s.wMinute;
    t->second = (unsigned char)s.wSecond;
    t->hundredths = (unsigned char)(s.wMilliseconds / 10);
}

// The last moment TIME_GetRFCDate wrote, so that the increasing flag can go past it.
time_t g_lastRfcMoment = 0;
char g_fileDateEnglish[TIME_RFC_SIZE];
char g_fileDateGerman[TIME_RFC_SIZE];

// "+hh", "mm" of the current zone: the sign is "-" for a negative and for a zero offset.
void ZoneOffset(const TimeZoneState& zone, char* sign, int* hours, int* minutes)
{
    *sign = zone.offset > 0 ? '+' : '-';
    const int magnitude = abs(zone.offset);
    *hours = magnitude / 60;
    *minutes = magnitude % 60;
}

bool NameIsEmpty(const TimeZoneState& zone)
{
    char name[64];
    TimeZoneName(zone, name, sizeof(name));
    return name[0] == 0;
}

// A zone name for a system that reports none: the common central European and GMT cases.
const char* FallbackZoneName(const TimeZoneState& zone)
{
    if (zone.info.Bias == -60) return zone.info.DaylightBias == -60 ? "CEST" : "CET";
    if (zone.info.Bias == 0 && zone.info.DaylightBias == 0) return "GMT";
    return "";
}

// The file's times through a directory search; false when it is missing or its creation time
// has a zero low half (an entry without usable times).
bool FileLocalTime(const char* path, BOOL lastWrite, SYSTEMTIME* local)
{
    if (!path || !path[0]) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    if (found.ftCreationTime.dwLowDateTime == 0) return false;
    return TimeUnixToLocal(TimeFileTimeToUnix(lastWrite ? found.ftLastWriteTime : found.ftCreationTime),
                           local);
}

}  // namespace

const char* TIME_GetEnglishMonth(int month) { return MonthName(kEnglishMonths, month); }

char* TIME_struct2string(int flags, char* out, const TIME_DATE* d, const TIME_TIME* t)
{
    if (!out) return out;
    out[0] = 0;
    if (!d || !t) return out;
    const int year = (flags & TIME_FULL_YEAR) ? d->year : d->year % 100;
    const char separator = (flags & TIME_COMMA) ? ',' : ' ';
    const int day = (BYTE)d->day, month = (BYTE)d->month;
    int n;
    if (flags & TIME_MONTH_NAME) {
        n = (flags & TIME_ENGLISH)
                ? snprintf(out, TIME_TEXT_SIZE, "%02d %s %02d", day, MonthName(kEnglishMonthsPoint, month), year)
                : snprintf(out, TIME_TEXT_SIZE, "%02d. %s %02d", day, MonthName(kGermanMonthsPoint, month), year);
    } else if (flags & TIME_GMT_STYLE) {
        n = snprintf(out, TIME_TEXT_SIZE, "%02d-%s-%02d%c%02d:%02d GMT", day,
                     MonthName(kEnglishMonths, month), d->year, separator, t->hour, t->minute);
    } else if (flags & TIME_SECONDS) {
        n = snprintf(out, TIME_TEXT_SIZE, "%02d.%02d.%02d%c%02d:%02d:%02d", day, month, year,
                     separator, t->hour, t->minute, t->second);
    } else {
        n = snprintf(out, TIME_TEXT_SIZE, "%02d.%02d.%02d%c%02d:%02d", day, month, year, separator,
                     t->hour, t->minute);
    }
    if ((flags & TIME_SECONDS) && (flags & TIME_HUNDREDTHS) && n >= 0 && n < TIME_TEXT_SIZE) {
        snprintf(out + n, TIME_TEXT_SIZE - n, ".%02d", t->hundredths);
    }
    return out;
}

char* TIME_unix2string(int flags, char* out, time_t seconds)
{
    SYSTEMTIME local;
    TimeUnixToLocal(seconds, &local);
    TIME_DATE d;
    TIME_TIME t;
    ToRecords(local, &d, &t);
    t.hundredths = 0;
    return TIME_struct2string(flags, out, &d, &t);
}

char* TIME_ffblk2string(int flags, char* out, WORD date, WORD time)
{
    TIME_DATE d;
    TIME_TIME t;
    TIME_ffblk2struct(&d, &t, date, time);
    return TIME_struct2string(flags, out, &d, &t);
}

char* TIME_GetAktDateString(int flags, char* out)
{
    SYSTEMTIME now;
    g_host.getLocalTime(&now);
    TIME_DATE d;
    TIME_TIME t;
    ToRecords(now, &d, &t);
    return TIME_struct2string(flags, out, &d, &t);
}

char* TIME_ftime2string(char* out, const TIME_FTIME* stamp, long offset)
{
    if (!out) return out;
    out[0] = 0;
    if (!stamp) return out;
    return TIME_unix2string(TIME_FULL_YEAR, out, TIME_ftime2unix(stamp) + offset);
}

int TIME_FILETIME2String(char* out, const FILETIME* time)
{
    if (out) out[0] = 0;
    if (!out || !time) return 0;
    SYSTEMTIME local;
    if (!TimeUnixToLocal(TimeFileTimeToUnix(*time), &local)) return 0;
    snprintf(out, TIME_TEXT_SIZE, "%02d.%02d.%04d %02d:%02d", local.wDay, local.wMonth, local.wYear,
             local.wHour, local.wMinute);
    return local.wSecond;
}

int TIME_GetRFCDate(char* out, BOOL header, BOOL increasing, const TIME_FTIME* stamp)
{
    if (!out) return 0;
    const TimeZoneState zone = TimeCurrentZone();
    char sign;
    int hours, minutes;
    ZoneOffset(zone, &sign, &hours, &minutes);
    // A system without daylight saving is treated as standard time throughout.
    const char* comment = "";
    if (!zone.daylight && zone.offset == 60) comment = "(CET)";
    if (zone.daylight && zone.offset == 120) comment = "(CEST)";
    if (NameIsEmpty(zone)) {
        const char* name = FallbackZoneName(zone);
        if (!strcmp(name, "CEST")) comment = "(CEST)";
        if (!strcmp(name, "CET")) comment = "(CET)";
        if (!strcmp(name, "GMT")) comment = "(GMT)";
    }

    time_t moment = stamp ? TIME_ftime2unix(stamp) : TimeNow();
    if (increasing && moment <= g_lastRfcMoment) moment = g_lastRfcMoment + 1;
    g_lastRfcMoment = moment;

    SYSTEMTIME local;
    TimeUnixToLocal(moment, &local);
    // Split as the run-time's textual time does: the day of month in two places, blank-padded.
    char day[4], time[16], year[8];
    snprintf(day, sizeof(day), "%2d", local.wDay);
    snprintf(time, sizeof(time), "%02d:%02d:%02d", local.wHour, local.wMinute, local.wSecond);
    snprintf(year, sizeof(year), "%d", local.wYear);
    const int n = snprintf(out, TIME_RFC_SIZE, "%s%s, %s %s %s %s %c%02d%02d %s\r\n",
                           header ? "Date: " : "", WeekdayName(kEnglishWeekdays, local.wDayOfWeek),
                           day, MonthName(kEnglishMonths, local.wMonth), year, time, sign, hours,
                           minutes, comment);
    if (n < 0) {
        out[0] = 0;
        return 0;
    }
    return n < TIME_RFC_SIZE ? n : TIME_RFC_SIZE - 1;
}

void TIME_WriteRFCDate(FILE* stream, BOOL header, BOOL increasing, const TIME_FTIME* stamp)
{
    char line[TIME_RFC_SIZE];
    TIME_GetRFCDate(line, header, increasing, stamp);
    if (stream) fputs(line, stream);
}

char* TIME_PDFdate(char* out, time_t seconds)
{
    if (!out) return out;
    const TimeZoneState zone = TimeCurrentZone();
    char sign;
    int hours, minutes;
    ZoneOffset(zone, &sign, &hours, &minutes);
    SYSTEMTIME local;
    TimeUnixToLocal(seconds ? seconds : TimeNow(), &local);
    snprintf(out, TIME_RFC_SIZE, "D:%04d%02d%02d%02d%02d%02d%c%02d'%02d'", local.wYear,
             local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond, sign, hours,
             minutes);
    return out;
}

char* TIME_GetRFCDate_byFilename2(const char* path, BOOL lastWrite)
{
    g_fileDateEnglish[0] = 0;
    SYSTEMTIME local;
    if (!FileLocalTime(path, lastWrite, &local)) return g_fileDateEnglish;
    const TimeZoneState zone = TimeCurrentZone();
    char name[64];
    TimeZoneName(zone, name, sizeof(name));
    if (!zone.daylight && abs(zone.offset) == 60) STR_ncpy(name, "CET", sizeof(name) - 1);
    if (zone.daylight && abs(zone.offset) == 120) STR_ncpy(name, "CEST", sizeof(name) - 1);
    if (!name[0]) STR_ncpy(name, FallbackZoneName(zone), sizeof(name) - 1);
    snprintf(g_fileDateEnglish, sizeof(g_fileDateEnglish), "%s, %02d %s %04d %02d:%02d:%02d %s",
             WeekdayName(kEnglishWeekdays, local.wDayOfWeek), local.wDay,
             MonthName(kEnglishMonths, local.wMonth), local.wYear, local.wHour, local.wMinute,
             local.wSecond, name);
    return g_fileDateEnglish;
}

char* TIME_GetRFCDate_byFilename(const char* path)
{
    g_fileDateGerman[0] = 0;
    SYSTEMTIME local;
    if (!FileLocalTime(path, TRUE, &local)) return g_fileDateGerman;
    snprintf(g_fileDateGerman, sizeof(g_fileDateGerman), "%s, %02d %s %04d %02d:%02d:%02d",
             WeekdayName(kGermanWeekdays, local.wDayOfWeek), local.wDay,
             MonthName(kGermanMonths, local.wMonth), local.wYear, local.wHour, local.wMinute,
             local.wSecond);
    return g_fileDateGerman;
}
