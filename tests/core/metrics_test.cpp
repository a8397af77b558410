#include <gtest/gtest.h>
#include "core/config.h"
#include "core/metrics.h"
#include "core/pass_common.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "support/program_dir.h"
#include "support/prometheus_text.h"
#include <math.h>
#include <string.h>
#include <map>
#include <string>
#include <thread>

namespace {

std::string Format()
{
    const int length = Metrics_Format(nullptr, 0);
    std::string text((size_t)length + 1, '\0');
    Metrics_Format(&text[0], length + 1);
    text.resize((size_t)length);
    return text;
}

SERVICE_ENTRY& AddService(SERVICE_TABLE& table, const char* name)
{
    SERVICE_ENTRY& e = table.entries[table.count++];
    memset(&e, 0, sizeof(e));
    strncpy(e.name, name, SERVICE_NAME_SIZE - 1);
    e.colour = ROW_NOT_RUNNING;
    return e;
}

// A program directory with the metrics back at the state of program start.
struct MetricsDir {
    MetricsDir() { Metrics_Reset(); }
    ~MetricsDir() { Metrics_Reset(); }
    ProgramDir p;
};

}  // namespace

TEST(Metrics, EveryFamilyFollowsTheFormatsConventions)
{
    MetricsDir m;
    AddService(g_titleTable, "FAX");
    AddService(g_messageTable, "VOICE").window = (HWND)1;
    g_pingList.count = 1;
    strcpy(g_pingList.entries[0].name, "PCTWO");
    g_pingList.entries[0].lastHeard = m.p.host.Now();
    Metrics_FileSyncRun(m.p.host.Now(), true, 3);

    const std::string text = Format();
    const MetricsText parsed = ParseMetricsText(text);
    ASSERT_TRUE(parsed.valid) << parsed.error << "\n" << text;
    // Every family has its HELP line right before its TYPE line, and is named for Custor.
    for (const auto& family : parsed.types) {
        SCOPED_TRACE(family.first);
        EXPECT_EQ(0u, family.first.find("custor_"));
        const std::string help = "# HELP " + family.first + " ";
        const size_t at = text.find(help);
        ASSERT_NE(std::string::npos, at);
        const size_t next = text.find('\n', at) + 1;
        EXPECT_EQ(0, text.compare(next, 7 + family.first.size() + 1,
                                  "# TYPE " + family.first + " "));
        const bool total = family.first.size() > 6 &&
                           family.first.compare(family.first.size() - 6, 6, "_total") == 0;
        EXPECT_EQ(total, family.second == "counter");
    }
    for (const MetricSample& s : parsed.samples)
        if (s.name.compare(0, 15, "custor_service_") == 0 || s.name == "custor_partner_last_heard_seconds")
            EXPECT_EQ(1u, s.labels.count("name")) << s.name;

    struct Expected {
        const char* name;
        std::map<std::string, std::string> labels;
        double value;
    } const expected[] = {
        {"custor_service_state", {{"name", "FAX"}, {"table", "title"}, {"state", "not running"}}, 1},
        {"custor_service_running", {{"name", "FAX"}}, 0},
        {"custor_service_running", {{"name", "VOICE"}, {"table", "message"}}, 1},
        {"custor_service_busy_channels", {{"name", "VOICE"}}, 0},
        {"custor_service_starts_total", {{"name", "FAX"}}, 0},
        {"custor_service_kills_total", {{"name", "VOICE"}}, 0},
        {"custor_service_crashes_total", {{"name", "FAX"}}, 0},
        {"custor_problem_state", {}, 0},
        {"custor_partner_last_heard_seconds", {{"name", "PCTWO"}}, 0},
        {"custor_filesync_last_run_success", {}, 1},
        {"custor_filesync_last_run_files_copied", {}, 3},
    };
    for (const Expected& e : expected) EXPECT_EQ(e.value, parsed.Value(e.name, e.labels)) << e.name;
    // Only cooperating servers report channels.
    EXPECT_EQ(1, parsed.Count("custor_service_busy_channels"));
    EXPECT_GE(parsed.Value("custor_uptime_seconds"), 0);
    EXPECT_GE(parsed.Value("custor_machine_uptime_seconds"), 0);
}

