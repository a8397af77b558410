// Process and window helpers of the library: running a file or the program associated with
// it, running a command to its end, finding and raising windows of the maker's programs, and
// telling network paths from local ones.
#include "core/lib.h"
#include "core/host.h"
#include "core/str.h"
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

char g_starterBuffer[MAX_PATH];

// The file's directory (up to its last backslash) and its name without the directory.
struct FILE_PARTS {
    char directory[MAX_PATH];
    char name[MAX_PATH];
};

void SplitFile(const char* file, FILE_PARTS& parts)
{
    STR_ncpy(parts.directory, LIB_sPath(file), sizeof(parts.directory) - 1);
    STR_ncpy(parts.name, LIB_Filename(file, '\\'), sizeof(parts.name) - 1);
}

// The associated program of a file into program (MAX_PATH bytes); false when there is none.
bool FindAssociation(const char* file, char* program)
{
    program[0] = 0;
    FILE_PARTS parts;
    SplitFile(file, parts);
    const INT_PTR result = (INT_PTR)FindExecutableA(
        parts.name, parts.directory[0] ? parts.directory : nullptr, program);
    program[MAX_PATH - 1] = 0;
    return result > 32 && program[0] != 0;
}

bool IsProgramFile(const char* file)
{
    char extension[MAX_PATH];
    STR_ncpy(extension, LIB_FilenameExtension(file), sizeof(extension) - 1);
    CharUpperA(extension);
    return strcmp(extension, "EXE") == 0 || strcmp(extension, "COM") == 0;
}

bool FileExists(const char* file)
{
    const DWORD attributes = GetFileAttributesA(file);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Starts the associated program with the file as its quoted argument. A program path with
// blanks is quoted too, so no "C:\Program.exe" can step in; a line that would have to be cut
// is not run at all, since it would open something else.
bool RunAssociationWithFile(const char* program, const char* file)
{
    const bool quote = strchr(program, ' ') && program[0] != '"';
    char command[2 * MAX_PATH + 8];
    const int n = snprintf(command, sizeof(command), "%s%s%s \"%s\"", quote ? "\"" : "",
                           program, quote ? "\"" : "", file);
    if (n <= 0 || (size_t)n >= sizeof(command)) return false;
    return WinExec(command, SW_SHOWNORMAL) >= 32;
}

}  // namespace

int LIB_ExecuteFile(HWND window, const char* file, const char* noAssocText,
                    const char* notFoundText)
{
    if (!file || !file[0]) return 0;
    if (WinExec(file, SW_SHOWNORMAL) >= 32) return 1;
    if (!FileExists(file)) {
        if (notFoundText) g_host.messageBox(window, notFoundText, file, MB_ICONHAND);
        return 0;
    }
    char program[MAX_PATH];
    if (!FindAssociation(file, program)) {
        if (noAssocText)
            g_host.messageBox(window, noAssocText, file, MB_ICONHAND);
        else
            WinExec(file, SW_SHOWNORMAL);
        return 0;
    }
    FILE_PARTS parts;
    SplitFile(file, parts);
    const INT_PTR opened = (INT_PTR)ShellExecuteA(window, "open", file, nullptr,
                                                  parts.directory[0] ? parts.directory : nullptr,
                                                  SW_SHOWNORMAL);
    if (opened >= 32) return 1;
    return RunAssociationWithFile(program, file) ? 1 : 0;
}

int LIB_TestExecuteFile(HWND window, const char* file, const char* text)
{
    if (!file) return 0;
    if (IsProgramFile(file)) return 1;
    char program[MAX_PATH];
    if (FindAssociation(file, program)) return 1;
    if (text) g_host.messageBox(window, text, file, MB_ICONHAND);
    return 0;
}

char* LIB_GetFileStarter(const char* file)
{
    g_starterBuffer[0] = 0;
    if (!file || IsProgramFile(file)) return g_starterBuffer;
    char program[MAX_PATH];
    if (FindAssociation(file, program)) STR_ncpy(g_starterBuffer, program, MAX_PATH - 1);
    return g_starterBuffer;
}

DWORD LIB_SpawnSynchronized(const char* commandLine)
{
    if (!commandLine) return ERROR_INVALID_PARAMETER;
    // CreateProcessA may write into the line; a copy of the full length, so nothing is cut.
    const size_t length = strlen(commandLine);
    char* line = (char*)malloc(length + 1);
    if (!line) return ERROR_NOT_ENOUGH_MEMORY;
    memcpy(line, commandLine, length + 1);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    const BOOL created = CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE,
                                        nullptr, nullptr, &startup, &process);
    const DWORD startError = created ? 0 : GetLastError();
    free(line);
    if (!created) return startError;
    // Waiting on the process rather than polling for STILL_ACTIVE: a program that ends with
    // exit code 259 would otherwise be waited for forever.
    while (WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.hProcess, &exitCode)) exitCode = GetLastError();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

BOOL LIB_IsOWLWindow(HWND window)
{
    char className[260] = "";
    if (!GetClassNameA(window, className, sizeof(className))) return FALSE;
    return strcmp(className, "OWL_Window") == 0;
}

namespace {

struct RUNNING_SEARCH {
    char titlePart[MAX_PATH];
    int mode;
    bool found;
};

BOOL CALLBACK TestRunningWindow(HWND window, LPARAM param)
{
    RUNNING_SEARCH& search = *(RUNNING_SEARCH*)param;
    char title[MAX_PATH] = "";
    GetWindowTextA(window, title, sizeof(title));
    if (!strstr(title, search.titlePart) || !LIB_IsOWLWindow(window)) return TRUE;
    search.found = true;
    if (search.mode == 1) {
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else if (search.mode == 0) {
        // Minimising and restoring brings the window forward even from another program.
        ShowWindow(window, SW_MINIMIZE);
        ShowWindow(window, SW_RESTORE);
    }
    return FALSE;
}

}  // namespace

BOOL LIB_TestRunning(const char* titlePart, int mode)
{
    if (!titlePart) return FALSE;
    RUNNING_SEARCH search = {};
    STR_ncpy(search.titlePart, titlePart, sizeof(search.titlePart) - 1);
    search.mode = mode;
    EnumWindows(TestRunningWindow, (LPARAM)&search);
    return search.found ? TRUE : FALSE;
}

int LIB_SetForegroundWindowHack(HWND window)
{
    SetForegroundWindow(window);
    HWND foreground = GetForegroundWindow();
    if (foreground != window) {
        // Windows lets only the thread with the user's input take the foreground: share its
        // input for a moment.
        const DWORD foregroundThread = foreground ? GetWindowThreadProcessId(foreground, nullptr)
                                                  : 0;
        const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
        if (foregroundThread && foregroundThread != windowThread) {
            AttachThreadInput(foregroundThread, windowThread, TRUE);
            SetForegroundWindow(window);
            AttachThreadInput(foregroundThread, windowThread, FALSE);
        } else {
            SetForegroundWindow(window);
        }
    }
    BringWindowToTop(window);
    return 1;
}

BOOL LIB_IsNetworkDrive(const char* path, const char* windowTitle)
{
    // The given program runs here: whatever the path says, it is treated as local.
    if (windowTitle && windowTitle[0] && FindWindowA(nullptr, windowTitle)) return FALSE;
    if (!path) return FALSE;
    if (path[0] == '\\' && path[1] == '\\') return TRUE;
    if (path[0] == 0 || path[1] != ':') return FALSE;
    const char root[4] = {path[0], ':', '\\', 0};
    return GetDriveTypeA(root) == DRIVE_REMOTE ? TRUE : FALSE;
}
