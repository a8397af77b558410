#include "ui/tray_icon.h"
#include "core/str.h"
#include "core/commands.h"
#include <shellapi.h>

TRAY_STATE g_tray;

HICON TrayIcon_LoadPicture(const char* name)
{
    // Not shared, so the handle may be destroyed after the shell has copied the picture.
    return (HICON)LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_ICON, 16, 16, 0);
}

static void Prepare(NOTIFYICONDATAA* data, DWORD size, HWND window, UINT id, HICON icon)
{
    ZeroMemory(data, sizeof(*data));
    // The structure sizes of the older shells come from the headers, so they are right for
    // 32 and 64 bits alike.
    data->cbSize = size;
    data->hWnd = window;
    data->uID = id;
    data->uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data->uCallbackMessage = MSG_TRAYICON;
    data->hIcon = icon;
    g_tray.window = window;
}

bool TrayIcon_Add(HWND window, UINT id, HICON icon, const char* tip)
{
    NOTIFYICONDATAA data;
    Prepare(&data, NOTIFYICONDATAA_V1_SIZE, window, id, icon);
    STR_ncpy(data.szTip, tip ? tip : "", 63);
    const bool added = Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
    if (added) ++g_tray.added;
    if (icon) DestroyIcon(icon);
    return added;
}

static DWORD BalloonFlags(int balloonKind)
{
    if (balloonKind == 16) return NIIF_WARNING;
    if (balloonKind == 64) return NIIF_INFO;
    return NIIF_NONE;
}

bool TrayIcon_Modify(HWND window, UINT id, HICON icon, const char* text, bool reAdd,
                     const char* balloonTitle, int balloonKind, HINSTANCE module,
                     const char* balloonIconName)
{
    if (reAdd) {
        TrayIcon_Delete(id);
        return TrayIcon_Add(window, id, icon, text);
    }
    NOTIFYICONDATAA data;
    Prepare(&data, NOTIFYICONDATAA_V1_SIZE, window, id, icon);
    if (!text) text = "";
    STR_ncpy(data.szTip, text, 127);
    HICON balloonIcon = nullptr;
    if (balloonTitle) {
        data.uFlags |= NIF_INFO;
        STR_ncpy(data.szInfo, text, sizeof(data.szInfo) - 1);
        STR_ncpy(data.szInfoTitle, balloonTitle, sizeof(data.szInfoTitle) - 1);
        data.uTimeout = 25000;
        OSVERSIONINFOA version;
        ZeroMemory(&version, sizeof(version));
        version.dwOSVersionInfoSize = sizeof(version);
        GetVersionExA(&version);
        if (version.dwMajorVersion > 5 && balloonIconName) {
            balloonIcon = LoadIconA(module, balloonIconName);
            data.cbSize = sizeof(NOTIFYICONDATAA);
            data.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON;
            data.hBalloonIcon = balloonIcon;
        } else {
            data.cbSize = NOTIFYICONDATAA_V2_SIZE;
            data.dwInfoFlags = BalloonFlags(balloonKind);
        }
        data.dwInfoFlags |= NIIF_NOSOUND;
    } else {
        // The first form holds only 63 characters of tip.
        data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    }
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

void TrayIcon_Delete(UINT id)
{
    if (g_tray.added <= 0) return;
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof(data));
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = g_tray.window;
    data.uID = id;
    Shell_NotifyIconA(NIM_DELETE, &data);
    --g_tray.added;
}
