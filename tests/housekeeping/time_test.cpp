// The date and time library in fixed time zones: tests/CMakeLists.txt runs the suites
// TimeBerlin, TimeKolkata, TimeLagos and TimeUtc with TZ set for the Wine process, from which
// Wine builds the Windows zone (Central Europe with daylight saving; India, +05:30, and West
// Central Africa, +01:00, without; UTC). Each test first checks that it runs in its zone.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "housekeeping/time_lib.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace {

TIME_FTIME Stamp(int year, int month, int day, int hour, int minute, int second)
{
    TIME_FTIME s;
    s.date = (WORD)(((year - 1980) << 9) | (month << 5) | day);
    s.time = (WORD)((hour << 11) | (minute << 5) | (second / 2));
    return s;
}

std::string Show(const TIME_FTIME& s)
{
    char text[64];
    snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", 1980 + (s.date >> 9),
             (s.date >> 5) & 15, s.date & 31, s.time >> 11, (s.time >> 5) & 63, (s.time & 31) * 2);
    return text;
}

#define ASSERT_ZONE(minutes, name)                                                   \
    ASSERT_EQ(minutes, TIME_GetMyTimeZoneDelay())                                    \
        << "this suite must run with TZ=" name " (see tests/CMakeLists.txt)"

// A file whose last-write (and creation) time is the given UTC moment.
void SetUtcTimes(const std::string& path, int year, int month, int day, int hour, int minute,
                 int second)
{
    SYSTEMTIME utc = {(WORD)year, (WORD)month, 0, (WORD)day, (WORD)hour, (WORD)minute, (WORD)second, 0};
    FILETIME stamp;
    SystemTimeToFileTime(&utc, &stamp);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    SetFileTime(file, &stamp, nullptr, &stamp);
    CloseHandle(file);
}

}  // namespace

// Central Europe: bias -60 whatever the season, daylight saving from March to October.
#define ASSERT_BERLIN()                                                                      \
    do {                                                                                     \
        TIME_ZONE_INFORMATION zone;                                                          \
        GetTimeZoneInformation(&zone);                                                       \
        ASSERT_TRUE(zone.Bias == -60 && zone.DaylightBias == -60 &&                          \
                    zone.DaylightDate.wMonth == 3 && zone.StandardDate.wMonth == 10)         \
            << "this suite must run with TZ=Europe/Berlin (see tests/CMakeLists.txt)";       \
    } while (0)

// ---- Conversions (a zone with daylight saving) ---------------------------------------------

TEST(TimeBerlin, ConversionsFollowTheDaylightSavingRuleOfEachDate)
{
    ASSERT_BERLIN();
    struct Case {
        TIME_FTIME local;
        time_t unix;
    } cases[] = {
        {Stamp(2024, 3, 5, 14, 7, 8), 1709644028},      // winter: UTC + 1
        {Stamp(2024, 7, 5, 12, 0, 0), 1720173600},      // summer: UTC + 2
        {Stamp(2024, 3, 31, 1, 59, 58), 1711846798},    // the last seconds before the change
        {Stamp(2024, 3, 31, 3, 0, 0), 1711846800},      // and the first after it
        {Stamp(1980, 1, 1, 1, 0, 0), 315532800},        // the first packed moment
        {Stamp(2100, 12, 31, 23, 59, 58), 4133977198},  // far beyond 2038
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Show(c.local));
        EXPECT_EQ(c.unix, TIME_ftime2unix(&c.local));
        TIME_FTIME back = {};
        TIME_unix2ftime(&back, c.unix);
        EXPECT_EQ(Show(c.local), Show(back));
        SYSTEMTIME system;
        TIME_ftime2systemtime(&system, &c.local);
        EXPECT_EQ(c.unix, TIME_SYSTEMTIME2Unix(&system));
        // The same moment as a FILETIME (UTC) packs to the same local stamp.
        const long long ticks = ((long long)c.unix * 10000000LL) + 116444736000000000LL;
        FILETIME fileTime = {(DWORD)ticks, (DWORD)(ticks >> 32)};
        TIME_FTIME fromFile = {};
        TIME_filetime2ftime(&fromFile, &fileTime);
        EXPECT_EQ(Show(c.local), Show(fromFile));
    }
    // Two seconds on from 01:59:58 on the night of the change is 03:00:00.
    TIME_FTIME night = Stamp(2024, 3, 31, 1, 59, 58);
    EXPECT_EQ(1711846800, TIME_ftimeadd(&night, 2));
    EXPECT_EQ("2024-03-31 03:00:00", Show(night));
    TIME_FTIME backwards = Stamp(2024, 3, 1, 0, 0, 0);
    TIME_ftimeadd(&backwards, -1);
    EXPECT_EQ("2024-02-29 23:59:58", Show(backwards));
}

