#pragma once
// A FileSync test bed: a program directory with the fake clock (05.03.2024 14:07:09), a
// source drive and a backup drive of their own, and one run at a time on the test's thread.
#include "housekeeping/filesync.h"
#include "support/program_dir.h"
#include "support/second_drive.h"
#include <string>

struct Mirror {
    Mirror();
    ~Mirror();

    // Writes [FileSync] with these lines into custor.ini.
    void Rules(const std::string& lines) const;
    // Rule text "S:\<source>\*.*, D:\<destination>" of the short form.
    std::string ShortRule(const char* source, const char* destination) const;
    // Writes a file (its parent directories are made) stamped secondsAgo before the clock.
    void Write(const std::string& path, const std::string& content, int secondsAgo = 3600) const;
    // Stamps an existing file or directory secondsAgo before the clock (negative: later).
    void Stamp(const std::string& path, int secondsAgo) const;
    bool Run(FILESYNC_ORDER order);
    std::string Line() const;
    // Every file below the directory as "relative\name=content", sorted, one a line.
    static std::string Tree(const std::string& directory);

    ProgramDir p;
    SecondDrive source;
    SecondDrive backup;
    FILESYNC_COUNTS counts = {};
    bool previousFailed = false;
};

FILESYNC_ORDER Manual();
FILESYNC_ORDER Automatic(bool deleteRun = false);
