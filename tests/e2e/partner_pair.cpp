#include "partner_pair.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"
#include <windows.h>
#include <stdio.h>

static const char kWine[] = "/usr/lib/wine/wine64";

SecondMachine::SecondMachine(const char* computerName) : name(computerName)
{
    static LONG serial = 0;
    char folder[96];
    snprintf(folder, sizeof(folder), "custor_pair_%lu_%ld", GetCurrentProcessId(),
             InterlockedIncrement(&serial));
    unixDir = std::string("/tmp/") + folder + "/";
    dir = std::string("Z:\\tmp\\") + folder + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    CopyFileA((BinDirectory() + "Custor.exe").c_str(), File("Custor.exe").c_str(), FALSE);

    char display[256] = "";
    GetEnvironmentVariableA("DISPLAY", display, sizeof(display));
    // The machine's own prefix, wineserver and name; its Custor is started in the background
    // and the script ends at once. Mono and Gecko are not needed and would only take time.
    const std::string environment =
        "export PATH=/usr/sbin:/usr/bin:/sbin:/bin WINEDEBUG=-all WINEPREFIX=" + unixDir +
        "prefix WINEDLLOVERRIDES='mscoree,mshtml=' DISPLAY='" + display + "'\n";
    // Now and then a new prefix comes up without its system files ("could not load
    // kernel32.dll"), so the prefix is made first and made again until it is whole.
    const std::string prefix = unixDir + "prefix";
    const std::string makePrefix =
        "for try in 1 2 3; do " + std::string(kWine) + " wineboot -i; wineserver -w; "
        "[ -f " + prefix + "/drive_c/windows/system32/kernel32.dll ] && break; "
        "wineserver -k; rm -rf " + prefix + "; done; ";
    Write("start.sh", "#!/bin/sh\n" + environment + "unshare -u sh -c 'hostname " + name + "; " +
                          makePrefix + "exec " + kWine + " " + unixDir + "Custor.exe' >" +
                          unixDir + "wine.out 2>&1 &\necho started >" + unixDir + "started\n");
    Write("stop.sh", "#!/bin/sh\n" + environment + "wineserver -k\nwineserver -w\nrm -rf " + unixDir +
                         "prefix\necho stopped >" + unixDir + "stopped\n");
}

SecondMachine::~SecondMachine()
{
    Stop();
    RemoveTree(dir);
}

std::string SecondMachine::Read(const char* file) const { return ReadWholeFile(File(file)); }

void SecondMachine::Write(const char* file, const std::string& content) const
{
    WriteWholeFile(File(file), content);
}

// Runs a shell script of the directory on the host (Wine starts host programs given by
// their Z: path; it hands back no process, so the script leaves a file when done).
bool SecondMachine::RunScript(const char* script, const char* doneFile, unsigned milliseconds)
{
    DeleteFileA(File(doneFile).c_str());
    const std::string command = "Z:\\bin\\sh " + unixDir + script;
    if (WinExec(command.c_str(), SW_HIDE) <= 31) return false;
    return WaitUntil([&] { return GetFileAttributesA(File(doneFile).c_str()) != INVALID_FILE_ATTRIBUTES; },
                     milliseconds);
}

bool SecondMachine::Start()
{
    running = RunScript("start.sh", "started", 10000);
    return running;
}

bool SecondMachine::Stop()
{
    if (!running) return true;
    running = !RunScript("stop.sh", "stopped", 30000);
    return !running;
}
