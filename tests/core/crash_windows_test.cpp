#include <gtest/gtest.h>
#include "core/config.h"
#include "core/host.h"
#include "core/process_control.h"
#include "core/str.h"
#include "core/supervision.h"
#include "support/program_dir.h"
#include "support/pass_helpers.h"
#include "ui/listwindow.h"
#include "window_recorder.h"
#include <commctrl.h>

namespace {

const char kStamp[] = "05.03.24 14:07:09 ";

bool GotKey(const std::vector<RECORDED_MESSAGE>& got, WPARAM key)
{
    return got.size() == 1 && got[0].message == WM_KEYDOWN && got[0].wParam == key &&
           got[0].lParam == 1;
}

bool GotClose(const std::vector<RECORDED_MESSAGE>& got)
{
    return got.size() == 1 && got[0].message == WM_CLOSE;
}

}  // namespace

// These two tests own windows with fixed titles that every CloseErrorDialogs on the desktop
// would find: they run alone.
TEST(CloseErrorDialogs, AnswersTheSystemsErrorDialogsAndLogsEach)
{
    ProgramDir pd;
    HWND german = CreateRecordingWindow("NotifyDialog", "Programmfehler");
    HWND english = CreateRecordingWindow("NotifyDialog", "Program Error");
    HWND windows = CreateRecordingWindow("CustorTestDialog", "Microsoft Windows");
    HWND otherClass = CreateRecordingWindow("CustorTestOther", "Programmfehler");
    ASSERT_TRUE(german && english && windows && otherClass);
    // The other class was created last, so it would be the first one found by title alone.
    CloseErrorDialogs("C:\\FAX\\FAXSRV.EXE /x");

    EXPECT_TRUE(GotKey(TakeRecorded(german), VK_RETURN));
    EXPECT_TRUE(GotKey(TakeRecorded(windows), VK_ESCAPE));
    EXPECT_TRUE(GotKey(TakeRecorded(english), VK_RETURN));
    EXPECT_TRUE(TakeRecorded(otherClass).empty());
    EXPECT_EQ(std::string(kStamp) + "    End: Programmfehler\r\n" + kStamp +
                  "    End: Programmfehler\r\n" + kStamp + "    End: Program Error\r\n",
              pd.EventLog());
    DestroyWindow(german);
    DestroyWindow(english);
    DestroyWindow(windows);
    DestroyWindow(otherClass);
}

TEST(CloseErrorDialogs, ClosesTheMakersServerWindowTheVoiceServerFirst)
{
    ProgramDir pd;
    HWND fax = CreateRecordingWindow("CustorTestServer", "Faxwerk Faxserver");
    HWND voice = CreateRecordingWindow("CustorTestServer", "Tonwerk Voiceserver");
    ASSERT_TRUE(fax && voice);

    CloseErrorDialogs("C:\\SRV\\TW_SERV.EXE C:\\FAX\\FAXW_SRV.EXE");
    EXPECT_TRUE(GotClose(TakeRecorded(voice)));
    EXPECT_TRUE(TakeRecorded(fax).empty());

    CloseErrorDialogs("C:\\FAX\\FAXW_SRV.EXE -x");
    EXPECT_TRUE(GotClose(TakeRecorded(fax)));
    EXPECT_TRUE(TakeRecorded(voice).empty());

    CloseErrorDialogs("C:\\FAX\\OTHER.EXE");
    CloseErrorDialogs(nullptr);
    EXPECT_TRUE(TakeRecorded(fax).empty());
    EXPECT_TRUE(TakeRecorded(voice).empty());
    EXPECT_EQ(std::string(kStamp) + "    End: Program Error\r\n" + kStamp +
                  "    End: Program Error\r\n",
              pd.EventLog());
    DestroyWindow(fax);
    DestroyWindow(voice);
}

TEST(CrashWindow, CheckSeesTheFileNameTitlesButNeverTheEntrysOwnTitle)
{
    ProgramDir pd;
    const std::string body = Unique("crash");
    // Arguments with backslashes and dots do not change the program's name.
    SERVICE_ENTRY& e = AddEntry(g_messageTable, "Svc",
                                "\"C:\\A B\\" + body + ".exe\" -log C:\\logs\\x.txt");
    EXPECT_FALSE(CheckCrashWindow(e));

    HWND box = CreateRecordingWindow("CustorTestBox", body.c_str());
    EXPECT_TRUE(CheckCrashWindow(e));
    for (const std::string& own : {body, body + ".exe", body + "|"}) {
        STR_ncpy(e.pattern, own.c_str(), SERVICE_NAME_SIZE - 1);
        CharUpperA(e.pattern);
        EXPECT_FALSE(CheckCrashWindow(e)) << own;
    }
    DestroyWindow(box);

    STR_ncpy(e.pattern, "SVC", SERVICE_NAME_SIZE - 1);
    box = CreateRecordingWindow("CustorTestBox", (body + ".EXE").c_str());
    EXPECT_TRUE(CheckCrashWindow(e));
    DestroyWindow(box);

    // No program named: untitled windows are not crash windows.
    HWND untitled = CreateRecordingWindow("CustorTestBox", "");
    e.command[0] = 0;
    EXPECT_FALSE(CheckCrashWindow(e));
    DestroyWindow(untitled);
}

