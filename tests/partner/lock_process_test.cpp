// The lock between real processes: tools/lockholder.exe takes it as a second copy would.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string>

#include "partner/lock.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace {

std::string SiblingProgram(const char* name)
{
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, sizeof(self));
    std::string path(self, n);
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

// One run of the lock holder with its own ready and quit events.
class Holder {
public:
    Holder(const std::string& program, const char* text)
    {
        static int serial = 0;
        snprintf(events_, sizeof(events_), "CustorLockTest_%lu_%d", GetCurrentProcessId(),
                 ++serial);
        ready_ = CreateEventA(nullptr, TRUE, FALSE, (std::string(events_) + ".ready").c_str());
        quit_ = CreateEventA(nullptr, TRUE, FALSE, (std::string(events_) + ".quit").c_str());

        std::string commandLine = "\"" + SiblingProgram("lockholder.exe") + "\" \"" + program +
                                  "\" 60000 " + events_;
        if (text) commandLine += std::string(" \"") + text + "\"";
        char buffer[1024];
        snprintf(buffer, sizeof(buffer), "%s", commandLine.c_str());
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        started_ = CreateProcessA(nullptr, buffer, nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &process_) != 0;
    }
    ~Holder()
    {
        if (started_) {
            SetEvent(quit_);
            if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
                TerminateProcess(process_.hProcess, 99);
            }
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        CloseHandle(ready_);
        CloseHandle(quit_);
    }

    bool started() const { return started_; }
    // True once the holder has the lock; false when it ended first or took too long.
    bool WaitUntilHeld()
    {
        HANDLE both[2] = {ready_, process_.hProcess};
        return WaitForMultipleObjects(2, both, FALSE, 20000) == WAIT_OBJECT_0;
    }
    // The holder's exit code once it has ended; 259 (still active) after the time-out.
    DWORD WaitForExit(DWORD ms)
    {
        WaitForSingleObject(process_.hProcess, ms);
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }
    void Quit() { SetEvent(quit_); }
    void Kill() { TerminateProcess(process_.hProcess, 9); }

private:
    char events_[64] = {};
    HANDLE ready_ = nullptr;
    HANDLE quit_ = nullptr;
    PROCESS_INFORMATION process_ = {};
    bool started_ = false;
};

class LockAcrossProcesses : public testing::Test {
protected:
    void TearDown() override { LOCK_Stop(); }
    std::string Program() const { return dir.file("CUSTOR.EXE"); }

    FakeHost host;
    TempDir dir;
};

}  // namespace

TEST_F(LockAcrossProcesses, RunningHolderKeepsThisProcessOutUntilItEnds)
{
    Holder holder(Program(), "Custor on SERVER1");
    ASSERT_TRUE(holder.started());
    ASSERT_TRUE(holder.WaitUntilHeld());

    char text[MAX_PATH] = {};
    EXPECT_TRUE(isLOCKED(dir.path(), "CUSTOR.EXE", text));
    EXPECT_STREQ("Custor on SERVER1", text);
    EXPECT_FALSE(LOCK_Start(Program().c_str(), TRUE, TRUE, nullptr));
    EXPECT_EQ(std::vector<UINT>{1u}, host.exitCodes);
    EXPECT_FALSE(LOCK_Start2(dir.path(), "CUSTOR.EXE", FALSE));
    EXPECT_TRUE(dir.exists("CUSTOR.LOK"));

    holder.Quit();
    EXPECT_EQ(0u, holder.WaitForExit(10000));
    EXPECT_FALSE(dir.exists("CUSTOR.LOK"));
    EXPECT_FALSE(isLOCKED(dir.path(), "CUSTOR.EXE", text));
    EXPECT_TRUE(LOCK_Start(Program().c_str(), TRUE, TRUE, nullptr));
    EXPECT_EQ(1u, host.exitCodes.size());
}

TEST_F(LockAcrossProcesses, SecondRealCopyEndsWithExitCodeOne)
{
    ASSERT_TRUE(LOCK_Start(Program().c_str(), TRUE, TRUE, "first copy"));
    {
        Holder second(Program(), "second copy");
        ASSERT_TRUE(second.started());
        EXPECT_EQ(1u, second.WaitForExit(20000));
    }
    EXPECT_EQ("first copy", dir.read("CUSTOR.LOK"));

    LOCK_Stop();
    Holder third(Program(), nullptr);
    ASSERT_TRUE(third.started());
    EXPECT_TRUE(third.WaitUntilHeld());
    EXPECT_TRUE(isLOCKED2(dir.path(), "CUSTOR.EXE"));
}

TEST_F(LockAcrossProcesses, KilledHolderLeavesAFileThatBlocksNothing)
{
    Holder holder(Program(), "about to crash");
    ASSERT_TRUE(holder.started());
    ASSERT_TRUE(holder.WaitUntilHeld());
    holder.Kill();
    EXPECT_EQ(9u, holder.WaitForExit(10000));
    EXPECT_EQ("about to crash", dir.read("CUSTOR.LOK"));

    EXPECT_TRUE(LOCK_Start(Program().c_str(), TRUE, FALSE, "restarted"));
    EXPECT_EQ("restarted", dir.read("CUSTOR.LOK"));
    EXPECT_TRUE(host.exitCodes.empty());
    EXPECT_TRUE(host.messageBoxes.empty());
}
