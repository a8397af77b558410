// The uptime field, the automatic reboot and the clock-change watch, on the fake clock.
#include <gtest/gtest.h>
#include "core/config.h"
#include "core/lib.h"
#include "machine_duties_fixture.h"
#include "partner/machine_duties.h"
#include "partner/partner_duties.h"
#include <string.h>

static const DWORD kDayMs = 86400000u;

TEST(UptimeFormat, DaysHoursMinutesSecondsAcrossTheWrap)
{
    const ULONGLONG kWrap = 0x100000000ull;
    struct Case {
        ULONGLONG milliseconds;
        const char* text;
    } cases[] = {
        {0, "00:00:00"},
        {3723000, "01:02:03"},
        {kDayMs - 1000, "23:59:59"},
        {kDayMs + 61000, "1 day 00:01:01"},
        {3 * kDayMs + (2 * 3600 + 5 * 60 + 7) * 1000u, "3 days 02:05:07"},
        {0xFFFFFFFFu, "49 days 17:02:47"},
        // Past the 32-bit counter's wrap the count goes on to the second.
        {kWrap, "49 days 17:02:47"},
        {kWrap + 61000, "49 days 17:03:48"},
        {2 * kWrap, "99 days 10:05:34"},
        {400 * 86400000ull + 1000, "400 days 00:00:01"},
    };
    for (const Case& c : cases) {
        char text[64];
        Uptime_Format(c.milliseconds, text, sizeof(text));
        EXPECT_STREQ(c.text, text) << c.milliseconds;
    }
}

TEST_F(MachineDutiesTest, UptimeCountsAWrapOfTheTickCounterInTheRegistry)
{
    char saved[32];
    LIB_GetRegistryString("Tarnwell", "Uptime_WrapArounds", "0", saved, sizeof(saved), FALSE);
    g_uptimeWrapArounds = 0;
    p.host.ticks = 0xFFFFFFFFu - 2500;
    Uptime_Show();
    Uptime_Show();  // the same second is shown once
    p.host.ticks = 5000;
    p.host.tickWraps = 1;
    Uptime_Show();
    char stored[32];
    LIB_GetRegistryString("Tarnwell", "Uptime_WrapArounds", "", stored, sizeof(stored), FALSE);
    LIB_WriteRegistryString("Tarnwell", "Uptime_WrapArounds", saved, FALSE, FALSE, FALSE);
    EXPECT_EQ(1, g_uptimeWrapArounds);
    EXPECT_STREQ("1", stored);
    ASSERT_EQ(2u, uptimeTexts.size());
    EXPECT_EQ("49 days 17:02:44", uptimeTexts[0]);
    EXPECT_EQ("49 days 17:02:52", uptimeTexts[1]);
}

// The machine is up for exactly the period when the fake clock shows 09:30:00.
TEST_F(MachineDutiesTest, RebootWithTwoBusyLinesWaitsUntilTenOClock)
{
    g_config.autoRebootPeriod = 1;
    p.host.SetTime(2024, 3, 5, 9, 30, 0);
    p.host.ticks = kDayMs;
    int postponed = 0;
    while (p.host.exitWindowsCalls.empty() && p.host.time.wHour < 11) {
        EXPECT_TRUE(AutoReboot_Run(2));
        if (p.host.exitWindowsCalls.empty()) ++postponed;
        p.host.Advance(1);
    }
    EXPECT_EQ(30 * 60, postponed);
    ASSERT_EQ(1u, p.host.exitWindowsCalls.size());
    EXPECT_EQ((UINT)(EWX_REBOOT | EWX_FORCE), p.host.exitWindowsCalls[0]);
    EXPECT_EQ(std::vector<UINT>{0}, p.host.exitCodes);
    EXPECT_TRUE(p.host.messageBoxes.empty()) << "the shutdown privilege was enabled";
    EXPECT_NE(std::string::npos, p.EventLog().find(" Custor: Auto-Reboot after 1 days"));
}

