#include <gtest/gtest.h>
#include "support/pass_helpers.h"
#include "core/config.h"
#include "core/host.h"
#include "core/pass_common.h"
#include "core/problem_state.h"
#include "core/str.h"
#include "core/supervision.h"
#include "support/program_dir.h"
#include "core/commands.h"
#include "ui/frame.h"
#include <string>

// The problem state inside the real tick and the real frame, one tick per fake second. The
// passes are replaced by a title pass that raises the flags the test asks for, and the
// partner tick by one that reports a silent partner on demand.
namespace {
enum Problem { ALL_OK, NOT_OK, APP_PROBLEM };
Problem g_problem = ALL_OK;
bool g_partnerSilent = false;

class ProblemState : public testing::Test {
protected:
    void SetUp() override
    {
        g_problem = ALL_OK;
        g_partnerSilent = false;
        p.WriteConfig("[Timing]\nExternOn=20\n");
        g_tickDuties.titlePass = [] {
            if (g_problem == ALL_OK) return;
            g_supervision.notOk = true;
            if (g_problem != APP_PROBLEM) return;
            SERVICE_ENTRY entry = {};
            STR_ncpy(entry.pattern, "FAX SERVER", sizeof(entry.pattern) - 1);
            Pass_RaiseAppProblem(entry, Host_Now());
        };
        g_tickDuties.partnerTick = [] { g_supervision.deactivatedByPartner = g_partnerSilent; };
        frame = TOwnFrame::Create(GetModuleHandleA(nullptr));
        ASSERT_NE(nullptr, frame);
    }
    void TearDown() override
    {
        TickDuties_UseReal();
        if (frame) DestroyWindow(frame);
        g_ui = UI_STATE{};
    }

    void Seconds(int n)
    {
        for (int i = 0; i < n; ++i) {
            SupervisionTick(nullptr);
            p.host.Advance(1);
        }
    }
    int Beeps() const
    {
        int n = 0;
        for (UINT b : p.host.beeps) n += b == MB_ICONHAND;
        return n;
    }
    bool Raised() const
    {
        return IsWindowVisible(frame) && (GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST);
    }
    bool PanelVisible() const
    {
        return IsWindowVisible(GetDlgItem(g_supervision.clientWindow, IDC_PROBLEM_TEXT)) &&
               IsWindowVisible(GetDlgItem(g_supervision.clientWindow, IDC_CONFIRM));
    }
    void Confirm() const { SendMessageA(g_supervision.clientWindow, WM_COMMAND, IDC_CONFIRM, 0); }
    // Screen rectangle of a child of the client.
    RECT Place(int id) const
    {
        RECT r = {};
        GetWindowRect(GetDlgItem(g_supervision.clientWindow, id), &r);
        return r;
    }

    ProgramDir p;
    HWND frame = nullptr;
};
}  // namespace