TEST(TimeBerlin, PackedWordsAndRecordsRoundTrip)
{
    ASSERT_BERLIN();
    TIME_DATE d = {2024, 5, 3};
    TIME_TIME t = {7, 14, 45, 9};
    WORD date = 0, time = 0;
    TIME_struct2ffblk(&date, &time, &d, &t);
    EXPECT_EQ(Stamp(2024, 3, 5, 14, 7, 9).date, date);
    EXPECT_EQ(Stamp(2024, 3, 5, 14, 7, 9).time, time);
    TIME_DATE d2 = {};
    TIME_TIME t2 = {1, 1, 1, 1};
    TIME_ffblk2struct(&d2, &t2, date, time);
    EXPECT_EQ(2024, d2.year);
    EXPECT_EQ(3, d2.month);
    EXPECT_EQ(5, d2.day);
    EXPECT_EQ(14, t2.hour);
    EXPECT_EQ(7, t2.minute);
    EXPECT_EQ(8, t2.second);
    EXPECT_EQ(0, t2.hundredths);
    // Years outside the packed range stay at its ends instead of spilling into the month.
    TIME_DATE early = {1975, 1, 6};
    TIME_struct2ffblk(&date, &time, &early, &t);
    EXPECT_EQ(0, date >> 9);
    EXPECT_EQ(6, (date >> 5) & 15);
    TIME_DATE late = {2200, 1, 6};
    TIME_struct2ffblk(&date, &time, &late, &t);
    EXPECT_EQ(127, date >> 9);

    SYSTEMTIME relative;
    FakeHost host;  // 05.03.2024 14:07:09 local = 13:07:09 UTC
    EXPECT_TRUE(TIME_GetRelativeSystemTime(&relative, 1, -30));
    EXPECT_EQ(2024, relative.wYear);
    EXPECT_EQ(3, relative.wMonth);
    EXPECT_EQ(6, relative.wDay);
    EXPECT_EQ(12, relative.wHour);
    EXPECT_EQ(37, relative.wMinute);
    EXPECT_EQ(9, relative.wSecond);
    EXPECT_EQ(0, relative.wDayOfWeek);
}

// ---- Texts ---------------------------------------------------------------------------------

