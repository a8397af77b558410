// The self-update on the fake clock: readiness of the "SWUPDATE" folder, the wait for busy
// lines, closing the affected services, the pause that is not held against the others, the
// access check, installing (with failures named) and the hand-over to the updater.
#include <gtest/gtest.h>
#include "core/config.h"
#include "core/host.h"
#include "core/pass_common.h"
#include "core/supervision.h"
#include "machine_duties_fixture.h"
#include "partner/machine_duties.h"
#include "partner/partner_duties.h"
#include "support/pass_helpers.h"
#include "support/process_runner.h"
#include "support/thread_window.h"
#include <algorithm>
#include <memory>

namespace {

class SelfUpdate : public MachineDutiesTest {
protected:
    void SetUp() override
    {
        MachineDutiesTest::SetUp();
        g_config.updateWaittime = 30;
        g_config.maxBusyAnz = 15;
        g_config.notRunningError = 30;
        g_config.noResponseWarning = 5;
        g_config.noResponseError = 4;
        CreateDirectoryA(p.dir.file("SWUPDATE").c_str(), nullptr);
    }

    void Drop(const char* name, const std::string& content) const
    {
        p.dir.write((std::string("SWUPDATE\\") + name).c_str(), content);
    }
    bool Waiting(const char* name) const
    {
        return p.dir.exists((std::string("SWUPDATE\\") + name).c_str());
    }

    SERVICE_ENTRY& AddService(SERVICE_TABLE& table, const std::string& name,
                              const std::string& command, HWND window)
    {
        SERVICE_ENTRY& e = table.entries[table.count++];
        snprintf(e.name, sizeof(e.name), "%s", name.c_str());
        snprintf(e.pattern, sizeof(e.pattern), "%s", Upper(name).c_str());
        snprintf(e.command, sizeof(e.command), "%s", command.c_str());
        e.window = window;
        e.statSlot = -1;
        e.lastStatus = -50;
        return e;
    }

    // Runs the update procedure once a fake second until an event line with the text is
    // written; returns the seconds from the first call to that line (-1: never in the time).
    int SecondsUntilLogged(const std::string& text, int limit, void (*beforeEach)() = nullptr)
    {
        const int32_t start = p.host.Now();
        const int before = Occurrences(p.EventLog(), text);
        for (int i = 0; i < limit; ++i) {
            if (beforeEach) beforeEach();
            SelfUpdate_Check();
            if (Occurrences(p.EventLog(), text) > before) return p.host.Now() - start;
            p.host.Advance(1);
        }
        return -1;
    }
};

int Count(const ThreadWindow& w, UINT message, WPARAM wParam)
{
    const std::vector<RecordedMessage> got = w.Received(message);
    return (int)std::count_if(got.begin(), got.end(),
                              [&](const RecordedMessage& m) { return m.wParam == wParam; });
}

}  // namespace

TEST_F(SelfUpdate, AFileThatKeepsGrowingNeverBecomesReady)
{
    static std::vector<std::string> shown;
    shown.clear();
    auto status = [](const char* text) { shown.push_back(text); };
    std::string content = "x";
    for (int second = 0; second < 120; ++second) {
        Drop("GATE2.EXE", content);
        content += "x";
        EXPECT_FALSE(SelfUpdate_IsReady(false, "*.*", nullptr, p.dir.path(), true, status))
            << "second " << second;
        EXPECT_NE(0u, g_selfUpdate.total);
        p.host.Advance(1);
    }
    EXPECT_TRUE(shown.empty()) << "the countdown starts again at every change";
    // Unchanged from now on: ready once more than 30 s have passed since the last change.
    int seconds = 0;
    while (!SelfUpdate_IsReady(false, "*.*", nullptr, p.dir.path(), true, status) && seconds < 100) {
        p.host.Advance(1);
        ++seconds;
    }
    EXPECT_EQ(30, seconds);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ("Update: 120 Byte (29s)", shown.front());
    EXPECT_EQ("Update: 120 Byte (0s)", shown.back());
}

