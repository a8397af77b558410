#pragma once
// A real serial line for the tests of the alarm port, under Wine.
//
// Wine opens "\\.\COM<n>" through the symbolic link "dosdevices/com<n>" of its prefix, at
// once, without a restart. A test starts socat (a native Linux program) that makes a
// pseudo-terminal, links its device to "dosdevices/com<n>" and copies everything written to
// the line into a file of the test's own directory:
//
//     bash -c "rm -f LINK; echo $$ >PID; exec socat -u -T 60 pty,raw,echo=0,link=LINK STDOUT
//              >RECEIVED"
//
// How it is started, and why so:
//   - A Windows program under Wine can start a native program with WinExec of its Z: path
//     ("Z:\bin\bash"); the command line is split into arguments as on Windows and passed on
//     untranslated, so Unix paths are given as Unix paths (wine_get_unix_file_name). No
//     process handle comes back, so "echo $$" (bash then becomes socat by exec) leaves the
//     process id to end socat with kill, and the link's appearance tells that socat is ready.
//   - socat removes its link when it ends; "-T 60" ends it after a minute without traffic, so
//     not even a crashed test leaves a socat behind for long.
//   - A native program inherits the test's open files: its standard output and error (CTest
//     reads them until every holder has closed them) and its wineserver connection. Each
//     shell first closes every inherited file and points its standard handles at /dev/null.
//   - Wine takes "<any folder>\com3" for the device COM3, and finds no attributes for a
//     pseudo-terminal: whether a port exists is asked by opening "\\.\COM<n>".
//   - Shell commands that must finish before the test goes on (stty, ln, rm) end by writing a
//     marker file, which the test waits for.
//   - Not CreateSymbolicLinkA: Wine 8 returns success and creates nothing. Not the registry's
//     HKLM\Software\Wine\Ports: it is read only when the prefix's services start.
//
// A pseudo-terminal has no baud rate and no output queue (the driver's queue reads 0): every
// write arrives at once. The line settings that the port set can be read back with stty on
// the Linux side.
//
// Each test uses its own port number, so tests running at the same time do not meet.
#include <windows.h>
#include <string>
#include "support/temp_dir.h"

class SerialLine {
public:
    // "" when real serial lines can be made here; otherwise why not (not Wine, no socat).
    static std::string Unavailable();
    // Runs a command of /bin/bash and waits up to milliseconds for it to finish.
    static bool Shell(const std::string& command, DWORD milliseconds = 10000);
    // Unix path of a Windows path; "" when there is none.
    static std::string UnixPath(const std::string& windowsPath);
    // Unix path of "dosdevices/com<number>" of the Wine prefix.
    static std::string DeviceLink(int number);
    // True when "\\.\COM<number>" can be opened (it is opened and closed at once).
    static bool DeviceExists(int number);

    explicit SerialLine(int number);
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // Starts socat and waits until "\\.\COM<number>" exists; false when it does not appear.
    bool Start();
    // Ends socat and waits until the device is gone. The port's open handle then writes into a
    // pseudo-terminal without a reader: every write fails.
    void Stop();

    // Everything received so far, and a wait until at least bytes have arrived.
    std::string Received() const;
    bool WaitReceived(size_t bytes, DWORD milliseconds = 5000) const;
    // "stty -a" of the line as Linux sees it.
    std::string LineSettings() const;
    // How many open files of all processes lead to the line's device (socat holds one, a port
    // open in Wine adds its own); -1 when it cannot be told. Wine does not refuse a second
    // open of a serial port that is open without sharing, so only this shows a port closed.
    int OpenCount() const;

    int number() const { return number_; }

private:
    int number_;
    TempDir dir_;
    std::string link_;
    unsigned long pid_ = 0;
};
