#include "ui/frame.h"
#include "core/eventlog.h"
#include "core/lib.h"
#include "core/passes.h"
#include "core/problem_state.h"
#include "core/process_control.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "core/host.h"
#include "partner/alarm_port.h"
#include "partner/lock.h"
#include "partner/mailslot.h"
#include "partner/partner_commands.h"
#include "partner/partner_duties.h"
#include "core/display.h"
#include "ui/commands.h"
#include "ui/listwindow.h"
#include "ui/tray_icon.h"
#include <commctrl.h>

UI_STATE g_ui;

static const char kFrameClass[] = "CustorFrame";
static const int kFrameIcon = 8;
// The shell broadcasts this message when it recreates the taskbar; tray icons must be added
// again then.
static UINT s_taskbarCreated;

// Dialog-unit rectangles of the problem panel: the text and the "Confirm error" button.
static const RECT kProblemTextUnits = {12, 35, 12 + 196, 35 + 56};
static const RECT kConfirmUnits = {16, 94, 16 + 180, 94 + 14};


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

HWND TOwnFrame::Create(HINSTANCE instance)
{
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(kFrameIcon));
    if (!icon) icon = LoadIconA(nullptr, (LPCSTR)IDI_APPLICATION);

    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = WndProc;
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
    s_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");

    HWND frame = CreateWindowExA(0, kFrameClass, "Custor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 360, 240, nullptr, nullptr, instance, nullptr);
    if (!frame) return nullptr;
    g_supervision.mainWindow = frame;

    HWND status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                  frame, nullptr, instance, nullptr);
    g_supervision.statusWindow = status;

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

