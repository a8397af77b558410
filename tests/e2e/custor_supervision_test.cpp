#include <gtest/gtest.h>
#include "installation.h"
#include "support/pass_helpers.h"

// Short time limits: a program is probed every 10 s, so the warning time must exceed that.
static const char kTiming[] =
    "[Timing]\nNoResponseWarning=12\nNoResponseError=6\nNotRunningError=2\n";

TEST(CustorSupervision, AMissingProgramIsStartedAndAHungOneKilledAndStartedAgain)
{
    Installation inst;
    const std::string fake = inst.CopyFakeService("fakesvc.exe");
    const std::string title = UniqueTitle("E2E HANGER");
    const std::string log = inst.dir.file("service.log");
    inst.dir.write("custor.ini",
                   "[ByTitle]\n" + title + "=" + FakeCommand(fake, log, title, "--hang-after 3") + "\n" +
                       kTiming);
    ASSERT_TRUE(inst.Start());
    const std::string pattern = Upper(title);
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas("  Start: " + pattern + "\r\n"); }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return FindWindowA(nullptr, title.c_str()) != nullptr; }, 10000));
    // Hung after 3 s: no answer for 12 s, then 6 s of "no response" until the kill.
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas("   Kill: " + pattern + "\r\n"); }, 40000));
    EXPECT_TRUE(WaitUntil([&] { return Occurrences(inst.Log(), "  Start: " + pattern) >= 2; }, 15000));
    EXPECT_EQ(0, inst.End());
}

TEST(CustorSupervision, ASilentCooperatingProgramIsStoppedFriendlyThenKilled)
{
    Installation inst;
    const std::string fake = inst.CopyFakeService("fakesvc.exe");
    const std::string title = UniqueTitle("E2E SILENT");
    const std::string log = inst.dir.file("service.log");
    inst.dir.write("custor.ini",
                   "[ByMessage]\n" + title + "=" + FakeCommand(fake, log, title, "--silent-after 0 --ignore-close") +
                       "\n[Timing]\nNoResponseWarning=5\nNoResponseError=4\n"
                                     "NotRunningError=30\n");
    ChildProcess service;
    ASSERT_TRUE(service.Start(FakeCommand(fake, log, title, "--silent-after 0 --ignore-close"),
                              inst.dir.path()));
    ASSERT_TRUE(WaitForWindow(service.Id(), title.c_str(), 10000) != nullptr);
    ASSERT_TRUE(inst.Start());
    const std::string pattern = Upper(title);
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas("    End: " + pattern + "\r\n"); }, 20000));
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(log).find("close ignored") != std::string::npos; }, 5000));
    EXPECT_TRUE(service.Running());
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas("   Kill: " + pattern + "\r\n"); }, 15000));
    service.Wait(10000);
    EXPECT_FALSE(service.Running());
    // The probes reached the program before it fell silent for good.
    EXPECT_NE(std::string::npos, ReadWholeFile(log).find("probe 0xA0 1"));
    EXPECT_EQ(0, inst.End());
}

TEST(CustorSupervision, ACooperatingServersReportsAreTaken)
{
    Installation inst;
    const std::string fake = inst.CopyFakeService("fakesvc.exe");
    const std::string title = UniqueTitle("E2E REPORTER");
    const std::string log = inst.dir.file("service.log");
    inst.dir.write("custor.ini",
                   "[ByMessage]\n" + title + "=" + FakeCommand(fake, log, title, "--status 0x0203") +
                       "\n[Timing]\nNoResponseWarning=5\nNoResponseError=4\n"
                                     "NotRunningError=2\n");
    ASSERT_TRUE(inst.Start());
    // Started by Custor, probed, and its reports keep it healthy: never stopped.
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(log).find("report 0x203 ok") != std::string::npos; }, 20000));
    Sleep(8000);
    EXPECT_EQ(0, Occurrences(inst.Log(), "    End: " + Upper(title)));
    EXPECT_EQ(0, Occurrences(inst.Log(), "   Kill: "));
    EXPECT_EQ(0, inst.End());
}

TEST(CustorSupervision, ACrashWindowIsClosedWithEnter)
{
    Installation inst;
    const std::string body = "crashy" + std::to_string(GetCurrentProcessId());
    const std::string fake = inst.CopyFakeService((body + ".exe").c_str());
    const std::string title = UniqueTitle("E2E CRASHER");
    const std::string log = inst.dir.file("service.log");
    inst.dir.write("custor.ini",
                   "[ByTitle]\n" + title + "=" + FakeCommand(fake, log, title, "--crash-after 2") + "\n" +
                       kTiming);
    ASSERT_TRUE(inst.Start());
    const std::string pattern = Upper(title);
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas("    End: " + pattern + " (crash)\r\n"); }, 40000));
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(log).find("by return") != std::string::npos; }, 5000));
    EXPECT_EQ(0, inst.End());
}
