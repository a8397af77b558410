// Updates dropped into SWUPDATE of a running installation: a service's program file is put
// in place once the service is closed, and a new Custor.exe goes through the updater.
#include <gtest/gtest.h>
#include "installation.h"
#include "support/pass_helpers.h"

namespace {

// A program file with some bytes after it, so the new file can be told from the old one.
std::string MarkedCopy(const std::string& program, const char* mark)
{
    return ReadWholeFile(program) + mark;
}

}  // namespace

TEST(CustorUpdate, AServiceFileIsInstalledAfterTheServiceIsClosedAndTheServiceStartsAgain)
{
    Installation inst;
    const std::string fake = inst.CopyFakeService("gate2.exe");
    const std::string title = UniqueTitle("E2E GATE");
    const std::string log = inst.dir.file("service.log");
    inst.dir.write("custor.ini",
                   "[ByMessage]\n" + title + "=" + FakeCommand(fake, log, title, "--status 0") +
                       "\n[Timing]\nNoResponseWarning=5\nNoResponseError=4\nNotRunningError=2\n"
                       "Update_Waittime=2\n");
    CreateDirectoryA(inst.dir.file("SWUPDATE").c_str(), nullptr);
    ASSERT_TRUE(inst.Start());
    const std::string pattern = Upper(title);
    ASSERT_TRUE(WaitUntil([&] { return ReadWholeFile(log).find("ok") != std::string::npos; }, 20000));

    const std::string update = MarkedCopy(fake, "new version of gate2");
    inst.dir.write("SWUPDATE\\GATE2.EXE", update);
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas(" Custor: Update OK: Gate2\r\n"); }, 90000))
        << inst.Log();
    EXPECT_NE(std::string::npos, ReadWholeFile(log).find("close"));
    EXPECT_TRUE(inst.dir.read("gate2.exe") == update) << "the new file is in place";
    EXPECT_FALSE(inst.dir.exists("SWUPDATE\\GATE2.EXE"));

    // The watchdog answers again after its pause, and the supervision starts the service.
    DWORD_PTR result = 0;
    EXPECT_NE(0, SendMessageTimeoutA(inst.frame, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_TRUE(WaitUntil([&] { return Occurrences(inst.Log(), "  Start: " + pattern) >= 2; }, 20000))
        << inst.Log();
    EXPECT_TRUE(WaitUntil([&] { return FindWindowA(nullptr, title.c_str()) != nullptr; }, 15000));
    EXPECT_EQ(0, Occurrences(inst.Log(), "   Kill: "));
    EXPECT_EQ(0, inst.End());
}

TEST(CustorUpdate, ANewCustorAloneIsInstalledByTheUpdaterAndStarts)
{
    Installation inst;
    ASSERT_TRUE(CopyFileA(SiblingProgram("swupd.exe").c_str(), inst.dir.file("swupd.exe").c_str(),
                          FALSE));
    inst.dir.write("custor.ini", "[Timing]\nUpdate_Waittime=2\n");
    CreateDirectoryA(inst.dir.file("SWUPDATE").c_str(), nullptr);
    const std::string update = MarkedCopy(inst.exe, "new version of the watchdog");
    inst.dir.write("SWUPDATE\\CUSTOR.EXE", update);
    ASSERT_TRUE(inst.Start());

    EXPECT_EQ(0, inst.custor.Wait(60000)) << inst.Log();
    EXPECT_TRUE(inst.LogHas(" Custor: Update\r\n"));
    // The updater put the new file in place and started it: a second "Start".
    EXPECT_TRUE(WaitUntil([&] { return Occurrences(inst.Log(), " Custor: Start\r\n") == 2; }, 30000))
        << inst.Log();
    EXPECT_TRUE(inst.dir.read("Custor.exe") == update);
    EXPECT_FALSE(inst.dir.exists("SWUPDATE\\CUSTOR.EXE"));
    // The new program runs from the installation with its frame (ended with the directory).
    EXPECT_TRUE(WaitUntil([&] {
        for (DWORD id : ProcessesFrom(inst.dir.path()))
            if (FindWindowOfProcess(id, nullptr, "Custor")) return true;
        return false;
    }, 15000));
}