TEST_F(ProblemState, NotOkAloneRaisesTheWindowOnceButSoundsNoAlarm)
{
    Seconds(31);  // past the hold after start-up
    EXPECT_FALSE(IsWindowVisible(frame));
    g_problem = NOT_OK;
    Seconds(20);
    EXPECT_EQ(1, g_problemState.iconState);
    EXPECT_EQ(1, Beeps());  // the one beep of the stop picture, no series
    EXPECT_TRUE(Raised());
    EXPECT_EQ(1, g_supervision.windowVisibility);
    EXPECT_FALSE(PanelVisible());
    EXPECT_EQ(0, Occurrences(p.EventLog(), "Comport"));  // the keep-alive goes on

    g_problem = ALL_OK;
    Seconds(1);
    EXPECT_EQ(0, g_problemState.iconState);
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_FALSE(GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(0, g_supervision.windowVisibility);
}

TEST_F(ProblemState, AnOperatorsWindowStaysOpenWhenTheProblemGoes)
{
    Seconds(31);
    ShowWindow(frame, SW_SHOWNORMAL);
    g_supervision.windowVisibility = 2;
    g_problem = NOT_OK;
    Seconds(3);
    EXPECT_FALSE(GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST);  // not raised again
    g_problem = ALL_OK;
    Seconds(2);
    EXPECT_TRUE(IsWindowVisible(frame));
    EXPECT_EQ(2, g_supervision.windowVisibility);
}

TEST_F(ProblemState, AppProblemBeepsShowsThePanelAndStopsTheKeepAliveAfterExternOn)
{
    Seconds(31);
    g_problem = APP_PROBLEM;
    Seconds(1);
    const int32_t first = g_supervision.firstProblemTime;
    Seconds(9);
    EXPECT_EQ(1 + 2, Beeps());  // the stop picture's beep, then one every 5 seconds
    EXPECT_TRUE(Raised());
    ASSERT_TRUE(PanelVisible());
    char text[300] = "";
    GetDlgItemTextA(g_supervision.clientWindow, IDC_PROBLEM_TEXT, text, sizeof(text));
    EXPECT_STREQ(kAlarmText, text);
    // The list starts below the button; the frame grew by the panel.
    RECT list = Place(IDC_SERVICE_LIST), button = Place(IDC_CONFIRM), frameRect;
    EXPECT_EQ(button.bottom, list.top);
    GetWindowRect(frame, &frameRect);
    POINT buttonTop = {0, button.top};
    ScreenToClient(g_supervision.clientWindow, &buttonTop);
    EXPECT_EQ(buttonTop.y + g_ui.fitHeight + (button.bottom - button.top),
              frameRect.bottom - frameRect.top);

    // ExternOn is 20: the keep-alive stops once the problem is more than 20 seconds old.
    while (Host_Now() <= first + 20) Seconds(1);
    EXPECT_EQ(0, Occurrences(p.EventLog(), "Comport"));
    Seconds(1);
    EXPECT_EQ(1, Occurrences(p.EventLog(),
                             "Comport deactivated: Application problem with FAX SERVER\r\n"));
    EXPECT_STREQ("Alarm!", Status_Get());
    Seconds(10);
    EXPECT_EQ(1, Occurrences(p.EventLog(), "Comport deactivated"));  // once per episode
}

TEST_F(ProblemState, ConfirmSilencesAndResumesTheKeepAliveUntilANewProblem)
{
    Seconds(31);
    g_problem = APP_PROBLEM;
    Seconds(25);
    ASSERT_EQ(1, Occurrences(p.EventLog(), "Comport deactivated"));

    Confirm();
    EXPECT_EQ(1, Occurrences(p.EventLog(), " Custor: Error confirmed by user\r\n"));
    EXPECT_FALSE(PanelVisible());
    EXPECT_FALSE(GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST);
    const int beeps = Beeps();
    Seconds(10);
    EXPECT_EQ(beeps, Beeps());
    EXPECT_FALSE(PanelVisible());  // still the same problem: confirmed
    EXPECT_EQ(1, Occurrences(p.EventLog(), "Comport activated\r\n"));

    g_problem = ALL_OK;
    Seconds(1);
    EXPECT_FALSE(g_problemState.confirmed);
    EXPECT_FALSE(IsWindowVisible(frame));
    g_problem = APP_PROBLEM;
    Seconds(2);
    EXPECT_TRUE(PanelVisible());
    EXPECT_GT(Beeps(), beeps);
}

TEST_F(ProblemState, ASilentPartnerStopsTheKeepAliveAtOnceAndConfirmRestartsIt)
{
    Seconds(2);  // the first second only learns the line's state
    EXPECT_EQ(0, Occurrences(p.EventLog(), "Comport"));
    g_partnerSilent = true;
    Seconds(2);  // reported by the partner tick, seen by the next second
    EXPECT_EQ(1, Occurrences(p.EventLog(), "Comport deactivated: other machine\r\n"));
    EXPECT_EQ(1, g_problemState.iconState);
    EXPECT_FALSE(PanelVisible());  // within the hold after start-up
    Seconds(30);
    EXPECT_TRUE(PanelVisible());
    Confirm();
    Seconds(1);
    EXPECT_EQ(1, Occurrences(p.EventLog(), "Comport activated\r\n"));
}

TEST_F(ProblemState, AProblemFromTheFirstSecondWritesNoComportLine)
{
    g_partnerSilent = true;
    g_supervision.deactivatedByPartner = true;  // already known in the first second
    Seconds(5);
    EXPECT_EQ(0, Occurrences(p.EventLog(), "Comport"));
    EXPECT_EQ(0, g_problemState.activationState);
}

TEST_F(ProblemState, HoldsTheAlarmForThirtySecondsAfterStartAndAfterMinimising)
{
    g_problem = APP_PROBLEM;
    Seconds(30);
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_FALSE(PanelVisible());
    EXPECT_EQ(1, Beeps());
    Seconds(2);
    EXPECT_TRUE(Raised());
    EXPECT_TRUE(PanelVisible());

    ShowWindow(frame, SW_MINIMIZE);
    Seconds(1);  // the tick puts a minimised window away
    EXPECT_FALSE(IsWindowVisible(frame));
    Seconds(29);
    EXPECT_FALSE(IsWindowVisible(frame));
    Seconds(2);
    EXPECT_TRUE(IsWindowVisible(frame));
}

// With the real passes: a title program that cannot start clears appProblem in each pass
// that starts it, so its problem never grows older than ExternOn.
TEST(ProblemStateTitlePass, AProgramThatKeepsFailingToStartNeverReachesExternOn)
{
    ProgramDir p;
    p.WriteConfig("[ByTitle]\nNOWHERE=c:\\no\\such\\program.exe\n"
                  "[Timing]\nNotRunningError=20\nExternOn=25\n");
    HWND frame = TOwnFrame::Create(GetModuleHandleA(nullptr));
    ASSERT_NE(nullptr, frame);
    for (int i = 0; i < 120; ++i) {
        SupervisionTick(nullptr);
        p.host.Advance(1);
    }
    const std::string log = p.EventLog();
    EXPECT_GE(Occurrences(log, "  Start: NOWHERE\r\n"), 5);
    EXPECT_EQ(0, Occurrences(log, "Comport deactivated"));
    EXPECT_TRUE(g_problemState.panelShown);  // the alarm itself is there
    DestroyWindow(frame);
    g_ui = UI_STATE{};
}
