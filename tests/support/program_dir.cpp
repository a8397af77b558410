#include "support/program_dir.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include <windows.h>

ProgramDir::ProgramDir()
{
    Supervision_Reset();
    ServiceTables_Reset();
    g_errorLogState = ERROR_LOG_STATE{};
    g_config = CONFIG{};
    InitPaths();
}

ProgramDir::~ProgramDir()
{
    Supervision_Reset();
    ServiceTables_Reset();
}

void ProgramDir::WriteConfig(const std::string& content, const char* name) const
{
    dir.write(name, content);
}

void ProgramDir::InitPaths() const { Paths_Init((std::string(dir.path()) + "Custor.exe").c_str()); }

void ProgramDir::TouchConfig(int seconds) const
{
    HANDLE h = CreateFileA(g_paths.configFile, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    FILETIME ft;
    GetFileTime(h, nullptr, nullptr, &ft);
    ft = AddSeconds(ft, seconds);
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

std::string ProgramDir::EventLog() const { return ReadWholeFile(g_paths.eventLog); }
std::string ProgramDir::ErrorLog() const { return ReadWholeFile(g_paths.errorLog); }

std::string ComputerName()
{
    char name[64] = "";
    DWORD size = sizeof(name);
    GetComputerNameA(name, &size);
    return name;
}

int CountLines(const std::string& text)
{
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}
