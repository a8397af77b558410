#include "ui/toolbar.h"
#include "core/commands.h"
#include "ui/frame.h"

const int kToolbarCommands[5] = {CM_CONFIGURATION, CM_ACTIVATE_ALL, CM_DEACTIVATE_ALL,
                                 CM_TRANSFER_BACKUP, CM_PROTOCOL};

static const char kBarClass[] = "CustorControlBar";
// Bitmaps are 40 x 30 (the protocol one 41 x 35); buttons leave a border round them.
static const int kButtonWidth = 48, kButtonHeight = 41, kGap = 3;

void TOwnControlBar::Register(HINSTANCE instance)
{
    WNDCLASSA bar = {};
    bar.lpfnWndProc = WndProc;
    bar.hInstance = instance;
    bar.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    bar.hbrBackground = (HBRUSH)(COLOR_MENU + 1);
    bar.lpszClassName = kBarClass;
    RegisterClassA(&bar);
}

int TOwnControlBar::Height() { return kButtonHeight + 2 * kGap; }

HWND TOwnControlBar::Create(HWND frame, HINSTANCE instance)
{
    HWND bar = CreateWindowExA(0, kBarClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                               0, Height(), frame, nullptr, instance, nullptr);
    if (!bar) return nullptr;
    // Ten points, neither bold nor italic, for any text the bar shows.
    HDC dc = GetDC(bar);
    const int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(bar, dc);
    HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0,
                             0, 0, "MS Sans Serif");
    SendMessageA(bar, WM_SETFONT, (WPARAM)font, FALSE);
    for (int i = 0; i < 5; ++i) {
        const int id = kToolbarCommands[i];
        HWND button = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | WS_DISABLED |
                                      BS_PUSHBUTTON | BS_BITMAP,
                                      kGap + i * (kButtonWidth + kGap), kGap, kButtonWidth,
                                      kButtonHeight, bar, (HMENU)(INT_PTR)id, instance, nullptr);
        HBITMAP picture = (HBITMAP)LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0,
                                              0, LR_DEFAULTCOLOR);
        if (button && picture) SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)picture);
    }
    return bar;
}

void TOwnControlBar::UpdateEnabling(HWND bar)
{
    if (!bar) return;
    for (int id : kToolbarCommands) {
        HWND button = GetDlgItem(bar, id);
        const BOOL enable = Command_IsEnabled(id) ? TRUE : FALSE;
        if (button && (IsWindowEnabled(button) != FALSE) != (enable != FALSE))
            EnableWindow(button, enable);
    }
}

LRESULT CALLBACK TOwnControlBar::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
            PostMessageA(GetParent(hwnd), WM_COMMAND, LOWORD(wParam), 0);
        return 0;
    case WM_SETFONT:
        SetPropA(hwnd, "font", (HANDLE)wParam);
        return 0;
    case WM_GETFONT:
        return (LRESULT)GetPropA(hwnd, "font");
    case WM_DESTROY: {
        HFONT font = (HFONT)RemovePropA(hwnd, "font");
        if (font) DeleteObject(font);
        for (int id : kToolbarCommands) {
            HBITMAP picture = (HBITMAP)SendDlgItemMessageA(hwnd, id, BM_GETIMAGE, IMAGE_BITMAP, 0);
            if (picture) DeleteObject(picture);
        }
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}
