#pragma once
// A program directory with its own copy of Custor.exe, as on a server, for tests that run the
// real program under Wine.
#include "support/process_runner.h"
#include "support/temp_dir.h"
#include <string>
#include <vector>

struct Installation {
    Installation();
    // Ends Custor, if it still runs, and every program started from the directory.
    ~Installation();

    std::string Log() const { return dir.read("custor.txt"); }
    bool LogHas(const std::string& text) const { return Log().find(text) != std::string::npos; }
    // Starts Custor and waits for its hidden frame; false when it does not appear.
    bool Start();
    // Ends Custor with the tray menu's "End" command; returns its exit code.
    int End();
    // Copies the fake service program into the directory under another name.
    std::string CopyFakeService(const char* name) const;

    TempDir dir;
    std::string exe;
    ChildProcess custor;
    HWND frame = nullptr;
};

// Command line of the fake service with its log file and title; the options come last, so
// the line never ends with a quote (the profile functions take the quotes off a value that
// both begins and ends with one).
std::string FakeCommand(const std::string& program, const std::string& log,
                        const std::string& title, const std::string& options);
// Ids of the processes whose program file lies in the directory.
std::vector<DWORD> ProcessesFrom(const std::string& directory);
// The message part of the status bar of a frame in another process ("" without one).
std::string StatusBarText(HWND frame);
// Ends every process whose program file lies in the directory (the services Custor started
// from its installation), so none outlives the test.
void KillProcessesFrom(const std::string& directory);
