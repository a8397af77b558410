// Opens an HTML help file in the program the machine associates with it, normally a browser,
// at an optional anchor.
#include "core/lib.h"

#include <stdio.h>
#include <string.h>

#include "core/host.h"
#include "core/str.h"
#include "housekeeping/file_basics.h"

namespace {

// Browsers that want a file URL rather than a plain path with an anchor.
bool WantsFileUrl(const char* program)
{
    return STR_str(program, "mozilla") || STR_str(program, "firefox") ||
           STR_str(program, "chrome");
}

}  // namespace

int LIB_HelpOpen(HWND window, const char* directory, const char* file, const char* anchor,
                 const char* caption, const char* missingCaption)
{
    if (!directory) directory = "";
    if (!file) file = "";
    if (!caption) caption = "";
    if (!missingCaption) missingCaption = "";

    char program[MAX_PATH] = "";
    const INT_PTR found = (INT_PTR)FindExecutableA(file, directory, program);
    char command[4 * MAX_PATH];
    int started = 0;
    if (found > 32 && program[0]) {
        const size_t length = strlen(directory);
        const bool needsBackslash = length > 0 && directory[length - 1] != '\\';
        const bool withAnchor = anchor && anchor[0];
        // A program path with blanks is quoted, so that no "C:\Program.exe" can step in.
        const bool quoteProgram = strchr(program, ' ') && program[0] != '"';
        const int n = snprintf(command, sizeof(command), "%s%s%s \"%s%s%s%s%s%s\"",
                               quoteProgram ? "\"" : "", program, quoteProgram ? "\"" : "",
                               WantsFileUrl(program) ? "file:///" : "", directory,
                               needsBackslash ? "\\" : "", file, withAnchor ? "#" : "",
                               withAnchor ? anchor : "");
        // A cut command line would open something else: better not to start it at all.
        if (n > 0 && (size_t)n < sizeof(command)) {
            started = WinExec(command, SW_SHOWNORMAL) > 31 ? 1 : 0;
        }
        if (started) return 1;
    }
    // No program to open it, or it could not be started: say which file, or that it is missing.
    const char* boxCaption = caption;
    if (FILE_Exist(directory, file, nullptr) == 0) {
        snprintf(command, sizeof(command), "%s%s", directory, file);
        boxCaption = missingCaption;
    } else {
        snprintf(command, sizeof(command), "%s", file);
    }
    g_host.messageBox(window, command, boxCaption, MB_ICONHAND);
    return 0;
}