LRESULT CALLBACK TOwnFrame::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        // Commands from menus and other programs go to the client, as in framework frames.
        if (g_supervision.clientWindow) return SendMessageA(g_supervision.clientWindow, WM_COMMAND, wParam, lParam);
        return 0;
    case WM_SIZE: {
        HWND status = g_supervision.statusWindow;
        int statusHeight = 0;
        if (status) {
            SendMessageA(status, WM_SIZE, 0, 0);
            RECT r;
            GetWindowRect(status, &r);
            statusHeight = r.bottom - r.top;
        }
        if (g_supervision.clientWindow) {
            const int height = HIWORD(lParam) - statusHeight;
            MoveWindow(g_supervision.clientWindow, 0, 0, LOWORD(lParam), height > 0 ? height : 0, TRUE);
        }
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
    case WM_CLOSE:
        // The close box only hides the window; the program lives on in the tray.
        ShowWindow(hwnd, SW_HIDE);
        g_supervision.windowVisibility = 0;
        return 0;
    case WM_DESTROY:
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

// The run picture, whatever the problem state: the next change of state swaps it.
static void AddTrayIcon(HWND client)
{
    HICON icon = TrayIcon_LoadPicture("IconRun");
    if (icon) TrayIcon_Add(client, TRAY_ICON_ID, icon, "Custor");
}

static bool ConfirmButtonPlace(int* top, int* height);

// Client layout: the list fills the client, below the "Confirm error" button while the
// problem panel is shown.
static void OnClientSize(HWND client, int width, int height)
{
    int top = 0, buttonTop = 0, buttonHeight = 0;
    if (g_problemState.panelShown && ConfirmButtonPlace(&buttonTop, &buttonHeight))
        top = buttonTop + buttonHeight;
    const int listHeight = height - top;
    if (g_serviceList && g_serviceList->GetHandle())
        MoveWindow(g_serviceList->GetHandle(), 0, top, width, listHeight > 0 ? listHeight : 0,
                   TRUE);
    InvalidateRect(client, nullptr, TRUE);
}

LRESULT CALLBACK TMain::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        OnCreate(hwnd);
        return 0;
    case WM_TIMER:
        if (wParam == SUPERVISION_TIMER_ID) SupervisionTick(g_supervision.mainWindow);
        return 0;
    case MSG_SERVICE_STATUS:
        return OnStatusReport((HWND)wParam, lParam);
    case MSG_TRAY_READD:
        AddTrayIcon(hwnd);
        return 0;
    case MSG_LIST_ACTIVATE:
        ServiceActivate((int)lParam);
        return 0;
    case WM_COMMAND:
        OnCommand(hwnd, LOWORD(wParam));
        return 0;
    case WM_SIZE:
        OnSize(hwnd, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DESTROY:
        OnDestroy(hwnd);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// The "MachineSync" line: the partners' last reports and warnings, where other programs can
// read them (control IDC_MACHINESYNC_LINE of the client).
static void ShowMachineSyncLine(const char* text)
{
    if (g_supervision.clientWindow) SetDlgItemTextA(g_supervision.clientWindow, IDC_MACHINESYNC_LINE, text);
}

static void CreateMachineSyncLine(HWND client)
{
    CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, client,
                    (HMENU)(INT_PTR)IDC_MACHINESYNC_LINE, nullptr, nullptr);
    g_display.machineSyncLine = ShowMachineSyncLine;
}

void TMain::OnCreate(HWND hwnd)
{
    g_supervision.clientWindow = hwnd;
    g_ownSlot = MAILSLOT_Open("Custor", 0);
    MAILSLOT_Start("Custor", 1, 5, 6);
    static const struct { const char* header; int width; } kColumns[] = {
        {"Program", 160}, {"State", 80}, {"Info", 80}};
    TOwnListWindow* list = new TOwnListWindow(hwnd, 0x18, 3, IDC_SERVICE_LIST, 0, 0, 320, 200);
    if (list->Create()) {
        for (int i = 0; i < 3; ++i) list->InsertColumn(i, kColumns[i].header, kColumns[i].width);
    }
    g_serviceList = list;
    CreatePanel(hwnd);
    CreateMachineSyncLine(hwnd);
    SetTimer(hwnd, SUPERVISION_TIMER_ID, SUPERVISION_TICK_MS, nullptr);
    AddTrayIcon(hwnd);
    StatSlots_Clear();
}

// Converts dialog units to pixels for the controls' font, as a dialog template would.
static RECT DialogUnitsToPixels(HWND hwnd, HFONT font, const RECT& units)
{
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics;
    SIZE size = {0, 0};
    GetTextMetricsA(dc, &metrics);
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32A(dc, kAlphabet, 52, &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    const int baseX = size.cx > 0 ? (size.cx / 26 + 1) / 2 : 6;
    const int baseY = metrics.tmHeight > 0 ? metrics.tmHeight : 13;
    RECT r = {MulDiv(units.left, baseX, 4), MulDiv(units.top, baseY, 8),
              MulDiv(units.right, baseX, 4), MulDiv(units.bottom, baseY, 8)};
    return r;
}

// The problem panel: hidden until the problem state shows it.
void TMain::CreatePanel(HWND hwnd)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(hwnd, GWLP_HINSTANCE);
    HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    const RECT text = DialogUnitsToPixels(hwnd, font, kProblemTextUnits);
    const RECT button = DialogUnitsToPixels(hwnd, font, kConfirmUnits);
    HWND problemText = CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_CENTER, text.left,
                                       text.top, text.right - text.left, text.bottom - text.top,
                                       hwnd, (HMENU)(INT_PTR)IDC_PROBLEM_TEXT, instance, nullptr);
    HWND confirm = CreateWindowExA(0, "BUTTON", "Confirm error",
                                   WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER, button.left,
                                   button.top, button.right - button.left,
                                   button.bottom - button.top, hwnd,
                                   (HMENU)(INT_PTR)IDC_CONFIRM, instance, nullptr);
    SendMessageA(problemText, WM_SETFONT, (WPARAM)font, FALSE);
    SendMessageA(confirm, WM_SETFONT, (WPARAM)font, FALSE);
}

// Top and height of the "Confirm error" button in the client; false without the button.
static bool ConfirmButtonPlace(int* top, int* height)
{
    HWND button = g_supervision.clientWindow ? GetDlgItem(g_supervision.clientWindow, IDC_CONFIRM) : nullptr;
    if (!button) return false;
    RECT r;
    GetWindowRect(button, &r);
    MapWindowPoints(nullptr, g_supervision.clientWindow, (POINT*)&r, 2);
    *top = r.top;
    *height = r.bottom - r.top;
    return true;
}

static void ShowPanelControls(int show)
{
    if (!g_supervision.clientWindow) return;
    ShowWindow(GetDlgItem(g_supervision.clientWindow, IDC_PROBLEM_TEXT), show);
    ShowWindow(GetDlgItem(g_supervision.clientWindow, IDC_CONFIRM), show);
}

void ProblemPanel_Show(const char* text)
{
    if (!g_supervision.clientWindow) return;
    SetDlgItemTextA(g_supervision.clientWindow, IDC_PROBLEM_TEXT, text ? text : "");
    ShowPanelControls(SW_SHOW);
    int top = 0, height = 0;
    ConfirmButtonPlace(&top, &height);
    if (g_supervision.mainWindow)
        SetWindowPos(g_supervision.mainWindow, HWND_TOPMOST, 0, 0, g_ui.fitWidth, top + g_ui.fitHeight + height,
                     SWP_NOMOVE);
    // The list moves below the button even when the frame's size did not change.
    RECT r;
    GetClientRect(g_supervision.clientWindow, &r);
    OnClientSize(g_supervision.clientWindow, r.right, r.bottom);
}

