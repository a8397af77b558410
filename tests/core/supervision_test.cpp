#include <gtest/gtest.h>
#include "core/config.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "support/program_dir.h"
#include <string>
#include <vector>

// Records the duties of each tick in the order they ran.
namespace {
std::vector<std::string> g_calls;
int32_t g_selfUpdateTotal = 0;
bool g_fileSyncRequested = false;
bool g_fileMoveResult = true;
int32_t g_modemProblemsToReport = 0;

struct DutyRecorder {
    DutyRecorder()
    {
        g_calls.clear();
        g_selfUpdateTotal = 0;
        g_fileSyncRequested = false;
        g_fileMoveResult = true;
        g_modemProblemsToReport = 0;
        g_tickDuties.rrdFeed = [] { g_calls.push_back("rrd"); };
        g_tickDuties.clockWatch = [] { g_calls.push_back("clock"); };
        g_tickDuties.titlePass = [] {
            g_calls.push_back("title");
            g_supervision.modemProblems += g_modemProblemsToReport;
        };
        g_tickDuties.messagePass = [] { g_calls.push_back("message"); };
        g_tickDuties.updateProblemState = [] { g_calls.push_back("problem"); };
        g_tickDuties.autoReboot = [](int32_t) { g_calls.push_back("reboot"); };
        g_tickDuties.partnerTick = [] { g_calls.push_back("partner"); };
        g_tickDuties.probeMessageServices = [] { g_calls.push_back("probe"); };
        g_tickDuties.selfUpdatePendingTotal = [] { return g_selfUpdateTotal; };
        g_tickDuties.fileSyncRequested = [] { return g_fileSyncRequested; };
        g_tickDuties.fileRename = [] { g_calls.push_back("rename"); };
        g_tickDuties.logMove = [] { g_calls.push_back("logmove"); };
        g_tickDuties.fileMove = [] { g_calls.push_back("move"); return g_fileMoveResult; };
        g_tickDuties.fileAppend = [] { g_calls.push_back("append"); };
        g_tickDuties.fileSyncSchedule = [](int, int) { g_calls.push_back("schedule"); };
        g_tickDuties.selfUpdateCheck = [] { g_calls.push_back("update"); };
    }
    ~DutyRecorder() { TickDuties_UseReal(); }
};

int Count(const char* duty)
{
    int n = 0;
    for (const auto& c : g_calls) n += c == duty;
    return n;
}

// One tick every 250 ms of the fake clock.
void RunTicks(FakeHost& host, int ticks)
{
    for (int i = 0; i < ticks; ++i) {
        SupervisionTick(nullptr);
        host.AdvanceMs(250);
    }
}
}  // namespace

TEST(SupervisionTick, FirstTickStartsSupervisionThenRunsDutiesInOrder)
{
    ProgramDir p;
    DutyRecorder duties;
    p.WriteConfig("[ByTitle]\nA=a.exe\n");
    SupervisionTick(nullptr);
    EXPECT_FALSE(g_supervision.firstTick);
    EXPECT_EQ(1, g_titleTable.count);
    EXPECT_STREQ("V 1.56 Tarnwell", Status_Get());
    EXPECT_EQ(p.host.Now() + 30, g_supervision.alarmHoldUntil);
    const std::vector<std::string> expected = {"rrd",    "clock",   "title", "message",
                                               "problem", "reboot", "partner", "probe"};
    EXPECT_EQ(expected, g_calls);
}

TEST(SupervisionTick, PassesOncePerSecondProbesEveryTick)
{
    ProgramDir p;
    DutyRecorder duties;
    RunTicks(p.host, 40);  // ten seconds
    EXPECT_EQ(40, Count("probe"));
    EXPECT_EQ(40, Count("rrd"));
    EXPECT_EQ(40, Count("clock"));
    EXPECT_EQ(10, Count("title"));
    EXPECT_EQ(10, Count("message"));
    EXPECT_EQ(10, Count("problem"));
    EXPECT_EQ(10, Count("partner"));
}

