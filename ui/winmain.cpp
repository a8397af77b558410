// Entry point of Custor.exe: the single-instance lock, the paths, the "Start" line, the
// hidden main window with its supervision timer, and the "End " line when the loop ends.
#include "core/config.h"
#include "core/config_check.h"
#include "core/eventlog.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "partner/alarm_port.h"
#include "partner/lock.h"
#include "ui/check_command.h"
#include "ui/frame.h"
#include "ui/tray_icon.h"
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    char programPath[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, programPath, sizeof(programPath));
    // The configuration check runs beside a running watchdog: before the lock, and nothing
    // after it.
    if (CheckCommand_Requested(arguments)) return CheckCommand_Run(programPath, arguments);
    // A second copy from the same directory ends here with exit code 1, before it logs.
    LOCK_Start(programPath, TRUE, TRUE, nullptr);

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    Supervision_Reset();
    ServiceTables_Reset();
    Paths_Init(programPath);
    g_configCheckAtReading = true;
    EventLog(EVENT_CUSTOR, "Start", false, 0);

    int exitCode = 0;
    if (HWND frame = TOwnFrame::Create(instance)) {
        TOwnFrame::Start(frame);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (Client_TranslateKey(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        exitCode = (int)msg.wParam;
    } else {
        exitCode = 2;
    }

    TrayIcon_Delete(TRAY_ICON_ID);
    AlarmPort_Close();
    EventLog(EVENT_CUSTOR, "End ", false, 0);
    LOCK_Stop();
    return exitCode;
}
