#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "housekeeping/file_basics.h"
#include "partner/lock.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace {

const char kStillRunning[] =
    "Tarnwell|An instance of CUSTOR.EXE is still running. Please check your task manager, "
    "your service configuration or your network server.";

// Every test starts and ends unlocked; process ends and message boxes go to the fake host.
class Lock : public testing::Test {
protected:
    void TearDown() override
    {
        LOCK_Stop();
        LOCK_Stop2();
    }
    std::string Program() const { return dir.file("CUSTOR.EXE"); }

    FakeHost host;
    TempDir dir;
};

// Another copy holding the lock file, played by this process with a second open handle.
struct OtherCopy {
    explicit OtherCopy(const std::string& lockFile)
        : file(FILE_fopen(lockFile.c_str(), "ab", TRUE)) {}
    ~OtherCopy() { if (file) fclose(file); }
    FILE* file;
};

}  // namespace

TEST_F(Lock, TakesTheLockFileBesideTheProgramAndRemovesItOnStop)
{
    EXPECT_TRUE(LOCK_Start(Program().c_str(), TRUE, TRUE, nullptr));
    EXPECT_TRUE(dir.exists("CUSTOR.LOK"));
    EXPECT_EQ("", dir.read("CUSTOR.LOK"));
    EXPECT_TRUE(isLOCKED(dir.path(), "CUSTOR.EXE", nullptr));
    EXPECT_TRUE(LOCK_Stop());
    EXPECT_FALSE(dir.exists("CUSTOR.LOK"));
    EXPECT_FALSE(isLOCKED(dir.path(), "CUSTOR.EXE", nullptr));
    EXPECT_TRUE(LOCK_Stop());  // releasing twice is harmless
    EXPECT_TRUE(host.exitCodes.empty());
}

TEST_F(Lock, NameLosesExactlyThreeCharactersWhateverTheExtension)
{
    EXPECT_TRUE(LOCK_Start(dir.file("watch.pl").c_str(), FALSE, TRUE, nullptr));
    EXPECT_TRUE(dir.exists("watchLOK"));
    LOCK_Stop();
    EXPECT_TRUE(LOCK_Start(dir.file("WATCH.HTML").c_str(), FALSE, TRUE, nullptr));
    EXPECT_TRUE(dir.exists("WATCH.HLOK"));
    LOCK_Stop();
    EXPECT_FALSE(dir.exists("WATCH.HLOK"));

    // Too short to lose three characters, or too long for a path: no lock file is named.
    EXPECT_FALSE(LOCK_Start("ab", FALSE, TRUE, nullptr));
    EXPECT_FALSE(LOCK_Start("", FALSE, TRUE, nullptr));
    EXPECT_FALSE(LOCK_Start(nullptr, FALSE, TRUE, nullptr));
    const std::string tooLong = dir.file((std::string(300, 'x') + ".EXE").c_str());
    EXPECT_FALSE(LOCK_Start(tooLong.c_str(), TRUE, TRUE, nullptr));
    EXPECT_EQ(std::vector<UINT>{1u}, host.exitCodes);
    EXPECT_FALSE(isLOCKED("a", "b", nullptr));
    EXPECT_FALSE(isLOCKED2(dir.path(), std::string(300, 'y').c_str()));
    EXPECT_FALSE(LOCK_Start2(nullptr, nullptr, FALSE));
}

TEST_F(Lock, TakingAnotherPathReleasesTheEarlierLock)
{
    ASSERT_TRUE(LOCK_Start(Program().c_str(), TRUE, TRUE, nullptr));
    ASSERT_TRUE(LOCK_Start(dir.file("OTHER.EXE").c_str(), TRUE, TRUE, nullptr));
    EXPECT_FALSE(dir.exists("CUSTOR.LOK"));
    EXPECT_TRUE(isLOCKED(dir.path(), "OTHER.EXE", nullptr));
    LOCK_Stop();
    EXPECT_FALSE(dir.exists("OTHER.LOK"));
}

TEST_F(Lock, StaleLockFileIsDeletedAndTakenAgain)
{
    dir.write("CUSTOR.LOK", "crashed copy");
    EXPECT_TRUE(LOCK_Start(Program().c_str(), TRUE, FALSE, "Custor 1.56"));
    EXPECT_EQ("Custor 1.56", dir.read("CUSTOR.LOK"));
    EXPECT_TRUE(host.exitCodes.empty());
    EXPECT_TRUE(host.messageBoxes.empty());
}

TEST_F(Lock, SecondTakerEndsWithExitCodeOneWithoutAMessageWhenQuiet)
{
    OtherCopy other(dir.file("CUSTOR.LOK"));
    ASSERT_NE(nullptr, other.file);
    EXPECT_FALSE(LOCK_Start(Program().c_str(), TRUE, TRUE, "second"));
    EXPECT_EQ(std::vector<UINT>{1u}, host.exitCodes);
    EXPECT_TRUE(host.messageBoxes.empty());
    // The holder's file is neither deleted nor written to.
    EXPECT_TRUE(dir.exists("CUSTOR.LOK"));
    EXPECT_EQ("", dir.read("CUSTOR.LOK"));
}

