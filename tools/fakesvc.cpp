// fakesvc: a fake supervised program for the tests and the demo of Custor. Plain Win32, no
// Custor code. It opens one top-level frame window and behaves as the watchdog expects of a
// service, or misbehaves on a schedule:
//
//   - it answers the null-message probe (SendMessageTimeoutA with WM_NULL) while it is not hung;
//   - a status request (WM_CHAR 0xA0, or the update variants 0xA0 with lParam 2 and 0xA1) is
//     answered by posting MSG_SERVICE_STATUS (WM_USER+4 = 0x404) to the window titled
//     "Custor", wParam = its own frame window, lParam = its status word; the target window is
//     looked up with FindWindowA on first use and remembered, and looked up again (and the post
//     repeated once) when a post fails, as the frame class of the maker's programs does;
//   - WM_CLOSE ends the program (unless --ignore-close); WM_SYSCOMMAND (minimise, restore)
//     is handled as by any window; the frame is shown with the show state it was started with.
//
// Options (a value that is not a number is ignored; seconds count from the start):
//   --title T           title of the frame window (default "FAKESVC"; "" gives no title)
//   --status W          status word reported on each probe, decimal or 0x hex (default 0);
//                       bits 0-7 busy channels, bits 8-15 problems, 128 one problem
//   --report-to T       title of the window that receives the reports (default "Custor")
//   --hang-after N      after N seconds the window procedure blocks for good (a Sleep loop),
//                       so SendMessageTimeoutA (SMTO_ABORTIFHUNG) fails and probes go unanswered
//   --silent-after N    after N seconds it stays responsive but no longer answers probes
//   --exit-after N      ends the program (exit code 0) after N seconds, hung or not
//   --crash-window      shows, beside the frame, a top-level window titled like the crash
//                       message box of its own program file: its own file name, as
//                       "fakesvc.exe"; it closes on WM_KEYDOWN VK_RETURN or VK_ESCAPE or WM_CLOSE
//   --crash-after N     after N seconds shows that crash window and hangs (a crashed program)
//   --crash-title T     title of the crash window instead of the file name (e.g. the body only)
//   --dialog T          shows an extra top-level window of class "NotifyDialog" titled T (the
//                       error dialogs the watchdog answers); it closes like the crash window
//   --ignore-close      ignores WM_CLOSE (logged as "close ignored")
//   --log FILE          appends one line per event (ending in a bare line feed): "start", "null",
//                       "probe 0xA0 1", "report 0x203 ok", "report 0x203 failed",
//                       "probe unanswered (silent)", "close", "close ignored", "minimize",
//                       "restore", "show request", "hang", "crash window \"T\"",
//                       "dialog window \"T\"", "closed \"T\" by return|escape|WM_CLOSE",
//                       "exit", "end"
// Unknown options are ignored.
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const UINT MSG_SERVICE_STATUS = WM_USER + 4;    // 0x404, report to the watchdog
const UINT MSG_SHOW_REQUEST = WM_USER + 200;    // 0x4C8, sent by the watchdog's "Show"
const char FRAME_CLASS[] = "FakesvcFrame";
const char CRASH_CLASS[] = "FakesvcCrash";
const char DIALOG_CLASS[] = "NotifyDialog";

struct Options {
    char title[1000] = "FAKESVC";
    char reportTo[260] = "Custor";
    char crashTitle[260] = "";  // empty: the program's own file name
    char dialogTitle[260] = "";
    char logFile[MAX_PATH] = "";
    long status = 0;
    int hangAfter = -1;  // seconds; -1 never
    int silentAfter = -1;
    int exitAfter = -1;
    int crashAfter = -1;
    bool crashWindow = false;
    bool ignoreClose = false;
};

Options g_opt;
DWORD g_startTick;
HWND g_reportTarget;        // remembered receiver of the reports
int g_answered;             // probes answered, shown in the window
CRITICAL_SECTION g_logLock; // the popup threads log too

void Log(const char* format, ...)
{
    if (!g_opt.logFile[0]) return;
    char line[600];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    EnterCriticalSection(&g_logLock);
    FILE* f = fopen(g_opt.logFile, "ab");
    if (f) {
        fprintf(f, "%s\n", line);
        fclose(f);
    }
    LeaveCriticalSection(&g_logLock);
}

void Copy(char* target, size_t size, const char* text) { snprintf(target, size, "%s", text); }

