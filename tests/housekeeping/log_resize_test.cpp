#include <gtest/gtest.h>
#include <string>

#include "housekeeping/log_jobs.h"
#include "support/temp_dir.h"

namespace {

// Lines of 100 bytes: "line 00042 ....\n".
std::string Lines(int bytes)
{
    std::string text;
    for (int n = 0; (int)text.size() < bytes; ++n) {
        char line[101];
        snprintf(line, sizeof(line), "line %05d %088d\n", n, 0);
        text += line;
    }
    return text.substr(0, (size_t)bytes);
}

struct ResizeCase {
    int size;
    int keep;
    int trimmed;
};

const ResizeCase kResizeCases[] = {
    {59999, 50000, 0},
    {60000, 50000, 1},
    {200000, 50000, 1},
    {65432, 50000, 1},  // the cut falls inside a line
};

TEST(ResizeLog, TrimsToTheTailFromALineOnceTheLogIsKeepPlusTenThousand)
{
    for (const ResizeCase& c : kResizeCases) {
        SCOPED_TRACE(c.size);
        TempDir dir;
        const std::string log = Lines(c.size);
        dir.write("app.log", log);
        EXPECT_EQ(c.trimmed, FILE_ResizeLog(dir.file("app.log").c_str(), c.keep));
        const std::string after = dir.read("app.log");
        EXPECT_FALSE(dir.exists("app.log.$$$"));
        if (!c.trimmed) {
            EXPECT_EQ(log, after);
            continue;
        }
        // The tail of the log, from the first line that begins within the kept bytes.
        const size_t cut = log.size() - (size_t)c.keep;
        const size_t lineStart = log.find('\n', cut) + 1;
        EXPECT_EQ(log.substr(lineStart), after);
        EXPECT_LE(after.size(), (size_t)c.keep);
        EXPECT_GE(after.size(), (size_t)c.keep - 100);
    }
}

TEST(ResizeLog, ALogItsWriterHoldsIsLeftAlone)
{
    TempDir dir;
    const std::string log = Lines(70000);
    dir.write("app.log", log);
    FILE* writer = fopen(dir.file("app.log").c_str(), "ab");
    ASSERT_NE(nullptr, writer);
    EXPECT_EQ(0, FILE_ResizeLog(dir.file("app.log").c_str(), 50000));
    fclose(writer);
    EXPECT_EQ(log, dir.read("app.log"));
    EXPECT_EQ(0, FILE_ResizeLog(dir.file("missing.log").c_str(), 50000));
}

}  // namespace
