#include "ui/frame.h"
#include "core/commands.h"
#include "core/config.h"
#include "core/display.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/str.h"
#include "core/supervision.h"
#include "partner/alarm_port.h"
#include "partner/lock.h"
#include "partner/partner_duties.h"
#include "ui/service_list.h"
#include "ui/toolbar.h"
#include "ui/tray_icon.h"
#include "ui/window_pos.h"
#include <commctrl.h>
#include <stdio.h>

UI_STATE g_ui;
const char kFrameSection[] = "Postrel";
const char kFramePosition[] = "custor_pos";

static const char kFrameClass[] = "CustorFrame";
static const int kFrameIcon = 8;
// The uptime field holds 12 characters.
static const int kUptimeCharacters = 12;
// The shell broadcasts this message when it recreates the taskbar; tray icons must be added
// again then.
static UINT s_taskbarCreated;

// The probe a watchdog posts to a program built on this frame, and its answer: a status report
// (no channel busy, no problem) to the window titled "Custor".
static const WPARAM kProbeCharacter = 160;

static void AnswerProbe(HWND frame)
{
    if (!g_ui.watchdogWindow) g_ui.watchdogWindow = FindWindowA(nullptr, "Custor");
    if (PostMessageA(g_ui.watchdogWindow, MSG_SERVICE_STATUS, (WPARAM)frame, 0)) return;
    // The watchdog may have been restarted: look it up once more.
    g_ui.watchdogWindow = FindWindowA(nullptr, "Custor");
    PostMessageA(g_ui.watchdogWindow, MSG_SERVICE_STATUS, (WPARAM)frame, 0);
}

// The status bar: the message part, then the uptime field at the right.
static void StatusBar_SetParts(HWND bar, int width)
{
    HDC dc = GetDC(bar);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(bar, WM_GETFONT, 0, 0));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(bar, dc);
    const int field = kUptimeCharacters * (metrics.tmAveCharWidth > 0 ? metrics.tmAveCharWidth : 7) + 8;
    int edges[2] = {width - field > 0 ? width - field : 0, -1};
    SendMessageA(bar, SB_SETPARTS, 2, (LPARAM)edges);
}

static void ShowStatusText(const char* text)
{
    if (g_ui.statusBar) SendMessageA(g_ui.statusBar, SB_SETTEXTA, 0, (LPARAM)text);
}

static void ShowUptime(const char* text)
{
    if (!g_ui.statusBar) return;
    // A leading tab centres the text in its part.
    char centred[64];
    snprintf(centred, sizeof(centred), "\t%s", text);
    SendMessageA(g_ui.statusBar, SB_SETTEXTA, 1, (LPARAM)centred);
}

static void ShowLine(int id, const char* text)
{
    if (g_supervision.clientWindow) SetDlgItemTextA(g_supervision.clientWindow, id, text);
}
static void ShowFileSyncLine(const char* text) { ShowLine(IDC_FILESYNC_LINE, text); }
static void ShowMachineSyncLine(const char* text) { ShowLine(IDC_MACHINESYNC_LINE, text); }

static void ShowTrayPicture(const char* name)
{
    HICON icon = TrayIcon_LoadPicture(name);
    if (!icon) return;
    STR_ncpy(g_ui.trayPicture, name, sizeof(g_ui.trayPicture) - 1);
    TrayIcon_Modify(g_supervision.clientWindow, TRAY_ICON_ID, icon, "Custor", true, nullptr, 0,
                    nullptr, nullptr);
}

static void RemoveTrayIcon() { TrayIcon_Delete(TRAY_ICON_ID); }

static void ShowFrameAtStart()
{
    if (g_supervision.mainWindow)
        ShowWindow(g_supervision.mainWindow, GetStartState(SW_SHOWNORMAL, TRUE));
}

static void InstallDisplay()
{
    g_display.uptimeText = ShowUptime;
    g_display.fileSyncLine = ShowFileSyncLine;
    g_display.machineSyncLine = ShowMachineSyncLine;
    g_display.fitWindowToList = Frame_FitToList;
    ServiceList_InstallDisplay();
    g_display.statusText = ShowStatusText;
    g_display.problemPanel = ProblemPanel_Show;
    g_display.trayPicture = ShowTrayPicture;
    g_display.removeTrayIcon = RemoveTrayIcon;
    g_display.showFrameAtStart = ShowFrameAtStart;
}

static void RegisterClasses(HINSTANCE instance, WNDPROC frameProc)
{
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(kFrameIcon));
    if (!icon) icon = LoadIconA(nullptr, (LPCSTR)IDI_APPLICATION);
    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = frameProc;
    frameClass.hInstance = instance;
    frameClass.hIcon = icon;
    frameClass.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    frameClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = kFrameClass;
    RegisterClassA(&frameClass);

    WNDCLASSA clientClass = {};
    clientClass.lpfnWndProc = TMain::WndProc;
    clientClass.hInstance = instance;
    clientClass.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    clientClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    clientClass.lpszClassName = TMain::ClassName();
    RegisterClassA(&clientClass);
    TOwnControlBar::Register(instance);
    s_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
}

