// The windows a failing program leaves behind: the system's error dialogs, the maker's own
// server windows that must go before a restart, and the message box titled with the
// program's file name that Windows shows when a program crashes.
#include "core/process_control.h"
#include "core/command_line.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/pass_common.h"
#include "core/host.h"
#include "core/lib.h"
#include "core/metrics.h"
#include "core/str.h"
#include "core/supervision.h"
#include <stdio.h>
#include <string.h>

static const char kErrorDialogClass[] = "NotifyDialog";

// A key press as the dialog would get it from the keyboard (repeat count 1).
static void PressKey(HWND window, WPARAM key) { PostMessageA(window, WM_KEYDOWN, key, 1); }

// The server window of the maker's fax or voice server started by the command, or null.
// A command naming both gives the voice server.
static const char* ServerWindowOf(const char* command)
{
    char lower[SERVICE_COMMAND_SIZE];
    STR_ncpy(lower, command ? command : "", sizeof(lower) - 1);
    CharLowerA(lower);
    const char* title = nullptr;
    if (strstr(lower, "faxw_srv.exe")) title = "Faxwerk Faxserver";
    if (strstr(lower, "tw_serv")) title = "Tonwerk Voiceserver";
    return title;
}

void CloseErrorDialogs(const char* command)
{
    HWND window = FindWindowA(kErrorDialogClass, "Programmfehler");
    if (window) {
        PressKey(window, VK_RETURN);
        EventLog(EVENT_END, "Programmfehler", false, 0);
    }
    window = FindWindowA(nullptr, "Microsoft Windows");
    if (window) {
        PressKey(window, VK_ESCAPE);
        EventLog(EVENT_END, "Programmfehler", false, 0);
    }
    window = FindWindowA(kErrorDialogClass, "Program Error");
    if (window) {
        PressKey(window, VK_RETURN);
        EventLog(EVENT_END, "Program Error", false, 0);
    }
    const char* server = ServerWindowOf(command);
    window = server ? FindWindowA(nullptr, server) : nullptr;
    if (window) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        EventLog(EVENT_END, "Program Error", false, 0);
    }
}

// Titles of a program's crash message box: the file name of the program without directory
// and extension, alone or followed by ".exe". Only the program part of the command counts,
// so a backslash or dot in an argument does not change the name.
struct CRASH_TITLES {
    char body[MAX_PATH];
    char bodyExe[MAX_PATH + 4];
};

// False when the command names no program: an empty title would match any untitled window.
static bool CrashTitlesOf(const char* command, CRASH_TITLES& titles)
{
    char program[SERVICE_COMMAND_SIZE];
    CommandLine_ProgramPart(command, program, sizeof(program));
    STR_ncpy(titles.body, LIB_FilenameBody(program), sizeof(titles.body) - 1);
    snprintf(titles.bodyExe, sizeof(titles.bodyExe), "%s.exe", titles.body);
    return titles.body[0] != 0;
}

bool CheckCrashWindow(const SERVICE_ENTRY& entry)
{
    CRASH_TITLES titles;
    if (!CrashTitlesOf(entry.command, titles)) return false;
    CharUpperA(titles.body);
    CharUpperA(titles.bodyExe);
    // A program whose own window carries its file name would always look crashed. The
    // exact-title mark "|" is not part of the title.
    char own[SERVICE_NAME_SIZE];
    STR_ncpy(own, entry.pattern, sizeof(own) - 1);
    const size_t length = strlen(own);
    if (length > 0 && own[length - 1] == '|') own[length - 1] = 0;
    CharUpperA(own);
    if (strcmp(own, titles.body) == 0 || strcmp(own, titles.bodyExe) == 0) return false;
    return FindWindowA(nullptr, titles.body) || FindWindowA(nullptr, titles.bodyExe);
}

void CloseCrashWindow(const SERVICE_ENTRY& entry)
{
    CRASH_TITLES titles;
    if (!CrashTitlesOf(entry.command, titles)) return;
    // Several boxes may be stacked; each round answers one and gives the next time to appear.
    for (int round = 0; round < 5; ++round) {
        HWND window = FindWindowA(nullptr, titles.body);
        if (!window) window = FindWindowA(nullptr, titles.bodyExe);
        if (!window) continue;
        PressKey(window, VK_RETURN);
        g_host.sleep(200);
    }
}

void ReportCrashWindow(const SERVICE_ENTRY& entry, int row)
{
    Pass_Announce(row, "application has crashed", "crashed");
    EventLog(EVENT_CRASH, entry.pattern, false, 0);
    Metrics_CountEvent(entry, SERVICE_EVENT_CRASH);
    CloseCrashWindow(entry);
}

void ConfirmCrashWindow(SERVICE_ENTRY& entry, int row)
{
    // Looked at twice per error period of an unanswered program, and only when no crash
    // window stood there while the program last reported idle (that one is not its own).
    const uint32_t period = g_config.noResponseError / 2u;
    if (period == 0 || entry.counter % period != 0) return;
    if (entry.crashBaseline != 2 || !CheckCrashWindow(entry)) return;
    ReportCrashWindow(entry, row);
}
