#include <gtest/gtest.h>
#include "core/config.h"
#include "core/lib.h"
#include "core/process_control.h"
#include "core/str.h"
#include "core/supervision.h"
#include "support/file_type.h"
#include "support/process_runner.h"
#include "support/program_dir.h"
#include "core/commands.h"
#include "support/pass_helpers.h"
#include "ui/listwindow.h"
#include "window_recorder.h"
#include <commctrl.h>

namespace {

const std::string kStamp = "05.03.24 14:07:09 ";

// Row 0: title entry "Alpha"; row 1: message entry "Zephyra-Transfer 1"; row 2: message
// entry "Beta", whose window was never found.
struct ThreeRows {
    ThreeRows()
    {
        alphaWindow = CreateRecordingWindow("CustorTestService", "Alpha", true);
        transferWindow = CreateRecordingWindow("CustorTestService", "Transfer", false);
        AddEntry(g_titleTable, "Alpha", "C:\\A\\alpha.exe", alphaWindow);
        AddEntry(g_messageTable, "Zephyra-Transfer 1", "C:\\Z\\zt.exe", transferWindow);
        AddEntry(g_messageTable, "Beta", pd.dir.file("missing.exe"));
    }
    ~ThreeRows()
    {
        DestroyWindow(alphaWindow);
        DestroyWindow(transferWindow);
    }
    ProgramDir pd;
    HWND alphaWindow;
    HWND transferWindow;
};

bool Is(const RECORDED_MESSAGE& m, UINT message, WPARAM wParam = 0)
{
    return m.message == message && m.wParam == wParam && m.lParam == 0;
}

}  // namespace

TEST(ServiceCommands, EnableAndDisableMarkTheEntryAndLogItsPattern)
{
    ThreeRows rows;
    SERVICE_ENTRY& transfer = g_messageTable.entries[0];
    ServiceCommand(CM_SERVICE_DISABLE, 1);
    EXPECT_EQ(1, transfer.disabled);
    transfer.colour = 11;
    transfer.lastStatus = 0x203;
    transfer.channels = 3;
    transfer.problems = 2;
    ServiceCommand(CM_SERVICE_ENABLE, 1);
    EXPECT_EQ(0, transfer.disabled);
    EXPECT_EQ(0, transfer.colour + transfer.lastStatus + transfer.channels + transfer.problems);

    // A title entry keeps its colour: the next pass repaints it.
    SERVICE_ENTRY& alpha = g_titleTable.entries[0];
    alpha.disabled = 2;
    alpha.colour = 11;
    ServiceCommand(CM_SERVICE_ENABLE, 0);
    EXPECT_EQ(0, alpha.disabled);
    EXPECT_EQ(11, alpha.colour);

    // Rows that belong to no entry, and unknown commands, do nothing.
    ServiceCommand(CM_SERVICE_DISABLE, 3);
    ServiceCommand(CM_SERVICE_DISABLE, -1);
    ServiceCommand(99, 0);
    EXPECT_EQ(kStamp + "Disable: ZEPHYRA-TRANSFER 1\r\n" + kStamp + " Enable: ZEPHYRA-TRANSFER 1\r\n" +
                  kStamp + " Enable: ALPHA\r\n",
              rows.pd.EventLog());
}

TEST(ServiceCommands, ShowHideAndEndReachOnlyAWindowThatWasFound)
{
    ThreeRows rows;
    ServiceCommand(CM_SERVICE_HIDE, 0);
    ServiceCommand(CM_SERVICE_SHOW, 0);
    ServiceCommand(CM_SERVICE_END, 0);
    // Posted to a title entry: nothing arrives before the messages are dispatched.
    EXPECT_TRUE(TakeSent(rows.alphaWindow).empty());
    std::vector<RECORDED_MESSAGE> got = TakeRecorded(rows.alphaWindow);
    ASSERT_EQ(4u, got.size());
    EXPECT_TRUE(Is(got[0], WM_SYSCOMMAND, SC_MINIMIZE));
    EXPECT_TRUE(Is(got[1], WM_SYSCOMMAND, SC_RESTORE));
    EXPECT_TRUE(Is(got[2], WM_SYSCOMMAND, SC_MINIMIZE));
    EXPECT_TRUE(Is(got[3], WM_CLOSE));

    // Sent to a message entry, the transfer server also gets WM_USER+200.
    ServiceCommand(CM_SERVICE_SHOW, 1);
    got = TakeSent(rows.transferWindow);
    ASSERT_EQ(2u, got.size());
    EXPECT_TRUE(Is(got[0], WM_SYSCOMMAND, SC_RESTORE));
    EXPECT_TRUE(Is(got[1], WM_USER + 200));

    // Enter or double click: a visible window is hidden, a hidden one shown.
    ServiceActivate(0);
    ServiceActivate(1);
    got = TakeRecorded(rows.alphaWindow);
    ASSERT_EQ(1u, got.size());
    EXPECT_TRUE(Is(got[0], WM_SYSCOMMAND, SC_MINIMIZE));
    got = TakeRecorded(rows.transferWindow);
    ASSERT_EQ(2u, got.size());
    EXPECT_TRUE(Is(got[0], WM_SYSCOMMAND, SC_RESTORE));

    for (int id : {CM_SERVICE_SHOW, CM_SERVICE_HIDE, CM_SERVICE_END}) ServiceCommand(id, 2);
    ServiceActivate(2);
    ServiceActivate(7);
    // Nothing was posted to the thread itself either, as a post to no window would be.
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, (HWND)-1, 0, 0, PM_NOREMOVE));
    // A window that is gone by now counts as never found.
    DestroyWindow(rows.transferWindow);
    ServiceCommand(CM_SERVICE_END, 1);
    PumpMessages();
    EXPECT_EQ(kStamp + "    End: ALPHA\r\n", rows.pd.EventLog());
}

