#include <gtest/gtest.h>
#include "installation.h"
#include "support/serial_line.h"

// The whole chain on a real serial line: a cooperating server that cannot be started raises
// an application problem, which after ExternOn silences the keep-alive; "Confirm error"
// brings the stream back.
TEST(CustorAlarm, KeepAliveFallsSilentAfterExternOnAndResumesOnConfirmation)
{
    const std::string unavailable = SerialLine::Unavailable();
    ASSERT_EQ("", unavailable);
    SerialLine line(61);
    ASSERT_TRUE(line.Start());

    Installation inst;
    inst.dir.write("custor.ini", "[Common]\nWatchCom=com61\n"
                                 "[ByMessage]\nLOST SERVER=c:\\no\\such\\server.exe -x\n"
                                 "[Timing]\nNotRunningError=2\nExternOn=5\n");
    ASSERT_TRUE(inst.Start());
    // While all is well the line carries the "U" stream.
    ASSERT_TRUE(line.WaitReceived(3000, 15000));
    EXPECT_EQ(std::string::npos, line.Received().find_first_not_of('U'));

    // Missing for more than NotRunningError + 5 s: an application problem; ExternOn later the
    // stream stops and the reason is logged.
    ASSERT_TRUE(WaitUntil([&] {
        return inst.LogHas("Comport deactivated: Application problem with LOST SERVER\r\n");
    }, 40000));
    Sleep(1500);  // a write issued just before may still arrive
    const size_t silent = line.Received().size();
    Sleep(3000);
    EXPECT_EQ(silent, line.Received().size());
    EXPECT_FALSE(inst.LogHas("Comport activated"));  // the first second wrote no line

    PostMessageA(inst.frame, WM_COMMAND, 102, 0);  // "Confirm error"
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas(" Custor: Error confirmed by user\r\n"); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas("Comport activated\r\n"); }, 5000));
    EXPECT_TRUE(line.WaitReceived(silent + 3000, 10000));
    EXPECT_EQ(0, inst.End());
}
