#include "support/serial_line.h"

#include <stdio.h>
#include <stdlib.h>
#include "support/process_runner.h"
#include "support/wine_path.h"

namespace {

// Characters that pass unquoted through the Windows command line, sh and a socat address.
bool PlainPath(const std::string& path)
{
    if (path.empty()) return false;
    for (char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '_' ||
                           c == '-' || c == '+';
        if (!plain) return false;
    }
    return true;
}

// A native program started by Wine inherits the test's files: its standard output and error,
// which CTest reads until every holder has closed them, and the test process's connection to
// the wineserver. The shell lets go of all of them first.
const char kShell[] = "Z:\\bin\\bash -c \"";
const char kNoTestFiles[] =
    "for fd in $(ls /proc/$$/fd); do [ $fd -gt 2 ] && eval exec $fd'>&-'; done; "
    "exec </dev/null >/dev/null 2>&1; ";

// In sh single quotes (the paths used here hold no quotes).
std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

std::string SerialLine::UnixPath(const std::string& windowsPath)
{
    return WineUnixPath(windowsPath);
}

std::string SerialLine::DeviceLink(int number)
{
    // "<prefix>/dosdevices/c:/" for drive C: gives the prefix's device folder.
    const std::string driveC = UnixPath("C:\\");
    const std::string tail = "/dosdevices/c:/";
    if (driveC.size() <= tail.size() ||
        driveC.compare(driveC.size() - tail.size(), tail.size(), tail) != 0)
        return "";
    char name[16];
    snprintf(name, sizeof(name), "com%d", number);
    return driveC.substr(0, driveC.size() - 3) + name;
}

bool SerialLine::DeviceExists(int number)
{
    // Not by the link's Z: path: Wine finds no attributes for a pseudo-terminal, and takes
    // "...\com3" for the device COM3 whatever the folder.
    char device[32];
    snprintf(device, sizeof(device), "\\\\.\\COM%d", number);
    HANDLE h = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

std::string SerialLine::Unavailable()
{
    if (!RunningUnderWine()) return "not running under Wine: the serial lines are socat pseudo-terminals";
    if (GetFileAttributesA("Z:\\usr\\bin\\socat") == INVALID_FILE_ATTRIBUTES)
        return "socat is missing (apt-get install socat)";
    if (GetFileAttributesA("Z:\\bin\\bash") == INVALID_FILE_ATTRIBUTES)
        return "/bin/bash is missing";
    const std::string link = DeviceLink(1);
    if (!PlainPath(link)) return "the Wine prefix has an unusual path: \"" + link + "\"";
    return "";
}

bool SerialLine::Shell(const std::string& command, DWORD milliseconds)
{
    static int serial = 0;
    char name[64];
    snprintf(name, sizeof(name), "custor_sh_%lu_%d.done", GetCurrentProcessId(), ++serial);
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    const std::string marker = std::string(temp) + name;
    const std::string unixMarker = UnixPath(marker);
    if (unixMarker.empty() || command.find('"') != std::string::npos) return false;
    const std::string line = std::string(kShell) + kNoTestFiles + command +
                             "; echo done >" + Quoted(unixMarker) + "\"";
    if (WinExec(line.c_str(), SW_HIDE) <= 31) return false;
    const bool done = WaitUntil(
        [&] { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; },
        milliseconds);
    DeleteFileA(marker.c_str());
    return done;
}

SerialLine::SerialLine(int number) : number_(number) {}

SerialLine::~SerialLine() { Stop(); }

bool SerialLine::Start()
{
    link_ = DeviceLink(number_);
    const std::string pidFile = UnixPath(dir_.file("socat.pid"));
    const std::string received = UnixPath(dir_.file("received"));
    const std::string log = UnixPath(dir_.file("socat.log"));
    if (!PlainPath(link_) || pidFile.empty() || received.empty() || log.empty()) return false;
    const std::string line = std::string(kShell) + kNoTestFiles + "rm -f " +
                             Quoted(link_) + "; echo $$ >" + Quoted(pidFile) +
                             "; exec /usr/bin/socat -u -T 60 pty,raw,echo=0,link=" + link_ +
                             " STDOUT >" + Quoted(received) + " 2>" + Quoted(log) + "\"";
    if (WinExec(line.c_str(), SW_HIDE) <= 31) return false;
    // The process id comes after the removal of an old link: then the link is socat's.
    const bool started = WaitUntil(
        [&] { return (pid_ = strtoul(dir_.read("socat.pid").c_str(), nullptr, 10)) != 0; }, 5000);
    return started && WaitUntil([&] { return DeviceExists(number_); }, 5000);
}

void SerialLine::Stop()
{
    if (pid_ == 0) return;
    char command[64];
    snprintf(command, sizeof(command), "kill -TERM %lu", pid_);
    Shell(command);
    pid_ = 0;
    // socat removes its link when it ends.
    WaitUntil([&] { return !DeviceExists(number_); }, 5000);
}

std::string SerialLine::Received() const { return dir_.read("received"); }

bool SerialLine::WaitReceived(size_t bytes, DWORD milliseconds) const
{
    return WaitUntil([&] { return Received().size() >= bytes; }, milliseconds);
}

std::string SerialLine::LineSettings() const
{
    const std::string out = UnixPath(dir_.file("stty.txt"));
    if (out.empty() || link_.empty()) return "";
    if (!Shell("stty -a -F " + Quoted(link_) + " >" + Quoted(out) + " 2>&1")) return "";
    return dir_.read("stty.txt");
}

int SerialLine::OpenCount() const
{
    const std::string out = UnixPath(dir_.file("holders.txt"));
    if (out.empty() || link_.empty()) return -1;
    DeleteFileA(dir_.file("holders.txt").c_str());
    if (!Shell("find /proc/[0-9]*/fd -lname $(readlink -f " + Quoted(link_) +
               ") 2>/dev/null | wc -l >" + Quoted(out)))
        return -1;
    const std::string count = dir_.read("holders.txt");
    return count.empty() ? -1 : atoi(count.c_str());
}
