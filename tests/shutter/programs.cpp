#include "programs.h"
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <thread>

std::string UniqueText(const char* tag)
{
    static LONG serial = 0;
    char text[64];
    snprintf(text, sizeof(text), "%s%lux%ld", tag, GetCurrentProcessId(),
             InterlockedIncrement(&serial));
    return text;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

ShutterRun RunShutter(const std::string& arguments)
{
    ShutterRun run;
    const int code =
        RunCapturingOutput(Quoted(SiblingProgram("shutter.exe")) + " " + arguments, "", &run.raw);
    run.started = code != -1;
    run.exitCode = (DWORD)code;

    for (size_t i = 0; i < run.raw.size(); ++i) {
        if (run.raw[i] == '\r' && i + 1 < run.raw.size() && run.raw[i + 1] == '\n') continue;
        run.out += run.raw[i];
    }
    size_t begin = 0;
    while (begin < run.out.size()) {
        size_t end = run.out.find('\n', begin);
        if (end == std::string::npos) end = run.out.size();
        run.lines.push_back(run.out.substr(begin, end - begin));
        begin = end + 1;
    }
    return run;
}

namespace {

BOOL CALLBACK CollectTitle(HWND window, LPARAM parameter)
{
    char title[200];
    if (GetWindowTextA(window, title, sizeof(title)) > 0)
        ((std::vector<std::string>*)parameter)->push_back(title);
    return TRUE;
}

}  // namespace

std::vector<std::string> WindowTitles()
{
    std::vector<std::string> titles;
    EnumWindows(CollectTitle, (LPARAM)&titles);
    return titles;
}

void RunOnPrivateDesktop(const std::function<void(const std::string& desktop)>& body)
{
    std::string name = UniqueText("desktop");
    HDESK desktop = CreateDesktopA(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    std::thread worker([&] {
        if (desktop && SetThreadDesktop(desktop)) body("winsta0\\" + name);
        else ADD_FAILURE() << "no desktop of its own";
    });
    worker.join();
    if (desktop) CloseDesktop(desktop);
}

bool FakeService::Start(const std::string& options, const std::string& logFile, WORD show)
{
    Stop();
    logFile_ = logFile;
    std::string commandLine = Quoted(SiblingProgram("fakesvc.exe")) + " " + options;
    if (options.find("--title") == std::string::npos)
        commandLine += " --title " + Quoted(UniqueText("fakesvc test "));
    if (!logFile.empty()) commandLine += " --log " + Quoted(logFile);
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = show;
    std::vector<char> desktopName(desktop.begin(), desktop.end());
    desktopName.push_back('\0');
    if (!desktop.empty()) si.lpDesktop = desktopName.data();
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return false;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    WaitUntil([this] {
        frame_ = FindWindowOfProcess(pid_, "FakesvcFrame", nullptr);
        return frame_ != nullptr;
    }, 10000);
    return frame_ != nullptr;
}

bool FakeService::WaitExit(DWORD milliseconds) const
{
    return process_ && WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0;
}

DWORD FakeService::ExitCode() const
{
    DWORD code = 0xFFFFFFFF;
    if (process_) GetExitCodeProcess(process_, &code);
    return code;
}

void FakeService::Stop()
{
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    process_ = nullptr;
    pid_ = 0;
    frame_ = nullptr;
}

std::string FakeService::Log() const
{
    std::string text;
    if (logFile_.empty()) return text;
    FILE* f = fopen(logFile_.c_str(), "rb");
    if (!f) return text;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) text.append(chunk, n);
    fclose(f);
    return text;
}

ReportReceiver::ReportReceiver(const std::string& title)
{
    window_ = CreateWindowExA(0, "STATIC", title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
}

ReportReceiver::~ReportReceiver()
{
    if (window_) DestroyWindow(window_);
}

bool ReportReceiver::Wait(DWORD milliseconds, WPARAM* wParam, LPARAM* lParam)
{
    MSG msg;
    bool got = WaitUntil([&] {
        return PeekMessageA(&msg, window_, WM_USER + 4, WM_USER + 4, PM_REMOVE) != 0;
    }, milliseconds);
    if (got) {
        *wParam = msg.wParam;
        *lParam = msg.lParam;
    }
    return got;
}
