#include <gtest/gtest.h>
#include "core/config.h"
#include "core/passes.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "support/pass_helpers.h"
#include "support/process_runner.h"
#include "support/thread_window.h"
#include "core/str.h"
#include <memory>
#include "ui/service_list.h"

namespace {
// Message entries for the given windows; the rows of the service list follow.
void ConfigureMessageEntries(ProgramDir& p, const std::vector<std::string>& titles,
                             const std::string& extra = "")
{
    std::string ini = "[ByMessage]\n";
    for (const auto& t : titles) ini += t + "=c:\\srv\\server.exe\n";
    p.WriteConfig(ini + extra);
    ReadConfiguration(nullptr, true);
}
}  // namespace

TEST(StatusReport, DecodingAndTheRowTexts)
{
    ProgramDir p;
    TestServiceList list;
    const std::string title = UniqueTitle("REPORTER");
    ThreadWindow window(title.c_str());
    ConfigureMessageEntries(p, {title});
    RunPasses(p.host, 1);
    SERVICE_ENTRY& e = g_messageTable.entries[0];
    ASSERT_EQ(window.hwnd(), e.window);

    OnStatusReport(window.hwnd(), 128);
    EXPECT_EQ("1 problem", RowText(0, 1));
    EXPECT_EQ("idle", RowText(0, 2));
    EXPECT_EQ(11, RowColour(0));
    EXPECT_EQ(1, e.problems);
    EXPECT_EQ(0, e.channels);

    OnStatusReport(window.hwnd(), 0x0203);
    EXPECT_EQ("2 problems", RowText(0, 1));
    EXPECT_EQ("3 channels", RowText(0, 2));
    EXPECT_TRUE(e.multiChannel);
    EXPECT_EQ(3, e.channels);
    EXPECT_EQ(2, e.problems);
    EXPECT_EQ(0, e.stopAttempts);
}

TEST(StatusReport, OneBusyChannelShowsTheTimeOfEachReport)
{
    ProgramDir p;
    TestServiceList list;
    const std::string title = UniqueTitle("BUSY");
    ThreadWindow window(title.c_str());
    ConfigureMessageEntries(p, {title});
    RunPasses(p.host, 1);  // 14:07:10
    OnStatusReport(window.hwnd(), 1);
    EXPECT_EQ("busy 14:07:10", RowText(0, 2));
    p.host.Advance(5);
    OnStatusReport(window.hwnd(), 1);
    EXPECT_EQ("busy 14:07:15", RowText(0, 2));
    // An unchanged report other than 1 only refreshes the times.
    OnStatusReport(window.hwnd(), 0);
    EXPECT_EQ("idle", RowText(0, 2));
    g_serviceList->SetColumnText(0, 2, "marker");
    p.host.Advance(5);
    OnStatusReport(window.hwnd(), 0);
    EXPECT_EQ("marker", RowText(0, 2));
    EXPECT_EQ(p.host.Now(), g_messageTable.entries[0].lastAnswer);
}

TEST(StatusReport, ForeignWindowsAreIgnoredAndStatisticsAccumulate)
{
    ProgramDir p;
    const std::string title = UniqueTitle("ZEPHYRA-TRANSFER S");
    ThreadWindow window(title.c_str());
    ConfigureMessageEntries(p, {title}, "[Common]\nrrderrorindex=U\n");
    RunPasses(p.host, 1);
    ThreadWindow stranger(UniqueTitle("STRANGER").c_str());
    OnStatusReport(stranger.hwnd(), 5);
    OnStatusReport(nullptr, 5);
    EXPECT_EQ(-50, g_messageTable.entries[0].lastStatus);

    OnStatusReport(window.hwnd(), 4);
    OnStatusReport(window.hwnd(), 2);
    EXPECT_EQ(4, g_statSlots[2].maximum);  // "S" is the third slot
    EXPECT_EQ(6, g_statSlots[2].sum);
    EXPECT_EQ(2, g_statSlots[2].count);
    EXPECT_EQ(2, g_statSlots[19].count);   // the first message entry feeds the error slot
}

TEST(MessageProbes, FourPerTickAndTheUpdateVariants)
{
    ProgramDir p;
    std::vector<std::string> titles;
    std::vector<std::unique_ptr<ThreadWindow>> windows;
    for (int i = 0; i < 6; ++i) {
        titles.push_back(UniqueTitle("PROBED"));
        windows.emplace_back(new ThreadWindow(titles.back().c_str()));
    }
    ConfigureMessageEntries(p, titles);
    g_messageTable.entries[1].updateRequest = 1;
    STR_ncpy(g_messageTable.entries[2].command, "c:\\mail\\Sender.exe -a", 259);
    g_messageTable.entries[2].updateRequest = 1;
    p.host.Advance(1);
    SupervisePass();  // the windows are found

    ProbeMessageServices();
    int probed = 0;
    for (auto& w : windows) probed += (int)w->Received(WM_CHAR).size();
    EXPECT_EQ(4, probed);
    ProbeMessageServices();
    probed = 0;
    for (auto& w : windows) probed += (int)w->Received(WM_CHAR).size();
    EXPECT_EQ(6, probed);
    ProbeMessageServices();  // nobody is due again within 4 s
    EXPECT_EQ(1u, windows[5]->Received(WM_CHAR).size());

    const RecordedMessage normal = windows[0]->Received(WM_CHAR)[0];
    EXPECT_EQ(0xA0u, normal.wParam);
    EXPECT_EQ(1, normal.lParam);
    const RecordedMessage update = windows[1]->Received(WM_CHAR)[0];
    EXPECT_EQ(0xA0u, update.wParam);
    EXPECT_EQ(2, update.lParam);
    const RecordedMessage sender = windows[2]->Received(WM_CHAR)[0];
    EXPECT_EQ(0xA1u, sender.wParam);
    EXPECT_EQ(1, sender.lParam);

    p.host.AdvanceMs(4001);
    ProbeMessageServices();
    EXPECT_EQ(2u, windows[0]->Received(WM_CHAR).size());
}

