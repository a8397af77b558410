#include "support/process_runner.h"
#include "support/temp_dir.h"
#include <string.h>
#include <vector>

std::string BinDirectory()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    char* slash = strrchr(path, '\\');
    if (slash) slash[1] = 0;
    return path;
}

ChildProcess::~ChildProcess()
{
    if (info.hProcess) {
        if (Running()) Kill();
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
}

bool ChildProcess::Start(const std::string& commandLine, const std::string& workingDirectory)
{
    if (info.hProcess) {  // a program started before by this object that has ended
        if (Running()) Kill();
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
        info = PROCESS_INFORMATION{};
    }
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &si,
                          &info) != 0;
}

int ChildProcess::Wait(DWORD milliseconds)
{
    if (!info.hProcess) return -1;
    if (WaitForSingleObject(info.hProcess, milliseconds) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    return (int)code;
}

bool ChildProcess::Running() const
{
    return info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT;
}

void ChildProcess::Kill()
{
    if (!info.hProcess) return;
    TerminateProcess(info.hProcess, 99);
    WaitForSingleObject(info.hProcess, 5000);
}

namespace {
struct WindowQuery {
    DWORD processId;
    const char* windowClass;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param)
{
    WindowQuery* query = (WindowQuery*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != query->processId) return TRUE;
    char text[300] = "";
    if (query->windowClass &&
        (!GetClassNameA(hwnd, text, sizeof(text)) || strcmp(text, query->windowClass) != 0))
        return TRUE;
    if (query->title) {
        text[0] = 0;
        GetWindowTextA(hwnd, text, sizeof(text));
        if (strcmp(text, query->title) != 0) return TRUE;
    }
    query->found = hwnd;
    return FALSE;
}
}  // namespace

HWND FindWindowOfProcess(DWORD processId, const char* windowClass, const char* title)
{
    WindowQuery query = {processId, windowClass, title, nullptr};
    EnumWindows(MatchWindow, (LPARAM)&query);
    return query.found;
}

HWND WaitForWindow(DWORD processId, const char* title, DWORD milliseconds)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowOfProcess(processId, nullptr, title)) != nullptr; },
              milliseconds);
    return found;
}

std::string SiblingProgram(const char* name) { return BinDirectory() + name; }

std::string WaitForFile(const std::string& path, DWORD milliseconds)
{
    if (!WaitUntil([&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   milliseconds))
        return "";
    return ReadWholeFile(path);
}

// The started copy may still be ending when its output is there.
void DeleteWhenDone(const std::string& program)
{
    for (int i = 0; i < 100 && !DeleteFileA(program.c_str()); ++i) Sleep(50);
}

int RunCapturingOutput(const std::string& commandLine, const std::string& workingDirectory,
                       std::string* output, DWORD milliseconds)
{
    output->clear();
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    PROCESS_INFORMATION pi = {};
    const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, workingDirectory.empty() ? nullptr : workingDirectory.c_str(),
                                        &si, &pi) != 0;
    CloseHandle(writeEnd);
    int code = -1;
    if (started) {
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, chunk, sizeof(chunk), &got, nullptr) && got > 0) output->append(chunk, got);
        if (WaitForSingleObject(pi.hProcess, milliseconds) == WAIT_OBJECT_0) {
            DWORD exitCode = 0;
            GetExitCodeProcess(pi.hProcess, &exitCode);
            code = (int)exitCode;
        } else {
            TerminateProcess(pi.hProcess, 99);
        }
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(readEnd);
    return code;
}