TEST_F(Lock, SecondTakerShowsTheMessageUnlessQuiet)
{
    OtherCopy other(dir.file("CUSTOR.LOK"));
    ASSERT_NE(nullptr, other.file);
    EXPECT_FALSE(LOCK_Start(Program().c_str(), FALSE, FALSE, nullptr));
    ASSERT_EQ(1u, host.messageBoxes.size());
    EXPECT_EQ(kStillRunning, host.messageBoxes[0]);
    EXPECT_TRUE(host.exitCodes.empty());

    EXPECT_FALSE(LOCK_Start(Program().c_str(), TRUE, FALSE, nullptr));
    EXPECT_EQ(2u, host.messageBoxes.size());
    EXPECT_EQ(std::vector<UINT>{1u}, host.exitCodes);
}

TEST_F(Lock, MissingDirectoryBehavesAsIfAnotherCopyRan)
{
    const std::string program = dir.file("missing\\CUSTOR.EXE");
    EXPECT_FALSE(LOCK_Start(program.c_str(), TRUE, TRUE, nullptr));
    EXPECT_EQ(std::vector<UINT>{1u}, host.exitCodes);
    // Nobody can hold a lock file that cannot exist.
    EXPECT_FALSE(isLOCKED(dir.file("missing\\").c_str(), "CUSTOR.EXE", nullptr));
    EXPECT_FALSE(isLOCKED2(dir.file("missing\\").c_str(), "CUSTOR.EXE"));
}

TEST_F(Lock, IsLockedReadsTheHoldersText)
{
    OtherCopy other(dir.file("CUSTOR.LOK"));
    ASSERT_NE(nullptr, other.file);
    fputs("Custor on SERVER1\r\nsecond line", other.file);
    fflush(other.file);
    char holder[MAX_PATH] = "old";
    EXPECT_TRUE(isLOCKED(dir.path(), "CUSTOR.EXE", holder));
    EXPECT_STREQ("Custor on SERVER1", holder);
    EXPECT_TRUE(isLOCKED(dir.path(), "CUSTOR.EXE", nullptr));
    EXPECT_TRUE(dir.exists("CUSTOR.LOK"));
}

TEST_F(Lock, IsLockedReadsAtMostAPathBufferOfText)
{
    const std::string longText(400, 'h');
    ASSERT_TRUE(LOCK_Start(Program().c_str(), FALSE, TRUE, longText.c_str()));
    char holder[MAX_PATH + 8];
    memset(holder, '#', sizeof(holder));
    // This process holds the lock, so the test open fails as it would for another process.
    EXPECT_TRUE(isLOCKED(dir.path(), "CUSTOR.EXE", holder));
    EXPECT_EQ(std::string(259, 'h'), holder);
    EXPECT_EQ('#', holder[MAX_PATH]);
}

TEST_F(Lock, IsLockedOnAFreeLockDeletesTheFileItCreated)
{
    char holder[MAX_PATH] = "left over";
    EXPECT_FALSE(isLOCKED(dir.path(), "CUSTOR.EXE", holder));
    EXPECT_STREQ("", holder);
    EXPECT_FALSE(dir.exists("CUSTOR.LOK"));

    dir.write("CUSTOR.LOK", "crashed copy");
    EXPECT_FALSE(isLOCKED(dir.path(), "CUSTOR.EXE", nullptr));
    EXPECT_FALSE(dir.exists("CUSTOR.LOK"));
    EXPECT_FALSE(isLOCKED2(dir.path(), "CUSTOR.EXE"));
    EXPECT_FALSE(dir.exists("CUSTOR.LOK"));
}

TEST_F(Lock, SecondLockIsIndependentOfTheFirst)
{
    ASSERT_TRUE(LOCK_Start(Program().c_str(), TRUE, TRUE, nullptr));
    EXPECT_TRUE(LOCK_Start2(dir.path(), "FAXSRV.EXE", TRUE));
    EXPECT_TRUE(dir.exists("FAXSRV.LOK"));
    EXPECT_TRUE(isLOCKED2(dir.path(), "FAXSRV.EXE"));
    EXPECT_TRUE(isLOCKED2(dir.path(), "CUSTOR.EXE"));

    EXPECT_TRUE(LOCK_Stop2());
    EXPECT_FALSE(dir.exists("FAXSRV.LOK"));
    EXPECT_FALSE(isLOCKED2(dir.path(), "FAXSRV.EXE"));
    EXPECT_TRUE(isLOCKED(dir.path(), "CUSTOR.EXE", nullptr));
    EXPECT_TRUE(host.exitCodes.empty());
}

TEST_F(Lock, SecondLockFailsSilentlyOrEndsWithExitCodeOne)
{
    OtherCopy other(dir.file("FAXSRV.LOK"));
    ASSERT_NE(nullptr, other.file);
    EXPECT_FALSE(LOCK_Start2(dir.path(), "FAXSRV.EXE", FALSE));
    EXPECT_TRUE(host.exitCodes.empty());
    EXPECT_FALSE(LOCK_Start2(dir.path(), "FAXSRV.EXE", TRUE));
    EXPECT_EQ(std::vector<UINT>{1u}, host.exitCodes);
    EXPECT_TRUE(host.messageBoxes.empty());
    EXPECT_TRUE(dir.exists("FAXSRV.LOK"));
}
