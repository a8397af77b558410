#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

#include "core/commands.h"
#include "core/display.h"
#include "core/lib.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "ui/toolbar.h"
#include "support/process_runner.h"
#include "support/program_dir.h"
#include "ui/frame.h"
#include "ui/menus.h"
#include "ui/tray_icon.h"

// The real frame and its menus, built in this process.
namespace {

// The items of a menu as "text=id", separators as "-".
std::vector<std::string> Items(HMENU menu)
{
    std::vector<std::string> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (GetMenuState(menu, (UINT)i, MF_BYPOSITION) & MF_SEPARATOR) {
            items.push_back("-");
            continue;
        }
        char text[100] = "";
        GetMenuStringA(menu, (UINT)i, text, sizeof(text), MF_BYPOSITION);
        items.push_back(std::string(text) + "=" + std::to_string(GetMenuItemID(menu, i)));
    }
    return items;
}

SERVICE_ENTRY& AddTitleEntry(const char* name, int colour, int disabled)
{
    SERVICE_ENTRY& e = g_titleTable.entries[g_titleTable.count++];
    e = SERVICE_ENTRY{};
    snprintf(e.name, sizeof(e.name), "%s", name);
    e.colour = colour;
    e.disabled = disabled;
    return e;
}

struct Frame {
    explicit Frame(ProgramDir& p, const char* config)
    {
        p.WriteConfig(config);
        window = TOwnFrame::Create(GetModuleHandleA(nullptr));
    }
    ~Frame()
    {
        if (window) DestroyWindow(window);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
        g_ui = UI_STATE{};
    }
    HWND window = nullptr;
};

}  // namespace

TEST(Menus, TheTrayMenuCarriesThePartnersItems)
{
    ProgramDir p;
    struct Case {
        int partners;
        std::vector<std::string> items;
    };
    const Case kCases[] = {
        {0, {"Restore=18", "-", "Protocol=6", "Configuration=7", "-", "Stop All=19", "End=21"}},
        {1, {"Restore=18", "-", "Protocol=6", "Configuration=7", "-",
             "Kill Vorbin on PC PCTWO=22", "-", "Stop All=19", "End=21"}},
        {2, {"Restore=18", "-", "Protocol=6", "Configuration=7", "-",
             "Kill Vorbin on PC PCTWO=22", "Kill Vorbin on PC PC3=23", "-", "Stop All=19",
             "End=21"}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.partners);
        g_pingList.count = c.partners;
        snprintf(g_pingList.entries[0].name, PING_NAME_SIZE, "PCTWO");
        snprintf(g_pingList.entries[1].name, PING_NAME_SIZE, "PC3");
        HMENU menu = Menu_BuildTray();
        ASSERT_TRUE(menu != nullptr);
        EXPECT_EQ(c.items, Items(menu));
        DestroyMenu(menu);
    }
}

TEST(Menus, TheServiceMenuFollowsTheLinesColourAndDisabledMark)
{
    ProgramDir p;
    AddTitleEntry("RED", 1, 0);
    AddTitleEntry("OK", 8, 0);
    AddTitleEntry("OFF", 11, 2);
    SERVICE_ENTRY& m = g_messageTable.entries[g_messageTable.count++];
    m = SERVICE_ENTRY{};
    m.colour = 1;
    m.disabled = 2;
    struct Case {
        int row;
        std::vector<std::string> items;
    };
    const Case kCases[] = {
        {0, {"&Disable=12", "-", "&Start=13"}},
        {1, {"&Disable=12", "-", "&Show=14", "&Hide=15", "-", "&End=16", "&Kill !=17"}},
        {2, {"&Enable=11", "-", "&Show=14", "&Hide=15", "-", "&End=16", "&Kill !=17"}},
        {3, {"&Enable=11", "-", "&Start=13"}},  // the message entry after the title entries
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.row);
        HMENU menu = Menu_BuildServiceContext(c.row);
        ASSERT_TRUE(menu != nullptr);
        EXPECT_EQ(c.items, Items(menu));
        DestroyMenu(menu);
    }
    EXPECT_EQ(nullptr, Menu_BuildServiceContext(-1));  // nothing selected: no menu
    EXPECT_EQ(nullptr, Menu_BuildServiceContext(4));
}

