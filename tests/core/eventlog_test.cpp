#include <gtest/gtest.h>
#include "core/config.h"
#include "core/eventlog.h"
#include "support/program_dir.h"
#include <string>

TEST(EventLogLines, EveryCodeWithItsDatePrefix)
{
    ProgramDir p;  // the clock stands at 05.03.2024 14:07:09
    static const struct { int code; const char* line; } kLines[] = {
        {0, "    End: X\n"},          {1, "  Start: X\n"},   {2, " Custor: X\n"},
        {3, "    End: X (crash)\n"},  {4, "   Kill: X\n"},   {5, "    End: X\n"},
        {6, "X\n"},                   {7, "Disable: X\n"},   {8, " Enable: X\n"},
        {9, "Comport X\n"},           {10, "   Ping: No response from X\n"},
        {11, "   Time: X\n"},         {12, " Start?: X\n"},  {13, " Modems: X\n"},
        {14, "LogMove: X\n"},         {99, "    End: X\n"},  {256 + 1, "  Start: X\n"},
    };
    std::string expected;
    for (const auto& l : kLines) {
        EventLog(l.code, "X", false, 0);
        expected += std::string("05.03.24 14:07:09 ") + l.line;
    }
    // Text mode: every line ends with CR LF on disk.
    std::string onDisk;
    for (char c : expected) {
        if (c == '\n') onDisk += '\r';
        onDisk += c;
    }
    EXPECT_EQ(onDisk, p.EventLog());
}

TEST(EventLogLines, ResultsNullTextAndTheFileSyncLog)
{
    ProgramDir p;
    EXPECT_EQ(1, EventLog(2, nullptr, false, 0));
    EXPECT_EQ("05.03.24 14:07:09  Custor: \r\n", p.EventLog());
    EXPECT_EQ(1, EventLog(6, "copied 3 files", true, 0));
    EXPECT_EQ("05.03.24 14:07:09 copied 3 files\r\n", ReadWholeFile(g_paths.fileSyncLog));
    p.host.SetTime(2031, 12, 31, 23, 59, 58);
    EventLog(1, "late", false, 0);
    EXPECT_NE(std::string::npos, p.EventLog().find("31.12.31 23:59:58   Start: late\r\n"));
}

TEST(EventLogLines, AFileOverTheLimitStartsAgain)
{
    ProgramDir p;
    WriteWholeFile(g_paths.eventLog, std::string(100000, 'x'));
    EventLog(2, "kept", false, 0);
    EXPECT_EQ(100000u + 33u, p.EventLog().size());  // exactly the limit is kept

    WriteWholeFile(g_paths.eventLog, std::string(100001, 'x'));
    EventLog(2, "fresh", false, 0);
    EXPECT_EQ("05.03.24 14:07:09  Custor: fresh\r\n", p.EventLog());
}

TEST(ErrorLog, RepeatedCrashesWithinTheHour)
{
    ProgramDir p;
    EventLog(3, "FAX", false, 0);
    EXPECT_EQ("", p.ErrorLog());  // a single crash stays in the event log
    p.host.Advance(600);
    EventLog(3, "FAX", false, 0);
    EXPECT_EQ("05.03.24 14:17:09 [Custor] Crash: FAX\r\n", p.ErrorLog());
    p.host.Advance(600);
    EventLog(3, "FAX", false, 0);  // the error file got a line within the hour
    EXPECT_EQ(1, CountLines(p.ErrorLog()));
    p.host.Advance(3001);          // over an hour after the error-file line
    EventLog(3, "FAX", false, 0);
    EXPECT_EQ(2, CountLines(p.ErrorLog()));
    p.host.Advance(3601);          // the previous crash is over an hour ago
    EventLog(3, "FAX", false, 0);
    EXPECT_EQ(2, CountLines(p.ErrorLog()));
}

TEST(ErrorLog, CannotStartAndKillFollowTheSameRule)
{
    ProgramDir p;
    EventLog(12, "SMS", false, 0);
    EventLog(4, "VOICE", false, 1);
    p.host.Advance(10);
    EventLog(12, "SMS", false, 0);
    EXPECT_NE(std::string::npos, p.ErrorLog().find("[Custor] Cannot start: SMS\r\n"));
    EventLog(4, "VOICE", false, 2);  // repeated, but the error file is only an hour apart
    EXPECT_EQ(std::string::npos, p.ErrorLog().find("TerminateProcess"));
    p.host.Advance(3601);
    EventLog(4, "VOICE", false, 3);  // the previous kill is over an hour ago
    EXPECT_EQ(std::string::npos, p.ErrorLog().find("TerminateProcess"));
    p.host.Advance(60);
    EventLog(4, "VOICE", false, 4);
    EXPECT_NE(std::string::npos, p.ErrorLog().find("[Custor] TerminateProcess(): VOICE\r\n"));
}

TEST(ErrorLog, TimeOncePerHourModemsAlways)
{
    ProgramDir p;
    EventLog(11, "clock jumped", false, 0);
    EventLog(11, "clock jumped again", false, 0);
    EXPECT_EQ("05.03.24 14:07:09 [TIME] clock jumped\r\n", p.ErrorLog());
    EventLog(13, "3 modems with problems", false, 0);
    EventLog(13, "4 modems with problems", false, 0);
    EXPECT_EQ(3, CountLines(p.ErrorLog()));
    EXPECT_NE(std::string::npos, p.ErrorLog().find("[MODEMS] 4 modems with problems\r\n"));
    // The modem lines count as error-file writes for the hour rule.
    p.host.Advance(3000);
    EventLog(11, "x", false, 0);
    EXPECT_EQ(3, CountLines(p.ErrorLog()));
}

TEST(ErrorLog, WrittenEvenWhenTheEventLogCannotBeOpened)
{
    ProgramDir p;
    // A directory where the event log should be: the log cannot be opened.
    CreateDirectoryA(g_paths.eventLog, nullptr);
    EXPECT_EQ(0, EventLog(13, "5 modems with problems", false, 0));
    EXPECT_NE(std::string::npos, p.ErrorLog().find("[MODEMS] 5 modems with problems"));
    RemoveDirectoryA(g_paths.eventLog);
}
