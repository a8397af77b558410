#include <gtest/gtest.h>
#include "core/config.h"
#include "core/display.h"
#include "core/metrics.h"
#include "core/supervision.h"
#include "filesync_fixture.h"
#include "housekeeping/filesync.h"
#include "housekeeping/jobs.h"
#include "support/prometheus_text.h"
#include <string>
#include <string.h>

namespace {
std::string g_shown;
}  // namespace

TEST(FileSyncWorker, ARequestRunsOnTheWorkerAndTheWindowThreadShowsTheLine)
{
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok());
    m.Write(m.source.file("data\\a.txt"), "a");
    m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");
    g_display.fileSyncLine = [](const char* text) { g_shown = text; };
    const int32_t now = m.p.host.Now();
    FileSync_ResetTimes(now - 300);
    Metrics_Reset();

    ASSERT_TRUE(FileSync_Request(2));
    EXPECT_FALSE(FileSync_Request(2));  // one at a time (or the first already ended)
    ASSERT_TRUE(FileSync_WaitIdle(20000));
    EXPECT_EQ("a.txt=a\n", Mirror::Tree(m.backup.file("mirror\\")));
    const FILESYNC_STATE_VIEW v = FileSync_State();
    EXPECT_TRUE(v.workerStarted);
    EXPECT_EQ(now, v.lastSyncTime);
    EXPECT_EQ(now, v.lastRunTime);
    EXPECT_FALSE(v.lastRunFailed);
    // The run's end reached the metrics from the worker.
    const auto run = [] {
        char text[8192];
        Metrics_Format(text, sizeof(text));
        return ParseMetricsText(text);
    };
    EXPECT_EQ(1, run().Value("custor_filesync_last_run_success"));
    EXPECT_EQ(1, run().Value("custor_filesync_last_run_files_copied"));

    EXPECT_EQ("", g_shown);  // the worker never shows it itself
    FileSync_ShowLine();
    EXPECT_EQ("14:07 Sync 1s Files: 1 -0 +1 0 KB", g_shown);
    g_shown = "shown once";
    FileSync_ShowLine();
    EXPECT_EQ("shown once", g_shown);
    Display_UseNone();

    // A second request is taken up by the same worker; a delete run keeps the sync time.
    m.p.host.Advance(100);
    g_supervision.active = true;
    ASSERT_TRUE(FileSync_RequestRun(1, true));
    ASSERT_TRUE(FileSync_WaitIdle(20000));
    EXPECT_EQ(now, FileSync_State().lastSyncTime);
    EXPECT_EQ(now + 100, FileSync_State().lastRunTime);
    EXPECT_EQ(0, run().Value("custor_filesync_last_run_files_copied"));
    Metrics_Reset();
    EXPECT_FALSE(FileSync_Request(3));
}

TEST(FileSyncSchedule, RunsInsideTheWindowWhenDueActiveAndQuiet)
{
    static const struct {
        const char* name; int hour, minute; int autoTime, autoTimeDel; int syncAgo, runAgo;
        bool active, warnings; const char* ping;
        int expect;  // 0 nothing, 1 sync run, 2 delete run
    } kCases[] = {
        {"due", 10, 0, 600, 0, 600, 600, true, false, "", 1},
        {"not yet due", 10, 0, 600, 0, 599, 599, true, false, "", 0},
        {"before the window", 5, 59, 600, 0, 600, 600, true, false, "", 0},
        {"window ends", 21, 0, 600, 0, 600, 600, true, false, "", 0},
        {"inactive", 10, 0, 600, 0, 600, 600, false, false, "", 0},
        {"warnings hold the sync, delete run due", 10, 0, 600, 120, 600, 120, true, true, "", 2},
        {"delete run due", 10, 0, 600, 120, 300, 120, true, false, "", 2},
        {"delete run needs AutoTime", 10, 0, 0, 120, 300, 120, true, false, "", 0},
        {"window start makes the delete run due", 6, 1, 600, 1200, 300, 10, true, false, "", 2},
        {"partner not answering", 10, 0, 600, 0, 600, 600, true, false, "PCTWO", 0},
    };
    for (const auto& c : kCases) {
        Mirror m;
        m.Rules("");
        g_config.syncStart = 6;
        g_config.syncStop = 21;
        g_config.autoTime = c.autoTime;
        g_config.autoTimeDel = c.autoTimeDel;
        strcpy(g_config.fileSyncPing, c.ping);
        g_supervision.active = c.active;
        g_supervision.notOk = c.warnings;
        const int32_t now = m.p.host.Now();
        FileSync_ResetTimes(now - c.syncAgo);
        FileSync_SetLastRunTime(now - c.runAgo);
        FileSync_Schedule(c.hour, c.minute);
        ASSERT_TRUE(FileSync_WaitIdle(20000));
        const FILESYNC_STATE_VIEW v = FileSync_State();
        const int ran = v.lastRunTime != now ? 0 : v.lastSyncTime == now ? 1 : 2;
        EXPECT_EQ(c.expect, ran) << c.name;
    }
}

TEST(FileSyncSchedule, ConfiguredByRuleOneInEitherForm)
{
    Mirror m;
    EXPECT_FALSE(FileSync_IsConfigured());
    strcpy(g_config.fileSyncRule1Source, "C:\\x");
    EXPECT_TRUE(FileSync_IsConfigured());
    g_config = CONFIG{};
    strcpy(g_config.fileSyncRule1, "C:\\x\\*.*,D:\\y");
    EXPECT_TRUE(FileSync_IsConfigured());
}
