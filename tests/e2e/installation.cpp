#include "installation.h"
#include <tlhelp32.h>

Installation::Installation()
{
    exe = dir.file("Custor.exe");
    CopyFileA((BinDirectory() + "Custor.exe").c_str(), exe.c_str(), FALSE);
}

Installation::~Installation()
{
    if (custor.Running() && End() != 0) custor.Kill();
    KillProcessesFrom(dir.path());
}

bool Installation::Start()
{
    if (!custor.Start("\"" + exe + "\"", dir.path())) return false;
    frame = WaitForWindow(custor.Id(), "Custor", 15000);
    return frame != nullptr && WaitUntil([&] { return LogHas(" Custor: Start\r\n"); }, 5000);
}

int Installation::End()
{
    PostMessageA(frame, WM_COMMAND, 21, 0);
    return custor.Wait(10000);
}

std::string Installation::CopyFakeService(const char* name) const
{
    const std::string target = dir.file(name);
    CopyFileA((BinDirectory() + "fakesvc.exe").c_str(), target.c_str(), FALSE);
    return target;
}

std::string FakeCommand(const std::string& program, const std::string& log,
                        const std::string& title, const std::string& options)
{
    return "\"" + program + "\" --log \"" + log + "\" --title \"" + title + "\" " + options;
}

std::vector<DWORD> ProcessesFrom(const std::string& directory)
{
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) continue;
        char image[MAX_PATH] = "";
        DWORD size = sizeof(image);
        if (QueryFullProcessImageNameA(process, 0, image, &size) &&
            _strnicmp(image, directory.c_str(), directory.size()) == 0)
            ids.push_back(entry.th32ProcessID);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return ids;
}

std::string StatusBarText(HWND frame)
{
    HWND bar = FindWindowExA(frame, nullptr, "msctls_statusbar32", nullptr);
    char text[200] = "";
    DWORD_PTR copied = 0;
    // Sent, not GetWindowTextA: the text of another process's control comes only by asking it.
    if (bar) SendMessageTimeoutA(bar, WM_GETTEXT, sizeof(text), (LPARAM)text, SMTO_ABORTIFHUNG,
                                 2000, &copied);
    return text;
}

void KillProcessesFrom(const std::string& directory)
{
    for (int round = 0; round < 3; ++round) {
        const std::vector<DWORD> ids = ProcessesFrom(directory);
        if (ids.empty()) return;
        for (DWORD id : ids) {
            HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
            if (!process) continue;
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
        Sleep(200);
    }
}
