// swupd.exe: the updater that replaces the watchdog's program file. Started by the watchdog
// as  swupd.exe "<program directory><program file>"  just before that ends, it waits until
// the program has ended (its lock file beside it is no longer held and the file can be
// replaced), moves "SWUPDATE\<program file>" of the program's directory over the program
// and starts the program again in its directory. After a minute it starts the program even
// when it could not be replaced, so the machine is not left without its watchdog.
// Test and demo helper; not shipped.
#include <windows.h>
#include <stdio.h>
#include <string.h>

namespace {

const DWORD kGiveUpMs = 60000;
const DWORD kPollMs = 100;

bool Elapsed(DWORD start) { return GetTickCount() - start > kGiveUpMs; }

// The watchdog holds "<program without its last three characters>LOK" open while it runs,
// with other writers denied.
bool LockHeld(const char* program)
{
    char lock[MAX_PATH];
    const size_t length = strlen(program);
    if (length < 3 || length >= sizeof(lock)) return false;
    memcpy(lock, program, length - 3);
    memcpy(lock + length - 3, "LOK", 4);
    HANDLE file = CreateFileA(lock, FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

bool Start(const char* program, const char* directory)
{
    char command[MAX_PATH + 3];
    snprintf(command, sizeof(command), "\"%s\"", program);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, directory,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

// A console program: WinExec returns at once for it, where it would wait for a window
// program to become idle.
int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    char program[MAX_PATH];
    if (snprintf(program, sizeof(program), "%s", argv[1]) >= (int)sizeof(program)) return 2;
    const char* slash = strrchr(program, '\\');
    if (!slash) return 2;
    char directory[MAX_PATH];
    char update[MAX_PATH];
    snprintf(directory, sizeof(directory), "%.*s", (int)(slash + 1 - program), program);
    if (snprintf(update, sizeof(update), "%sSWUPDATE\\%s", directory, slash + 1) >=
        (int)sizeof(update))
        return 2;

    const DWORD start = GetTickCount();
    while (LockHeld(program) && !Elapsed(start)) Sleep(kPollMs);
    // The program's file may stay in use for a moment after its lock is gone.
    bool moved = false;
    while (!(moved = MoveFileExA(update, program, MOVEFILE_REPLACE_EXISTING |
                                                      MOVEFILE_COPY_ALLOWED |
                                                      MOVEFILE_WRITE_THROUGH)) &&
           GetFileAttributesA(update) != INVALID_FILE_ATTRIBUTES && !Elapsed(start))
        Sleep(kPollMs);
    const bool started = Start(program, directory);
    return moved && started ? 0 : 1;
}