// Seconds: decimal digits only, at most 1000000. False (nothing changed) for anything else.
bool ParseSeconds(const char* text, int* seconds)
{
    long value = 0;
    if (!*text) return false;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + (*p - '0');
        if (value > 1000000) return false;
    }
    *seconds = (int)value;
    return true;
}

// Status word: decimal, or hexadecimal after "0x"; at most 32 bits.
bool ParseStatus(const char* text, long* status)
{
    int base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (!*text) return false;
    unsigned long long value = 0;
    for (const char* p = text; *p; ++p) {
        int digit;
        if (*p >= '0' && *p <= '9') digit = *p - '0';
        else if (base == 16 && *p >= 'a' && *p <= 'f') digit = *p - 'a' + 10;
        else if (base == 16 && *p >= 'A' && *p <= 'F') digit = *p - 'A' + 10;
        else return false;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull) return false;
    }
    *status = (long)(unsigned long)value;
    return true;
}

void ParseOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        if (!strcmp(name, "--crash-window")) { g_opt.crashWindow = true; continue; }
        if (!strcmp(name, "--ignore-close")) { g_opt.ignoreClose = true; continue; }
        if (i + 1 >= argc) break;  // every other option takes a value
        const char* value = argv[i + 1];
        bool known = true;
        if (!strcmp(name, "--title")) Copy(g_opt.title, sizeof(g_opt.title), value);
        else if (!strcmp(name, "--report-to")) Copy(g_opt.reportTo, sizeof(g_opt.reportTo), value);
        else if (!strcmp(name, "--crash-title")) Copy(g_opt.crashTitle, sizeof(g_opt.crashTitle), value);
        else if (!strcmp(name, "--dialog")) Copy(g_opt.dialogTitle, sizeof(g_opt.dialogTitle), value);
        else if (!strcmp(name, "--log")) Copy(g_opt.logFile, sizeof(g_opt.logFile), value);
        else if (!strcmp(name, "--status")) ParseStatus(value, &g_opt.status);
        else if (!strcmp(name, "--hang-after")) ParseSeconds(value, &g_opt.hangAfter);
        else if (!strcmp(name, "--silent-after")) ParseSeconds(value, &g_opt.silentAfter);
        else if (!strcmp(name, "--exit-after")) ParseSeconds(value, &g_opt.exitAfter);
        else if (!strcmp(name, "--crash-after")) ParseSeconds(value, &g_opt.crashAfter);
        else known = false;
        if (known) ++i;
    }
    if (!g_opt.crashTitle[0]) {  // the program's own file name, without its directory
        char path[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, path, sizeof(path));
        const char* name = path;
        for (const char* p = path; *p; ++p)
            if (*p == '\\' || *p == '/') name = p + 1;
        Copy(g_opt.crashTitle, sizeof(g_opt.crashTitle), name);
    }
}

bool Reached(int seconds)
{
    return seconds >= 0 && GetTickCount() - g_startTick >= (DWORD)seconds * 1000;
}

void Exit()
{
    Log("exit");
    ExitProcess(0);
}

// The window procedure never returns from here: the frame stops answering for good.
void HangForGood()
{
    Log("hang");
    for (;;) {
        if (Reached(g_opt.exitAfter)) Exit();
        Sleep(100);
    }
}

// --- popup windows (crash message box, error dialog), each on a thread of its own so that
// --- they answer while the frame hangs.