TEST_F(SelfUpdate, BusyLinesHoldTheUpdateAtMostThirtySecondsAfterItIsReady)
{
    struct Case {
        int32_t channels;
        int seconds;  // from the drop to the installation's event line
    } cases[] = {{15, 31 + 10}, {20, 60 + 10}};
    for (const Case& c : cases) {
        SelfUpdate_Reset();
        ServiceTables_Reset();
        const std::string title = UniqueTitle("UPDATE BUSY");
        SERVICE_ENTRY& e = AddService(g_messageTable, title,
                                      std::string(p.dir.path()) + "GATE2.EXE", nullptr);
        e.channels = c.channels;
        p.dir.write("GATE2.EXE", "old");
        Drop("GATE2.EXE", "new " + std::to_string(c.channels));
        const std::string line = " Custor: Update OK: Gate2\r\n";
        const size_t before = Occurrences(p.EventLog(), line);
        static bool askedToGetReady;
        static std::string waitingText;
        askedToGetReady = false;
        waitingText.clear();
        const int seconds = SecondsUntilLogged(line, 200, [] {
            askedToGetReady |= g_messageTable.entries[0].updateRequest != 0;
            if (strstr(Status_Get(), "lines busy")) waitingText = Status_Get();
        });
        EXPECT_EQ(c.seconds, seconds) << c.channels << " busy";
        EXPECT_EQ(before + 1, (size_t)Occurrences(p.EventLog(), line));
        EXPECT_EQ("new " + std::to_string(c.channels), p.dir.read("GATE2.EXE"));
        EXPECT_EQ(c.channels > 15, askedToGetReady);
        if (c.channels > 15) {
            EXPECT_EQ("Update: 20 lines busy, waiting max 1s", waitingText);
        }
        EXPECT_EQ(0, g_messageTable.entries[0].updateRequest) << "cleared once installed";
    }
}

TEST_F(SelfUpdate, AffectedServicesAreClosedFilesInstalledAndFailuresNamed)
{
    const std::string dir = p.dir.path();
    ThreadWindow gate(UniqueTitle("UPDATE GATE").c_str());
    ThreadWindow other(UniqueTitle("UPDATE OTHER").c_str());
    ThreadWindow fax(UniqueTitle("UPDATE FAX").c_str());
    SERVICE_ENTRY& gateEntry = AddService(g_messageTable, UniqueTitle("GATE SERVICE"),
                                          "\"" + dir + "gate2.exe\" -line 1", gate.hwnd());
    // The same program in another directory is not affected.
    SERVICE_ENTRY& otherEntry = AddService(g_messageTable, UniqueTitle("OTHER SERVICE"),
                                           "C:\\elsewhere\\GATE2.EXE", other.hwnd());
    otherEntry.colour = ROW_OK;
    AddService(g_titleTable, UniqueTitle("FAX SERVICE"),
               dir + "faxhost.exe " + dir + "FAX.DLL", fax.hwnd());

    p.dir.write("GATE2.EXE", "old gate");
    p.dir.write("FAX.DLL", "old fax");
    // A directory where the file should go: the move cannot succeed.
    CreateDirectoryA(p.dir.file("BAD.EXE").c_str(), nullptr);
    Drop("GATE2.EXE", "new gate");
    Drop("FAX.DLL", "new fax");
    Drop("BAD.EXE", "new bad");
    Drop("CUSTOR.EXE", "new watchdog");

    // The other service answers every second, as long as the supervision runs.
    const int seconds = SecondsUntilLogged(" Custor: Update OK: ", 200, [] {
        SERVICE_ENTRY& e = g_messageTable.entries[1];
        e.lastAnswer = e.lastProbeTime = Host_Now();
    });
    ASSERT_EQ(41, seconds);
    EXPECT_NE(std::string::npos,
              p.EventLog().find(" Custor: Update OK: Gate2; failed: BAD.EXE\r\n"));
    const std::vector<std::string> notices = Notices();
    EXPECT_NE(notices.end(), std::find(notices.begin(), notices.end(), "Custor-Update..."));
    EXPECT_NE(notices.end(), std::find(notices.begin(), notices.end(),
                                       "Custor-Update OK: Gate2; failed: BAD.EXE"));
    EXPECT_EQ("new gate", p.dir.read("GATE2.EXE"));
    EXPECT_EQ("new fax", p.dir.read("FAX.DLL"));
    EXPECT_FALSE(Waiting("GATE2.EXE"));
    EXPECT_FALSE(Waiting("FAX.DLL"));
    EXPECT_TRUE(Waiting("BAD.EXE")) << "kept for the next attempt";
    EXPECT_TRUE(Waiting("CUSTOR.EXE")) << "the own program waits until it is alone";

    gate.Sync();
    fax.Sync();
    other.Sync();
    EXPECT_EQ(1, Count(gate, WM_SYSCOMMAND, SC_CLOSE));
    EXPECT_EQ(1, Count(gate, WM_CLOSE, 0));
    EXPECT_EQ(1, Count(fax, WM_SYSCOMMAND, SC_CLOSE));
    EXPECT_EQ(1, Count(fax, WM_CLOSE, 0));
    EXPECT_TRUE(other.Received(WM_CLOSE).empty());
    EXPECT_EQ(nullptr, gateEntry.window);
    EXPECT_EQ(20u, gateEntry.counter);  // started again 10 s before the usual 30
    EXPECT_EQ(20u, g_titleTable.entries[0].counter);

    // The 10 s pause is not silence of the other service: the next pass finds it healthy.
    SupervisePass();
    EXPECT_EQ(ROW_OK, otherEntry.colour);
    EXPECT_EQ(0u, otherEntry.counter);
}