HWND TOwnFrame::Create(HINSTANCE instance)
{
    RegisterClasses(instance, WndProc);
    HWND frame = CreateWindowExA(0, kFrameClass, "Custor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 360, 240, nullptr, nullptr, instance, nullptr);
    if (!frame) return nullptr;
    g_supervision.mainWindow = frame;
    InstallDisplay();

    g_ui.statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                     frame, nullptr, instance, nullptr);
    g_ui.toolbar = Config_GetInt("Common", "Toolbar", "0") != 0;
    g_ui.toolbarWindow = g_ui.toolbar ? TOwnControlBar::Create(frame, instance) : nullptr;

    HWND client = CreateWindowExA(0, TMain::ClassName(), "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                  frame, nullptr, instance, nullptr);
    if (!client) {
        DestroyWindow(frame);
        return nullptr;
    }
    RECT r;
    GetClientRect(frame, &r);
    SendMessageA(frame, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right, r.bottom));
    return frame;
}

void TOwnFrame::Start(HWND frame)
{
    WindowPos_Restore(frame, kFrameSection, kFramePosition, 100, 50, 0, 0, 0);
    g_supervision.windowVisibility = 0;
    ShowWindow(frame, GetStartState(SW_HIDE, TRUE));
}

static void LayOutFrame(int width, int height)
{
    int top = 0, bottom = height;
    if (g_ui.statusBar) {
        SendMessageA(g_ui.statusBar, WM_SIZE, 0, 0);
        StatusBar_SetParts(g_ui.statusBar, width);
        RECT r;
        GetWindowRect(g_ui.statusBar, &r);
        bottom -= r.bottom - r.top;
    }
    if (g_ui.toolbarWindow) {
        top = TOwnControlBar::Height();
        MoveWindow(g_ui.toolbarWindow, 0, 0, width, top, TRUE);
    }
    if (g_supervision.clientWindow)
        MoveWindow(g_supervision.clientWindow, 0, top, width, bottom > top ? bottom - top : 0, TRUE);
}

LRESULT CALLBACK TOwnFrame::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        // Commands from menus, toolbar and other programs go to the client.
        if (g_supervision.clientWindow) return SendMessageA(g_supervision.clientWindow, WM_COMMAND, wParam, lParam);
        return 0;
    case WM_SIZE:
        LayOutFrame(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = (MINMAXINFO*)lParam;
        info->ptMinTrackSize.x = 0;
        info->ptMinTrackSize.y = 0;
        return 0;
    }
    case MSG_SERVICE_STATUS:
        // Status reports of cooperating programs arrive at the window titled "Custor".
        if (g_supervision.clientWindow) PostMessageA(g_supervision.clientWindow, MSG_SERVICE_STATUS, wParam, lParam);
        return 0;
    case WM_CHAR:
        if (wParam == kProbeCharacter) {
            AnswerProbe(hwnd);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_SYSCOMMAND:
        // The close box only hides the window; the program lives on in the tray.
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            ShowWindow(hwnd, SW_HIDE);
            g_supervision.windowVisibility = 0;
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_CLOSE:
        // Asked to close by someone else than the close box: the program ends.
        if (App_CanClose()) DestroyWindow(hwnd);
        return 0;
    case WM_QUERYENDSESSION:
        return App_CanClose() ? TRUE : FALSE;
    case WM_ENDSESSION:
        if (wParam) DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        g_supervision.mainWindow = nullptr;
        g_ui.statusBar = nullptr;
        g_ui.toolbarWindow = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        if (msg == s_taskbarCreated && s_taskbarCreated != 0) {
            if (g_supervision.clientWindow) PostMessageA(g_supervision.clientWindow, MSG_TRAY_READD, 0, 0);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

void Tray_AddRunIcon(HWND client)
{
    // The run picture, whatever the problem state: the next change of state swaps it.
    HICON icon = TrayIcon_LoadPicture("IconRun");
    if (!icon) return;
    STR_ncpy(g_ui.trayPicture, "IconRun", sizeof(g_ui.trayPicture) - 1);
    TrayIcon_Add(client, TRAY_ICON_ID, icon, "Custor");
}

bool App_CanClose()
{
    if (g_supervision.mainWindow)
        WindowPos_Save(g_supervision.mainWindow, kFrameSection, kFramePosition, FALSE);
    if (g_serviceList) g_serviceList->CanClose();
    Partner_SendStatus("Stopped!");
    return true;
}

void App_End()
{
    if (g_serviceList) g_serviceList->CanClose();
    TrayIcon_Delete(TRAY_ICON_ID);
    AlarmPort_Close();
    EventLog(EVENT_CUSTOR, "End ", false, 0);
    LOCK_Stop();
    g_host.exitProcess(0);
}
