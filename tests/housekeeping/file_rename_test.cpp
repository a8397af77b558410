#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "housekeeping/jobs.h"
#include "housekeeping/log_jobs.h"
#include "support/program_dir.h"
#include "support/second_drive.h"

namespace {

struct RenameSetup {
    RenameSetup()
    {
        LogJobs_Reset();
        CreateDirectoryA(program.dir.file("in").c_str(), nullptr);
    }
    ~RenameSetup() { LogJobs_Reset(); }
    void Rule(const std::string& target) const
    {
        program.WriteConfig("[FileRename]\n1=" + program.dir.file("in") + "\\*.cdr," + target + "\n");
    }
    ProgramDir program;
};

TEST(FileRename, RunsOncePerMinuteAndTheLastListedFileRemains)
{
    RenameSetup s;
    const std::string target = s.program.dir.file("current.cdr");
    s.Rule(target);
    s.program.dir.write("in\\a.cdr", "a");
    s.program.host.SetTime(2024, 3, 5, 14, 7, 0);
    FileRename_Run();
    EXPECT_EQ("a", s.program.dir.read("current.cdr"));
    EXPECT_FALSE(s.program.dir.exists("in\\a.cdr"));

    // Called again within the same minute: nothing happens.
    s.program.dir.write("in\\b.cdr", "b");
    s.program.host.SetTime(2024, 3, 5, 14, 7, 59);
    FileRename_Run();
    EXPECT_TRUE(s.program.dir.exists("in\\b.cdr"));

    s.program.host.SetTime(2024, 3, 5, 14, 8, 0);
    s.program.dir.write("in\\c.cdr", "c");
    FileRename_Run();
    EXPECT_FALSE(s.program.dir.exists("in\\b.cdr"));
    EXPECT_FALSE(s.program.dir.exists("in\\c.cdr"));
    const std::string now = s.program.dir.read("current.cdr");
    EXPECT_TRUE(now == "b" || now == "c") << now;
}

TEST(FileRename, ATargetMatchingThePatternIsNotMovedOntoItself)
{
    RenameSetup s;
    const std::string target = s.program.dir.file("in\\current.cdr");
    s.Rule(target);
    s.program.dir.write("in\\current.cdr", "kept");
    FileRename_Run();
    EXPECT_EQ("kept", s.program.dir.read("in\\current.cdr"));
}

TEST(FileRename, AFailedMoveKeepsTheSourceAndTheOldTarget)
{
    RenameSetup s;
    // The target's directory does not exist: neither a rename nor a copy can succeed.
    s.Rule(s.program.dir.file("missing\\current.cdr"));
    s.program.dir.write("in\\a.cdr", "a");
    FileRename_Run();
    EXPECT_EQ("a", s.program.dir.read("in\\a.cdr"));
}

TEST(FileRename, ToAnotherDriveTheFileIsCopiedAndTheSourceRemoved)
{
    SecondDrive drive;
    ASSERT_TRUE(drive.ok()) << drive.error();
    RenameSetup s;
    s.Rule(drive.file("current.cdr"));
    s.program.dir.write("in\\a.cdr", "content of a");
    FileRename_Run();
    EXPECT_EQ("content of a", ReadWholeFile(drive.file("current.cdr")));
    EXPECT_FALSE(s.program.dir.exists("in\\a.cdr"));
}

}  // namespace
