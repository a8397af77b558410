#pragma once
// A fresh program directory for one test: the watchdog's state reset, a fake host clock at
// 05.03.2024 14:07:09, and the paths set as if Custor.exe were started from the directory.
#include "support/fake_host.h"
#include "support/temp_dir.h"
#include <string>

struct ProgramDir {
    ProgramDir();
    ~ProgramDir();

    // Writes custor.ini (or another file) in the program directory.
    void WriteConfig(const std::string& content, const char* name = "custor.ini") const;
    // Sets the paths again (after creating LOGS.DIR or a machine-specific file).
    void InitPaths() const;
    // Moves the configuration file's last-write time by seconds, so a change is seen even
    // within the two-second resolution of the file time.
    void TouchConfig(int seconds) const;
    std::string EventLog() const;
    std::string ErrorLog() const;

    TempDir dir;
    FakeHost host;
};

// Local computer name, as GetComputerNameA gives it.
std::string ComputerName();
// Counts the lines of a text.
int CountLines(const std::string& text);
