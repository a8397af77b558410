#pragma once
// A second drive letter for one test, mapped onto a fresh directory of its own: for moves that
// must copy instead of rename, and for destinations on another drive. Under Wine the letter is
// a symlink in the prefix's dosdevices folder; on Windows it is a DOS device (as subst makes).
// A lock file per letter keeps tests running meanwhile off each other's letters.
#include <windows.h>
#include <string>

class SecondDrive {
public:
    SecondDrive();
    ~SecondDrive();
    SecondDrive(const SecondDrive&) = delete;
    SecondDrive& operator=(const SecondDrive&) = delete;

    // False when no letter could be mapped (the test should fail or skip with the reason).
    bool ok() const { return letter_ != 0; }
    const std::string& error() const { return error_; }
    // "Q:\" (with the backslash).
    std::string root() const;
    // A path below the drive's root.
    std::string file(const char* name) const { return root() + name; }

private:
    bool MapLetter(char letter);
    void Unmap(char letter);

    char letter_ = 0;
    HANDLE lock_ = INVALID_HANDLE_VALUE;
    std::string directory_;  // Windows path of the mapped directory, with a backslash
    std::string link_;       // Unix path of the dosdevices link (Wine only)
    std::string error_;
};
