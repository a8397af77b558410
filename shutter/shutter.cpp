// shutter: the window closing tool.
//
//   shutter          lists the titles of all top-level windows
//   shutter text     posts WM_CLOSE to every top-level window whose title contains text
//                    (letters a to z compared without regard to case)
//
// A console program of its own: it links only user32 and the C run-time and shares no code
// with Custor. Exit status 1 when the window enumeration ran to its end, 0 when it failed.
#include <windows.h>
#include <stdio.h>
#include <string.h>

namespace {

const int SEARCH_MAX = 999;  // characters of the search text that are used
const int TITLE_SIZE = 200;  // title buffer: titles are cut to 199 characters

// The upper-case search text; empty lists the titles instead of closing windows.
char g_search[SEARCH_MAX + 1];

// Upper case for the letters a to z only; every other byte (umlauts too) stays as it is.
void UpperAtoZ(char* text)
{
    for (; *text; ++text)
        if (*text >= 'a' && *text <= 'z') *text = (char)(*text - 'a' + 'A');
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM)
{
    char title[TITLE_SIZE];
    if (GetWindowTextA(window, title, TITLE_SIZE) <= 0) return TRUE;  // no title: skipped
    title[TITLE_SIZE - 1] = '\0';
    if (g_search[0] == '\0') {
        printf("%s\n", title);
        return TRUE;
    }
    UpperAtoZ(title);
    if (strstr(title, g_search) != nullptr) {
        PostMessageA(window, WM_CLOSE, 0, 0);  // not waited for, result ignored
        printf("Beendet: %s\n", g_search);
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv)
{
    printf("SHUTTER.EXE  closes windows by title\n");
    if (argc < 2)
        printf("Gefundene Fenstertitel:\n\n");
    else
        snprintf(g_search, sizeof(g_search), "%s", argv[1]);  // further arguments are ignored
    UpperAtoZ(g_search);
    BOOL ranToEnd = EnumWindows(VisitWindow, 0);
    fflush(stdout);
    return ranToEnd ? 1 : 0;
}
