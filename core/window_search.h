#pragma once
// Finding supervised programs by the titles of top-level windows. A pass looks at the desktop
// once: Desktop_TakeSnapshot enumerates the top-level windows and upper-cases their titles,
// and every search of that pass matches against the snapshot in z-order.
#include <windows.h>

enum { WINDOW_TITLE_SIZE = 200, WINDOW_CLASS_SIZE = 259 };

struct DESKTOP_WINDOW {
    HWND window;
    char title[WINDOW_TITLE_SIZE];  // upper case (CharUpperA), never empty
};

struct DESKTOP_SNAPSHOT {
    DESKTOP_WINDOW* windows;  // grown as needed, kept for the life of the process
    int count;
    int capacity;
    bool taken;               // false: searches enumerate the desktop themselves
    bool incomplete;          // the last enumeration ran out of memory
};
extern DESKTOP_SNAPSHOT g_desktop;

// Takes the snapshot for this pass; false when the memory for it could not be had (searches
// then enumerate the desktop directly).
bool Desktop_TakeSnapshot();
// Drops the snapshot: later searches look at the live desktop.
void Desktop_ForgetSnapshot();

// The window-search state shared by the passes and the kill by name.
struct WINDOW_SEARCH {
    char pattern[WINDOW_TITLE_SIZE];
    bool exact;
    bool found;
    HWND window;
};
extern WINDOW_SEARCH g_windowSearch;

// Copies an entry's pattern; a trailing "|" is removed and asks for an exact title.
void WindowSearch_Prepare(const char* pattern);

// Search (kill false): the first window in z-order whose upper-case title contains the
// pattern (equals it when exact) and whose class name does not contain "thumb".
// Kill (kill true): terminates the process of every window whose title begins with the
// pattern (equals it when exact), looking at the live desktop. Returns the found flag.
bool FindServiceWindow(const char* pattern, bool exact, bool kill);

// Terminates (exit code -1) the process that owns the window; false when there is no such
// process, it could not be opened or terminated, or it is the watchdog itself.
bool TerminateWindowProcess(HWND window);
