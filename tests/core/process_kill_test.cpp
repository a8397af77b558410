#include <gtest/gtest.h>
#include "core/process_control.h"
#include "support/process_runner.h"
#include "support/program_dir.h"
#include "core/commands.h"
#include "window_recorder.h"

namespace {

// A fake service with a window of the given title.
struct Service {
    explicit Service(const std::string& title)
    {
        started = process.Start("\"" + SiblingProgram("fakesvc.exe") + "\" --title \"" + title +
                                    "\"",
                                "");
        window = started ? WaitForWindow(process.Id(), title.c_str(), 10000) : nullptr;
    }
    bool Killed()
    {
        if (!WaitUntil([&] { return !process.Running(); }, 5000)) return false;
        DWORD code = 0;
        GetExitCodeProcess(process.info.hProcess, &code);
        return code == (DWORD)-1;
    }
    ChildProcess process;
    bool started = false;
    HWND window = nullptr;
};

}  // namespace

TEST(KillService, ByWindowEndsTheProcessOfTheEntrysWindowOnly)
{
    ProgramDir pd;
    const std::string title = Unique("KILL WINDOW ");
    Service target(title), other(title + " 2");
    ASSERT_TRUE(target.window && other.window) << "build the tools first";
    AddEntry(g_titleTable, "Fax", "C:\\FAX\\FAX.EXE", target.window);
    HWND own = CreateRecordingWindow("CustorTestOwn", title.c_str());
    AddEntry(g_titleTable, "Own", "C:\\x\\own.exe", own);
    AddEntry(g_titleTable, "Never found", "C:\\x\\none.exe");

    // The operator's "Kill !" on a title row is the kill by window.
    ServiceCommand(CM_SERVICE_KILL, 0);
    EXPECT_TRUE(target.Killed());
    EXPECT_TRUE(other.process.Running());
    // The watchdog's own window, and no window at all, end nothing.
    EXPECT_FALSE(KillService(1, KILL_BY_WINDOW));
    EXPECT_FALSE(KillService(2, KILL_BY_WINDOW));
    EXPECT_FALSE(KillService(3, KILL_BY_WINDOW));
    EXPECT_TRUE(IsWindow(own));
    const std::string stamp = "05.03.24 14:07:09 ";
    EXPECT_EQ(stamp + "   Kill: FAX\r\n" + stamp + "   Kill: OWN\r\n" + stamp +
                  "   Kill: NEVER FOUND\r\n",
              pd.EventLog());
    DestroyWindow(own);
}

TEST(KillService, ByNameEndsEveryProgramWhoseTitleBeginsWithThePattern)
{
    ProgramDir pd;
    const std::string name = Unique("Voice ");
    Service first(name + " line 1"), second(name + " line 2"), inside("Old " + name);
    ASSERT_TRUE(first.window && second.window && inside.window) << "build the tools first";
    AddEntry(g_titleTable, "Fax", "C:\\FAX\\FAX.EXE");
    AddEntry(g_messageTable, name.c_str(), "C:\\TW\\tw_serv.exe");

    // Row 1 is the first message entry: "Kill !" on it kills by name.
    ServiceCommand(CM_SERVICE_KILL, 1);
    EXPECT_TRUE(first.Killed());
    EXPECT_TRUE(second.Killed());
    // This title only contains the pattern: a search would find it, the kill does not.
    EXPECT_TRUE(inside.process.Running());
    EXPECT_EQ("05.03.24 14:07:09    Kill: " + Unique("VOICE ") + "\r\n", pd.EventLog());
}

TEST(KillService, ByNameWithAnExactTitleAndNeverEverything)
{
    ProgramDir pd;
    const std::string name = Unique("Mail ");
    Service exact(name), longer(name + " 2");
    ASSERT_TRUE(exact.window && longer.window) << "build the tools first";
    AddEntry(g_messageTable, (name + "|").c_str(), "C:\\M\\mail.exe");
    AddEntry(g_messageTable, "", "C:\\M\\mail.exe");
    AddEntry(g_messageTable, "|", "C:\\M\\mail.exe");

    g_messageTable.entries[0].stopAttempts = 3;
    EXPECT_TRUE(KillService(0, KILL_BY_NAME));
    EXPECT_TRUE(exact.Killed());
    EXPECT_TRUE(longer.process.Running());
    // An empty pattern begins every title.
    EXPECT_FALSE(KillService(1, KILL_BY_NAME));
    EXPECT_FALSE(KillService(2, KILL_BY_NAME));
    EXPECT_FALSE(KillService(3, KILL_BY_NAME));
    EXPECT_FALSE(KillService(-1, KILL_BY_NAME));
    EXPECT_TRUE(longer.process.Running());
    EXPECT_FALSE(KillService(0, KILL_BY_NAME));

    const std::string stamp = "05.03.24 14:07:09 ";
    const std::string line = stamp + "   Kill: " + Unique("MAIL ") + "|\r\n";
    EXPECT_EQ(line + stamp + "   Kill: \r\n" + stamp + "   Kill: |\r\n" + line, pd.EventLog());
}
