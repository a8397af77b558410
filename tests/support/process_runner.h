#pragma once
// Starts the real programs of the build (found beside the test program) and finds their
// windows, for the end-to-end tests.
#include <windows.h>
#include <string>

// Directory of the running test program, with a trailing backslash.
std::string BinDirectory();

struct ChildProcess {
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts commandLine in workingDirectory (after ending what this object started before);
    // false when it could not be started.
    bool Start(const std::string& commandLine, const std::string& workingDirectory);
    // Waits for the end; returns the exit code, or -1 on time-out.
    int Wait(DWORD milliseconds);
    bool Running() const;
    void Kill();
    DWORD Id() const { return info.dwProcessId; }

    PROCESS_INFORMATION info = {};
};

// The first top-level window of the process with the class (null: any) and title (null:
// any); null when there is none.
HWND FindWindowOfProcess(DWORD processId, const char* windowClass, const char* title);
// First top-level window of the process with exactly this title; null when none appears
// within the time.
HWND WaitForWindow(DWORD processId, const char* title, DWORD milliseconds);
// Polls until the predicate is true or the time is over; returns the predicate's last value.
template <typename Predicate>
bool WaitUntil(Predicate predicate, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (predicate()) return true;
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(50);
    }
}

// Runs a program with its standard output on a pipe and waits for its end; returns its exit
// code (-1 when it could not be started or did not end within the time) and the output.
int RunCapturingOutput(const std::string& commandLine, const std::string& workingDirectory,
                       std::string* output, DWORD milliseconds = 30000);

// Path of a program built beside the test program (the tools, Custor, shutter).
std::string SiblingProgram(const char* name);
// Waits until a started program has written the file and returns its content; "" when none
// appears within the time.
std::string WaitForFile(const std::string& path, DWORD milliseconds = 10000);
// Deletes a copy of a program once the copy that was started from it has ended.
void DeleteWhenDone(const std::string& program);