TEST_F(SelfUpdate, ALockedTargetStartsTheWholeWaitAgain)
{
    p.dir.write("FAX.DLL", "old fax");
    Drop("FAX.DLL", "new fax");
    HANDLE held = CreateFileA(p.dir.file("FAX.DLL").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(41, SecondsUntilLogged(" Custor: update access error FAX.DLL\r\n", 200));
    const std::vector<std::string> notices = Notices();
    EXPECT_NE(notices.end(), std::find(notices.begin(), notices.end(),
                                       "Custor: update access error FAX.DLL"));
    EXPECT_TRUE(Waiting("FAX.DLL"));
    CloseHandle(held);
    // Waits the whole time again from the failed check on, then installs.
    EXPECT_EQ(31 + 10, SecondsUntilLogged(" Custor: Update OK: \r\n", 200));
    EXPECT_EQ("new fax", p.dir.read("FAX.DLL"));
}

TEST_F(SelfUpdate, TheOwnProgramAloneGoesToTheUpdater)
{
    // The updater beside the test program is found first by the program search. It waits for
    // a lock file that nobody holds here, moves the file and fails to start the text file.
    Drop("CUSTOR.EXE", "new watchdog");
    EXPECT_EQ(31, SecondsUntilLogged(" Custor: Update\r\n", 200));
    EXPECT_EQ(std::vector<UINT>{0}, p.host.exitCodes);
    const std::vector<std::string> notices = Notices();
    EXPECT_EQ(std::vector<std::string>{"Custor-Update"}, notices);
    EXPECT_TRUE(WaitUntil([&] { return p.dir.read("CUSTOR.EXE") == "new watchdog"; }, 30000));
    EXPECT_FALSE(Waiting("CUSTOR.EXE"));
}

// A file that cannot be installed (a folder stands where it should go) waits ten minutes for
// its next attempt, instead of closing the services every 41 seconds; the notice says
// "failed", not "OK".
TEST_F(SelfUpdate, AFailedFileIsTriedAgainOnlyAfterTenMinutes)
{
    CreateDirectoryA(p.dir.file("BAD.EXE").c_str(), nullptr);
    Drop("BAD.EXE", "new bad");
    const std::string failed = " Custor: Update failed: BAD.EXE\r\n";
    EXPECT_EQ(41, SecondsUntilLogged(failed, 200));
    EXPECT_EQ(0, Occurrences(p.EventLog(), "Update OK"));
    const std::vector<std::string> notices = Notices();
    EXPECT_NE(notices.end(), std::find(notices.begin(), notices.end(), "Custor-Update failed: BAD.EXE"));
    const int again = SecondsUntilLogged(failed, 800);
    EXPECT_GE(again, 600);
    EXPECT_LE(again, 600 + 41);
    EXPECT_TRUE(Waiting("BAD.EXE"));
}

TEST_F(SelfUpdate, AFailedFileNeverHoldsBackTheOwnProgram)
{
    CreateDirectoryA(p.dir.file("BAD.EXE").c_str(), nullptr);
    Drop("BAD.EXE", "new bad");
    Drop("CUSTOR.EXE", "new watchdog");
    EXPECT_EQ(41, SecondsUntilLogged(" Custor: Update failed: BAD.EXE\r\n", 200));
    // The updater beside the test program takes the new program file, as when it is alone.
    EXPECT_GT(SecondsUntilLogged(" Custor: Update\r\n", 200), 0);
    EXPECT_EQ(std::vector<UINT>{0}, p.host.exitCodes);
    EXPECT_TRUE(WaitUntil([&] { return p.dir.read("CUSTOR.EXE") == "new watchdog"; }, 30000));
    EXPECT_TRUE(Waiting("BAD.EXE"));
}