TEST_F(MachineDutiesTest, RebootHoursAndBusyLines)
{
    struct Case {
        int32_t days;
        DWORD uptimeSeconds;
        int hour;
        int32_t busy;
        bool due;
        bool reboots;
    } cases[] = {
        {1, 86399, 9, 0, false, false},  // not yet
        {0, 900000, 9, 0, false, false}, // off
        {-3, 900000, 9, 0, false, false},// a negative period is off too
        {1, 86400, 7, 0, true, false},   // before the window
        {1, 86400, 13, 0, true, false},  // after it
        {1, 86400, 8, 0, true, true},
        {1, 86400, 8, 1, true, false},
        {1, 86400, 12, 4, true, true},
        {1, 86400, 12, 5, true, false},
    };
    for (const Case& c : cases) {
        MachineDuties_Reset();
        p.host.exitWindowsCalls.clear();
        g_config.autoRebootPeriod = c.days;
        p.host.SetTime(2024, 3, 5, c.hour, 10, 0);
        p.host.ticks = c.uptimeSeconds * 1000u;
        EXPECT_EQ(c.due, AutoReboot_Run(c.busy)) << c.hour << " h, " << c.busy << " busy";
        EXPECT_EQ(c.reboots ? 1u : 0u, p.host.exitWindowsCalls.size()) << c.hour << " h";
    }
}

TEST_F(MachineDutiesTest, WarningsFiveAndOneMinuteAheadOnlyInTheRebootHours)
{
    struct Case {
        DWORD uptimeSeconds;
        int hour;
        const char* notice;  // null: none
    } cases[] = {
        {86400 - 300, 9, "Automatic reboot in 5 minutes"},
        {86400 - 60, 12, "Automatic reboot in 1 minute"},
        {86400 - 301, 9, nullptr},
        {86400 - 299, 9, nullptr},
        {86400 - 61, 9, nullptr},
        {86400 - 300, 7, nullptr},
        {86400 - 60, 13, nullptr},
    };
    g_config.autoRebootPeriod = 1;
    for (const Case& c : cases) {
        MachineDuties_Reset();
        p.host.SetTime(2024, 3, 5, c.hour, 10, 0);
        p.host.ticks = c.uptimeSeconds * 1000u;
        EXPECT_FALSE(AutoReboot_Run(0));
        const std::vector<std::string> got = Notices();
        if (c.notice)
            EXPECT_EQ(std::vector<std::string>{c.notice}, got) << c.uptimeSeconds;
        else
            EXPECT_TRUE(got.empty()) << c.uptimeSeconds << " at " << c.hour;
    }
    EXPECT_TRUE(p.host.exitWindowsCalls.empty());
}

