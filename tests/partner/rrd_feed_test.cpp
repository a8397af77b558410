// The RRDtool feed: the command built from the statistics slots, its 5-minute period, and one
// update of a real RRDtool database through the rrdtool.exe helper.
#include <gtest/gtest.h>
#include "core/config.h"
#include "core/passes.h"
#include "core/service_table.h"
#include "partner/machine_duties.h"
#include "partner/partner_duties.h"
#include "support/process_runner.h"
#include "support/program_dir.h"
#include <sstream>
#include <string>
#include <vector>

namespace {

// A message entry reporting through a window handle of its own, recording into slot 0 ("A").
void ReportBusyLines(const std::vector<int>& reports, int slot)
{
    g_config.rrdErrorSlot = -1;  // no modem-problem counts in the slots
    SERVICE_ENTRY& e = g_messageTable.entries[g_messageTable.count++];
    e.statSlot = slot;
    e.lastStatus = -50;
    e.window = (HWND)(INT_PTR)(0x5000 + g_messageTable.count);
    for (int channels : reports) OnStatusReport(e.window, channels);
}

// Runs a program of the program directory and returns what it wrote to its standard output.
std::string RunCapturing(const std::string& command, const std::string& directory, int* exitCode)
{
    const std::string outFile = directory + "capture.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process = {};
    std::string line = command;
    *exitCode = -1;
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(),
                       &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            *exitCode = (int)code;
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    return ReadWholeFile(outFile);
}

// The values of the last update in "rrdtool lastupdate" output ("<time>: v1 v2 ...").
std::vector<std::string> LastValues(const std::string& output)
{
    std::vector<std::string> values;
    const size_t colon = output.rfind(": ");
    if (colon == std::string::npos) return values;
    std::istringstream in(output.substr(colon + 2));
    std::string value;
    while (in >> value) values.push_back(value);
    return values;
}

}  // namespace

TEST(RrdFeed, FortyValuesMaximumAndTenTimesTheAverageOfEachSlot)
{
    ProgramDir p;
    ReportBusyLines({1, 3, 1}, 0);
    ReportBusyLines({4, 4}, 2);
    ReportBusyLines({2, 1}, 19);
    char command[1024];
    Rrd_BuildCommand(command, sizeof(command));
    std::string expected = std::string(p.dir.path()) + "rrdtool.exe update " + p.dir.path() +
                           "hosts.rrd N:3:16:0:0:4:40";
    for (int slot = 3; slot < 19; ++slot) expected += ":0:0";
    expected += ":2:15";
    EXPECT_EQ(expected, command);
}

TEST(RrdFeed, OneUpdateEveryFiveMinutesAndSlotsEmptiedByEach)
{
    ProgramDir p;
    g_config.rrdtool = false;
    ReportBusyLines({2}, 0);
    Rrd_Feed();
    EXPECT_EQ(1, g_statSlots[0].count) << "off: the slots are kept";

    g_config.rrdtool = true;
    MachineDuties_Reset();
    struct Step {
        int advanceSeconds;  // before the call; the clock only, the tick count stays
        bool feeds;
    } steps[] = {{0, true}, {300, false}, {1, true}, {-3600, false}, {300, false}, {1, true}};
    for (const Step& s : steps) {
        p.host.JumpClock(s.advanceSeconds);
        ReportBusyLines({1}, 0);
        const int32_t before = g_statSlots[0].count;
        Rrd_Feed();
        EXPECT_EQ(s.feeds ? 0 : before, g_statSlots[0].count) << "after " << s.advanceSeconds;
    }
    MachineDuties_Reset();
}

TEST(RrdFeed, ARealDatabaseReceivesTheSlotValues)
{
    ProgramDir p;
    const std::string dir = p.dir.path();
    ASSERT_TRUE(CopyFileA(SiblingProgram("rrdtool.exe").c_str(), (dir + "rrdtool.exe").c_str(),
                          FALSE));
    std::string create = "\"" + dir + "rrdtool.exe\" create " + dir + "hosts.rrd --step 300";
    const char* letters = "ABSDEFGHIJKLMNOPQRTU";
    for (int i = 0; i < 20; ++i) {
        create += std::string(" DS:max_") + letters[i] + ":GAUGE:600:0:U";
        create += std::string(" DS:avg_") + letters[i] + ":GAUGE:600:0:U";
    }
    create += " RRA:LAST:0.5:1:10";
    int code = -1;
    const std::string created = RunCapturing(create, dir, &code);
    ASSERT_EQ(0, code) << created;

    ReportBusyLines({1, 3, 1}, 0);
    ReportBusyLines({7}, 19);
    g_config.rrdtool = true;
    MachineDuties_Reset();
    Rrd_Feed();
    EXPECT_EQ(0, g_statSlots[0].count);

    const std::string query = "\"" + dir + "rrdtool.exe\" lastupdate " + dir + "hosts.rrd";
    std::vector<std::string> values;
    std::string output;
    // The update runs on its own; its values show once it has ended.
    EXPECT_TRUE(WaitUntil([&] {
        output = RunCapturing(query, dir, &code);
        values = LastValues(output);
        return values.size() == 40 && values[0] != "U";
    }, 30000)) << output;
    ASSERT_EQ(40u, values.size()) << output;
    EXPECT_EQ("3", values[0]);
    EXPECT_EQ("16", values[1]);
    for (int i = 2; i < 38; ++i) EXPECT_EQ("0", values[i]) << i;
    EXPECT_EQ("7", values[38]);
    EXPECT_EQ("70", values[39]);
    MachineDuties_Reset();
}
