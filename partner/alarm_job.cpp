// Alarm jobs: a voice call or an SMS handed to the maker's sibling servers when a
// partner machine stops responding or a program had to be killed ten times in a row. Only the
// job-file lines, the file names and the sender's command line are this program's business;
// the servers pick the jobs up themselves.
#include "partner/alarm_job.h"
#include "core/config.h"
#include "core/lib.h"
#include "housekeeping/file_basics.h"
#include <stdio.h>
#include <string.h>

namespace {

enum { kAlarmValueSize = 200, kPathSize = CONFIG_PATH_SIZE };

// "<directory><name>" into path; false when it does not fit (a cut path names another file).
bool JoinPath(char* path, const char* directory, const char* name)
{
    const int n = snprintf(path, kPathSize, "%s%s", directory, name);
    return n >= 0 && n < kPathSize;
}

bool FileExists(const char* directory, const char* name)
{
    char path[kPathSize];
    return JoinPath(path, directory, name) && FILE_Exist(path, nullptr, nullptr) > 0;
}

// The directory of the voice-call and SMS servers from the registry; "" when not set. The
// value is used as it stands, so it ends with "\" like the program's own directory.
void ServerDirectory(char* directory)
{
    LIB_GetRegistryString("Tarnwell", "Tonw32", "", directory, kPathSize, TRUE);
}

// Appends one line to the job file (text mode, created when missing); false when it cannot
// be opened.
bool AppendJob(const char* directory, const char* fileName, const char* line)
{
    char path[kPathSize];
    if (!JoinPath(path, directory, fileName)) return false;
    FILE* f = FILE_fopen(path, "at", FALSE);
    if (!f) return false;
    fputs(line, f);
    fclose(f);
    return true;
}

// Voice call: a job line for the voice-call server, which must be installed where the
// registry says; without the registry value the program's own directory serves.
int CallJob(const char* destination, const char* text)
{
    char directory[kPathSize];
    ServerDirectory(directory);
    if (!directory[0]) {
        snprintf(directory, sizeof(directory), "%s", g_paths.programDir);
    } else if (!FileExists(directory, "TW_SERV.EXE")) {
        return 0;
    }
    char line[3 * kPathSize + kAlarmValueSize];
    snprintf(line, sizeof(line), "3,00.00.0000 00:00,%s,Alarm,%s%s.PCM\n", destination,
             g_paths.programDir, text);
    return AppendJob(directory, "CALL.JOB", line) ? 1 : 0;
}

// SMS: a job line for the SMS sender, then the sender itself ("autoend": it ends when its
// jobs are done). Never waited for.
int SmsJob(const char* destination, const char* text)
{
    char directory[kPathSize];
    ServerDirectory(directory);
    if (!directory[0] || !FileExists(directory, "TONSMS.EXE"))
        snprintf(directory, sizeof(directory), "%s", g_paths.programDir);
    char line[2 * kPathSize + kAlarmValueSize];
    snprintf(line, sizeof(line), "3,00.00.0000 00:00,%s,SF:!Alarm,Custor: %s-PC not responding\n",
             destination, text);
    // A job file that cannot be opened loses the line; the sender is started all the same.
    AppendJob(directory, "SMS.JOB", line);

    char commandLine[kPathSize + 16];
    snprintf(commandLine, sizeof(commandLine), "%stonsms.exe autoend", directory);
    return (int)WinExec(commandLine, SW_SHOWNORMAL);
}

}  // namespace

int AlarmJob_Start(const char* text)
{
    if (!text) text = "";
    char gatewayIni[kPathSize];
    if (!JoinPath(gatewayIni, g_paths.programDir, "GATEWAY.INI")) return 0;
    char value[kAlarmValueSize] = "";
    GetPrivateProfileStringA("Start", "Alarm", "", value, sizeof(value), gatewayIni);
    const char* comma = strchr(value, ',');
    if (!value[0] || !comma) return 0;
    const char* destination = comma + 1;  // everything after the first comma, commas included

    switch (value[0]) {
    case 'C': return CallJob(destination, text);
    case 'S': return SmsJob(destination, text);
    default: return 0;  // only capital letters name a job
    }
}
