#include <gtest/gtest.h>
#include "core/config.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "support/pass_helpers.h"
#include "support/process_runner.h"
#include "support/thread_window.h"

namespace {
std::string FakeService(const std::string& title, const std::string& options = "")
{
    // Never ending with a quote: the profile functions take the quotes off a value that
    // both begins and ends with one.
    return "\"" + BinDirectory() + "fakesvc.exe\" --title \"" + title + "\" " +
           (options.empty() ? "--exit-after 600" : options);
}

// Starts a fake service that hangs at once and waits (real time) until it has.
bool StartHungService(ChildProcess& child, const TempDir& dir, const std::string& title)
{
    const std::string log = dir.file("hung.log");
    if (!child.Start(FakeService(title, "--hang-after 0 --log \"" + log + "\""), "")) return false;
    return WaitUntil([&] { return ReadWholeFile(log).find("hang") != std::string::npos; }, 10000);
}

}  // namespace

TEST(TitlePass, AnsweringWindowIsOkAndProbedEveryTenSeconds)
{
    ProgramDir p;
    TestServiceList list;
    const std::string title = UniqueTitle("ANSWERS");
    ThreadWindow window(title.c_str());
    p.WriteConfig("[ByTitle]\n" + title + "=c:\\x\\x.exe\n");
    ReadConfiguration(nullptr, true);
    const SERVICE_ENTRY& e = g_titleTable.entries[0];

    RunPasses(p.host, 1);
    EXPECT_EQ(window.hwnd(), e.window);
    EXPECT_EQ("ok", RowText(0, 1));
    EXPECT_EQ(8, RowColour(0));
    EXPECT_EQ(0u, e.counter);
    const int32_t firstProbe = e.lastProbeTime;
    RunPasses(p.host, 10);
    EXPECT_EQ(firstProbe, e.lastProbeTime);  // 10 s are not more than 10 s
    RunPasses(p.host, 1);
    EXPECT_EQ(firstProbe + 11, e.lastProbeTime);
    EXPECT_EQ(e.lastProbeTime, e.lastAnswer);
    EXPECT_FALSE(g_supervision.notOk);
}

TEST(TitlePass, AClockJumpShowsTimeUntilTheNextProbeAndCountsNothing)
{
    ProgramDir p;
    TestServiceList list;
    const std::string title = UniqueTitle("CLOCK");
    ThreadWindow window(title.c_str());
    p.WriteConfig("[ByTitle]\n" + title + "=c:\\x\\x.exe\n");
    ReadConfiguration(nullptr, true);
    RunPasses(p.host, 2);
    for (int jump : {3600, -3600}) {
        p.host.JumpClock(jump);
        RunPasses(p.host, 5);
        EXPECT_EQ("time?", RowText(0, 1));
        EXPECT_EQ(11, RowColour(0));
        EXPECT_EQ(0u, g_titleTable.entries[0].counter);
        EXPECT_FALSE(g_supervision.notOk);
        RunPasses(p.host, 10);  // the next probe is answered
        EXPECT_EQ("ok", RowText(0, 1));
        EXPECT_EQ(8, RowColour(0));
    }
    EXPECT_EQ("", p.EventLog());
}

TEST(TitlePass, AHungProgramIsKilledAtEachErrorMultipleAndStartedAgain)
{
    ProgramDir p;
    TestServiceList list;
    const std::string title = UniqueTitle("HANGER");
    ChildProcess hung;
    ASSERT_TRUE(StartHungService(hung, p.dir, title));
    p.WriteConfig("[ByTitle]\n" + title + "=" + FakeService(title) + "\n");
    ReadConfiguration(nullptr, true);
    const SERVICE_ENTRY& e = g_titleTable.entries[0];

    RunPasses(p.host, 29);  // the answer of the configuration read is still fresh
    EXPECT_EQ(8, RowColour(0));
    EXPECT_FALSE(g_supervision.notOk);
    RunPasses(p.host, 1);   // 30 s without an answer
    EXPECT_EQ("no response", RowText(0, 1));
    EXPECT_EQ(2, RowColour(0));
    EXPECT_EQ("00:01", RowText(0, 2));
    EXPECT_TRUE(g_supervision.notOk);
    RunPasses(p.host, 53);
    EXPECT_EQ(54u, e.counter);
    EXPECT_FALSE(g_supervision.appProblem);
    EXPECT_TRUE(hung.Running());
    RunPasses(p.host, 1);   // counter 55: killed
    EXPECT_EQ("killing", RowText(0, 1));
    EXPECT_STREQ("trying to kill the application", Status_Get());
    EXPECT_EQ(1, Occurrences(p.EventLog(), "   Kill: " + Upper(title) + "\r\n"));
    hung.Wait(10000);
    EXPECT_FALSE(hung.Running());
    EXPECT_FALSE(g_supervision.appProblem);
    RunPasses(p.host, 1);   // counter 56: not running now, and an application problem
    EXPECT_EQ("not running", RowText(0, 1));
    EXPECT_TRUE(g_supervision.appProblem);
    EXPECT_STREQ(e.pattern, g_supervision.problemApp);

    RunPasses(p.host, 4);   // counter 60: started again
    EXPECT_EQ(1, Occurrences(p.EventLog(), "  Start: " + Upper(title) + "\r\n"));
    EXPECT_FALSE(g_supervision.appProblem);
    HWND restarted = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (restarted = FindWindowA(nullptr, title.c_str())) != nullptr; }, 10000));
    RunPasses(p.host, 1);
    EXPECT_EQ("ok", RowText(0, 1));
    EXPECT_EQ(0u, e.counter);
    // The restarted program is ours to end.
    DWORD pid = 0;
    GetWindowThreadProcessId(restarted, &pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
    TerminateProcess(process, 0);
    CloseHandle(process);
}