namespace {
std::vector<DWORD> g_sleeps;
void PumpingSleep(DWORD ms)
{
    g_sleeps.push_back(ms);
    PumpMessages();
}
}  // namespace

TEST(CrashWindow, CloseAnswersFiveRoundsAndPausesOnlyAfterRoundsThatFoundOne)
{
    ProgramDir pd;
    const std::string body = Unique("Crash");
    SERVICE_ENTRY& e = AddEntry(g_messageTable, "Svc", "C:\\x\\" + body + ".exe");

    const DWORD before = pd.host.ticks;
    CloseCrashWindow(e);
    EXPECT_EQ(before, pd.host.ticks);

    // A box that stays: five Enters, five pauses.
    HWND stays = CreateRecordingWindow("CustorTestBox", (body + ".exe").c_str());
    CloseCrashWindow(e);
    EXPECT_EQ(before + 1000, pd.host.ticks);
    const std::vector<RECORDED_MESSAGE> got = TakeRecorded(stays);
    ASSERT_EQ(5u, got.size());
    for (const RECORDED_MESSAGE& m : got) EXPECT_TRUE(m.message == WM_KEYDOWN && m.wParam == VK_RETURN && m.lParam == 1);
    DestroyWindow(stays);

    // A box that goes with the first Enter: one pause, then four empty rounds.
    HWND answered = CreateRecordingWindow("CustorTestBox", body.c_str(), false, true);
    g_host.sleep = PumpingSleep;
    g_sleeps.clear();
    CloseCrashWindow(e);
    EXPECT_EQ(std::vector<DWORD>{200}, g_sleeps);
    EXPECT_FALSE(IsWindow(answered));
}

TEST(CrashWindow, ConfirmedAtHalfErrorPeriodsWhenNoneStoodThereWhileIdle)
{
    ProgramDir pd;
    g_config.noResponseError = 55;
    HWND parent = CreateRecordingWindow("CustorTestParent", "list parent");
    TOwnListWindow list(parent, 0, 3, 42, 0, 0, 300, 60);
    ASSERT_TRUE(list.Create() != nullptr);
    list.InsertColumn(0, "Name", 100);
    list.InsertColumn(1, "State", 100);
    UseServiceList showRows(&list);
    const std::string body = Unique("Crash");
    for (int i = 0; i < 20; ++i) list.InsertLine(i, 0, 0, "line", "Init", "");
    SERVICE_ENTRY& e = AddEntry(g_messageTable, "Fax 1", "C:\\x\\" + body + ".exe -a");
    HWND box = CreateRecordingWindow("CustorTestBox", body.c_str());
    const int row = 17;

    struct Case { uint32_t counter; int baseline; };
    for (Case c : {Case{26, 2}, Case{27, 1}, Case{27, 0}, Case{28, 2}}) {
        e.counter = c.counter;
        e.crashBaseline = c.baseline;
        ConfirmCrashWindow(e, row);
    }
    EXPECT_EQ("", pd.EventLog());
    EXPECT_TRUE(TakeRecorded(box).empty());
    EXPECT_TRUE(pd.host.beeps.empty());

    e.counter = 54;
    e.crashBaseline = 2;
    ConfirmCrashWindow(e, row);
    EXPECT_EQ(std::string(kStamp) + "    End: FAX 1 (crash)\r\n", pd.EventLog());
    EXPECT_STREQ("application has crashed", Status_Get());
    EXPECT_EQ(10, g_supervision.statusHold);
    EXPECT_EQ(std::vector<UINT>{MB_ICONASTERISK}, pd.host.beeps);
    EXPECT_STREQ("crashed", list.GetColumnText(row, 1));
    EXPECT_EQ(5u, TakeRecorded(box).size());
    // The row was scrolled into view.
    const int top = (int)SendMessageA(list.GetHandle(), LVM_GETTOPINDEX, 0, 0);
    const int shown = (int)SendMessageA(list.GetHandle(), LVM_GETCOUNTPERPAGE, 0, 0);
    EXPECT_TRUE(top > 0 && row >= top && row < top + shown) << top << " " << shown;

    // An error period below 2 has no half to count by: nothing, and no division by zero.
    g_config.noResponseError = 1;
    ConfirmCrashWindow(e, row);
    EXPECT_EQ(1u, pd.host.beeps.size());
    DestroyWindow(box);
    DestroyWindow(parent);
}