TEST(FrameFit, HeightsWithAndWithoutToolbarAndPartners)
{
    struct Case {
        const char* config;
        int partners;
        int services;
        int lines;  // lines in the list: the first one gives the row height, else 20
        int extra;  // toolbar or not, partners or not
    };
    // With the toolbar the frame grows by the toolbar's real height.
    const int bar = 5 + TOwnControlBar::Height();
    const Case kCases[] = {
        {"", 0, 1, 0, 5},
        {"[Common]\nToolbar=0\n", 0, 3, 0, 5},
        {"[Common]\nToolbar=1\n", 0, 3, 0, bar},
        {"", 1, 2, 0, 5 + 50},
        {"[Common]\nToolbar=2\n", 2, 2, 2, bar + 50},
        {"[Common]\nToolbar=1\n", 0, 4, 4, bar},
        {"", 0, 4, 4, 5},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.config) + " partners " + std::to_string(c.partners) +
                     " lines " + std::to_string(c.lines));
        ProgramDir p;
        Frame frame(p, c.config);
        ASSERT_TRUE(frame.window != nullptr);
        for (int i = 0; i < c.services; ++i) AddTitleEntry("S", 0, 0);
        for (int i = 0; i < c.lines; ++i) Display_InsertRow(i, 8, "S", "ok", "");
        g_pingList.count = c.partners;
        FitWindowToList(true);
        HWND listView = GetDlgItem(g_supervision.clientWindow, IDC_SERVICE_LIST);
        ASSERT_TRUE(listView != nullptr);
        int rowHeight = 20;
        RECT row = {};
        if (c.lines > 0) {
            ASSERT_TRUE(ListView_GetItemRect(listView, 0, &row, LVIR_BOUNDS));
            rowHeight = row.bottom - row.top;
        }
        const int isXP = LIB_isXP() ? 1 : 0;
        const int expected = 2 * isXP + rowHeight * (c.services + 1) +
                             2 * GetSystemMetrics(SM_CYFRAME) + 2 * GetSystemMetrics(SM_CYCAPTION) +
                             4 * GetSystemMetrics(SM_CYBORDER) + (isXP ? 0 : 3) + c.extra;
        int columns = 0;
        for (int i = 0; i < 3; ++i) columns += ListView_GetColumnWidth(listView, i);
        const int width =
            columns + 2 * GetSystemMetrics(SM_CXFRAME) + 4 * GetSystemMetrics(SM_CXBORDER) + 20;
        RECT r;
        GetWindowRect(frame.window, &r);
        EXPECT_EQ(expected, r.bottom - r.top);
        EXPECT_EQ(expected, g_ui.fitHeight);
        EXPECT_EQ(width, r.right - r.left);
        EXPECT_EQ(width, g_ui.fitWidth);
        EXPECT_EQ(c.extra == bar || c.extra == bar + 50, g_ui.toolbarWindow != nullptr);
        if (c.lines == c.services && c.lines > 0) {
            // Every line shows whole: the last one ends inside the list.
            RECT last = {}, list = {};
            ASSERT_TRUE(ListView_GetItemRect(listView, c.lines - 1, &last, LVIR_BOUNDS));
            GetClientRect(listView, &list);
            EXPECT_LE(last.bottom, list.bottom);
        }
        // The frame itself stays hidden: the line's own visible style tells whether it is shown.
        HWND line = GetDlgItem(g_supervision.clientWindow, IDC_MACHINESYNC_LINE);
        ASSERT_TRUE(line != nullptr);
        EXPECT_EQ(c.partners > 0, (GetWindowLongA(line, GWL_STYLE) & WS_VISIBLE) != 0);
    }
}

