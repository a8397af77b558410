#pragma once
// The date and time library: conversions between seconds since 1970, broken-down date and time
// records, packed DOS date/time words and Win32 SYSTEMTIME/FILETIME; German and English date
// texts, RFC 822 mail dates (written and read) and PDF dates. Local time is the machine's time
// zone with the daylight-saving rule of each date. Functions returning static buffers are for
// one thread at a time.
#include <windows.h>
#include <stdio.h>
#include <time.h>
#include "core/export.h"

// Date record: full year, day of month, month 1-12.
typedef struct TIME_DATE {
    int year;
    char day;
    char month;
} TIME_DATE;
// Time record.
typedef struct TIME_TIME {
    unsigned char minute;
    unsigned char hour;
    unsigned char hundredths;
    unsigned char second;
} TIME_TIME;
// File stamp record: the packed DOS time word followed by the date word (the same 32 bits as
// the packed value of FILE_GetTime).
typedef struct TIME_FTIME {
    WORD time;  // seconds / 2 (bits 0-4), minute (5-10), hour (11-15)
    WORD date;  // day (bits 0-4), month (5-8), year - 1980 (9-15)
} TIME_FTIME;

// Buffers for the texts: TIME_TEXT_SIZE for the date texts, TIME_RFC_SIZE for RFC and PDF dates.
enum { TIME_TEXT_SIZE = 40, TIME_RFC_SIZE = 80 };

// TIME_struct2string flags.
enum {
    TIME_FULL_YEAR = 0x01,
    TIME_SECONDS = 0x02,
    TIME_GMT_STYLE = 0x04,
    TIME_HUNDREDTHS = 0x08,
    TIME_COMMA = 0x10,
    TIME_MONTH_NAME = 0x20,
    TIME_ENGLISH = 0x40
};

// Minutes east of UTC of the machine's zone now (daylight saving included); also kept in
// TIME_zoneDelay.
CUSTOR_C int TIME_GetMyTimeZoneDelay(void);
CUSTOR_C int TIME_zoneDelay;

// Three-letter English month ("Jan" .. "Dec"); "" outside 1-12.
CUSTOR_C const char* TIME_GetEnglishMonth(int month);
CUSTOR_C void TIME_struct2ffblk(WORD* date, WORD* time, const TIME_DATE* d, const TIME_TIME* t);
CUSTOR_C void TIME_ffblk2struct(TIME_DATE* d, TIME_TIME* t, WORD date, WORD time);
// Date text by flags into out (TIME_TEXT_SIZE bytes).
CUSTOR_C char* TIME_struct2string(int flags, char* out, const TIME_DATE* d, const TIME_TIME* t);
CUSTOR_C char* TIME_unix2string(int flags, char* out, time_t seconds);
CUSTOR_C char* TIME_ffblk2string(int flags, char* out, WORD date, WORD time);
CUSTOR_C char* TIME_GetAktDateString(int flags, char* out);
CUSTOR_C time_t TIME_ftime2unix(const TIME_FTIME* stamp);
CUSTOR_C void TIME_unix2ftime(TIME_FTIME* stamp, time_t seconds);
// The stamp plus offset seconds as "dd.mm.yyyy hh:mm" (out: TIME_TEXT_SIZE bytes).
CUSTOR_C char* TIME_ftime2string(char* out, const TIME_FTIME* stamp, long offset);
// Adds seconds to the stamp in place; returns the new seconds since 1970.
CUSTOR_C time_t TIME_ftimeadd(TIME_FTIME* stamp, long seconds);

// RFC 822 date line ("Date: " with header) of the stamp or now, into out (TIME_RFC_SIZE
// bytes); increasing makes every line at least one second later than the one before.
// Returns the length.
CUSTOR_C int TIME_GetRFCDate(char* out, BOOL header, BOOL increasing, const TIME_FTIME* stamp);
CUSTOR_C void TIME_WriteRFCDate(FILE* stream, BOOL header, BOOL increasing,
                                const TIME_FTIME* stamp);
// "D:yyyymmddhhmmss+hh'mm'" of seconds (0: now) into out (TIME_RFC_SIZE bytes).
CUSTOR_C char* TIME_PDFdate(char* out, time_t seconds);
// English date with zone name of a file's last-write (or creation) time; "" when missing.
CUSTOR_C char* TIME_GetRFCDate_byFilename2(const char* path, BOOL lastWrite);
// German date of a file's last-write time; "" when missing.
CUSTOR_C char* TIME_GetRFCDate_byFilename(const char* path);
// Reads an RFC 822 date ("Tue, 5 Mar 2024 14:07:09 +0100") into the stamp, in UTC or, with
// local, in local time. recentYear accepts only this year and the one before.
CUSTOR_C BOOL TIME_DecodeRFCDate(TIME_FTIME* stamp, const char* text, BOOL recentYear,
                                 BOOL local);

// Win32 forms.
CUSTOR_C time_t TIME_SYSTEMTIME2Unix(const SYSTEMTIME* local);
// "dd.mm.yyyy hh:mm" of the local time into out (TIME_TEXT_SIZE bytes); returns the seconds.
CUSTOR_C int TIME_FILETIME2String(char* out, const FILETIME* time);
// UTC now plus days and minutes; day of week and milliseconds 0.
CUSTOR_C BOOL TIME_GetRelativeSystemTime(SYSTEMTIME* out, int days, int minutes);
CUSTOR_C SYSTEMTIME* TIME_ftime2systemtime(SYSTEMTIME* out, const TIME_FTIME* stamp);
// Exported under its C++ name, which encodes the argument types.
CUSTOR_API void TIME_filetime2ftime(TIME_FTIME* stamp, const FILETIME* time);
