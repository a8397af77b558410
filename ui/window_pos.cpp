#include "ui/window_pos.h"
#include "core/lib.h"
#include "core/str.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

// Windows smaller than this are not worth remembering (a collapsed or broken frame).
static const int kSmallestStored = 50;

void WindowPos_Save(HWND window, const char* section, const char* valueName, BOOL withSuffix)
{
    RECT r;
    if (!window || !GetWindowRect(window, &r)) return;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width < kSmallestStored || height < kSmallestStored) return;
    char text[100];
    snprintf(text, sizeof(text), "%d,%d,%d,%d", (int)r.left, (int)r.top, width, height);
    if (withSuffix) {
        const LONG style = GetWindowLongA(window, GWL_STYLE);
        const size_t n = strlen(text);
        if (style & WS_MAXIMIZE) snprintf(text + n, sizeof(text) - n, ";MAX");
        const size_t m = strlen(text);
        if (style & WS_MINIMIZE) snprintf(text + m, sizeof(text) - m, ";MIN");
    }
    LIB_WriteRegistryString(section, valueName, text, FALSE, FALSE, FALSE);
}

// A decimal number as the registry text holds it: sign and digits, anything else ends it.
static int ReadNumber(const char* text) { return (int)strtol(text, nullptr, 10); }

static int ShowForSuffix(const char* suffix, DWORD flags)
{
    if (flags & WINDOWPOS_NO_SHOW) return -1;
    if (suffix[0]) {
        if (strcmp(suffix, "MAX") == 0) return SW_SHOWMAXIMIZED;
        if (strcmp(suffix, "MIN") == 0) return SW_SHOWMINIMIZED;
        return SW_SHOWDEFAULT;
    }
    return (flags & WINDOWPOS_SHOW_DEFAULT) ? SW_SHOWDEFAULT : -1;
}

WINDOWPOS_PLACE WindowPos_Compute(const char* stored, int currentWidth, int defaultWidth,
                                  int defaultHeight, DWORD flags, int minWidth, int minHeight,
                                  const WINDOWPOS_SCREEN& screen, int randomX, int randomY)
{
    char text[100];
    STR_ncpy(text, stored ? stored : "", sizeof(text) - 1);
    const char* suffix = "";
    char* semicolon = strchr(text, ';');
    if (semicolon) {
        *semicolon = 0;
        suffix = semicolon + 1;
    }
    const char* commas[3] = {nullptr, nullptr, nullptr};
    const char* p = text;
    for (int i = 0; i < 3 && p; ++i) {
        p = strchr(p, ',');
        if (p) commas[i] = ++p;
    }

    WINDOWPOS_PLACE place = {};
    place.show = ShowForSuffix(suffix, flags);
    if (text[0] && commas[2]) {
        place.left = ReadNumber(text);
        place.top = ReadNumber(commas[0]);
        place.width = ReadNumber(commas[1]);
        place.height = ReadNumber(commas[2]);
        if (flags & WINDOWPOS_SCATTER) {
            place.left = place.left - 50 + randomX % 100;
            place.top = place.top - 50 + randomY % 100;
        }
        if (flags & WINDOWPOS_KEEP_WIDTH) place.width = currentWidth;
        if (place.width < minWidth) place.width = minWidth;
        if (place.height < minHeight) place.height = minHeight;
        if (flags & WINDOWPOS_CAPTION_OFFSET) {
            place.left += screen.cyCaption;
            place.top += screen.cyCaption;
        }
        if (place.left < 0) place.left = 0;
        if (place.top < 0) place.top = 0;
        const int maxWidth = screen.cxFullScreen + 2 * screen.cxFrame;
        const int maxHeight = screen.cyFullScreen + screen.cyCaption + 2 * screen.cyFrame;
        if (place.width > maxWidth) place.width = maxWidth;
        if (place.height > maxHeight) place.height = maxHeight;
        if (place.left + place.width > maxWidth) place.left = maxWidth - place.width - 10;
        if (place.top + place.height > maxHeight) place.top = maxHeight - place.height - 10;
        return place;
    }
    // Nothing usable stored: the default size, centred.
    place.width = (flags & WINDOWPOS_KEEP_WIDTH) ? currentWidth
                  : (defaultWidth < screen.cxFullScreen ? defaultWidth : screen.cxFullScreen);
    const int screenHeight = screen.cyFullScreen + screen.cyCaption;
    place.height = defaultHeight < screenHeight ? defaultHeight : screenHeight;
    if (place.width == 0) place.width = 200;
    if (place.height == 0) place.height = 200;
    place.left = screen.cxFullScreen / 2 - place.width / 2;
    place.top = screenHeight / 2 - place.height / 2;
    return place;
}

static WINDOWPOS_SCREEN ScreenMetrics()
{
    WINDOWPOS_SCREEN s = {GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN),
                          GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CXFRAME),
                          GetSystemMetrics(SM_CYFRAME)};
    return s;
}

void WindowPos_Restore(HWND window, const char* section, const char* valueName,
                       int defaultWidth, int defaultHeight, DWORD flags, int minWidth,
                       int minHeight)
{
    if (!window) return;
    RECT r = {};
    GetWindowRect(window, &r);
    char stored[100] = "";
    LIB_GetRegistryString(section, valueName, "", stored, sizeof(stored), FALSE);
    int randomX = 0, randomY = 0;
    if (flags & WINDOWPOS_SCATTER) {
        srand((unsigned)time(nullptr));
        randomX = rand();
        randomY = rand();
    }
    const WINDOWPOS_PLACE place =
        WindowPos_Compute(stored, r.right - r.left, defaultWidth, defaultHeight, flags, minWidth,
                          minHeight, ScreenMetrics(), randomX, randomY);
    SetWindowPos(window, nullptr, place.left, place.top, place.width, place.height,
                 (flags & 0xFFFF) | SWP_NOZORDER);
    if (place.show >= 0) ShowWindow(window, place.show);
}

void WindowPos_Center(HWND dialog, BOOL upperQuarter)
{
    RECT r;
    if (!dialog || !GetWindowRect(dialog, &r)) return;
    const int w = r.right - r.left, h = r.bottom - r.top;
    int left = GetSystemMetrics(SM_CXFULLSCREEN) / 2 - w / 2;
    int top = upperQuarter ? GetSystemMetrics(SM_CYFULLSCREEN) / 4
                           : GetSystemMetrics(SM_CYCAPTION) / 2 +
                                 GetSystemMetrics(SM_CYFULLSCREEN) / 2 - h / 2;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

WORD GetStartState(WORD defaultState, BOOL hideWhenMinimised)
{
    STARTUPINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.cb = sizeof(info);
    GetStartupInfoA(&info);
    if (!(info.dwFlags & STARTF_USESHOWWINDOW)) return defaultState;
    if (info.wShowWindow == SW_SHOWMAXIMIZED)
        return hideWhenMinimised ? SW_SHOWNORMAL : SW_SHOWMAXIMIZED;
    if (info.wShowWindow == SW_SHOWMINNOACTIVE)
        return hideWhenMinimised ? SW_HIDE : SW_SHOWMINIMIZED;
    return defaultState;
}
