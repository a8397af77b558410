#include "support/second_drive.h"

#include <stdio.h>

#include "support/process_runner.h"
#include "support/temp_dir.h"
#include "support/wine_path.h"

namespace {

bool LetterInUse(char letter)
{
    const char root[4] = {letter, ':', '\\', 0};
    return GetFileAttributesA(root) != INVALID_FILE_ATTRIBUTES;
}

// Runs a native Unix command through Wine (no process handle comes back).
bool RunUnix(const std::string& commandLine)
{
    return WinExec(commandLine.c_str(), SW_HIDE) > 31;
}

}  // namespace

SecondDrive::SecondDrive()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    char name[MAX_PATH];
    snprintf(name, sizeof(name), "%scustor_drive_%lu_%lu\\", base, GetCurrentProcessId(),
             GetTickCount());
    CreateDirectoryA(name, nullptr);
    directory_ = name;
    // Letters from the end of the alphabet are the least likely to mean anything on the box.
    for (char letter = 'Y'; letter >= 'M' && !letter_; --letter) {
        if (LetterInUse(letter)) continue;
        char lockName[MAX_PATH];
        snprintf(lockName, sizeof(lockName), "%scustor_drive_%c.lock", base, letter);
        // Held open without sharing for the test's life; gone with the process.
        lock_ = CreateFileA(lockName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (lock_ == INVALID_HANDLE_VALUE) continue;
        if (MapLetter(letter)) {
            letter_ = letter;
        } else {
            CloseHandle(lock_);
            lock_ = INVALID_HANDLE_VALUE;
        }
    }
    if (!letter_ && error_.empty()) error_ = "no free drive letter";
}

bool SecondDrive::MapLetter(char letter)
{
    const std::string marker = "drive_marker.txt";
    WriteWholeFile(directory_ + marker, "marker");
    const std::string mapped = std::string(1, letter) + ":\\" + marker;

    if (!RunningUnderWine()) {
        const char device[3] = {letter, ':', 0};
        std::string target = directory_.substr(0, directory_.size() - 1);
        if (!DefineDosDeviceA(0, device, target.c_str())) {
            error_ = "DefineDosDevice failed";
            return false;
        }
        link_.clear();
    } else {
        char prefix[MAX_PATH];
        if (!GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix))) {
            error_ = "WINEPREFIX is not set";
            return false;
        }
        const std::string target = WineUnixPath(directory_);
        if (target.empty()) {
            error_ = "no Unix path for " + directory_;
            return false;
        }
        char lower = (char)(letter - 'A' + 'a');
        link_ = std::string(prefix) + "/dosdevices/" + lower + ":";
        if (!RunUnix("/bin/ln -sfn " + target + " " + link_)) {
            error_ = "cannot run ln";
            return false;
        }
    }
    if (!WaitUntil([&] { return GetFileAttributesA(mapped.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   20000)) {
        error_ = "drive letter did not appear";
        Unmap(letter);
        return false;
    }
    DeleteFileA(mapped.c_str());
    return true;
}

void SecondDrive::Unmap(char letter)
{
    if (link_.empty()) {
        const char device[3] = {letter, ':', 0};
        DefineDosDeviceA(DDD_REMOVE_DEFINITION, device, nullptr);
        return;
    }
    RunUnix("/bin/rm -f " + link_);
    // The letter is released only once it is really gone, so the next test to take it
    // cannot have its link removed by this one.
    WriteWholeFile(directory_ + "unmap_marker.txt", "x");
    const std::string mapped = std::string(1, letter) + ":\\unmap_marker.txt";
    WaitUntil([&] { return GetFileAttributesA(mapped.c_str()) == INVALID_FILE_ATTRIBUTES; },
              20000);
    link_.clear();
}

void SecondDrive::Disappear()
{
    if (!letter_ || gone_) return;
    Unmap(letter_);
    gone_ = true;
}

SecondDrive::~SecondDrive()
{
    if (letter_ && !gone_) Unmap(letter_);
    if (lock_ != INVALID_HANDLE_VALUE) CloseHandle(lock_);
    RemoveTree(directory_);
}

std::string SecondDrive::root() const { return std::string(1, letter_) + ":\\"; }
