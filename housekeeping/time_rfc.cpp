// Reading RFC 822 mail dates ("Tue, 5 Mar 2024 14:07:09 +0100"). The text may be anything: it
// is copied into a bounded buffer first and every field is checked before it is used.
#include "housekeeping/time_lib.h"

#include <string.h>

#include "core/host.h"
#include "housekeeping/time_internal.h"

namespace {

const int kMaxText = 260;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Cursor over the copied text.
struct Reader {
    const char* at;

    void SkipBlanks()
    {
        while (IsBlank(*at)) ++at;
    }
    // A run of 1 to maxDigits digits ending at one of the stop characters (0 ends a run too
    // when endMayStop); false otherwise. Leaves the cursor on the stop character.
    bool Number(int maxDigits, const char* stops, bool endMayStop, int* value)
    {
        int digits = 0, result = 0;
        while (IsDigit(*at)) {
            if (++digits > maxDigits) return false;
            result = result * 10 + (*at - '0');
            ++at;
        }
        if (digits == 0) return false;
        if (*at == 0 ? !endMayStop : !strchr(stops, *at)) return false;
        *value = result;
        return true;
    }
};

// Zone offsets in minutes east of UTC of the names the decoder knows; false for others.
bool ZoneByName(const char* name, int* minutes)
{
    const size_t length = strlen(name);
    if (length == 1) {
        const char c = name[0];
        // The single-letter zones with the signs as the mail standard gives them; Z is UTC.
        if (c >= 'A' && c <= 'I') { *minutes = -(c - 'A' + 1) * 60; return true; }
        if (c >= 'K' && c <= 'M') { *minutes = -(c - 'K' + 10) * 60; return true; }
        if (c >= 'N' && c <= 'Y') { *minutes = (c - 'N' + 1) * 60; return true; }
        if (c == 'Z') { *minutes = 0; return true; }
        return false;
    }
    if (!strcmp(name, "GMT") || !strcmp(name, "UT") || !strcmp(name, "UTC")) { *minutes = 0; return true; }
    if (!strcmp(name, "CET")) { *minutes = 60; return true; }
    if (!strcmp(name, "CEST")) { *minutes = 120; return true; }
    if (length == 3 && name[2] == 'T' && (name[1] == 'S' || name[1] == 'D')) {
        static const char kZones[] = "ECMPA";
        static const int kStandardHours[] = {-5, -6, -7, -8, -4};
        const char* zone = strchr(kZones, name[0]);
        if (!zone || !name[0]) return false;
        const int hours = kStandardHours[zone - kZones] + (name[1] == 'D' ? 1 : 0);
        *minutes = hours * 60;
        return true;
    }
    return false;
}

// "+hhmm" / "-hhmm" (four digits, minutes below 60), optionally followed by a blank and a
// comment such as "(CET)"; or a zone name (the whole rest, blanks trimmed, any case).
bool ParseZone(const char* rest, int* minutes)
{
    while (IsBlank(*rest)) ++rest;
    if (*rest == '+' || *rest == '-') {
        const int sign = *rest == '-' ? -1 : 1;
        const char* d = rest + 1;
        for (int i = 0; i < 4; ++i) {
            if (!IsDigit(d[i])) return false;
        }
        if (d[4] != 0 && !IsBlank(d[4])) return false;
        const int hours = (d[0] - '0') * 10 + (d[1] - '0');
        const int mins = (d[2] - '0') * 10 + (d[3] - '0');
        if (hours > 23 || mins > 59) return false;
        *minutes = sign * (hours * 60 + mins);
        return true;
    }
    size_t end = strlen(rest);
    while (end > 0 && IsBlank(rest[end - 1])) --end;
    char name[8];
    if (end >= sizeof(name)) return false;
    size_t length = 0;
    for (; length < end; ++length) {
        const char c = rest[length];
        name[length] = (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
    }
    name[length] = 0;
    return length > 0 && ZoneByName(name, minutes);
}

int MonthByName(const char* at, size_t length)
{
    static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    if (length != 3) return 0;
    char upper[4];
    for (size_t i = 0; i < 3; ++i) {
        const char c = at[i];
        upper[i] = (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
    }
    upper[3] = 0;
    for (int m = 0; m < 12; ++m) {
        if (!strcmp(upper, kMonths[m])) return m + 1;
    }
    return 0;
}

}  // namespace

BOOL TIME_DecodeRFCDate(TIME_FTIME* stamp, const char* text, BOOL recentYear, BOOL local)
{
    if (!stamp || !text) return FALSE;
    // 1. A bounded copy, cut at the line end, without one pair of surrounding quotes.
    char copy[kMaxText + 1];
    size_t length = 0;
    while (length < (size_t)kMaxText && text[length] && text[length] != '\r' && text[length] != '\n') {
        copy[length] = text[length];
        ++length;
    }
    copy[length] = 0;
    char* start = copy;
    if (*start == '"') ++start;
    length = strlen(start);
    if (length > 0 && start[length - 1] == '"') start[--length] = 0;

    // 2. The weekday (when there is one) is not checked.
    char* comma = strchr(start, ',');
    Reader r = {comma ? comma + 1 : start};
    r.SkipBlanks();
    if (!*r.at) return FALSE;

    // 3. to 5. Day, month name and year.
    int day = 0, year = 0;
    if (!r.Number(2, " \t", false, &day) || day < 1 || day > 31) return FALSE;
    r.SkipBlanks();
    const char* monthStart = r.at;
    while (*r.at && !IsBlank(*r.at)) ++r.at;
    const int month = MonthByName(monthStart, (size_t)(r.at - monthStart));
    if (!month) return FALSE;
    r.SkipBlanks();
    if (!r.Number(4, " \t", false, &year)) return FALSE;
    if (year <= 80) {
        year += 2000;
    } else if (year <= 99) {
        year += 1900;
    } else if (year < 1980 || year > 2107) {
        return FALSE;
    }
    if (day > TimeDaysInMonth(year, month)) return FALSE;
    if (recentYear) {
        SYSTEMTIME now;
        g_host.getLocalTime(&now);
        if (year != now.wYear && year != now.wYear - 1) return FALSE;
    }

    // 6. hh:mm[:ss], then the zone.
    int hour = 0, minute = 0, second = 0;
    r.SkipBlanks();
    if (!r.Number(2, ":", false, &hour) || hour > 24) return FALSE;
    ++r.at;
    if (!r.Number(2, ": \t", false, &minute) || minute > 59) return FALSE;
    if (*r.at == ':') {
        ++r.at;
        if (!r.Number(2, " \t", false, &second) || second > 59) return FALSE;
    }

    // 7. and 8. The zone gives UTC; the local flag adds the machine's zone delay.
    int zoneMinutes = 0;
    if (!ParseZone(r.at, &zoneMinutes)) return FALSE;
    long long moment = TimeCivilToSeconds(year, month, day, hour, minute, second) -
                       zoneMinutes * 60LL;
    if (local) moment += TIME_GetMyTimeZoneDelay() * 60LL;
    SYSTEMTIME result;
    if (!TimeSecondsToCivil(moment, &result) || result.wYear < 1980 || result.wYear > 2107) {
        return FALSE;
    }
    stamp->date = (WORD)(((result.wYear - 1980) << 9) | (result.wMonth << 5) | result.wDay);
    stamp->time = (WORD)((result.wHour << 11) | (result.wMinute << 5) | (result.wSecond / 2));
    return TRUE;
}