TEST(SupervisionTick, AClockSetBackDoesNotStopThePasses)
{
    ProgramDir p;
    DutyRecorder duties;
    RunTicks(p.host, 4);
    p.host.JumpClock(-3600);
    g_calls.clear();
    RunTicks(p.host, 8);
    EXPECT_EQ(2, Count("title"));
}

TEST(SupervisionTick, SlowBlockEveryTenSecondsAndEverySecondDuringAnUpdate)
{
    ProgramDir p;
    DutyRecorder duties;
    RunTicks(p.host, 39);
    EXPECT_EQ(0, Count("update"));
    RunTicks(p.host, 1);
    EXPECT_EQ(1, Count("update"));
    EXPECT_EQ(1, Count("rename"));
    EXPECT_EQ(1, Count("logmove"));
    EXPECT_EQ(1, Count("schedule"));
    RunTicks(p.host, 40);
    EXPECT_EQ(2, Count("update"));

    g_selfUpdateTotal = 5;
    g_calls.clear();
    RunTicks(p.host, 40);
    EXPECT_EQ(10, Count("update"));
}

TEST(SupervisionTick, FileJobsWaitForFileSyncAndRespectTheActiveState)
{
    ProgramDir p;
    DutyRecorder duties;
    RunTicks(p.host, 40);
    // The move pass time starts five minutes back, so the first slow block moves files.
    EXPECT_EQ(1, Count("move"));
    EXPECT_EQ(1, Count("append"));
    RunTicks(p.host, 40);  // ten seconds later: the 20 s period has not passed
    EXPECT_EQ(1, Count("move"));
    g_fileMoveResult = false;
    RunTicks(p.host, 40);
    EXPECT_EQ(2, Count("move"));
    EXPECT_EQ(1, Count("append"));  // appends only follow a move pass that returned true

    g_fileSyncRequested = true;
    g_calls.clear();
    RunTicks(p.host, 80);
    EXPECT_EQ(0, Count("rename") + Count("logmove") + Count("move") + Count("schedule"));
    EXPECT_EQ(2, Count("update"));

    g_fileSyncRequested = false;
    g_supervision.active = false;
    g_calls.clear();
    RunTicks(p.host, 80);
    EXPECT_EQ(2, Count("rename"));
    EXPECT_EQ(0, Count("logmove") + Count("move"));
}

TEST(SupervisionTick, ConfigurationChangeIsReadAgainWithinTenSeconds)
{
    ProgramDir p;
    DutyRecorder duties;
    p.WriteConfig("[ByTitle]\nA=a.exe\nB=b.exe\n");
    RunTicks(p.host, 1);
    g_titleTable.entries[1].disabled = 2;
    p.WriteConfig("[ByTitle]\nA=a.exe\nB=b.exe\nC=c.exe\n");
    p.TouchConfig(10);
    RunTicks(p.host, 38);
    EXPECT_EQ(2, g_titleTable.count);
    RunTicks(p.host, 1);
    EXPECT_EQ(3, g_titleTable.count);
    EXPECT_EQ(2, g_titleTable.entries[1].disabled);  // kept on a re-read
}

// An edit is told by the file's full last-write time and its size, so one made within the
// two seconds of the packed file time, or one that keeps the time, is still read.
TEST(SupervisionTick, ConfigurationEditIsToldByFullWriteTimeAndSize)
{
    struct Case {
        const char* edited;
        int secondsLater;  // the edited file's write time, from the first one's
        const char* secondName;
    };
    static const Case kCases[] = {
        {"[ByTitle]\nA=a.exe\nC=c.exe\n", 1, "C"},            // same size, one second later
        {"[ByTitle]\nA=a.exe\nCC=c.exe\n", 0, "CC"},          // same time, one byte more
        {"[ByTitle]\nA=a.exe\nC=c.exe\n", 0, "B"},            // same size and time: unseen
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.edited);
        ProgramDir p;
        DutyRecorder duties;
        p.WriteConfig("[ByTitle]\nA=a.exe\nB=b.exe\n");
        const FILETIME first = ConfigFile_Stamp(g_paths.configFile).lastWrite;
        RunTicks(p.host, 1);
        ASSERT_STREQ("B", g_titleTable.entries[1].name);
        p.WriteConfig(c.edited);
        HANDLE h = CreateFileA(g_paths.configFile, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        const FILETIME edited = AddSeconds(first, c.secondsLater);
        SetFileTime(h, nullptr, nullptr, &edited);
        CloseHandle(h);
        RunTicks(p.host, 40);
        EXPECT_STREQ(c.secondName, g_titleTable.entries[1].name);
    }
}

