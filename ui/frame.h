#pragma once
// The main frame "Custor" (TOwnFrame) and its client TMain, which holds the service list and
// owns the supervision timer. The frame normally stays hidden; the program lives in the tray.
#include <windows.h>

// The frame and its client are g_supervision.mainWindow and clientWindow.
struct UI_STATE {
    bool toolbar;         // the frame has a toolbar
    int fitWidth;         // frame size that shows the whole list, for the problem panel
    int fitHeight;
    HWND watchdogWindow;  // the window titled "Custor" that probe answers go to
};
extern UI_STATE g_ui;

class TOwnFrame {
public:
    // Registers the classes and creates the hidden frame with its client; null on failure.
    static HWND Create(HINSTANCE instance);

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

class TMain {
public:
    static const char* ClassName() { return "CustorMain"; }
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    static void OnCreate(HWND hwnd);
    static void OnCommand(HWND hwnd, int id);
    static void OnSize(HWND hwnd, int width, int height);
    static void OnDestroy(HWND hwnd);
    static void CreatePanel(HWND hwnd);
};

// Sizes the frame so the whole list shows and hides the problem panel; fromProblemClear is
// false only when the operator confirms the alarm (then the alarm counts as confirmed).
void FitWindowToList(bool fromProblemClear);

// Shows the problem panel (text and "Confirm error" button) above the list and sizes the
// frame around it, on top of every other window, without moving it.
void ProblemPanel_Show(const char* text);

// Ends the program as the tray menu's "End" does: "End " in the event log, the lock
// released, exit code 0. The supervised programs keep running.
void App_End();