TEST(FrameTray, ARecreatedTaskbarGetsTheRunIconBack)
{
    ProgramDir p;
    Frame frame(p, "");
    ASSERT_TRUE(frame.window != nullptr);
    EXPECT_STREQ("IconRun", g_ui.trayPicture);
    Display_SetTrayPicture("IconStop");  // a problem is shown
    EXPECT_STREQ("IconStop", g_ui.trayPicture);
    SendMessageA(frame.window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitUntil([] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        return strcmp(g_ui.trayPicture, "IconRun") == 0;
    }, 10000));
}

TEST(FrameCommands, EnablingFollowsTheActiveStateAndTheFileSyncRules)
{
    ProgramDir p;
    struct Case {
        bool active;
        bool enabled[5];  // commands 3, 4, 5, 6, 7
    };
    // Without FileSync rules (none configured here) command 5 stays disabled.
    const Case kCases[] = {
        {true, {false, true, false, true, true}},
        {false, {true, false, false, true, true}},
    };
    for (const Case& c : kCases) {
        g_supervision.active = c.active;
        for (int id = 3; id <= 7; ++id)
            EXPECT_EQ(c.enabled[id - 3], Command_IsEnabled(id)) << "active " << c.active << " id " << id;
    }
}

TEST(FrameCommands, CloseBoxHidesProtocolHidesOnlyWhatTheOperatorDidNotOpen)
{
    ProgramDir p;
    Frame frame(p, "");
    ASSERT_TRUE(frame.window != nullptr);
    HWND client = g_supervision.clientWindow;
    SendMessageA(client, MSG_TRAYICON, TRAY_ICON_ID, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(frame.window));
    EXPECT_EQ(2, g_supervision.windowVisibility);
    SendMessageA(frame.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindowVisible(frame.window));
    EXPECT_EQ(0, g_supervision.windowVisibility);
    EXPECT_TRUE(IsWindow(frame.window));  // only hidden
    SendMessageA(client, MSG_TRAYICON, 99, WM_LBUTTONDOWN);  // another icon: ignored
    EXPECT_FALSE(IsWindowVisible(frame.window));
    SendMessageA(client, WM_COMMAND, CM_RESTORE, 0);
    EXPECT_EQ(2, g_supervision.windowVisibility);
    SendMessageA(client, MSG_TRAYICON, TRAY_ICON_ID, WM_LBUTTONDOWN);
    EXPECT_FALSE(IsWindowVisible(frame.window));
    EXPECT_EQ(0, g_supervision.windowVisibility);
}

// The "Confirm error" button is reached with Tab and pressed with Enter or Space, as any
// dialog button, through the same keyboard handling the program's message loop uses.
TEST(FrameKeys, ConfirmErrorIsReachedWithTabAndPressedWithEnterOrSpace)
{
    for (const UINT press : {(UINT)VK_RETURN, (UINT)VK_SPACE}) {
        SCOPED_TRACE(press);
        ProgramDir p;
        Frame frame(p, "");
        ASSERT_TRUE(frame.window != nullptr);
        ShowWindow(frame.window, SW_SHOWNOACTIVATE);
        ProblemPanel_Show("Problem with FAX");
        HWND list = GetDlgItem(g_supervision.clientWindow, IDC_SERVICE_LIST);
        HWND button = GetDlgItem(g_supervision.clientWindow, IDC_CONFIRM);
        ASSERT_TRUE(list && button);
        SetFocus(list);
        ASSERT_EQ(list, GetFocus());

        auto key = [](HWND to, UINT message, UINT vk) {
            MSG msg = {to, message, vk, 0, 0, {0, 0}};
            if (!Client_TranslateKey(msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        };
        key(list, WM_KEYDOWN, VK_TAB);
        EXPECT_EQ(button, GetFocus());
        key(button, WM_KEYDOWN, press);
        key(button, WM_KEYUP, press);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        EXPECT_EQ(1, CountLines(p.EventLog())) << p.EventLog();
        EXPECT_NE(std::string::npos, p.EventLog().find(" Custor: Error confirmed by user"));
        // Tab goes on, back to the list.
        key(button, WM_KEYDOWN, VK_TAB);
        EXPECT_EQ(list, GetFocus());
    }
}