TEST(Metrics, LabelValuesAreEscapedAndInUtf8)
{
    struct Case {
        const char* name;      // as configured (Windows code page)
        const char* written;   // between the quotes of the label
        const char* readBack;  // after the parser undid the escapes
    } const cases[] = {
        {"FAX", "FAX", "FAX"},
        {"C:\\FAX", "C:\\\\FAX", "C:\\FAX"},
        {"say \"hi\"", "say \\\"hi\\\"", "say \"hi\""},
        {"two\nlines", "two\\nlines", "two\nlines"},
        {"\\\"\n", "\\\\\\\"\\n", "\\\"\n"},
        {"M\xe4rz", "M\xc3\xa4rz", "M\xc3\xa4rz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MetricsDir m;
        AddService(g_titleTable, c.name);
        const std::string text = Format();
        EXPECT_NE(std::string::npos,
                  text.find(std::string("custor_service_running{name=\"") + c.written +
                            "\",table=\"title\"} 0\n"))
            << text;
        const MetricsText parsed = ParseMetricsText(text);
        ASSERT_TRUE(parsed.valid) << parsed.error;
        EXPECT_EQ(0, parsed.Value("custor_service_running", {{"name", c.readBack}}));
    }
}

TEST(Metrics, StartsKillsAndCrashesAreCountedPerNameAndStayWithTheirProgram)
{
    MetricsDir m;
    SERVICE_ENTRY* fax = &AddService(g_titleTable, "FAX");
    SERVICE_ENTRY* mail = &AddService(g_titleTable, "MAIL");
    SERVICE_ENTRY* voice = &AddService(g_messageTable, "FAX");  // same name, other table
    struct Event {
        SERVICE_ENTRY* entry;
        SERVICE_EVENT event;
        int times;
    } const events[] = {
        {fax, SERVICE_EVENT_START, 3}, {fax, SERVICE_EVENT_KILL, 2}, {mail, SERVICE_EVENT_CRASH, 1},
        {voice, SERVICE_EVENT_KILL, 5},
    };
    for (const Event& e : events)
        for (int i = 0; i < e.times; ++i) Metrics_CountEvent(*e.entry, e.event);
    // An entry outside the tables is nobody's.
    SERVICE_ENTRY stray = {};
    strcpy(stray.name, "FAX");
    Metrics_CountEvent(stray, SERVICE_EVENT_KILL);

    // A re-read of the configuration puts MAIL first.
    SERVICE_ENTRY first = *fax;
    *fax = *mail;
    *mail = first;
    const MetricsText parsed = ParseMetricsText(Format());
    ASSERT_TRUE(parsed.valid) << parsed.error;
    struct Expected {
        const char* family;
        const char* name;
        const char* table;
        double value;
    } const expected[] = {
        {"custor_service_starts_total", "FAX", "title", 3},
        {"custor_service_kills_total", "FAX", "title", 2},
        {"custor_service_crashes_total", "FAX", "title", 0},
        {"custor_service_starts_total", "MAIL", "title", 0},
        {"custor_service_crashes_total", "MAIL", "title", 1},
        {"custor_service_kills_total", "FAX", "message", 5},
        {"custor_service_starts_total", "FAX", "message", 0},
    };
    for (const Expected& e : expected)
        EXPECT_EQ(e.value, parsed.Value(e.family, {{"name", e.name}, {"table", e.table}}))
            << e.family << " " << e.name << " " << e.table;
}

TEST(Metrics, ProblemStatePartnerAgeAndFileSyncRun)
{
    struct Case {
        bool notOk, appProblem;
        int heardAgo;  // negative: a clock set back since
        double problemState, age;
    } const cases[] = {
        {false, false, 0, 0, 0},
        {true, false, 30, 1, 30},
        {true, true, 200, 2, 200},
        {false, true, -50, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heardAgo);
        MetricsDir m;
        g_supervision.notOk = c.notOk;
        g_supervision.appProblem = c.appProblem;
        g_pingList.count = 1;
        strcpy(g_pingList.entries[0].name, "PCTWO");
        g_pingList.entries[0].lastHeard = m.p.host.Now() - c.heardAgo;
        const MetricsText parsed = ParseMetricsText(Format());
        ASSERT_TRUE(parsed.valid) << parsed.error;
        EXPECT_EQ(c.problemState, parsed.Value("custor_problem_state"));
        EXPECT_EQ(c.age, parsed.Value("custor_partner_last_heard_seconds", {{"name", "PCTWO"}}));
        // No FileSync run yet: nothing is known of one.
        EXPECT_EQ(0, parsed.Count("custor_filesync_last_run_success"));
    }

    // The worker thread reports the end of its run.
    MetricsDir m;
    const int32_t end = m.p.host.Now();
    std::thread worker([end] { Metrics_FileSyncRun(end, false, 7); });
    worker.join();
    const MetricsText parsed = ParseMetricsText(Format());
    ASSERT_TRUE(parsed.valid) << parsed.error;
    EXPECT_EQ(0, parsed.Value("custor_filesync_last_run_success"));
    EXPECT_EQ(7, parsed.Value("custor_filesync_last_run_files_copied"));
    // Seconds since 1970 UTC: the fake clock's local time less the machine's zone offset.
    const double stamp = parsed.Value("custor_filesync_last_run_end_timestamp_seconds");
    EXPECT_LE(fabs(stamp - end), 14 * 3600.0);
}

TEST(Metrics, TheFileIsWrittenEveryTenSecondsAndReplacedWhole)
{
    MetricsDir m;
    m.p.WriteConfig("[Common]\nMetricsFile=custor.prom\n");
    const std::string file = m.p.dir.file("custor.prom");
    m.p.dir.write("custor.prom", "old");
    AddService(g_titleTable, "FAX");

    Metrics_Tick();  // the first slow block writes at once, over the old file
    const MetricsText first = ParseMetricsText(ReadWholeFile(file));
    EXPECT_TRUE(first.valid) << first.error;
    EXPECT_FALSE(m.p.dir.exists("custor.prom.$$$"));

    struct Step {
        int advance;
        bool written;
    } const steps[] = {{5, false}, {4, false}, {1, true}, {3, false}, {7, true}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.advance);
        DeleteFileA(file.c_str());
        m.p.host.Advance(s.advance);
        Metrics_Tick();
        EXPECT_EQ(s.written, m.p.dir.exists("custor.prom"));
        EXPECT_FALSE(m.p.dir.exists("custor.prom.$$$"));
    }
}

TEST(Metrics, AFileThatCannotBeWrittenIsLoggedOncePerRunOfFailures)
{
    MetricsDir m;
    struct Step {
        bool directoryThere;
        bool written;
        int logLines;  // "cannot write" lines so far
    } const steps[] = {{false, false, 1}, {false, false, 1}, {true, true, 1}, {false, false, 2}};
    const std::string directory = m.p.dir.file("prom");
    m.p.WriteConfig("[Common]\nMetricsFile=prom\\custor.prom\n");
    for (const Step& s : steps) {
        if (s.directoryThere)
            CreateDirectoryA(directory.c_str(), nullptr);
        else
            RemoveTree(directory);
        EXPECT_EQ(s.written, Metrics_Write());
        const std::string log = m.p.EventLog();
        int lines = 0;
        for (size_t at = 0; (at = log.find("cannot write the metrics file", at)) != std::string::npos; ++at) ++lines;
        EXPECT_EQ(s.logLines, lines) << log;
    }
    // Without the key nothing is written and nothing logged.
    m.p.WriteConfig("[Common]\n");
    EXPECT_FALSE(Metrics_Write());
}