TEST(SupervisionTick, ConfigurationFileRemovedAndRestoredCountsAsChanges)
{
    ProgramDir p;
    DutyRecorder duties;
    p.WriteConfig("[ByTitle]\nA=a.exe\n");
    RunTicks(p.host, 40);
    EXPECT_EQ(1, g_titleTable.count);
    DeleteFileA(g_paths.configFile);
    RunTicks(p.host, 40);
    EXPECT_EQ(0, g_titleTable.count);
    p.WriteConfig("[ByTitle]\nA=a.exe\nB=b.exe\n");
    RunTicks(p.host, 40);
    EXPECT_EQ(2, g_titleTable.count);
}

TEST(SupervisionTick, AReentrantTickDoesNothing)
{
    ProgramDir p;
    DutyRecorder duties;
    g_supervision.tickBusy = true;
    RunTicks(p.host, 8);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_TRUE(g_supervision.firstTick);
    g_supervision.tickBusy = false;
    RunTicks(p.host, 1);
    EXPECT_FALSE(g_calls.empty());
}

TEST(SupervisionTick, UnopenableAlarmPortShowsItsErrorForTwentyTicks)
{
    ProgramDir p;
    DutyRecorder duties;
    p.WriteConfig("[Common]\nWatchCom=COM99\n");
    RunTicks(p.host, 1);
    EXPECT_STREQ("Error opening serial port for external alarm", Status_Get());
    EXPECT_NE(std::string::npos,
              p.EventLog().find(" Custor: Error opening serial port for external alarm"));
    RunTicks(p.host, 18);
    EXPECT_STREQ("Error opening serial port for external alarm", Status_Get());
    RunTicks(p.host, 1);
    EXPECT_STREQ("", Status_Get());
}

TEST(SupervisionTick, MinimisedWindowGoesBackToTheTrayAndHoldsTheAlarm)
{
    ProgramDir p;
    DutyRecorder duties;
    HWND window = CreateWindowExA(0, "STATIC", "minimise me", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                  100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window != nullptr);
    ShowWindow(window, SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(window));
    SupervisionTick(window);
    g_supervision.windowVisibility = 2;
    g_tickDuties.titlePass = [] { g_supervision.notOk = true; };
    p.host.Advance(100);
    SupervisionTick(window);
    EXPECT_EQ(0, g_supervision.windowVisibility);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(p.host.Now() + 30, g_supervision.alarmHoldUntil);
    DestroyWindow(window);
}

TEST(SupervisePass, ModemProblemsAtTheLimitAreLoggedOncePerRise)
{
    ProgramDir p;
    DutyRecorder duties;
    p.WriteConfig("[Common]\nModemProblemLimit=3\n");
    RunTicks(p.host, 1);
    g_modemProblemsToReport = 3;
    RunTicks(p.host, 8);  // two passes at the limit
    EXPECT_EQ(1, CountLines(p.ErrorLog()));
    EXPECT_NE(std::string::npos, p.EventLog().find(" Modems: 3 modems with problems"));
    EXPECT_STREQ("3 modems with problems", Status_Get());

    g_modemProblemsToReport = 0;
    RunTicks(p.host, 4);
    EXPECT_STREQ("", Status_Get());
    g_modemProblemsToReport = 3;  // after a quiet pass the same total is written again
    RunTicks(p.host, 4);
    EXPECT_EQ(2, CountLines(p.ErrorLog()));
}
