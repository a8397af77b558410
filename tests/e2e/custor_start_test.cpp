#include <gtest/gtest.h>
#include "installation.h"
#include <string>

namespace {
int FrameHeight(HWND frame)
{
    RECT r = {};
    GetWindowRect(frame, &r);
    return r.bottom - r.top;
}
}  // namespace

TEST(CustorProgram, StartsLogsAndEndsOnTheEndCommand)
{
    Installation inst;
    inst.dir.write("custor.ini", "[ByTitle]\nNO SUCH PROGRAM=c:\\nothing\\none.exe\n");
    ASSERT_TRUE(inst.Start());  // the frame and the " Custor: Start" line
    EXPECT_FALSE(IsWindowVisible(inst.frame));  // lives in the tray
    EXPECT_TRUE(inst.dir.exists("Custor.LOK"));

    EXPECT_EQ(0, inst.End());
    const std::string log = inst.Log();
    ASSERT_GE(log.size(), 8u);
    EXPECT_EQ(" Custor: End \r\n", log.substr(log.size() - 15));
    EXPECT_FALSE(inst.dir.exists("Custor.LOK"));
}

TEST(CustorProgram, ASecondCopyEndsWithExitCodeOneAndWritesNothing)
{
    Installation inst;
    ASSERT_TRUE(inst.Start());
    const std::string before = inst.Log();

    ChildProcess second;
    ASSERT_TRUE(second.Start("\"" + inst.exe + "\"", inst.dir.path()));
    EXPECT_EQ(1, second.Wait(15000));
    EXPECT_EQ(before, inst.Log());
    EXPECT_TRUE(inst.custor.Running());
    EXPECT_EQ(0, inst.End());
}

TEST(CustorProgram, AStaleLockFileDoesNotBlockTheStart)
{
    Installation inst;
    inst.dir.write("Custor.LOK", "left behind by a crash");
    ASSERT_TRUE(inst.Start());
    EXPECT_EQ(0, inst.End());
}

TEST(CustorProgram, PicksUpAConfigurationEditWithinTenSeconds)
{
    Installation inst;
    inst.dir.write("custor.ini", "[ByTitle]\nA=c:\\none\\a.exe\n");
    ASSERT_TRUE(inst.Start());
    HWND frame = inst.frame;
    // Supervision has started (the frame fitted to the list) once the version shows.
    ASSERT_TRUE(WaitUntil([&] { return StatusBarText(frame).find("V 1.56") == 0; }, 15000));
    const int oneEntry = FrameHeight(frame);

    // Written at once after the first read: the edit is told by its size, whatever the clock.
    std::string ini = "[ByTitle]\nA=c:\\none\\a.exe\n";
    for (int i = 0; i < 5; ++i) ini += "B" + std::to_string(i) + "=c:\\none\\b.exe\n";
    ini += "[Timing]\nNotRunningError=0\n";
    inst.dir.write("custor.ini", ini);
    const DWORD edited = GetTickCount();
    EXPECT_TRUE(WaitUntil([&] { return FrameHeight(frame) > oneEntry; }, 15000));
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas("NotRunningError 0 is too small"); }, 5000));
    // Ten seconds by the slow block, with room for a loaded machine.
    EXPECT_LT(GetTickCount() - edited, 15000u);
    EXPECT_EQ(0, inst.End());
}
