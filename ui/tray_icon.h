#pragma once
// The program's one icon in the notification area: added when the client window is created,
// swapped between the run and stop pictures by the problem state, added again when the shell
// recreates its taskbar, removed on every way out of the program.
#include <windows.h>

enum { TRAY_ICON_ID = 123 };

// How many icons the shell took, and the window given last (the one removal addresses).
struct TRAY_STATE {
    int added;
    HWND window;
};
extern TRAY_STATE g_tray;

// Loads icon resource `name` of the program at the small-icon size (16 x 16). The handle is
// the caller's; TrayIcon_Add destroys it. Null when the resource is missing.
HICON TrayIcon_LoadPicture(const char* name);

// Adds the icon (callback MSG_TRAYICON to window, tip cut to 63 characters) and destroys the
// icon handle. True when the shell took it; only then does it count as added.
bool TrayIcon_Add(HWND window, UINT id, HICON icon, const char* tip);

// With reAdd: TrayIcon_Delete, then TrayIcon_Add with the same icon and text, nothing else.
// Otherwise changes picture and tip (text, cut to 127 characters) in place and, with a balloon
// title, shows text as a silent balloon; balloonKind 16 warns, 64 informs; a balloonIconName
// (loaded from module) gives the balloon a large custom picture where the system offers one.
bool TrayIcon_Modify(HWND window, UINT id, HICON icon, const char* text, bool reAdd,
                     const char* balloonTitle, int balloonKind, HINSTANCE module,
                     const char* balloonIconName);

// Removes the icon from the window given last, when one was added.
void TrayIcon_Delete(UINT id);
