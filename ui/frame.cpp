#include "ui/frame.h"
#include "core/eventlog.h"
#include "core/lib.h"
#include "core/passes.h"
#include "core/process_control.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "core/host.h"
#include "partner/alarm_port.h"
#include "partner/lock.h"
#include "partner/mailslot.h"
#include "partner/partner_duties.h"
#include "ui/commands.h"
#include "ui/listwindow.h"
#include <commctrl.h>

UI_STATE g_ui;

static const char kFrameClass[] = "CustorFrame";
static const int kFrameIcon = 8;


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

    HWND frame = CreateWindowExA(0, kFrameClass, "Custor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 360, 240, nullptr, nullptr, instance, nullptr);
    if (!frame) return nullptr;
    g_ui.frame = frame;
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
        if (g_ui.client) return SendMessageA(g_ui.client, WM_COMMAND, wParam, lParam);
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
        if (g_ui.client) {
            const int height = HIWORD(lParam) - statusHeight;
            MoveWindow(g_ui.client, 0, 0, LOWORD(lParam), height > 0 ? height : 0, TRUE);
        }
        return 0;
    }
    case MSG_SERVICE_STATUS:
        // Status reports of cooperating programs arrive at the window titled "Custor".
        if (g_ui.client) PostMessageA(g_ui.client, MSG_SERVICE_STATUS, wParam, lParam);
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
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK TMain::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        OnCreate(hwnd);
        return 0;
    case WM_TIMER:
        if (wParam == SUPERVISION_TIMER_ID) SupervisionTick(g_ui.frame);
        return 0;
    case MSG_SERVICE_STATUS:
        return OnStatusReport((HWND)wParam, lParam);
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

void TMain::OnCreate(HWND hwnd)
{
    g_ui.client = hwnd;
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
    SetTimer(hwnd, SUPERVISION_TIMER_ID, SUPERVISION_TICK_MS, nullptr);
    StatSlots_Clear();
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

void TMain::OnSize(HWND hwnd, int width, int height)
{
    if (g_serviceList && g_serviceList->GetHandle())
        MoveWindow(g_serviceList->GetHandle(), 0, 0, width, height, TRUE);
}

void TMain::OnDestroy(HWND hwnd)
{
    KillTimer(hwnd, SUPERVISION_TIMER_ID);
    TOwnListWindow* list = g_serviceList;
    g_serviceList = nullptr;
    delete list;
    g_ui.client = nullptr;
    g_supervision.clientWindow = nullptr;
}

void FitWindowToList(bool fromProblemClear)
{
    g_ui.panelShown = false;
    g_ui.alarmConfirmed = !fromProblemClear;
    HWND frame = g_ui.frame;
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
    AlarmPort_Close();
    EventLog(EVENT_CUSTOR, "End ", false, 0);
    LOCK_Stop();
    g_host.exitProcess(0);
}
