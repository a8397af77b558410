#pragma once
// Helpers for the tests of shutter.exe and fakesvc.exe: both are started for real from the
// directory of the test program. Other tests may run at the same time in the same Wine prefix
// (and EnumWindows sees their windows), so every test uses titles made unique by UniqueText.
#include <windows.h>
#include "support/process_runner.h"
#include <functional>
#include <string>
#include <vector>


// "<tag><process id>x<serial>": digits after the tag, so upper and lower case of the tag are
// the only letters and the text is unique among concurrently running tests.
std::string UniqueText(const char* tag);

// Puts text in double quotes for a command line (the texts used here hold no quotes).
std::string Quoted(const std::string& text);

struct ShutterRun {
    bool started = false;
    DWORD exitCode = 0xFFFFFFFF;
    std::string raw;                 // standard output as written
    std::string out;                 // the same with every "\r\n" turned into "\n"
    std::vector<std::string> lines;  // out split at "\n" (a last empty piece dropped)
};

// Runs shutter.exe with the given argument text (already quoted as needed) and captures its
// standard output through a pipe.
ShutterRun RunShutter(const std::string& arguments);


// Runs body on a thread of a fresh desktop of its own, passing the name to start programs on
// it (FakeService::desktop). Windows there are invisible to the tests running concurrently on
// the default desktop (and theirs to it): for windows that those tests might take for their
// own, as a "Custor" window or a crash window titled "fakesvc.exe".
void RunOnPrivateDesktop(const std::function<void(const std::string& desktop)>& body);

// One running fakesvc.exe; terminated when the object goes out of scope.
class FakeService {
public:
    FakeService() = default;
    ~FakeService() { Stop(); }
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    // Starts fakesvc.exe with the option text and the show state, and waits up to 10 s until
    // its frame window exists. The log file is the caller's (--log is added when logFile is
    // not empty). Without a --title option the frame gets a unique title, never the default
    // "FAKESVC" that concurrent tests may supervise.
    bool Start(const std::string& options, const std::string& logFile = "",
               WORD show = SW_SHOWNOACTIVATE);
    // True when the process ends within milliseconds.
    bool WaitExit(DWORD milliseconds) const;
    bool Running() const { return process_ && !WaitExit(0); }
    DWORD ExitCode() const;
    void Stop();

    // The desktop ("winsta0\\name") the program is started on; empty: the caller's. Start and
    // the window look-ups must then run on a thread of that desktop (SetThreadDesktop).
    std::string desktop;

    HWND frame() const { return frame_; }
    DWORD pid() const { return pid_; }
    std::string Log() const;

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND frame_ = nullptr;
    std::string logFile_;
};


// The titles of all top-level windows, in enumeration order (as GetWindowTextA, 200 buffer).
std::vector<std::string> WindowTitles();

// A hidden top-level window of the test process, titled as given, that collects the status
// reports (WM_USER+4) posted to it.
class ReportReceiver {
public:
    explicit ReportReceiver(const std::string& title);
    ~ReportReceiver();
    HWND window() const { return window_; }
    // Waits up to milliseconds for a report; true with its parameters when one came.
    bool Wait(DWORD milliseconds, WPARAM* wParam, LPARAM* lParam);

private:
    HWND window_ = nullptr;
};