void TMain::OnCommand(HWND hwnd, int id)
{
    switch (id) {
    case CM_END:
        App_End();
        break;
    case CM_CONFIGURATION:
        OpenConfiguration();
        break;
    case CM_PROTOCOL:
        OpenProtocol();
        break;
    case IDC_CONFIRM:
        ConfirmError(g_supervision.mainWindow);
        break;
    case CM_ACTIVATE_ALL:
        Partner_ActivateAll();
        break;
    case CM_DEACTIVATE_ALL:
        Partner_DeactivateAll();
        break;
    case CM_TRANSFER_BACKUP:
        Partner_TransferBackup();
        break;
    case CM_STOP_ALL:
        Partner_StopAllAndEnd();
        break;
    case CM_SERVICE_ENABLE:
    case CM_SERVICE_DISABLE:
    case CM_SERVICE_START:
    case CM_SERVICE_SHOW:
    case CM_SERVICE_HIDE:
    case CM_SERVICE_END:
    case CM_SERVICE_KILL:
        ServiceCommand(id, ServiceList_SelectedRow());
        break;
    default:
        if (id >= CM_KILL_PARTNER && id < CM_KILL_PARTNER + 10) Partner_KillVorbin(id - CM_KILL_PARTNER);
        break;
    }
}

void TMain::OnSize(HWND hwnd, int width, int height) { OnClientSize(hwnd, width, height); }

void TMain::OnDestroy(HWND hwnd)
{
    Partner_SendStatus("Stopped!");
    KillTimer(hwnd, SUPERVISION_TIMER_ID);
    TrayIcon_Delete(TRAY_ICON_ID);
    TOwnListWindow* list = g_serviceList;
    g_serviceList = nullptr;
    delete list;
    g_supervision.clientWindow = nullptr;
}

void FitWindowToList(bool fromProblemClear)
{
    // The panel goes away first, so the alarm state is right even without a frame.
    ShowPanelControls(SW_HIDE);
    g_problemState.panelShown = false;
    g_problemState.confirmed = !fromProblemClear;
    HWND frame = g_supervision.mainWindow;
    if (!frame) return;

    int rowHeight = 20;
    HWND listView = g_serviceList ? g_serviceList->GetHandle() : nullptr;
    if (listView && ListView_GetItemCount(listView) > 0) {
        RECT r;
        if (ListView_GetItemRect(listView, 0, &r, LVIR_BOUNDS) && r.bottom > r.top)
            rowHeight = r.bottom - r.top;
    }
    const int isXP = LIB_isXP() ? 1 : 0;
    const int rows = g_titleTable.count + g_messageTable.count + 1;
    const int listPart = 2 * isXP + rowHeight * rows + 2 * GetSystemMetrics(SM_CYFRAME);
    int height = listPart + 2 * GetSystemMetrics(SM_CYCAPTION) +
                 4 * GetSystemMetrics(SM_CYBORDER) + (isXP ? 0 : 3) + (g_ui.toolbar ? 45 : 5) +
                 (g_pingList.count > 0 ? 50 : 0);
    int columns = 0;
    for (int i = 0; i < 3; ++i)
        columns += listView ? ListView_GetColumnWidth(listView, i) : 0;
    const int width = columns + 2 * GetSystemMetrics(SM_CXFRAME) + 4 * GetSystemMetrics(SM_CXBORDER);
    g_ui.fitWidth = width + 20;
    g_ui.fitHeight = height;

    if (GetSystemMetrics(SM_CYFULLSCREEN) < height)
        height = GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYCAPTION);
    // Two sizes in a row, so the layout is redone even when the size did not change.
    const UINT flags = SWP_NOMOVE | SWP_NOACTIVATE;
    SetWindowPos(frame, HWND_NOTOPMOST, 0, 0, width + 21, height, flags);
    SetWindowPos(frame, HWND_NOTOPMOST, 0, 0, width + 20, height, flags);
}

void App_End()
{
    TrayIcon_Delete(TRAY_ICON_ID);
    AlarmPort_Close();
    EventLog(EVENT_CUSTOR, "End ", false, 0);
    LOCK_Stop();
    g_host.exitProcess(0);
}
