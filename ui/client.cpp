// TMain, the frame's client: the service list, the problem panel, the "FileSync" and
// "MachineSync" lines, the supervision timer, the tray icon and the operator's commands.
#include "core/commands.h"
#include "core/display.h"
#include "core/lib.h"
#include "core/passes.h"
#include "core/problem_state.h"
#include "core/process_control.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "housekeeping/jobs.h"
#include "partner/alarm_port.h"
#include "partner/mailslot.h"
#include "partner/partner_commands.h"
#include "partner/partner_duties.h"
#include "ui/frame.h"
#include "ui/menus.h"
#include "ui/service_list.h"
#include "ui/toolbar.h"
#include "ui/tray_icon.h"
#include <commctrl.h>

// Dialog-unit rectangles of the client's controls.
static const RECT kProblemTextUnits = {12, 35, 12 + 196, 35 + 56};
static const RECT kConfirmUnits = {16, 94, 16 + 180, 94 + 14};
static const RECT kFileSyncUnits = {0, 4, 236, 4 + 12};
static const RECT kMachineSyncUnits = {0, 18, 236, 18 + 12};

static bool FileSyncShown() { return FileSync_IsConfigured(); }
static bool PartnersShown() { return g_pingList.count > 0; }

bool Command_IsEnabled(int id)
{
    switch (id) {
    case CM_ACTIVATE_ALL: return !g_supervision.active;
    case CM_DEACTIVATE_ALL: return g_supervision.active && !FileSync_IsRequested();
    case CM_TRANSFER_BACKUP: return !FileSync_IsRequested() && FileSync_IsConfigured();
    default: return true;
    }
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

static HWND CreateControl(HWND client, const char* cls, const char* text, DWORD style, int id,
                          const RECT& units)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(client, GWLP_HINSTANCE);
    HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    const RECT r = DialogUnitsToPixels(client, font, units);
    HWND control = CreateWindowExA(0, cls, text, WS_CHILD | style, r.left, r.top,
                                   r.right - r.left, r.bottom - r.top, client,
                                   (HMENU)(INT_PTR)id, instance, nullptr);
    SendMessageA(control, WM_SETFONT, (WPARAM)font, FALSE);
    return control;
}

// Top and height of a child of the client; false without it.
static bool ChildPlace(int id, int* top, int* height)
{
    HWND client = g_supervision.clientWindow;
    HWND child = client ? GetDlgItem(client, id) : nullptr;
    if (!child) return false;
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, client, (POINT*)&r, 2);
    *top = r.top;
    *height = r.bottom - r.top;
    return true;
}

static int ChildHeight(int id)
{
    int top = 0, height = 0;
    return ChildPlace(id, &top, &height) ? height : 0;
}

void Client_Layout(HWND client, int width, int height)
{
    int top = 0, buttonTop = 0, buttonHeight = 0;
    if (g_problemState.panelShown && ChildPlace(IDC_CONFIRM, &buttonTop, &buttonHeight))
        top = buttonTop + buttonHeight;
    const bool fileSync = FileSyncShown(), partners = PartnersShown();
    const int fileSyncHeight = ChildHeight(IDC_FILESYNC_LINE);
    const int machineSyncHeight = ChildHeight(IDC_MACHINESYNC_LINE);
    int listHeight = height - top;
    if (partners) listHeight -= machineSyncHeight + 2;
    if (fileSync) listHeight -= fileSyncHeight + 2;
    if (listHeight < 0) listHeight = 0;
    if (g_serviceList && g_serviceList->GetHandle())
        MoveWindow(g_serviceList->GetHandle(), 0, top, width, listHeight, TRUE);
    HWND fileSyncLine = GetDlgItem(client, IDC_FILESYNC_LINE);
    HWND machineSyncLine = GetDlgItem(client, IDC_MACHINESYNC_LINE);
    if (fileSync) MoveWindow(fileSyncLine, 7, top + listHeight + 4, width - 14, fileSyncHeight, TRUE);
    ShowWindow(fileSyncLine, fileSync ? SW_SHOW : SW_HIDE);
    if (partners) {
        const int f = fileSync ? fileSyncHeight + 4 : 2;
        MoveWindow(machineSyncLine, 7, top + listHeight + 1 + f, width - 14, machineSyncHeight, TRUE);
    }
    ShowWindow(machineSyncLine, partners ? SW_SHOW : SW_HIDE);
    InvalidateRect(client, nullptr, TRUE);
}

