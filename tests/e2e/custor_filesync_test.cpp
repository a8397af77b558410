#include <gtest/gtest.h>
#include "installation.h"
#include "support/second_drive.h"
#include <string>

// The scheduled transfer in the real program: the worker mirrors the folder to the backup
// drive beside the running supervision and writes its statistics line.
TEST(CustorFileSync, TheScheduleMirrorsToTheBackupDriveOnTheWorker)
{
    Installation inst;
    SecondDrive backup;
    ASSERT_TRUE(backup.ok()) << backup.error();
    CreateDirectoryA(inst.dir.file("data").c_str(), nullptr);
    CreateDirectoryA(inst.dir.file("data\\sub").c_str(), nullptr);
    inst.dir.write("data\\a.txt", "alpha");
    inst.dir.write("data\\sub\\b.txt", "beta");
    // Due at the first slow block: the times start five minutes back, AutoTime is a minute.
    inst.dir.write("custor.ini", std::string("[FileSync]\nSyncStart=0\nSyncStop=24\n") +
                                     "AutoTime=1\nWriteLog=1\n1=" + inst.dir.path() +
                                     "data\\*.*, " + backup.file("mirror") + "\n");
    ASSERT_TRUE(inst.Start());
    const std::string copied = backup.file("mirror\\sub\\b.txt");
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(copied) == "beta"; }, 40000)) << inst.Log();
    EXPECT_EQ("alpha", ReadWholeFile(backup.file("mirror\\a.txt")));
    EXPECT_TRUE(WaitUntil([&] { return inst.dir.read("filesync.txt").find("+2") !=
                                       std::string::npos; }, 10000))
        << inst.dir.read("filesync.txt");
    // Supervision went on meanwhile and the program ends normally.
    EXPECT_EQ(0, inst.End());
}
