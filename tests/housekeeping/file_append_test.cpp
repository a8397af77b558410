#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "core/config.h"
#include "core/str.h"
#include "housekeeping/jobs.h"
#include "housekeeping/spool_rules.h"
#include "support/program_dir.h"
#include "support/full_disk.h"

namespace {

// A program directory with a spool folder "in" and a destination folder "out".
struct AppendSetup {
    AppendSetup()
    {
        CreateDirectoryA(dir("in").c_str(), nullptr);
        CreateDirectoryA(dir("out").c_str(), nullptr);
        program.WriteConfig("[FileAppend]\n1=" + dir("in") + "\\*.*," + dir("out") + "\n");
    }
    std::string dir(const char* name) const { return program.dir.file(name); }
    std::string in(const char* name) const { return program.dir.read((std::string("in\\") + name).c_str()); }
    std::string out(const char* name) const { return program.dir.read((std::string("out\\") + name).c_str()); }
    bool has(const char* path) const { return program.dir.exists(path); }
    void put(const char* path, const std::string& content) const { program.dir.write(path, content); }

    ProgramDir program;
};

struct AppendCase {
    const char* what;
    const char* destinationBefore;  // null: no destination file
    const char* source;
    const char* expected;
};

const AppendCase kAppendCases[] = {
    {"a missing destination is created", nullptr, "first\n", "first\n"},
    {"an existing destination is appended to", "old\n", "new\n", "old\nnew\n"},
    {"an empty source adds nothing", "old\n", "", "old\n"},
};

TEST(FileAppend, AppendsEverySourceToItsNamesakeAndRemovesIt)
{
    for (const AppendCase& c : kAppendCases) {
        SCOPED_TRACE(c.what);
        AppendSetup s;
        if (c.destinationBefore) s.put("out\\calls.txt", c.destinationBefore);
        s.put("in\\calls.txt", c.source);
        FileAppend_Run();
        EXPECT_EQ(c.expected, s.out("calls.txt"));
        EXPECT_FALSE(s.has("in\\calls.txt"));
        EXPECT_FALSE(s.has("in\\calls.txt.$$$"));
        EXPECT_FALSE(s.has("in\\calls.txt.$$$.rec$$$"));
    }
}

TEST(FileAppend, ASourceHeldOpenByItsWriterIsNeitherAppendedNorLost)
{
    AppendSetup s;
    s.put("in\\calls.txt", "part one\n");
    FILE* writer = fopen(s.dir("in\\calls.txt").c_str(), "ab");
    ASSERT_NE(nullptr, writer);
    FileAppend_Run();
    EXPECT_EQ("", s.out("calls.txt"));
    EXPECT_FALSE(s.has("in\\calls.txt.$$$"));
    fputs("part two\n", writer);
    fclose(writer);
    EXPECT_EQ("part one\npart two\n", s.in("calls.txt"));

    FileAppend_Run();
    EXPECT_EQ("part one\npart two\n", s.out("calls.txt"));
    EXPECT_FALSE(s.has("in\\calls.txt"));
}

// What an earlier run may have left in the spool folder.
struct LeftoverCase {
    const char* what;
    const char* destinationBefore;
    const char* handOver;    // in\calls.txt.$$$
    const char* record;      // null: none; "%d" stands for the destination's path
    const char* newSource;   // null: the producer has not started a new file
    const char* expected;
};

const LeftoverCase kLeftoverCases[] = {
    {"ended after the hand-over rename", "old\n", "gen1\n", nullptr, nullptr, "old\ngen1\n"},
    {"ended after the rename; the producer wrote a new file", "old\n", "gen1\n", nullptr,
     "gen2\n", "old\ngen1\ngen2\n"},
    {"ended after appending, before the removal", "old\ngen1\n", "gen1\n", "1 4 %d\n", "gen2\n",
     "old\ngen1\ngen2\n"},
    {"ended half-way through the append", "old\nge", "gen1\n", "1 4 %d\n", nullptr,
     "old\ngen1\n"},
};

TEST(FileAppend, ALeftoverHandOverIsFinishedOnceBeforeTheNewSource)
{
    for (const LeftoverCase& c : kLeftoverCases) {
        SCOPED_TRACE(c.what);
        AppendSetup s;
        s.put("out\\calls.txt", c.destinationBefore);
        s.put("in\\calls.txt.$$$", c.handOver);
        if (c.record) {
            std::string record = c.record;
            record.replace(record.find("%d"), 2, s.dir("out\\calls.txt"));
            s.put("in\\calls.txt.$$$.rec$$$", record);
        }
        if (c.newSource) s.put("in\\calls.txt", c.newSource);
        FileAppend_Run();
        EXPECT_EQ(c.expected, s.out("calls.txt"));
        // Never taken for a source of its own name.
        EXPECT_FALSE(s.has("out\\calls.txt.$$$"));
        EXPECT_FALSE(s.has("in\\calls.txt.$$$"));
        EXPECT_FALSE(s.has("in\\calls.txt.$$$.rec$$$"));
        EXPECT_FALSE(s.has("in\\calls.txt"));
        // A second run finds nothing more to do.
        FileAppend_Run();
        EXPECT_EQ(c.expected, s.out("calls.txt"));
    }
}

TEST(FileAppend, AnAppendToAFullDiskKeepsTheSourceUntilItIsWholeInTheDestination)
{
    AppendSetup s;
    const std::string why = MakeFullDiskFile(s.dir("out\\calls.txt"));
    if (!why.empty()) GTEST_SKIP() << why;
    s.put("in\\calls.txt", "gen1\n");
    FileAppend_Run();
    // Kept as the hand-over; the producer meanwhile writes a new file.
    EXPECT_EQ("gen1\n", s.in("calls.txt.$$$"));
    s.put("in\\calls.txt", "gen2\n");
    FileAppend_Run();
    EXPECT_EQ("gen1\n", s.in("calls.txt.$$$"));
    EXPECT_EQ("gen2\n", s.in("calls.txt"));

    // Room again: both arrive, in order, once.
    DeleteFileA(s.dir("out\\calls.txt").c_str());
    s.put("out\\calls.txt", "old\n");
    FileAppend_Run();
    EXPECT_EQ("old\ngen1\ngen2\n", s.out("calls.txt"));
    EXPECT_FALSE(s.has("in\\calls.txt.$$$"));
    EXPECT_FALSE(s.has("in\\calls.txt"));
}

TEST(FileAppend, ADestinationHeldByAnotherWriterLeavesTheSourceForLater)
{
    AppendSetup s;
    s.put("in\\calls.txt", "new\n");
    FILE* other = fopen(s.dir("out\\calls.txt").c_str(), "ab");
    ASSERT_NE(nullptr, other);
    FileAppend_Run();
    fclose(other);
    EXPECT_EQ("new\n", s.in("calls.txt"));
    EXPECT_FALSE(s.has("in\\calls.txt.$$$"));
}

int Occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// What keeps a name from being collected is told once per reading of the configuration.
TEST(FileAppend, WhatBlocksANameIsReportedOncePerReadingAndNothingIsLost)
{
    static const struct {
        const char* what;
        const char* line;  // the event line's text after "[FileAppend] "
    } kCases[] = {
        {"hand-over for a collecting file no rule names", "which no rule collects into"},
        {"source name holding $$$", "not collected: its name holds \"$$$\""},
        {"collecting file held open", "cannot be opened (held by another program)"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        AppendSetup s;
        FILE* other = nullptr;
        if (c.line == kCases[0].line) {
            s.put("in\\calls.txt.$$$", "earlier\n");
            s.put("in\\calls.txt.$$$.rec$$$", "1 0 " + s.dir("gone\\calls.txt") + "\n");
        } else if (c.line == kCases[1].line) {
            s.put("in\\a$$$b.txt", "odd\n");
        } else {
            s.put("in\\calls.txt", "new\n");
            other = fopen(s.dir("out\\calls.txt").c_str(), "ab");
            ASSERT_NE(nullptr, other);
        }
        const std::string before = s.in("calls.txt") + s.in("calls.txt.$$$") + s.in("a$$$b.txt");
        FileAppend_Run();
        FileAppend_Run();
        EXPECT_EQ(1, Occurrences(s.program.EventLog(), c.line)) << s.program.EventLog();
        SpoolRule_ResetReports();
        FileAppend_Run();
        EXPECT_EQ(2, Occurrences(s.program.EventLog(), c.line));
        if (other) fclose(other);
        EXPECT_EQ(before, s.in("calls.txt") + s.in("calls.txt.$$$") + s.in("a$$$b.txt"));
    }
}

TEST(FileAppend, AMissingSourceDirectoryOrASilentPartnerStopsTheList)
{
    AppendSetup s;
    CreateDirectoryA(s.dir("in2").c_str(), nullptr);
    s.put("in2\\calls.txt", "x\n");
    s.program.WriteConfig("[FileAppend]\n1=" + s.dir("none") + "\\*.*," + s.dir("out") +
                          "\n2=" + s.dir("in2") + "\\*.*," + s.dir("out") + "\n");
    FileAppend_Run();
    EXPECT_TRUE(s.has("in2\\calls.txt"));

    s.program.WriteConfig("[FileAppend]\nPing=PCNONE\n1=" + s.dir("in2") + "\\*.*," +
                          s.dir("out") + "\n");
    STR_ncpy(g_config.fileAppendPing, "PCNONE", sizeof(g_config.fileAppendPing) - 1);
    FileAppend_Run();
    EXPECT_TRUE(s.has("in2\\calls.txt"));
    g_config.fileAppendPing[0] = 0;
    FileAppend_Run();
    EXPECT_FALSE(s.has("in2\\calls.txt"));
    EXPECT_EQ("x\n", s.out("calls.txt"));
}

TEST(FileAppend, ARuleWithoutDestinationIsSkippedAndReportedOnce)
{
    AppendSetup s;
    s.put("in\\calls.txt", "x\n");
    s.program.WriteConfig("[FileAppend]\n1=" + s.dir("in") + "\\*.*,\n2=" + s.dir("in") +
                          "\\*.*," + s.dir("out") + "\n");
    LogMove_Invalidate();
    FileAppend_Run();
    FileAppend_Run();
    EXPECT_EQ("x\n", s.out("calls.txt"));
    const std::string log = s.program.EventLog();
    EXPECT_NE(std::string::npos, log.find("[FileAppend] rule 1 skipped: no destination"));
    EXPECT_EQ(log.find("rule 1 skipped"), log.rfind("rule 1 skipped"));
}

}  // namespace
