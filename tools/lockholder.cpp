// Takes the single-instance lock in a process of its own, so tests can see the lock work
// across processes.
//
//   lockholder <program path> <milliseconds> [event name|-] [holder text]
//
// Takes the lock on <program path> exactly as the watchdog does (quiet, ending with exit
// code 1 when another process holds it), then holds it until <milliseconds> have passed or
// the event "<event name>.quit" is set. When an event name is given, "<event name>.ready" is
// set once the lock is held. Ends with exit code 0 after releasing the lock, 2 on a bad
// command line.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "partner/lock.h"

static HANDLE OpenNamedEvent(const char* base, const char* suffix)
{
    char name[MAX_PATH];
    const int n = snprintf(name, sizeof(name), "%s%s", base, suffix);
    if (n < 0 || n >= (int)sizeof(name)) return nullptr;
    return OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, name);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 3) return 2;
    const char* path = __argv[1];
    const DWORD holdMs = (DWORD)strtoul(__argv[2], nullptr, 10);
    const char* eventBase = (__argc > 3 && strcmp(__argv[3], "-") != 0) ? __argv[3] : nullptr;
    const char* text = __argc > 4 ? __argv[4] : nullptr;

    LOCK_Start(path, TRUE, TRUE, text);  // does not return when another process holds it

    HANDLE ready = eventBase ? OpenNamedEvent(eventBase, ".ready") : nullptr;
    HANDLE quit = eventBase ? OpenNamedEvent(eventBase, ".quit") : nullptr;
    if (ready) SetEvent(ready);
    if (quit) {
        WaitForSingleObject(quit, holdMs);
    } else {
        Sleep(holdMs);
    }
    LOCK_Stop();
    if (ready) CloseHandle(ready);
    if (quit) CloseHandle(quit);
    return 0;
}