static void ShowPanelControls(int show)
{
    if (!g_supervision.clientWindow) return;
    ShowWindow(GetDlgItem(g_supervision.clientWindow, IDC_PROBLEM_TEXT), show);
    ShowWindow(GetDlgItem(g_supervision.clientWindow, IDC_CONFIRM), show);
}

static void RedoLayout()
{
    HWND client = g_supervision.clientWindow;
    if (!client) return;
    RECT r;
    GetClientRect(client, &r);
    Client_Layout(client, r.right, r.bottom);
}

void ProblemPanel_Show(const char* text)
{
    if (!g_supervision.clientWindow) return;
    SetDlgItemTextA(g_supervision.clientWindow, IDC_PROBLEM_TEXT, text ? text : "");
    ShowPanelControls(SW_SHOW);
    int top = 0, height = 0;
    ChildPlace(IDC_CONFIRM, &top, &height);
    if (g_supervision.mainWindow)
        SetWindowPos(g_supervision.mainWindow, HWND_TOPMOST, 0, 0, g_ui.fitWidth,
                     top + g_ui.fitHeight + height, SWP_NOMOVE);
    // The list moves below the button even when the frame's size did not change.
    RedoLayout();
}

void FitWindowToList(bool fromProblemClear) { Display_FitWindowToList(fromProblemClear); }

bool Client_TranslateKey(const MSG& msg)
{
    HWND client = g_supervision.clientWindow;
    if (!client || msg.message != WM_KEYDOWN || !msg.hwnd || !IsChild(client, msg.hwnd))
        return false;
    if (msg.wParam == VK_TAB) {
        // Between the list and the "Confirm error" button while it shows, as in a dialog.
        HWND next = GetNextDlgTabItem(client, msg.hwnd, GetKeyState(VK_SHIFT) < 0);
        if (next && next != msg.hwnd) SetFocus(next);
        return true;
    }
    if (msg.wParam == VK_RETURN && GetDlgCtrlID(msg.hwnd) == IDC_CONFIRM) {
        SendMessageA(msg.hwnd, BM_CLICK, 0, 0);
        return true;
    }
    return false;
}

