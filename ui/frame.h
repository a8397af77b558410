#pragma once
// The main frame "Custor" (TOwnFrame) and its client TMain, which holds the service list, the
// problem panel and the two status lines, and owns the supervision timer. The frame normally
// stays hidden; the program lives in the tray.
#include <windows.h>

// The frame and its client are g_supervision.mainWindow and clientWindow.
struct UI_STATE {
    bool toolbar;             // the frame has a toolbar ([Common] Toolbar not 0)
    int fitWidth;             // frame size that shows the whole list, for the problem panel
    int fitHeight;
    HWND watchdogWindow;      // the window titled "Custor" that probe answers go to
    HWND statusBar;
    HWND toolbarWindow;
    char trayPicture[16];     // the picture last given to the tray icon
};
extern UI_STATE g_ui;

// Section and value of the frame's stored position.
extern const char kFrameSection[];
extern const char kFramePosition[];

class TOwnFrame {
public:
    // Registers the classes and creates the hidden frame with status bar, toolbar (when
    // configured) and client, and shows the core's texts in them; null on failure.
    static HWND Create(HINSTANCE instance);
    // Application start: the stored position, and the start-up show state (normally hidden).
    static void Start(HWND frame);

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

class TMain {
public:
    static const char* ClassName() { return "CustorMain"; }
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static void OnCommand(HWND hwnd, int id);

private:
    static void OnCreate(HWND hwnd);
    static void OnDestroy(HWND hwnd);
    static void OnTrayIcon(HWND hwnd, WPARAM id, LPARAM mouse);
};

// The client layout for a client of width x height: problem panel, list, status lines.
void Client_Layout(HWND client, int width, int height);

// Sizes the frame so the whole list shows and hides the problem panel; fromProblemClear is
// false only when the operator confirms the alarm (then the alarm counts as confirmed).
void FitWindowToList(bool fromProblemClear);

// The window part of FitWindowToList (the frame sized to the list, the panel hidden); the
// display's fit for the core.
void Frame_FitToList(bool fromProblemClear);

// Shows the problem panel (text and "Confirm error" button) above the list and sizes the
// frame around it, on top of every other window, without moving it.
void ProblemPanel_Show(const char* text);
// The message loop's keyboard handling of the client's controls, as a dialog has it: Tab
// moves between the list and the "Confirm error" button, Enter presses the button (Space
// does by itself). True when the message was handled and must not be dispatched.
bool Client_TranslateKey(const MSG& msg);

// Commands 3, 4 and 5 are offered only while they make sense; 6 and 7 always.
bool Command_IsEnabled(int id);

// The framework's question whether the program may close (system shutdown, WM_CLOSE): the
// frame position and the column widths are stored and the partners hear "Stopped!".
bool App_CanClose();

// Ends the program as the tray menu's "End" does: column widths stored, "End " in the event
// log, the lock released, exit code 0. The supervised programs keep running.
void App_End();

// Adds the tray icon with the run picture (client set-up and a recreated taskbar).
void Tray_AddRunIcon(HWND client);