TEST(MessageProbes, AGoneWindowIsForgotten)
{
    ProgramDir p;
    const std::string title = UniqueTitle("GONE");
    std::unique_ptr<ThreadWindow> window(new ThreadWindow(title.c_str()));
    ConfigureMessageEntries(p, {title});
    RunPasses(p.host, 1);
    ASSERT_NE(nullptr, g_messageTable.entries[0].window);
    window.reset();
    p.host.AdvanceMs(4001);
    ProbeMessageServices();
    EXPECT_EQ(nullptr, g_messageTable.entries[0].window);
}

TEST(MessagePass, SilentProgramIsStoppedFriendlyFirstAndAReportResetsTheEpisode)
{
    ProgramDir p;
    TestServiceList list;
    const std::string title = UniqueTitle("SILENT");
    ThreadWindow window(title.c_str());
    ConfigureMessageEntries(p, {title}, "[Timing]\nNoResponseWarning=5\nNoResponseError=10\n");
    SERVICE_ENTRY& e = g_messageTable.entries[0];
    RunPasses(p.host, 5);
    EXPECT_EQ("no response", RowText(0, 1));
    RunPasses(p.host, 9);  // counter 10: the friendly stop
    EXPECT_EQ("stopping", RowText(0, 1));
    EXPECT_STREQ("trying to stop friendly the application", Status_Get());
    EXPECT_EQ(1, e.stopAttempts);
    EXPECT_EQ(1, Occurrences(p.EventLog(), "    End: " + Upper(title) + "\r\n"));
    const auto sys = window.Received(WM_SYSCOMMAND);
    ASSERT_EQ(1u, sys.size());
    EXPECT_EQ((WPARAM)SC_MINIMIZE, sys[0].wParam);
    EXPECT_EQ(1u, window.Received(WM_CLOSE).size());

    OnStatusReport(window.hwnd(), 0);  // it answers between the stops
    RunPasses(p.host, 1);
    EXPECT_EQ("ok", RowText(0, 1));
    EXPECT_EQ(0u, e.counter);
    RunPasses(p.host, 5 + 10);  // a new episode starts with a friendly stop again
    EXPECT_EQ("stopping", RowText(0, 1));
    EXPECT_EQ(2u, window.Received(WM_CLOSE).size());
    EXPECT_EQ(0, Occurrences(p.EventLog(), "Kill"));
}

TEST(MessagePass, AMissingProgramRaisesAProblemAfterFiveMoreSecondsAndLateStartsAreMarked)
{
    ProgramDir p;
    TestServiceList list;
    p.WriteConfig("[ByMessage]\nLOST=c:\\no\\lost.exe\n[Timing]\nNotRunningError=30\n");
    ReadConfiguration(nullptr, true);
    SERVICE_ENTRY& e = g_messageTable.entries[0];
    e.counter = 0;
    RunPasses(p.host, 30);
    EXPECT_EQ("starting", RowText(0, 1));
    EXPECT_EQ(1, Occurrences(p.EventLog(), "  Start: LOST\r\n"));
    EXPECT_TRUE(p.host.beeps.empty()) << "a start is shown, not sounded";
    RunPasses(p.host, 5);
    EXPECT_FALSE(g_supervision.appProblem);  // counter 35 is not above 30 + 5
    RunPasses(p.host, 1);
    EXPECT_TRUE(g_supervision.appProblem);
    RunPasses(p.host, 180 - 36);
    EXPECT_EQ(1, Occurrences(p.EventLog(), " Start?: LOST\r\n"));
    EXPECT_EQ(5, Occurrences(p.EventLog(), "  Start: LOST\r\n"));
    RunPasses(p.host, 30);
    // The second late start within the hour also goes to the error file.
    EXPECT_NE(std::string::npos, p.ErrorLog().find("[Custor] Cannot start: LOST"));
}

TEST(MessagePass, HealthyProgramsFeedTheTotals)
{
    ProgramDir p;
    const std::string a = UniqueTitle("ZEPHYRA-TRANSFER A");
    const std::string b = UniqueTitle("PLAIN");
    ThreadWindow wa(a.c_str());
    ThreadWindow wb(b.c_str());
    ConfigureMessageEntries(p, {a, b});
    RunPasses(p.host, 1);
    OnStatusReport(wa.hwnd(), 0x0305);
    OnStatusReport(wb.hwnd(), 0x0101);
    RunPasses(p.host, 1);
    EXPECT_EQ(6, g_supervision.busyChannels);
    EXPECT_EQ(3, g_supervision.modemProblems);  // only multi-channel programs count
}