TEST(ServiceCommands, StartLogsTheAttemptAndShowsWhyAStartFailed)
{
    ThreeRows rows;
    g_messageTable.entries[1].lastAnswer = 5;
    ServiceCommand(CM_SERVICE_START, 2);
    EXPECT_EQ(kStamp + "  Start: BETA\r\n", rows.pd.EventLog());
    EXPECT_EQ(rows.pd.host.Now(), g_messageTable.entries[1].lastAnswer);
    const std::string expected = LIB_WinApiErrorString((HWND)-1, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(expected, Status_Get());
    EXPECT_EQ(10, g_supervision.statusHold);

    // A start that works leaves the status line alone; a title entry keeps its lastAnswer.
    Status_Set("");
    g_supervision.statusHold = 0;
    const std::string out = rows.pd.dir.file("started.txt");
    SetEnvironmentVariableA("CUSTOR_ARGECHO_OUT", out.c_str());
    const std::string command = "\"" + SiblingProgram("argecho.exe") + "\" --from-menu";
    STR_ncpy(g_titleTable.entries[0].command, command.c_str(), SERVICE_COMMAND_SIZE - 1);
    ServiceCommand(CM_SERVICE_START, 0);
    EXPECT_EQ(command, WaitForFile(out));
    EXPECT_STREQ("", Status_Get());
    EXPECT_EQ(0, g_supervision.statusHold);
    EXPECT_EQ(0, g_titleTable.entries[0].lastAnswer);
}

TEST(ServiceList, SelectedRowIsTheListViewSelectionOrNone)
{
    ProgramDir pd;
    EXPECT_EQ(-1, ServiceList_SelectedRow());
    HWND parent = CreateRecordingWindow("CustorTestParent", "list parent");
    TOwnListWindow list(parent, 0, 3, 42, 0, 0, 300, 200);
    ASSERT_TRUE(list.Create() != nullptr);
    list.InsertColumn(0, "Name", 100);
    for (int i = 0; i < 4; ++i) list.InsertLine(i, 0, 0, "line", "Init", "");
    UseServiceList shown(&list);
    EXPECT_EQ(-1, ServiceList_SelectedRow());
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageA(list.GetHandle(), LVM_SETITEMSTATE, 2, (LPARAM)&item);
    EXPECT_EQ(2, ServiceList_SelectedRow());
    DestroyWindow(parent);
}

namespace {

// The main window "shown by the alarm" (1) or "by the operator" (2) before opening a file.
struct OpenCase {
    OpenCase()
    {
        main = CreateRecordingWindow("CustorTestMain", "main", true);
        g_supervision.mainWindow = main;
        SetEnvironmentVariableA("CUSTOR_ARGECHO_OUT", out.c_str());
    }
    ~OpenCase()
    {
        g_supervision.mainWindow = nullptr;
        DestroyWindow(main);
    }
    ProgramDir pd;
    HWND main;
    std::string out = pd.dir.file("opened.txt");
};

}  // namespace

TEST(OpenFiles, ConfigurationAndProtocolOpenWithTheirProgramThenTheWindowGoesToTheTray)
{
    OpenCase c;
    const std::string viewer = c.pd.dir.file("viewer.exe");
    ASSERT_TRUE(CopyFileA(SiblingProgram("argecho.exe").c_str(), viewer.c_str(), FALSE));
    TestFileType type(viewer);
    const std::string config = c.pd.dir.file(("custor" + type.extension).c_str());
    c.pd.dir.write(("custor" + type.extension).c_str(), "[Common]\n");
    STR_ncpy(g_paths.configFile, config.c_str(), CONFIG_PATH_SIZE - 1);

    g_supervision.windowVisibility = 1;
    OpenConfiguration();
    EXPECT_EQ("\"" + viewer + "\" \"" + config + "\"", WaitForFile(c.out));
    EXPECT_EQ(0, g_supervision.windowVisibility);
    EXPECT_FALSE(IsWindowVisible(c.main));

    // Opened by the operator, the window stays.
    DeleteFileA(c.out.c_str());
    ShowWindow(c.main, SW_SHOWNOACTIVATE);
    g_supervision.windowVisibility = 2;
    STR_ncpy(g_paths.eventLog, config.c_str(), CONFIG_PATH_SIZE - 1);
    OpenProtocol();
    EXPECT_EQ("\"" + viewer + "\" \"" + config + "\"", WaitForFile(c.out));
    EXPECT_EQ(2, g_supervision.windowVisibility);
    EXPECT_TRUE(IsWindowVisible(c.main));
    DeleteWhenDone(viewer);
}

TEST(OpenFiles, AFileThatCannotBeOpenedKeepsTheWindowAndSaysWhy)
{
    OpenCase c;
    STR_ncpy(g_paths.eventLog, c.pd.dir.file("custor.custornoassoc").c_str(),
             CONFIG_PATH_SIZE - 1);
    c.pd.dir.write("custor.custornoassoc", "log\n");
    g_supervision.windowVisibility = 1;
    OpenProtocol();
    EXPECT_STRNE("", Status_Get());
    EXPECT_EQ(10, g_supervision.statusHold);
    EXPECT_EQ(1, g_supervision.windowVisibility);
    EXPECT_TRUE(IsWindowVisible(c.main));
}