void Frame_FitToList(bool)
{
    ShowPanelControls(SW_HIDE);
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
                 4 * GetSystemMetrics(SM_CYBORDER) + (isXP ? 0 : 3) +
                 // The toolbar's own height, so that no line of the list is cut off below it.
                 5 + (g_ui.toolbarWindow ? TOwnControlBar::Height() : 0) +
                 (PartnersShown() ? 50 : 0);
    int columns = 0;
    for (int i = 0; i < 3; ++i) columns += listView ? ListView_GetColumnWidth(listView, i) : 0;
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

static void ShowFrameByOperator()
{
    HWND frame = g_supervision.mainWindow;
    if (!frame) return;
    ShowWindow(frame, SW_SHOWNORMAL);
    LIB_SetForegroundWindowHack(frame);
    g_supervision.windowVisibility = 2;
}

void TMain::OnTrayIcon(HWND hwnd, WPARAM id, LPARAM mouse)
{
    if (id != TRAY_ICON_ID) return;
    HWND frame = g_supervision.mainWindow;
    if (mouse == WM_LBUTTONDOWN) {
        if (g_supervision.windowVisibility != 0) {
            if (frame) ShowWindow(frame, SW_HIDE);
            g_supervision.windowVisibility = 0;
        } else {
            ShowFrameByOperator();
        }
    } else if (mouse == WM_RBUTTONDOWN) {
        if (frame) LIB_SetForegroundWindowHack(frame);
        Menu_ShowTray(hwnd);
    }
}

LRESULT CALLBACK TMain::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        OnCreate(hwnd);
        return 0;
    case WM_TIMER:
        if (wParam == SUPERVISION_TIMER_ID) {
            SupervisionTick(g_supervision.mainWindow);
            TOwnControlBar::UpdateEnabling(g_ui.toolbarWindow);
        }
        return 0;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* draw = (const DRAWITEMSTRUCT*)lParam;
        if (draw && draw->CtlID == IDC_SERVICE_LIST && g_serviceList) {
            g_serviceList->DrawItem(draw);
            return TRUE;
        }
        return FALSE;
    }
    case MSG_SERVICE_STATUS:
        return OnStatusReport((HWND)wParam, lParam);
    case MSG_TRAY_READD:
        Tray_AddRunIcon(hwnd);
        return 0;
    case MSG_TRAYICON:
        OnTrayIcon(hwnd, wParam, lParam);
        return 0;
    case MSG_LIST_ACTIVATE:
        ServiceActivate(ServiceList_SelectedRow());
        return 0;
    case MSG_LIST_CONTEXT:
        Menu_ShowServiceContext(hwnd);
        return 0;
    case WM_COMMAND:
        OnCommand(hwnd, LOWORD(wParam));
        return 0;
    case WM_SIZE:
        Client_Layout(hwnd, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DESTROY:
        OnDestroy(hwnd);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
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
        for (int i = 0; i < 3; ++i)
            list->InsertColumn(i, kColumns[i].header, kColumns[i].width, LVCFMT_CENTER);
        list->LoadColumnWidth();
    }
    g_serviceList = list;
    CreateControl(hwnd, "STATIC", "", SS_CENTER, IDC_PROBLEM_TEXT, kProblemTextUnits);
    CreateControl(hwnd, "BUTTON", "Confirm error", WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER,
                  IDC_CONFIRM, kConfirmUnits);
    CreateControl(hwnd, "STATIC", "FileSync", SS_CENTER | SS_SUNKEN, IDC_FILESYNC_LINE,
                  kFileSyncUnits);
    CreateControl(hwnd, "STATIC", "MachineSync", SS_CENTER | SS_SUNKEN, IDC_MACHINESYNC_LINE,
                  kMachineSyncUnits);
    SetTimer(hwnd, SUPERVISION_TIMER_ID, SUPERVISION_TICK_MS, nullptr);
    Tray_AddRunIcon(hwnd);
    StatSlots_Clear();
}

void TMain::OnCommand(HWND hwnd, int id)
{
    if (id >= CM_KILL_PARTNER && id < CM_KILL_PARTNER + PING_LIST_SIZE) {
        Partner_KillVorbin(id - CM_KILL_PARTNER);
        return;
    }
    // A button that was disabled when its click was queued does nothing.
    if (!Command_IsEnabled(id)) return;
    switch (id) {
    case CM_ACTIVATE_ALL: Partner_ActivateAll(); break;
    case CM_DEACTIVATE_ALL: Partner_DeactivateAll(); break;
    case CM_TRANSFER_BACKUP: Partner_TransferBackup(); break;
    case CM_STOP_ALL: Partner_StopAllAndEnd(); break;
    case CM_END: App_End(); break;
    case CM_RESTORE: ShowFrameByOperator(); break;
    case CM_CONFIGURATION:
    case CM_PROTOCOL:
        if (id == CM_CONFIGURATION) OpenConfiguration();
        else OpenProtocol();
        // Opened from the tray: the frame goes back; opened by the operator's own window: stays.
        if (g_supervision.windowVisibility != 2) {
            g_supervision.windowVisibility = 0;
            if (g_supervision.mainWindow) ShowWindow(g_supervision.mainWindow, SW_HIDE);
        }
        break;
    case IDC_CONFIRM: ConfirmError(g_supervision.mainWindow); break;
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
        break;
    }
}

void TMain::OnDestroy(HWND hwnd)
{
    KillTimer(hwnd, SUPERVISION_TIMER_ID);
    AlarmPort_Close();
    Partner_SendStatus("Stopped!");
    TrayIcon_Delete(TRAY_ICON_ID);
    Display_UseNone();
    TOwnListWindow* list = g_serviceList;
    g_serviceList = nullptr;
    delete list;
    g_supervision.clientWindow = nullptr;
}