TEST(TimeBerlin, DateTextsByFlags)
{
    ASSERT_BERLIN();
    struct Case {
        int flags;
        int year, month;
        const char* expected;
    } cases[] = {
        {0x00, 2024, 3, "05.03.24 14:07"},
        {0x01, 2024, 3, "05.03.2024 14:07"},
        {0x02, 2024, 3, "05.03.24 14:07:09"},
        {0x03, 2024, 3, "05.03.2024 14:07:09"},
        {0x13, 2024, 3, "05.03.2024,14:07:09"},
        {0x0B, 2024, 3, "05.03.2024 14:07:09.45"},
        {0x09, 2024, 3, "05.03.2024 14:07"},
        {0x00, 2005, 3, "05.03.05 14:07"},
        {0x04, 2024, 3, "05-Mar-2024 14:07 GMT"},
        {0x14, 2024, 12, "05-Dec-2024,14:07 GMT"},
        {0x21, 2024, 3, "05. M\xe4rz 2024"},
        {0x61, 2024, 3, "05 Mar. 2024"},
        {0x20, 2024, 3, "05. M\xe4rz 24"},
        {0x60, 2024, 6, "05 June 24"},
        {0x21, 2024, 5, "05. Mai 2024"},
        {0x21, 2024, 10, "05. Okt. 2024"},
        {0x61, 2024, 9, "05 Sep. 2024"},
        {0x21, 2024, 13, "05.  2024"},  // a month outside 1-12 has no name, and no overrun
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << " " << c.expected);
        TIME_DATE d = {c.year, 5, (char)c.month};
        TIME_TIME t = {7, 14, 45, 9};
        char out[TIME_TEXT_SIZE];
        EXPECT_STREQ(c.expected, TIME_struct2string(c.flags, out, &d, &t));
    }
    char out[TIME_TEXT_SIZE];
    EXPECT_STREQ("05.03.2024 14:07:09", TIME_unix2string(3, out, 1709644029));
    EXPECT_STREQ("05.07.2024 12:00", TIME_unix2string(1, out, 1720173600));
    const TIME_FTIME stamp = Stamp(2024, 3, 5, 14, 7, 8);
    EXPECT_STREQ("05.03.2024 14:07:08", TIME_ffblk2string(3, out, stamp.date, stamp.time));
    // An hour and a day later, across nothing special; then into summer time.
    EXPECT_STREQ("06.03.2024 15:07", TIME_ftime2string(out, &stamp, 90000));
    const TIME_FTIME spring = Stamp(2024, 3, 31, 1, 30, 0);
    EXPECT_STREQ("31.03.2024 03:30", TIME_ftime2string(out, &spring, 3600));
    {
        FakeHost host;
        host.time.wMilliseconds = 120;
        EXPECT_STREQ("05.03.2024 14:07:09.12", TIME_GetAktDateString(0x0B, out));
    }
    const long long ticks = 1720173600LL * 10000000LL + 116444736000000000LL + 420000000LL;
    FILETIME summer = {(DWORD)ticks, (DWORD)(ticks >> 32)};
    EXPECT_EQ(42, TIME_FILETIME2String(out, &summer));
    EXPECT_STREQ("05.07.2024 12:00", out);
    EXPECT_STREQ("Mar", TIME_GetEnglishMonth(3));
    EXPECT_STREQ("", TIME_GetEnglishMonth(0));
    EXPECT_STREQ("", TIME_GetEnglishMonth(13));
}

// ---- Reading mail dates --------------------------------------------------------------------