TEST(TitlePass, AMissingProgramIsStartedEveryPeriodAndAFailedStartIsReported)
{
    ProgramDir p;
    TestServiceList list;
    p.WriteConfig("[ByTitle]\nNOWHERE=c:\\no\\such\\program.exe -x\n[Timing]\nNotRunningError=20\n");
    ReadConfiguration(nullptr, true);
    const SERVICE_ENTRY& e = g_titleTable.entries[0];
    EXPECT_EQ(5u, e.counter);  // 20 - (15 mod 20): started after 15 s

    RunPasses(p.host, 1);
    EXPECT_EQ("not running", RowText(0, 1));
    EXPECT_EQ(1, RowColour(0));
    EXPECT_EQ("00:06", RowText(0, 2));
    RunPasses(p.host, 13);
    EXPECT_EQ("", p.EventLog());
    RunPasses(p.host, 1);  // counter 20
    EXPECT_EQ(1, Occurrences(p.EventLog(), "  Start: NOWHERE\r\n"));
    EXPECT_EQ(1, Occurrences(p.EventLog(), " Custor: Cannot start NOWHERE: "));
    EXPECT_NE(nullptr, strstr(Status_Get(), "Cannot start NOWHERE: "));
    EXPECT_FALSE(g_supervision.appProblem);  // not in the pass that starts it
    RunPasses(p.host, 1);
    EXPECT_TRUE(g_supervision.appProblem);
    RunPasses(p.host, 19);  // counter 40: the second start of the episode
    EXPECT_EQ(2, Occurrences(p.EventLog(), "  Start: NOWHERE\r\n"));
    EXPECT_EQ(1, Occurrences(p.EventLog(), "Cannot start NOWHERE"));  // once per episode
    EXPECT_EQ(p.host.Now(), e.lastStart);
}

TEST(TitlePass, AStartDoesNotHideAnotherProgramsProblem)
{
    ProgramDir p;
    p.WriteConfig("[ByTitle]\nFIRST=c:\\no\\first.exe\nSECOND=c:\\no\\second.exe\n"
                  "[Timing]\nNotRunningError=10\n");
    ReadConfiguration(nullptr, true);
    g_titleTable.entries[0].counter = 30;  // FIRST has been missing for a long time
    g_titleTable.entries[1].counter = 29;  // SECOND is started in the next pass
    RunPasses(p.host, 1);
    EXPECT_TRUE(g_supervision.appProblem);
    EXPECT_STREQ("FIRST", g_supervision.problemApp);
}

TEST(TitlePass, DisabledEntriesShowDisabledAndAreLeftAlone)
{
    ProgramDir p;
    TestServiceList list;
    p.WriteConfig("[ByTitle]\nOFF=c:\\no\\off.exe\n[Timing]\nNotRunningError=1\n");
    ReadConfiguration(nullptr, true);
    g_titleTable.entries[0].disabled = 1;
    RunPasses(p.host, 5);
    EXPECT_EQ("disabled", RowText(0, 1));
    EXPECT_EQ("", RowText(0, 2));
    EXPECT_EQ(11, RowColour(0));
    EXPECT_EQ(2, g_titleTable.entries[0].disabled);
    EXPECT_EQ("", p.EventLog());
    EXPECT_FALSE(g_supervision.notOk);
}

TEST(TitlePass, ACrashWindowIsLoggedAndClosedWithEnter)
{
    ProgramDir p;
    TestServiceList list;
    // The hung program runs in a process of its own: reading the title of a hung window of
    // this process would wait for it.
    const std::string title = UniqueTitle("CRASHER");
    ChildProcess program;
    ASSERT_TRUE(StartHungService(program, p.dir, title));
    const std::string body = UniqueTitle("crashbody");
    std::string bodyName = Upper(body);
    for (char& c : bodyName) if (c == ' ') c = '_';
    ThreadWindow crash(bodyName.c_str());
    p.WriteConfig("[ByTitle]\n" + title + "=c:\\prog\\" + bodyName + ".exe\n"
                  "[Timing]\nNoResponseWarning=2\nNoResponseError=60\n");
    ReadConfiguration(nullptr, true);
    RunPasses(p.host, 2);
    EXPECT_EQ("no response", RowText(0, 1));
    RunPasses(p.host, 28);
    EXPECT_EQ("no response", RowText(0, 1));
    RunPasses(p.host, 1);   // counter 30 = 60 / 2: crash check
    EXPECT_EQ("crashed", RowText(0, 1));
    EXPECT_EQ(1, Occurrences(p.EventLog(), "    End: " + Upper(title) + " (crash)\r\n"));
    EXPECT_EQ(5u, crash.Received(WM_KEYDOWN).size());
    EXPECT_EQ((WPARAM)VK_RETURN, crash.Received(WM_KEYDOWN)[0].wParam);
}
