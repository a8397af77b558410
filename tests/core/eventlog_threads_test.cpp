#include <gtest/gtest.h>
#include "core/config.h"
#include "core/eventlog.h"
#include "support/program_dir.h"
#include <string>
#include <thread>

// The FileSync worker writes its lines while the window thread writes its own: every line
// arrives whole, in both files, and the size limit never loses a line of the other writer.
TEST(EventLogThreads, TwoWritersAtOnceLoseAndMixNothing)
{
    ProgramDir p;
    const int kLines = 400;
    const std::string text(200, 'w');  // 400 lines of ~220 bytes pass the 100000-byte limit
    std::thread worker([&] {
        for (int i = 0; i < kLines; ++i) EventLog(EVENT_FILESYNC, "worker", false, 0);
        for (int i = 0; i < kLines; ++i) EventLog(EVENT_FILESYNC, "stat", true, 0);
    });
    for (int i = 0; i < kLines; ++i) EventLog(EVENT_CUSTOR, text.c_str(), false, 0);
    worker.join();

    const std::string log = p.EventLog();
    const std::string good1 = "05.03.24 14:07:09 worker\r\n";
    const std::string good2 = "05.03.24 14:07:09  Custor: " + text + "\r\n";
    size_t at = 0;
    int lines = 0;
    while (at < log.size()) {
        if (log.compare(at, good1.size(), good1) == 0) at += good1.size();
        else if (log.compare(at, good2.size(), good2) == 0) at += good2.size();
        else FAIL() << "a broken line at " << at;
        ++lines;
    }
    // The log was cut once at the limit; whatever is there is whole, and it holds the rest.
    EXPECT_GT(lines, 0);
    EXPECT_EQ(kLines, CountLines(ReadWholeFile(g_paths.fileSyncLog)));
}
