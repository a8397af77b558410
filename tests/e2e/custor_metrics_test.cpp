#include <gtest/gtest.h>
#include "installation.h"
#include "support/pass_helpers.h"
#include "support/prometheus_text.h"
#include <atomic>
#include <mutex>
#include <stdio.h>
#include <thread>

namespace {

// The whole file as one read sees it; false when it is not there or cannot be opened now.
// Opened the way a monitoring agent opens it: for reading, sharing only reading.
bool ReadOnce(const std::string& path, std::string* text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    text->clear();
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) text->append(chunk, got);
    CloseHandle(file);
    return true;
}

// Reads the file over and over on a thread of its own and keeps every read that was not a
// complete metrics text.
struct PollingReader {
    explicit PollingReader(const std::string& path)
        : path(path), thread([this] { Loop(); }) {}
    ~PollingReader() { Stop(); }
    void Stop()
    {
        stop = true;
        if (thread.joinable()) thread.join();
    }
    void Loop()
    {
        std::string text;
        while (!stop) {
            if (ReadOnce(path, &text)) {
                ++reads;
                const MetricsText parsed = ParseMetricsText(text);
                // The last family comes last: a cut file lacks its line.
                const bool whole = parsed.valid && !parsed.samples.empty() &&
                                   parsed.samples.back().name == "custor_machine_uptime_seconds";
                if (!whole) {
                    std::lock_guard<std::mutex> hold(lock);
                    if (bad.empty()) bad = parsed.error + "\n" + text;
                    ++badReads;
                }
            }
            Sleep(1);
        }
    }

    std::string path;
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::atomic<int> badReads{0};
    std::mutex lock;
    std::string bad;  // the first incomplete read, under lock
    std::thread thread;
};

}  // namespace

TEST(CustorMetrics, TheFileFollowsTheFormatCountsAKillAndIsNeverSeenHalfWritten)
{
    Installation inst;
    const std::string fake = inst.CopyFakeService("fakesvc.exe");
    // A backslash in the name (the window title): its label must come out escaped.
    const std::string title = UniqueTitle("E2E\\METRICS");
    const std::string& name = title;
    const std::string log = inst.dir.file("service.log");
    CreateDirectoryA(inst.dir.file("textfile").c_str(), nullptr);
    const std::string file = inst.dir.file("textfile\\custor.prom");
    inst.dir.write("custor.ini",
                   "[Common]\nMetricsFile=textfile\\custor.prom\n"
                   "[ByTitle]\n" + name + "=" + FakeCommand(fake, log, title, "--hang-after 3") +
                       "\n[Timing]\nNoResponseWarning=12\nNoResponseError=6\nNotRunningError=2\n");
    PollingReader reader(file);
    ASSERT_TRUE(inst.Start());

    const std::map<std::string, std::string> service = {{"name", name}, {"table", "title"}};
    MetricsText last;
    std::string text;
    auto current = [&] {
        if (!ReadOnce(file, &text)) return false;
        last = ParseMetricsText(text);
        return last.valid;
    };
    // Started and found: the first file after that shows it running.
    EXPECT_TRUE(WaitUntil([&] { return current() && last.Value("custor_service_running", service) == 1; }, 30000))
        << last.error;
    EXPECT_GE(last.Value("custor_service_starts_total", service), 1);
    EXPECT_EQ(0, last.Value("custor_service_kills_total", service));
    EXPECT_EQ("counter", last.types["custor_service_kills_total"]);
    EXPECT_NE(std::string::npos, text.find("{name=\"E2E\\\\METRICS ")) << text;
    // Hung after 3 s, killed after 12 + 6 s; the next file counts the kill.
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas("   Kill: " + Upper(name) + "\r\n"); }, 45000));
    EXPECT_TRUE(WaitUntil([&] { return current() && last.Value("custor_service_kills_total", service) >= 1; }, 25000))
        << last.error;
    EXPECT_GE(last.Value("custor_uptime_seconds"), 18);
    EXPECT_GE(last.Value("custor_problem_state"), 0);
    EXPECT_EQ(0, last.Value("custor_service_crashes_total", service));
    EXPECT_EQ(0, inst.End());

    reader.Stop();
    printf("the metrics file was read %d times while Custor wrote it\n", reader.reads.load());
    EXPECT_GT(reader.reads.load(), 100);
    EXPECT_EQ(0, reader.badReads.load()) << reader.bad;
    // Every write was put in place: no failure in the log, no temporary left behind.
    EXPECT_FALSE(inst.LogHas("cannot write the metrics file")) << inst.Log();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((file + ".$$$").c_str()));
}
