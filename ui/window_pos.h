#pragma once
// Window positions kept in the registry (HKCU\Software\Tarnwell\<section>, value "%d,%d,%d,%d"
// with left, top, width and height, optionally ";MAX" or ";MIN"), centring of dialogs and the
// show state a program should use for the show command it was started with.
#include <windows.h>
#include "core/export.h"

// Options in bits 16 to 23 of WindowPos_Restore's flags; the low 16 bits are extra
// SetWindowPos flags (SWP_NOZORDER is always added).
enum {
    WINDOWPOS_KEEP_WIDTH = 1 << 16,      // keep the window's current width
    WINDOWPOS_SHOW_DEFAULT = 1 << 17,    // SW_SHOWDEFAULT when no show suffix is stored
    WINDOWPOS_CAPTION_OFFSET = 1 << 18,  // left and top grow by the caption height
    WINDOWPOS_NO_SHOW = 1 << 19,         // only move and size, never show
    WINDOWPOS_SCATTER = 1 << 20,         // move the stored place by -50 to +49 on each axis
};

// Stores nothing for a window narrower or lower than 50 pixels. withSuffix adds ";MAX" and
// then ";MIN" for a maximised or minimised window.
CUSTOR_C void WindowPos_Save(HWND window, const char* section, const char* valueName,
                             BOOL withSuffix);
// Puts the window back where it was stored, pulled onto the screen; without a usable stored
// value it is centred with the default size.
CUSTOR_C void WindowPos_Restore(HWND window, const char* section, const char* valueName,
                                int defaultWidth, int defaultHeight, DWORD flags, int minWidth,
                                int minHeight);
// Centres a dialog horizontally, vertically or in the upper quarter of the screen.
CUSTOR_C void WindowPos_Center(HWND dialog, BOOL upperQuarter);
// The show state for the start-up show command: maximised gives SW_SHOWNORMAL and minimised
// without activation SW_HIDE when hideWhenMinimised is set; anything else the default.
CUSTOR_C WORD GetStartState(WORD defaultState, BOOL hideWhenMinimised);

// The part of WindowPos_Restore that needs no window: where a window goes and how it is
// shown (0 = not shown), for a stored text and the screen's metrics.
struct WINDOWPOS_SCREEN {
    int cxFullScreen, cyFullScreen, cyCaption, cxFrame, cyFrame;
};
struct WINDOWPOS_PLACE {
    int left, top, width, height;
    int show;  // SW_ value, or -1 when the window is not shown
};
WINDOWPOS_PLACE WindowPos_Compute(const char* stored, int currentWidth, int defaultWidth,
                                  int defaultHeight, DWORD flags, int minWidth, int minHeight,
                                  const WINDOWPOS_SCREEN& screen, int randomX, int randomY);
