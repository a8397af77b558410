#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "housekeeping/jobs.h"
#include "housekeeping/log_jobs.h"
#include "support/pass_helpers.h"
#include "support/program_dir.h"
#include "support/full_disk.h"

namespace {

// A program directory with a log folder "logs", a collecting folder "collect" and an archive
// folder "archive"; the rule collects *.log.
struct LogSetup {
    explicit LogSetup(const std::string& timeValue, const std::string& extra = "")
    {
        LogJobs_Reset();
        CreateDirectoryA(dir("logs").c_str(), nullptr);
        CreateDirectoryA(dir("collect").c_str(), nullptr);
        program.WriteConfig("[LogMove]\nTime=" + timeValue + "\n" + extra + "1=" + dir("logs") +
                            "\\*.log," + dir("collect") + "," + dir("archive") + "\n");
    }
    ~LogSetup() { LogJobs_Reset(); }
    std::string dir(const char* name) const { return program.dir.file(name); }
    std::string read(const char* path) const { return program.dir.read(path); }
    bool has(const char* path) const { return program.dir.exists(path); }
    void put(const char* path, const std::string& content) const { program.dir.write(path, content); }
    // Runs LogMove at hh:mm:00 of the fake day; true when a pass collected the marker log.
    bool PassAt(int hour, int minute)
    {
        put("logs\\app.log", "x");
        program.host.SetTime(2024, 3, 5, hour, minute, 0);
        LogMove_Run();
        return !has("logs\\app.log");
    }
    ProgramDir program;
};

TEST(LogMove, HourlyPassesFromSevenToTwentyTwoAndNoneInTheSlotOfTheStart)
{
    LogSetup s("60,7,22");
    // Started at 6:40: nothing before 7:00, nothing in the hour current at start-up.
    EXPECT_FALSE(s.PassAt(6, 40));
    std::string passes;
    for (int hour = 7; hour <= 23; ++hour) {
        for (int minute = 0; minute < 60; minute += 10)
            if (s.PassAt(hour, minute)) passes += std::to_string(hour) + ":" + std::to_string(minute) + " ";
    }
    EXPECT_EQ("7:0 8:0 9:0 10:0 11:0 12:0 13:0 14:0 15:0 16:0 17:0 18:0 19:0 20:0 21:0 22:0 ",
              passes);

    LogSetup late("60,7,22");
    EXPECT_FALSE(late.PassAt(9, 5));   // start-up inside the window
    EXPECT_FALSE(late.PassAt(9, 59));
    EXPECT_TRUE(late.PassAt(10, 0));
}

TEST(LogMove, ThePeriodZeroOrAnUnreadableTimeMeansNoPasses)
{
    const char* values[] = {"0,7,22", "none", ",7,22"};
    for (const char* value : values) {
        SCOPED_TRACE(value);
        LogSetup s(value);
        EXPECT_FALSE(s.PassAt(8, 0));
        EXPECT_FALSE(s.PassAt(9, 0));
        EXPECT_FALSE(s.PassAt(10, 30));
    }
    LogSetup s("none");
    s.PassAt(8, 0);
    EXPECT_NE(std::string::npos, s.program.EventLog().find("LogMove: [LogMove] Time \"none\" has no period"));
}

struct TimeCase {
    const char* text;
    bool periodRead;
    int period, firstHour, lastHour;
};

const TimeCase kTimeCases[] = {
    {"30,6,20", true, 30, 6, 20},
    {"30", true, 30, 7, 22},          // the hours keep their earlier values
    {"30,,21", true, 30, 7, 21},
    {" 15 , 8 , 9", true, 15, 8, 9},
    {"x,5,6", false, 0, 5, 6},
};

TEST(LogMove, TimeReadsUpToThreeNumbersAndKeepsWhatIsMissing)
{
    for (const TimeCase& c : kTimeCases) {
        SCOPED_TRACE(c.text);
        LOGMOVE_STATE state;
        EXPECT_EQ(c.periodRead, LogMove_ParseTime(c.text, &state));
        EXPECT_EQ(c.period, state.period);
        EXPECT_EQ(c.firstHour, state.firstHour);
        EXPECT_EQ(c.lastHour, state.lastHour);
    }
}

struct ArchiveCase {
    const char* name;
    int day, month, year, hour;
    const char* expected;
};

const ArchiveCase kArchiveCases[] = {
    {"app.log", 5, 3, 2024, 14, "D:\\arc\\app_05032414.log"},
    {"README", 5, 3, 2024, 14, "D:\\arc\\README_05032414."},
    {"a.b.txt", 31, 12, 1999, 0, "D:\\arc\\a.b_31129900.txt"},
};

TEST(LogMove, ArchiveNamesCarryDayMonthYearAndHour)
{
    for (const ArchiveCase& c : kArchiveCases) {
        SYSTEMTIME when = {};
        when.wDay = (WORD)c.day;
        when.wMonth = (WORD)c.month;
        when.wYear = (WORD)c.year;
        when.wHour = (WORD)c.hour;
        when.wMinute = 37;
        char out[MAX_PATH];
        ASSERT_TRUE(LogMove_ArchiveName(out, sizeof(out), "D:\\arc\\", c.name, when));
        EXPECT_STREQ(c.expected, out);
    }
}

TEST(LogMove, APassCollectsArchivesMarksAndCounts)
{
    LogSetup s("60,7,22");
    s.program.WriteConfig("[LogMove]\nTime=60,7,22\nLog=1\nFinal=" + s.dir("final.txt") +
                          "\n1=" + s.dir("logs") + "\\*.log," + s.dir("collect") + "," +
                          s.dir("archive") + "\n");
    s.PassAt(13, 10);  // the start-up slot: no pass
    s.put("collect\\app.log", "old\n");
    s.put("logs\\app.log", "line 1\nline 2\n");
    s.put("logs\\other.log", "other\n");
    CreateDirectoryA(s.dir("logs\\dir.log").c_str(), nullptr);
    s.program.host.SetTime(2024, 3, 5, 14, 0, 7);
    LogMove_Run();

    EXPECT_EQ("old\nline 1\nline 2\n", s.read("collect\\app.log"));
    EXPECT_EQ("line 1\nline 2\n", s.read("archive\\app_05032414.log"));
    EXPECT_EQ("other\n", s.read("archive\\other_05032414.log"));
    EXPECT_FALSE(s.has("logs\\app.log"));
    EXPECT_FALSE(s.has("logs\\app.log$$$"));
    EXPECT_TRUE(s.has("logs\\dir.log"));  // directories are no logs
    EXPECT_EQ("14:00:07\r\n", s.read("final.txt"));
    EXPECT_NE(std::string::npos, s.program.EventLog().find("LogMove: 2 Files, 0 MB, "));
}

TEST(LogMove, ALogItsWriterHoldsIsTriedTwiceThenReportedAndKept)
{
    LogSetup s("60,7,22");
    s.PassAt(13, 10);
    s.put("logs\\app.log", "held\n");
    FILE* writer = fopen(s.dir("logs\\app.log").c_str(), "ab");
    ASSERT_NE(nullptr, writer);
    s.program.host.SetTime(2024, 3, 5, 14, 0, 0);
    const DWORD ticks = s.program.host.ticks;
    LogMove_Run();
    fclose(writer);
    EXPECT_EQ(200u, s.program.host.ticks - ticks);  // one pause before the second try
    EXPECT_EQ("held\n", s.read("logs\\app.log"));
    EXPECT_EQ("", s.read("collect\\app.log"));
    const std::string log = s.program.EventLog();
    EXPECT_NE(std::string::npos,
              log.find("LogMove: cannot rename " + s.dir("logs\\app.log") + ", errno=13"));
}

TEST(LogMove, ALeftoverHandOverIsCollectedBeforeTheNewLog)
{
    LogSetup s("60,7,22");
    s.PassAt(13, 10);
    s.put("collect\\app.log", "old\n");
    s.put("logs\\app.log$$$", "gen1\n");
    s.put("logs\\app.log", "gen2\n");
    s.program.host.SetTime(2024, 3, 5, 14, 0, 0);
    LogMove_Run();
    EXPECT_EQ("old\ngen1\ngen2\n", s.read("collect\\app.log"));
    EXPECT_EQ("gen1\ngen2\n", s.read("archive\\app_05032414.log"));
    EXPECT_FALSE(s.has("logs\\app.log$$$"));
    EXPECT_FALSE(s.has("logs\\app.log"));
}

}  // namespace

namespace {

TEST(LogMove, AFailedAppendIsReportedAndTheLogGoesBackToItsName)
{
    LogSetup s("60,7,22");
    s.PassAt(13, 10);
    const std::string why = MakeFullDiskFile(s.dir("collect\\app.log"));
    if (!why.empty()) GTEST_SKIP() << why;
    s.put("logs\\app.log", "kept\n");
    s.program.host.SetTime(2024, 3, 5, 14, 0, 0);
    LogMove_Run();
    EXPECT_EQ("kept\n", s.read("logs\\app.log"));
    EXPECT_FALSE(s.has("logs\\app.log$$$"));
    EXPECT_NE(std::string::npos,
              s.program.EventLog().find("LogMove: cannot append " + s.dir("logs\\app.log") + "!"));
    DeleteFileA(s.dir("collect\\app.log").c_str());
}

}  // namespace
