#pragma once
// A drive letter of the test's own under Wine, leading to a fresh directory: a link in the
// prefix's "dosdevices" folder. Files moved between it and drive C: must be copied, not
// renamed. The letter is taken only if no other test holds it (the link is made with ln,
// which refuses an existing one) and is removed at the end.
#include "support/temp_dir.h"
#include <string>

class SecondDrive {
public:
    SecondDrive();
    ~SecondDrive();
    SecondDrive(const SecondDrive&) = delete;
    SecondDrive& operator=(const SecondDrive&) = delete;

    // "" when there is a drive; otherwise why not.
    const std::string& Unavailable() const { return unavailable_; }
    // "X:\" of the drive.
    std::string Root() const { return root_; }
    // The same directory by its drive C: path (Wine's temporary folder).
    const TempDir& Dir() const { return dir_; }

private:
    TempDir dir_;
    std::string root_;
    std::string link_;
    std::string target_;
    std::string unavailable_;
};

// Makes windowsPath (in an existing directory) a file on a full disk: under Wine a link to
// /dev/full, where every write fails with "disk full". "" on success, otherwise why not.
std::string MakeFullDiskFile(const std::string& windowsPath);
