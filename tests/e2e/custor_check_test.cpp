#include <gtest/gtest.h>
#include "installation.h"
#include "support/pass_helpers.h"
#include <set>
#include <string>

namespace {

// Names of the files and folders in the directory.
std::set<std::string> Listing(const std::string& directory)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.insert(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string Joined(const std::set<std::string>& names)
{
    std::string all;
    for (const std::string& n : names) all += n + " ";
    return all;
}

}  // namespace

// The administrator checks the configuration before and while Custor runs: the report on the
// standard output, the exit status, nothing started or written; and the running Custor tells
// in its event log at every reading that the configuration has errors.
TEST(CustorCheck, ReportsMistakesWithTheirExitStatusAndTouchesNothing)
{
    Installation inst;
    const std::string fake = inst.CopyFakeService("fakesvc.exe");
    const std::string title = UniqueTitle("E2E CHECKED");
    const std::string log = inst.dir.file("service.log");
    const std::string service = "[ByTitle]\n" + title + "=" + FakeCommand(fake, log, title, "--status 0") + "\n";
    std::string garbage;
    for (int i = 0; i < 3000; ++i) garbage += (char)(i * 7919 % 256);
    inst.dir.write("garbage.bin", garbage);

    struct Case {
        const char* what;
        std::string ini;        // custor.ini
        const char* arguments;  // after the program name
        int status;
        std::string line;       // a whole line of the report
    } const cases[] = {
        {"clean", service + "[Timing]\nNoResponseWarning=30\n", "/check", 0, "0 errors, 0 warnings"},
        {"warning", service + "[Timing]\nNoResponseEror=30\n", "/check", 1,
         "line 4: warning: [Timing] NoResponseEror: unknown key, did you mean \"NoResponseError\"?"},
        {"error", service + "[Common]\nWatchCom=LPT1\n", "/CHECK", 2,
         "line 4: error: [Common] WatchCom: \"LPT1\" names no COM port (COM1, COM2, ...)"},
        {"missing program", "[ByTitle]\nFAX=\"" + inst.dir.file("gone.exe") + "\" -x\n", "/check", 2,
         "line 2: error: [ByTitle] FAX: the program file \"" + inst.dir.file("gone.exe") + "\" does not exist"},
        {"garbage named", service, "/check garbage.bin", 2, "line 1: error: the line holds control characters or zero bytes: this is not a text configuration"},
        {"named file missing", service, "/check \"no such.ini\"", 2, "error: the file cannot be read"},
    };
    const std::set<std::string> before = {"Custor.exe", "fakesvc.exe", "garbage.bin", "custor.ini"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        inst.dir.write("custor.ini", c.ini);
        std::string out;
        const int status = RunCapturingOutput("\"" + inst.exe + "\" " + c.arguments, inst.dir.path(), &out);
        EXPECT_EQ(c.status, status) << out;
        EXPECT_NE(std::string::npos, ("\r\n" + out).find("\r\n" + c.line)) << out;
        EXPECT_EQ(0u, out.find("Checking ")) << out;
        // Nothing started, logged or locked: the directory holds what the test put there.
        EXPECT_EQ(Joined(before), Joined(Listing(inst.dir.path())));
        EXPECT_EQ(nullptr, FindWindowA(nullptr, title.c_str()));
    }

    // Custor itself, on a configuration with two errors: one line at the first reading.
    const std::string message = " Custor: configuration has 2 errors, run Custor.exe /check\r\n";
    inst.dir.write("custor.ini", service + "[Common]\nToolbar=big\n[FileSync]\nPing=PCX\n");
    ASSERT_TRUE(inst.Start());
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas(message); }, 15000)) << inst.Log();
    // The check runs beside it (a second Custor would end at the lock with status 1).
    const std::string logBefore = inst.Log();
    std::string out;
    EXPECT_EQ(2, RunCapturingOutput("\"" + inst.exe + "\" /check", inst.dir.path(), &out)) << out;
    EXPECT_NE(std::string::npos, out.find("2 errors, 0 warnings")) << out;
    // A corrected file read again: one line with the new count, the first one only once.
    inst.dir.write("custor.ini", service + "[FileSync]\nPing=PCX\n");
    EXPECT_TRUE(WaitUntil([&] { return inst.LogHas(" Custor: configuration has 1 errors, run Custor.exe /check\r\n"); },
                          30000))
        << inst.Log();
    EXPECT_EQ(1, Occurrences(inst.Log(), message));
    EXPECT_EQ(0, inst.Log().find(logBefore));
    EXPECT_EQ(0, inst.End());
}