// One minute of normal running, then the clock is changed (and the zone may switch to
// daylight time) and the next minute's check looks at it.
TEST_F(MachineDutiesTest, ClockChangesAreReportedOnlyWhenUtcJumpsOutsideMinuteZero)
{
    struct Case {
        const char* name;
        int hour, minute;
        int jumpSeconds;
        bool toDaylight;
        const char* logged;  // null: nothing reported
        bool readAgain;
    } cases[] = {
        {"back 20 min at 10:30", 10, 29, -20 * 60, false, "Time changed (-20 min)", true},
        {"back 20 min found at minute 0", 11, 19, -20 * 60, false, nullptr, true},
        {"forward 30 min", 10, 30, 30 * 60, false, "Time changed (30 min)", true},
        {"daylight saving", 2, 4, 3600 + 60, true, nullptr, true},
        {"forward 10 min", 10, 30, 10 * 60, false, nullptr, true},
        {"a normal minute", 10, 30, 0, false, nullptr, false},
    };
    for (const Case& c : cases) {
        MachineDuties_Reset();
        p.WriteConfig("[Common]\n");
        p.host.zone = TIME_ZONE_INFORMATION{};
        p.host.zone.Bias = -60;
        p.host.zone.DaylightBias = -60;
        p.host.zoneId = TIME_ZONE_ID_STANDARD;
        p.host.SetTime(2024, 3, 31, c.hour, c.minute, 10);
        ClockWatch_Check();
        p.host.Advance(60);
        ClockWatch_Check();
        ClockWatch_Check();
        const std::string logBefore = p.EventLog();
        Notices();
        fits = 0;

        p.host.JumpClock(c.jumpSeconds);
        p.host.Advance(c.jumpSeconds == 0 ? 60 : 0);
        if (c.toDaylight) p.host.zoneId = TIME_ZONE_ID_DAYLIGHT;
        ClockWatch_Check();

        const std::string logged = p.EventLog().substr(logBefore.size());
        const std::vector<std::string> notices = Notices();
        if (c.logged) {
            EXPECT_NE(std::string::npos, logged.find(std::string("   Time: ") + c.logged + "\r\n"))
                << c.name << ": " << logged;
            const std::string tail = strchr(c.logged, '(');
            EXPECT_EQ(std::vector<std::string>{"Custor: Massive date/time change detected: " + tail},
                      notices) << c.name;
        } else {
            EXPECT_EQ(std::string::npos, logged.find("   Time: ")) << c.name;
            EXPECT_TRUE(notices.empty()) << c.name;
        }
        // Read again (and fitted) for every jump of the local time; fitted once more when reported.
        EXPECT_EQ((c.readAgain ? 1 : 0) + (c.logged ? 1 : 0), fits) << c.name;
    }
}

// The reboot goes by the system's own 64-bit uptime: a wrap count that an earlier boot left in
// the registry (Custor first started late after this boot) must not make the machine reboot.
TEST_F(MachineDutiesTest, TheRebootGoesByTheTrueUptimeNeverByAStaleWrapCount)
{
    struct Case {
        const char* what;
        int32_t storedWraps;   // the registry's count, read at start
        uint32_t tickWraps;    // true turns of the 32-bit counter since boot
        DWORD ticks;
        int32_t days;
        bool reboots;
        const char* uptime;
    } cases[] = {
        {"stale count, 2 hours up", 3, 0, 2 * 3600000u, 1, false, "02:00:00"},
        {"stale count, 2 hours up, long period", 3, 0, 2 * 3600000u, 100, false, "02:00:00"},
        {"50 days up, period 50", 0, 1, 7 * 3600000u, 50, true, "50 days 00:02:47"},
        {"50 days up, period 51", 0, 1, 7 * 3600000u, 51, false, "50 days 00:02:47"},
    };
    char saved[32];
    LIB_GetRegistryString("Tarnwell", "Uptime_WrapArounds", "0", saved, sizeof(saved), FALSE);
    for (const Case& c : cases) {
        MachineDuties_Reset();
        uptimeTexts.clear();
        p.host.exitWindowsCalls.clear();
        char stored[16];
        snprintf(stored, sizeof(stored), "%d", (int)c.storedWraps);
        LIB_WriteRegistryString("Tarnwell", "Uptime_WrapArounds", stored, FALSE, FALSE, FALSE);
        p.host.ticks = c.ticks;
        p.host.tickWraps = c.tickWraps;
        Uptime_LoadWrapArounds();
        g_config.autoRebootPeriod = c.days;
        p.host.SetTime(2024, 3, 5, 9, 0, 0);
        AutoReboot_Run(0);
        EXPECT_EQ(c.reboots ? 1u : 0u, p.host.exitWindowsCalls.size()) << c.what;
        ASSERT_FALSE(uptimeTexts.empty()) << c.what;
        EXPECT_EQ(c.uptime, uptimeTexts.back()) << c.what;
    }
    LIB_WriteRegistryString("Tarnwell", "Uptime_WrapArounds", saved, FALSE, FALSE, FALSE);
}
