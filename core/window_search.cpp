#include "core/window_search.h"
#include "core/str.h"
#include <stdlib.h>
#include <string.h>

DESKTOP_SNAPSHOT g_desktop;
WINDOW_SEARCH g_windowSearch;

// Reads a window's title in upper case; false for a window without a title.
static bool UpperTitle(HWND window, char* title)
{
    title[0] = 0;
    if (GetWindowTextA(window, title, WINDOW_TITLE_SIZE) <= 0 || title[0] == 0) return false;
    title[WINDOW_TITLE_SIZE - 1] = 0;
    CharUpperA(title);
    return true;
}

static BOOL CALLBACK AddToSnapshot(HWND window, LPARAM)
{
    DESKTOP_SNAPSHOT& d = g_desktop;
    if (d.count == d.capacity) {
        const int capacity = d.capacity ? d.capacity * 2 : 256;
        DESKTOP_WINDOW* grown =
            (DESKTOP_WINDOW*)realloc(d.windows, (size_t)capacity * sizeof(DESKTOP_WINDOW));
        if (!grown) {
            d.incomplete = true;
            return FALSE;
        }
        d.windows = grown;
        d.capacity = capacity;
    }
    DESKTOP_WINDOW& w = d.windows[d.count];
    if (!UpperTitle(window, w.title)) return TRUE;
    w.window = window;
    ++d.count;
    return TRUE;
}

bool Desktop_TakeSnapshot()
{
    g_desktop.count = 0;
    g_desktop.incomplete = false;
    EnumWindows(AddToSnapshot, 0);
    // A snapshot cut short by a failed allocation would hide programs that run.
    g_desktop.taken = !g_desktop.incomplete;
    return g_desktop.taken;
}

void Desktop_ForgetSnapshot()
{
    g_desktop.count = 0;
    g_desktop.taken = false;
}

void WindowSearch_Prepare(const char* pattern)
{
    WINDOW_SEARCH& s = g_windowSearch;
    STR_ncpy(s.pattern, pattern ? pattern : "", WINDOW_TITLE_SIZE - 1);
    const size_t length = strlen(s.pattern);
    s.exact = length > 0 && s.pattern[length - 1] == '|';
    if (s.exact) s.pattern[length - 1] = 0;
    s.found = false;
    s.window = nullptr;
}

static bool IsThumbnail(HWND window)
{
    char className[WINDOW_CLASS_SIZE] = "";
    GetClassNameA(window, className, sizeof(className));
    return STR_str(className, "thumb") != nullptr;
}

static bool SearchMatch(const char* upperTitle, const char* pattern, bool exact)
{
    return exact ? strcmp(upperTitle, pattern) == 0 : strstr(upperTitle, pattern) != nullptr;
}

struct LIVE_SEARCH {
    const char* pattern;
    bool exact;
    bool kill;
};

bool TerminateWindowProcess(HWND window)
{
    DWORD processId = 0;
    if (!window || !GetWindowThreadProcessId(window, &processId) || processId == 0) return false;
    // A pattern that also fits one of the watchdog's own windows must not end the watchdog.
    if (processId == GetCurrentProcessId()) return false;
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, processId);
    if (!process) return false;
    const bool terminated = TerminateProcess(process, (UINT)-1) != 0;
    CloseHandle(process);
    return terminated;
}

static BOOL CALLBACK SearchLive(HWND window, LPARAM param)
{
    const LIVE_SEARCH& search = *(const LIVE_SEARCH*)param;
    char title[WINDOW_TITLE_SIZE];
    if (!UpperTitle(window, title)) return TRUE;
    if (search.kill) {
        const size_t length = strlen(search.pattern);
        const bool match = search.exact ? strcmp(title, search.pattern) == 0
                                        : strncmp(title, search.pattern, length) == 0;
        if (match) {
            TerminateWindowProcess(window);
            g_windowSearch.found = true;
            g_windowSearch.window = window;
        }
        return TRUE;
    }
    if (!SearchMatch(title, search.pattern, search.exact) || IsThumbnail(window)) return TRUE;
    g_windowSearch.found = true;
    g_windowSearch.window = window;
    return FALSE;
}

bool FindServiceWindow(const char* pattern, bool exact, bool kill)
{
    g_windowSearch.found = false;
    if (!pattern) return false;
    if (!kill && g_desktop.taken) {
        for (int i = 0; i < g_desktop.count; ++i) {
            const DESKTOP_WINDOW& w = g_desktop.windows[i];
            if (!SearchMatch(w.title, pattern, exact) || IsThumbnail(w.window)) continue;
            g_windowSearch.found = true;
            g_windowSearch.window = w.window;
            return true;
        }
        return false;
    }
    LIVE_SEARCH search = {pattern, exact, kill};
    EnumWindows(SearchLive, (LPARAM)&search);
    return g_windowSearch.found;
}
