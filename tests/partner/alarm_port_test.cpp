// The serial keep-alive on a real serial line: Wine's "\\.\COM<n>" leads to a socat
// pseudo-terminal whose other end the test reads (serial_line.h tells how and why).
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "core/config.h"
#include "core/supervision.h"
#include "partner/alarm_port.h"
#include "support/serial_line.h"
#include "support/program_dir.h"

namespace {

const size_t kBlock = 1500;

// Not under Wine: skipped (the lines are pseudo-terminals). Under Wine without socat: failed,
// scripts/test installs it.
#define REQUIRE_SERIAL_LINES()                                                   \
    do {                                                                         \
        const std::string why = SerialLine::Unavailable();                       \
        if (why.find("not running under Wine") == 0) GTEST_SKIP() << why;        \
        ASSERT_EQ("", why);                                                      \
    } while (0)

// Closes the port at the end of a test, before its line goes away.
struct PortClosed {
    ~PortClosed() { AlarmPort_Close(); }
};

bool AllKeepAlive(const std::string& bytes)
{
    return bytes.find_first_not_of('U') == std::string::npos;
}

int CountOf(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(AlarmPort, KeepAliveStreamsUAt9600EightNOneAndFallsSilentWhenNotCalled)
{
    REQUIRE_SERIAL_LINES();
    ProgramDir p;
    SerialLine line(41);
    ASSERT_TRUE(line.Start());
    PortClosed closed;
    p.WriteConfig("[Common]\nWatchCom=COM41\n");
    ASSERT_TRUE(AlarmPort_Open("COMMON"));

    // The line as Linux sees it: 9600 baud, 8 data bits, no parity, one stop bit, no hardware
    // or XON/XOFF flow control.
    const std::string settings = line.LineSettings();
    EXPECT_NE(std::string::npos, settings.find("speed 9600 baud")) << settings;
    for (const char* flag : {" cs8", "-parenb", "-cstopb", "-crtscts", "-ixon", "-ixoff"})
        EXPECT_NE(std::string::npos, settings.find(flag)) << flag << "\n" << settings;

    // While all is well: one block of 1500 "U" per call (a pseudo-terminal has no output
    // queue to hold a block back).
    for (int second = 0; second < 3; ++second) {
        EXPECT_TRUE(AlarmPort_KeepAlive());
        Sleep(300);
    }
    ASSERT_TRUE(line.WaitReceived(3 * kBlock));
    EXPECT_EQ(3 * kBlock, line.Received().size());
    EXPECT_TRUE(AllKeepAlive(line.Received()));

    // An alarm is due: no calls, no bytes.
    Sleep(1500);
    EXPECT_EQ(3 * kBlock, line.Received().size());

    // Confirmed: the stream resumes.
    EXPECT_TRUE(AlarmPort_KeepAlive());
    EXPECT_TRUE(AlarmPort_KeepAlive());
    ASSERT_TRUE(line.WaitReceived(5 * kBlock));
    Sleep(200);
    EXPECT_EQ(5 * kBlock, line.Received().size());
    EXPECT_TRUE(AllKeepAlive(line.Received()));
    EXPECT_EQ(std::string::npos, p.EventLog().find("Comport")) << p.EventLog();
}

TEST(AlarmPort, LowerCaseValueOpensTheDevice)
{
    REQUIRE_SERIAL_LINES();
    ProgramDir p;
    SerialLine line(3);
    ASSERT_TRUE(line.Start());
    PortClosed closed;
    p.WriteConfig("[Common]\nWatchCom=com3\n");
    ASSERT_TRUE(AlarmPort_Open("COMMON"));
    EXPECT_TRUE(AlarmPort_KeepAlive());
    ASSERT_TRUE(line.WaitReceived(kBlock));
    EXPECT_EQ(std::string(kBlock, 'U'), line.Received());
}

TEST(AlarmPort, PrinterPortLeadingBlankOrEmptyValueOpenNothing)
{
    REQUIRE_SERIAL_LINES();
    ProgramDir p;
    SerialLine line(42);
    ASSERT_TRUE(line.Start());
    PortClosed closed;

    p.WriteConfig("[Common]\nWatchCom=LPT1\n");
    EXPECT_FALSE(AlarmPort_Open("COMMON"));
    EXPECT_TRUE(AlarmPort_KeepAlive());  // without a port: nothing to do

    // Quotes keep the blank in the value; COM42 exists, but " COM42" is no serial port name.
    p.WriteConfig("[Common]\nWatchCom=\" COM42\"\n");
    char value[CONFIG_VALUE_SIZE];
    Config_GetText("COMMON", "WatchCom", "", value, sizeof(value));
    ASSERT_STREQ(" COM42", value);
    EXPECT_FALSE(AlarmPort_Open("COMMON"));
    EXPECT_TRUE(AlarmPort_KeepAlive());

    p.WriteConfig("[Common]\nWatchCom=\n");
    EXPECT_FALSE(AlarmPort_Open("COMMON"));
    p.WriteConfig("[Other]\nWatchCom=COM42\n");
    EXPECT_FALSE(AlarmPort_Open("COMMON"));  // only the given section counts
    EXPECT_TRUE(AlarmPort_KeepAlive());

    Sleep(300);
    EXPECT_EQ("", line.Received());
    EXPECT_EQ("", p.EventLog());

    // The same device by its proper name: it was free all along.
    p.WriteConfig("[Common]\nWatchCom=COM42\n");
    EXPECT_TRUE(AlarmPort_Open("COMMON"));
}

TEST(AlarmPort, MissingDeviceOrRefusedSettingsOpenNothing)
{
    REQUIRE_SERIAL_LINES();
    ProgramDir p;
    PortClosed closed;
    ASSERT_TRUE(SerialLine::Shell("rm -f '" + SerialLine::DeviceLink(43) + "'"));
    ASSERT_FALSE(SerialLine::DeviceExists(43));
    p.WriteConfig("[Common]\nWatchCom=COM43\n");
    EXPECT_FALSE(AlarmPort_Open("COMMON"));
    EXPECT_TRUE(AlarmPort_KeepAlive());

    // A device that is no serial line: it opens, but its line settings cannot be read.
    const std::string link = SerialLine::DeviceLink(44);
    ASSERT_TRUE(SerialLine::Shell("ln -sfn /dev/null '" + link + "'"));
    p.WriteConfig("[Common]\nWatchCom=COM44\n");
    EXPECT_FALSE(AlarmPort_Open("COMMON"));
    EXPECT_TRUE(AlarmPort_KeepAlive());
    SerialLine::Shell("rm -f '" + link + "'");
    EXPECT_EQ("", p.EventLog());  // the caller reports the failed open
}

TEST(AlarmPort, AWriteErrorIsReportedOnceWithTheSystemsText)
{
    REQUIRE_SERIAL_LINES();
    ProgramDir p;
    SerialLine line(45);
    ASSERT_TRUE(line.Start());
    PortClosed closed;
    p.WriteConfig("[Common]\nWatchCom=COM45\n");
    ASSERT_TRUE(AlarmPort_Open("COMMON"));
    EXPECT_TRUE(AlarmPort_KeepAlive());
    ASSERT_TRUE(line.WaitReceived(kBlock));

    // The far end goes away: the pseudo-terminal has no reader and every access fails.
    line.Stop();
    EXPECT_FALSE(AlarmPort_KeepAlive());  // a new error: the caller restarts the program
    const std::string log = p.EventLog();
    ASSERT_EQ(1, CountOf(log, "Comport ")) << log;
    // "05.03.24 14:07:09 Comport <text>\r\n", the same text on the status line.
    const size_t at = log.find("05.03.24 14:07:09 Comport ");
    ASSERT_EQ(0u, at) << log;
    const std::string text = log.substr(26, log.size() - 26 - 2);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ("\r\n", log.substr(log.size() - 2));
    EXPECT_EQ(text, Status_Get());

    // The same error again: nothing new to report.
    EXPECT_TRUE(AlarmPort_KeepAlive());
    EXPECT_TRUE(AlarmPort_KeepAlive());
    EXPECT_EQ(log, p.EventLog());
}

TEST(AlarmPort, CloseEndsTheStreamAndFreesThePort)
{
    REQUIRE_SERIAL_LINES();
    ProgramDir p;
    SerialLine line(46);
    ASSERT_TRUE(line.Start());
    PortClosed closed;
    const int unused = line.OpenCount();
    ASSERT_LE(0, unused);
    p.WriteConfig("[Common]\nWatchCom=COM46\n");
    ASSERT_TRUE(AlarmPort_Open("COMMON"));
    EXPECT_LT(unused, line.OpenCount());
    EXPECT_TRUE(AlarmPort_KeepAlive());
    ASSERT_TRUE(line.WaitReceived(kBlock));

    AlarmPort_Close();
    EXPECT_EQ(unused, line.OpenCount());
    AlarmPort_Close();  // twice is harmless
    EXPECT_TRUE(AlarmPort_KeepAlive());
    Sleep(300);
    EXPECT_EQ(kBlock, line.Received().size());

    // The port is free again: opened once more, the stream goes on.
    ASSERT_TRUE(AlarmPort_Open("COMMON"));
    EXPECT_TRUE(AlarmPort_KeepAlive());
    ASSERT_TRUE(line.WaitReceived(2 * kBlock));
    EXPECT_TRUE(AllKeepAlive(line.Received()));
}