TEST(TimeBerlin, DecodeRFCDateZonesAndEdgeCases)
{
    ASSERT_BERLIN();
    struct Case {
        const char* text;
        const char* utc;  // null: must fail
    } cases[] = {
        {"Tue, 5 Mar 2024 14:07:09 +0100", "2024-03-05 13:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 CET", "2024-03-05 13:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 EST", "2024-03-05 19:07:08"},
        {"Tue, 05 Mar 2024 14:07:09 -0500", "2024-03-05 19:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 +0100 (CET)", "2024-03-05 13:07:08"},
        {"Date: Tue, 5 Mar 2024 14:07:09 +0100\r\nReceived: x", "2024-03-05 13:07:08"},
        {"\"Tue, 5 Mar 2024 14:07:09 GMT\"", "2024-03-05 14:07:08"},
        {"5 Mar 2024 14:07 +0000", "2024-03-05 14:07:00"},
        {"Tue,   5  mar  24  7:5:3  gmt  ", "2024-03-05 07:05:02"},
        {"Tue, 5 Mar 2024 14:07:09 z", "2024-03-05 14:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 UT", "2024-03-05 14:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 UTC", "2024-03-05 14:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 CEST", "2024-03-05 12:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 EDT", "2024-03-05 18:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 CST", "2024-03-05 20:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 MDT", "2024-03-05 20:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 PST", "2024-03-05 22:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 AST", "2024-03-05 18:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 ADT", "2024-03-05 17:07:08"},
        // The single letters as the mail standard lists them: A-I, K-M west, N-Y east.
        {"Tue, 5 Mar 2024 14:07:09 A", "2024-03-05 15:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 I", "2024-03-05 23:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 K", "2024-03-06 00:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 M", "2024-03-06 02:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 N", "2024-03-05 13:07:08"},
        {"Tue, 5 Mar 2024 14:07:09 Y", "2024-03-05 02:07:08"},
        {"Tue, 5 Mar 2024 24:00:00 GMT", "2024-03-06 00:00:00"},
        {"Fri, 31 Dec 2100 23:30:00 -0100", "2101-01-01 00:30:00"},
        {"Thu, 29 Feb 2024 12:00:00 GMT", "2024-02-29 12:00:00"},
        {"Mon, 1 Jan 80 12:00:00 GMT", "2080-01-01 12:00:00"},
        {"Thu, 1 Jan 81 12:00:00 GMT", "1981-01-01 12:00:00"},
        {"Sat, 1 Jan 00 12:00:00 GMT", "2000-01-01 12:00:00"},
        {"Tue, 5 Mar 2024 14:07:09 +0530", "2024-03-05 08:37:08"},
        {"Tue, 5 Mar 2024 25:07:09 GMT", nullptr},
        {"Tue, 5 Mar 2024 14:07:09", nullptr},
        {"Tue, 5 Mar 2024 14:07", nullptr},
        {"Tue, 5 Mar 2024", nullptr},
        {"", nullptr},
        {",", nullptr},
        {"Tue,", nullptr},
        {"\"\"", nullptr},
        {"Tue, 0 Mar 2024 14:07:09 GMT", nullptr},
        {"Tue, 32 Mar 2024 14:07:09 GMT", nullptr},
        {"Tue, 123 Mar 2024 14:07:09 GMT", nullptr},
        {"Fri, 31 Feb 2024 14:07:09 GMT", nullptr},
        {"Wed, 29 Feb 2023 14:07:09 GMT", nullptr},
        {"Tue, 5 Mrz 2024 14:07:09 GMT", nullptr},
        {"Tue, 5 March 2024 14:07:09 GMT", nullptr},
        {"Tue, 5 Mar 20245 14:07:09 GMT", nullptr},
        {"Tue, 5 Mar 1979 14:07:09 GMT", nullptr},
        {"Tue, 1 Jan 1980 00:30:00 +0100", nullptr},
        {"Tue, 5 Mar 2024 14:60:09 GMT", nullptr},
        {"Tue, 5 Mar 2024 14:07:60 GMT", nullptr},
        {"Tue, 5 Mar 2024 14:7x:09 GMT", nullptr},
        {"Tue, 5 Mar 2024 :07:09 GMT", nullptr},
        {"Tue, 5 Mar 2024 14::09 GMT", nullptr},
        {"Tue, 5 Mar 2024 14:07:09 +", nullptr},
        {"Tue, 5 Mar 2024 14:07:09 +01", nullptr},
        {"Tue, 5 Mar 2024 14:07:09 -01a0", nullptr},
        {"Tue, 5 Mar 2024 14:07:09 +010000", nullptr},
        {"Tue, 5 Mar 2024 14:07:09 +0160", nullptr},
        {"Tue, 5 Mar 2024 14:07:09 J", nullptr},
        {"Tue, 5 Mar 2024 14:07:09 XST", nullptr},
        {"Tue, 5 Mar 2024 14:07:09 ESTX", nullptr},
        {"Tue, 5 Mar 2024 14:07:09 EET", nullptr},
        {"Tue, 5 Mar 2024 14:07:09 CEST CET", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TIME_FTIME stamp = {0x1234, 0x5678};
        const BOOL ok = TIME_DecodeRFCDate(&stamp, c.text, FALSE, FALSE);
        EXPECT_EQ(c.utc != nullptr, ok != FALSE);
        if (c.utc && ok) {
            EXPECT_EQ(c.utc, Show(stamp));
        }
    }
}

TEST(TimeBerlin, DecodeRFCDateTakesAnyTextWithoutOverrunning)
{
    ASSERT_BERLIN();
    TIME_FTIME stamp;
    EXPECT_FALSE(TIME_DecodeRFCDate(&stamp, nullptr, FALSE, FALSE));
    EXPECT_FALSE(TIME_DecodeRFCDate(nullptr, "Tue, 5 Mar 2024 14:07:09 GMT", FALSE, FALSE));
    const std::string date = "Tue, 5 Mar 2024 14:07:09 GMT";
    struct Case {
        std::string text;
        bool ok;
    } cases[] = {
        {std::string(100000, 'x'), false},                // no blanks at all
        {std::string(100000, ' '), false},                // nothing but blanks
        {std::string(100000, ','), false},
        {std::string(100000, '9'), false},                // one endless number
        {"Tue, 5 Mar 2024 14:07:09 +" + std::string(100000, '1'), false},
        {"Tue, 5 Mar 2024 14:07:09 " + std::string(100000, 'Z'), false},
        {date + std::string(5000, ' '), true},            // cut at 260 characters: blanks only
        {std::string(300, ' ') + date, false},            // the date lies beyond the copy
        {std::string("Tue, 5 Mar 2024 14:07:09 GMT\0garbage", 37), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_EQ(c.ok, TIME_DecodeRFCDate(&stamp, c.text.c_str(), FALSE, FALSE) != FALSE);
    }
    // Every cut of a good line parses or fails cleanly.
    const std::string line = "Date: \"Tue, 05 Mar 2024 14:07:09 +0100 (CET)\"";
    for (size_t n = 0; n <= line.size(); ++n) {
        TIME_DecodeRFCDate(&stamp, line.substr(0, n).c_str(), FALSE, FALSE);
    }
}

TEST(TimeBerlin, DecodeRFCDateRecentYearsOnly)
{
    ASSERT_BERLIN();
    FakeHost host;  // 2024
    struct Case {
        const char* text;
        bool ok;
    } cases[] = {
        {"Tue, 5 Mar 2024 14:07:09 GMT", true}, {"Sun, 5 Mar 2023 14:07:09 GMT", true},
        {"Sat, 5 Mar 2022 14:07:09 GMT", false}, {"Wed, 5 Mar 2025 14:07:09 GMT", false},
        {"Sun, 5 Mar 23 14:07:09 GMT", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TIME_FTIME stamp;
        EXPECT_EQ(c.ok, TIME_DecodeRFCDate(&stamp, c.text, TRUE, FALSE) != FALSE);
        EXPECT_TRUE(TIME_DecodeRFCDate(&stamp, c.text, FALSE, FALSE));
    }
}

// ---- A zone without daylight saving and with half hours ------------------------------------

TEST(TimeKolkata, RFCAndPDFDatesCarryTheZoneOffset)
{
    ASSERT_ZONE(330, "Asia/Kolkata");
    FakeHost host;  // 05.03.2024 14:07:09 local
    char out[TIME_RFC_SIZE];
    const TIME_FTIME stamp = Stamp(2024, 3, 5, 9, 7, 8);
    EXPECT_EQ(40, TIME_GetRFCDate(out, TRUE, FALSE, &stamp));
    EXPECT_STREQ("Date: Tue,  5 Mar 2024 09:07:08 +0530 \r\n", out);
    const TIME_FTIME december = Stamp(2024, 12, 24, 18, 0, 0);
    TIME_GetRFCDate(out, FALSE, FALSE, &december);
    EXPECT_STREQ("Tue, 24 Dec 2024 18:00:00 +0530 \r\n", out);

    EXPECT_STREQ("D:20240305183709+05'30'", TIME_PDFdate(out, 1709644029));
    EXPECT_STREQ("D:20240305140709+05'30'", TIME_PDFdate(out, 0));

    // Written to a stream, the same line.
    TempDir dir;
    FILE* stream = fopen(dir.file("mail.txt").c_str(), "wb");
    ASSERT_NE(nullptr, stream);
    TIME_WriteRFCDate(stream, TRUE, FALSE, &stamp);
    fclose(stream);
    EXPECT_EQ("Date: Tue,  5 Mar 2024 09:07:08 +0530 \r\n", dir.read("mail.txt"));
}

TEST(TimeKolkata, IncreasingRFCDatesNeverRepeatASecond)
{
    ASSERT_ZONE(330, "Asia/Kolkata");
    FakeHost host;
    char first[TIME_RFC_SIZE], second[TIME_RFC_SIZE], third[TIME_RFC_SIZE];
    TIME_GetRFCDate(first, FALSE, TRUE, nullptr);
    TIME_GetRFCDate(second, FALSE, TRUE, nullptr);
    EXPECT_STREQ("Tue,  5 Mar 2024 14:07:09 +0530 \r\n", first);
    EXPECT_STREQ("Tue,  5 Mar 2024 14:07:10 +0530 \r\n", second);
    // An older stamp is raised past the last line too; without the flag it is written as it is.
    const TIME_FTIME old = Stamp(2024, 1, 1, 0, 0, 0);
    TIME_GetRFCDate(third, FALSE, TRUE, &old);
    EXPECT_STREQ("Tue,  5 Mar 2024 14:07:11 +0530 \r\n", third);
    TIME_GetRFCDate(third, FALSE, FALSE, &old);
    EXPECT_STREQ("Mon,  1 Jan 2024 00:00:00 +0530 \r\n", third);
    host.Advance(60);
    TIME_GetRFCDate(third, FALSE, TRUE, nullptr);
    EXPECT_STREQ("Tue,  5 Mar 2024 14:08:09 +0530 \r\n", third);
}

TEST(TimeKolkata, DecodedDatesInLocalTimeAndFileDates)
{
    ASSERT_ZONE(330, "Asia/Kolkata");
    TIME_FTIME stamp;
    ASSERT_TRUE(TIME_DecodeRFCDate(&stamp, "Tue, 5 Mar 2024 14:07:09 +0100", FALSE, TRUE));
    EXPECT_EQ("2024-03-05 18:37:08", Show(stamp));
    ASSERT_TRUE(TIME_DecodeRFCDate(&stamp, "Tue, 5 Mar 2024 22:00:00 GMT", FALSE, TRUE));
    EXPECT_EQ("2024-03-06 03:30:00", Show(stamp));
    EXPECT_EQ(330, TIME_zoneDelay);

    TempDir dir;
    dir.write("letter.txt", "x");
    SetUtcTimes(dir.file("letter.txt"), 2024, 3, 5, 13, 7, 9);
    EXPECT_STREQ("Tue, 05 Mar 2024 18:37:09 India Standard Time",
                 TIME_GetRFCDate_byFilename2(dir.file("letter.txt").c_str(), TRUE));
    EXPECT_STREQ("Tue, 05 Mar 2024 18:37:09 India Standard Time",
                 TIME_GetRFCDate_byFilename2(dir.file("letter.txt").c_str(), FALSE));
    EXPECT_STREQ("Dienstag, 05 M\xe4rz 2024 18:37:09",
                 TIME_GetRFCDate_byFilename(dir.file("letter.txt").c_str()));
    EXPECT_STREQ("", TIME_GetRFCDate_byFilename2(dir.file("missing.txt").c_str(), TRUE));
    EXPECT_STREQ("", TIME_GetRFCDate_byFilename(dir.file("missing.txt").c_str()));
    EXPECT_STREQ("", TIME_GetRFCDate_byFilename(nullptr));
}

// ---- UTC and a one-hour zone without daylight saving ---------------------------------------

TEST(TimeUtc, AZeroOffsetIsWrittenWithAMinus)
{
    ASSERT_ZONE(0, "UTC");
    char out[TIME_RFC_SIZE];
    EXPECT_STREQ("D:20240305130709-00'00'", TIME_PDFdate(out, 1709644029));
    const TIME_FTIME stamp = Stamp(2024, 3, 5, 13, 7, 8);
    TIME_GetRFCDate(out, FALSE, FALSE, &stamp);
    EXPECT_STREQ("Tue,  5 Mar 2024 13:07:08 -0000 \r\n", out);
    TIME_FTIME decoded;
    ASSERT_TRUE(TIME_DecodeRFCDate(&decoded, "Tue, 5 Mar 2024 14:07:09 +0100", FALSE, TRUE));
    EXPECT_EQ("2024-03-05 13:07:08", Show(decoded));
}

TEST(TimeLagos, OneHourEastWithoutDaylightSavingCountsAsCentralEuropeanTime)
{
    ASSERT_ZONE(60, "Africa/Lagos");
    char out[TIME_RFC_SIZE];
    const TIME_FTIME stamp = Stamp(2024, 7, 5, 12, 0, 0);
    TIME_GetRFCDate(out, TRUE, FALSE, &stamp);
    EXPECT_STREQ("Date: Fri,  5 Jul 2024 12:00:00 +0100 (CET)\r\n", out);
    TempDir dir;
    dir.write("letter.txt", "x");
    SetUtcTimes(dir.file("letter.txt"), 2024, 7, 5, 11, 0, 0);
    EXPECT_STREQ("Fri, 05 Jul 2024 12:00:00 CET",
                 TIME_GetRFCDate_byFilename2(dir.file("letter.txt").c_str(), TRUE));
}
