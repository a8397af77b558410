#pragma once
// TOwnControlBar: the optional toolbar at the top of the frame, five picture buttons for the
// commands 7, 3, 4, 5 and 6 (each shows the bitmap resource of its command's number) on the
// menu colour. Clicks reach the frame as WM_COMMAND with the command.
#include <windows.h>

class TOwnControlBar {
public:
    static void Register(HINSTANCE instance);
    // The bar as a child of the frame, its buttons disabled until the next UpdateEnabling.
    static HWND Create(HWND frame, HINSTANCE instance);
    static int Height();
    // Enables each button by Command_IsEnabled.
    static void UpdateEnabling(HWND bar);

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

// The buttons' commands, left to right.
extern const int kToolbarCommands[5];
