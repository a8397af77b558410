#include "installation.h"

Installation::Installation()
{
    exe = dir.file("Custor.exe");
    CopyFileA((BinDirectory() + "Custor.exe").c_str(), exe.c_str(), FALSE);
}

Installation::~Installation()
{
    if (custor.Running()) End();
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

int Occurrences(const std::string& log, const std::string& text)
{
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
}

void KillWindowsTitled(const std::string& title)
{
    for (int i = 0; i < 20; ++i) {
        HWND w = FindWindowA(nullptr, title.c_str());
        if (!w) return;
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!process) return;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}