LRESULT CALLBACK PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const char* how = nullptr;
    if (message == WM_KEYDOWN && wParam == VK_RETURN) how = "return";
    else if (message == WM_KEYDOWN && wParam == VK_ESCAPE) how = "escape";
    else if (message == WM_CLOSE) how = "WM_CLOSE";
    if (how) {
        char title[260] = "";
        GetWindowTextA(window, title, sizeof(title));
        Log("closed \"%s\" by %s", title, how);
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Popup {
    const char* windowClass;
    const char* title;
    int y;
};

DWORD WINAPI PopupThread(void* parameter)
{
    const Popup* popup = (const Popup*)parameter;
    HWND window = CreateWindowExA(0, popup->windowClass, popup->title,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 60,
                                  popup->y, 320, 120, nullptr, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
    if (!window) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

// Shows a popup on a thread of its own and returns when its window exists.
void ShowPopup(const char* windowClass, const char* title, int y, const char* what)
{
    static Popup popups[3];
    static int count;
    if (count >= 3) return;
    Popup* popup = &popups[count++];
    popup->windowClass = windowClass;
    popup->title = title;
    popup->y = y;
    Log("%s window \"%s\"", what, title);
    HANDLE thread = CreateThread(nullptr, 0, PopupThread, popup, 0, nullptr);
    if (!thread) return;
    for (int i = 0; i < 100 && !FindWindowA(windowClass, title); ++i) Sleep(20);
    CloseHandle(thread);
}

// --- the frame window

void Report(HWND frame)
{
    if (!g_reportTarget) g_reportTarget = FindWindowA(nullptr, g_opt.reportTo);
    bool posted = g_reportTarget &&
                  PostMessageA(g_reportTarget, MSG_SERVICE_STATUS, (WPARAM)frame, g_opt.status);
    if (!posted) {  // the remembered window is gone: look it up again, post once more
        g_reportTarget = FindWindowA(nullptr, g_opt.reportTo);
        posted = g_reportTarget &&
                 PostMessageA(g_reportTarget, MSG_SERVICE_STATUS, (WPARAM)frame, g_opt.status);
    }
    Log("report 0x%lX %s", (unsigned long)g_opt.status, posted ? "ok" : "failed");
    if (posted) {
        ++g_answered;
        InvalidateRect(frame, nullptr, TRUE);
    }
}

void OnTimer(HWND frame)
{
    if (Reached(g_opt.exitAfter)) Exit();
    if (Reached(g_opt.crashAfter)) {
        ShowPopup(CRASH_CLASS, g_opt.crashTitle, 260, "crash");
        HangForGood();
    }
    if (Reached(g_opt.hangAfter)) HangForGood();
}

void OnPaint(HWND frame)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(frame, &ps);
    char line[100];
    int length = snprintf(line, sizeof(line), "fake service, status 0x%lX, %d reports",
                          (unsigned long)g_opt.status, g_answered);
    if (length > 0) TextOutA(dc, 8, 8, line, length < (int)sizeof(line) ? length : (int)sizeof(line) - 1);
    EndPaint(frame, &ps);
}

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NULL:
        Log("null");
        return 0;
    case WM_CHAR:
        if (wParam == 0xA0 || wParam == 0xA1) {
            Log("probe 0x%02X %ld", (unsigned)wParam, (long)lParam);
            if (Reached(g_opt.silentAfter))
                Log("probe unanswered (silent)");
            else
                Report(frame);
            return 0;
        }
        break;
    case MSG_SHOW_REQUEST:
        Log("show request");
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE) Log("minimize");
        else if ((wParam & 0xFFF0) == SC_RESTORE) Log("restore");
        break;
    case WM_CLOSE:
        if (g_opt.ignoreClose) {
            Log("close ignored");
            return 0;
        }
        Log("close");
        DestroyWindow(frame);
        return 0;
    case WM_TIMER:
        OnTimer(frame);
        return 0;
    case WM_PAINT:
        OnPaint(frame);
        return 0;
    case WM_DESTROY:
        Log("end");
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(frame, message, wParam, lParam);
}

bool RegisterClasses(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = FRAME_CLASS;
    if (!RegisterClassA(&wc)) return false;
    wc.lpfnWndProc = PopupProc;
    wc.hIcon = LoadIcon(nullptr, IDI_ERROR);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = CRASH_CLASS;
    if (!RegisterClassA(&wc)) return false;
    wc.lpszClassName = DIALOG_CLASS;
    return RegisterClassA(&wc) != 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    g_startTick = GetTickCount();
    InitializeCriticalSection(&g_logLock);
    ParseOptions(__argc, __argv);
    Log("start");
    if (!RegisterClasses(instance)) return 1;
    // The popups come first: whoever sees the frame sees them too.
    if (g_opt.crashWindow) ShowPopup(CRASH_CLASS, g_opt.crashTitle, 100, "crash");
    if (g_opt.dialogTitle[0]) ShowPopup(DIALOG_CLASS, g_opt.dialogTitle, 180, "dialog");
    HWND frame = CreateWindowExA(0, FRAME_CLASS, g_opt.title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 360, 120, nullptr, nullptr, instance, nullptr);
    if (!frame) return 1;
    ShowWindow(frame, show);
    SetTimer(frame, 1, 100, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
