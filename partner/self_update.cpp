// The self-update: files dropped into "SWUPDATE" below the program's directory replace the
// files of the same name there once the folder has stopped changing, after the services that
// run from those files have been closed. A new program file of the watchdog itself is handed
// to the updater "swupd.exe", which replaces it and starts it again while this process ends.
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/lib.h"
#include "core/pass_common.h"
#include "core/service_table.h"
#include "core/str.h"
#include "core/supervision.h"
#include "housekeeping/file_basics.h"
#include "housekeeping/file_lib.h"
#include "partner/machine_duties.h"
#include "partner/mailslot.h"
#include "partner/partner_duties.h"
#include <stdio.h>
#include <string.h>

const char kOwnProgramFile[] = "CUSTOR.EXE";

static const DWORD kCheckIntervalMs = 10000;
// The folder did not exist at the first look: it is looked for far less often.
static const DWORD kNoFolderIntervalMs = 120000;
// After the update became ready it waits this long at most for the lines to become free.
static const int32_t kGraceSeconds = 30;
// Between closing the services and checking that their files can be replaced.
static const DWORD kSettleMs = 10000;
// Program names listed in the notice stop once it is this long.
static const size_t kListedNamesLimit = 100;

// A file that could not be installed is tried again only after this long: every attempt
// closes the affected services and holds the tick for the settle time.
static const ULONGLONG kRetryAfterFailureMs = 600000;

SELF_UPDATE_STATE g_selfUpdate = {false, kCheckIntervalMs, 0, 0, 0, 0, 0, ""};

void SelfUpdate_Reset()
{
    g_selfUpdate = SELF_UPDATE_STATE{};
    g_selfUpdate.checkInterval = kCheckIntervalMs;
}

int32_t SelfUpdate_PendingTotal() { return (int32_t)g_selfUpdate.total; }

// "<directory>SWUPDATE\<name>"; false when it does not fit (such a file is left alone).
static bool UpdatePath(char (&path)[MAX_PATH], const char* directory, const char* name)
{
    const int n = snprintf(path, sizeof(path), "%sSWUPDATE\\%s", directory, name);
    return n >= 0 && n < (int)sizeof(path);
}

static bool ProgramPath(char (&path)[MAX_PATH], const char* name)
{
    const int n = snprintf(path, sizeof(path), "%s%s", g_paths.programDir, name);
    return n >= 0 && n < (int)sizeof(path);
}

static bool IsOwnProgram(const char* name) { return STR_cmp(name, kOwnProgramFile) == 0; }

// Calls visit(name) for every file (not directory) of the update folder.
template <typename Visit>
static void ForEachUpdateFile(Visit visit)
{
    char pattern[MAX_PATH];
    if (!UpdatePath(pattern, g_paths.programDir, "*.*")) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!visit(found.cFileName)) break;
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// A service is affected by an update file when its command names the file and the program's
// directory (so a program of the same name elsewhere is left alone).
static bool IsAffected(const SERVICE_ENTRY& entry, const char* fileName)
{
    return STR_str(entry.command, fileName) && STR_str(entry.command, g_paths.programDir);
}

static bool StartUpdater(const char* directory, const char* fileName)
{
    char command[2 * MAX_PATH];
    const int n = snprintf(command, sizeof(command), "swupd.exe \"%s%s\"", directory, fileName);
    if (n < 0 || n >= (int)sizeof(command)) return false;
    return WinExec(command, SW_SHOWNORMAL) > 31;
}

bool SelfUpdate_IsReady(bool single, const char* fileName, const char* missingUpdaterText,
                        const char* directory, bool noStart, void (*status)(const char* text))
{
    SELF_UPDATE_STATE& u = g_selfUpdate;
    char folder[MAX_PATH];
    if (!UpdatePath(folder, directory, "")) return false;
    if (!u.checkedOnce) {
        u.checkedOnce = true;
        if (!FILE_DirectoryTest(folder, 0)) u.checkInterval = kNoFolderIntervalMs;
    }

    const DWORD t = Host_Ticks();
    if (t < u.nextCheck) {
        // Far ahead means the tick counter went round: check now.
        if (u.nextCheck - t > 5 * u.checkInterval) u.nextCheck = t;
        return false;
    }

    DWORD sum = 0;
    FILE_Exist(folder, single ? fileName : "*.*", &sum);
    const int32_t now = Host_Now();
    if (sum == u.lastTotal && sum != 0) {
        // A clock set back must not stretch the wait by the size of the jump.
        if (now < u.stableSince) u.stableSince = now;
        const int32_t waited = now - u.stableSince;
        if (waited > g_config.updateWaittime) {
            u.total = sum;
            if (noStart) return true;
            if (StartUpdater(directory, fileName)) return true;
            if (status) status(missingUpdaterText ? missingUpdaterText : "");
        } else if (status) {
            char text[80];
            snprintf(text, sizeof(text), "Update: %lu Byte (%ds)", (unsigned long)sum,
                     (int)(g_config.updateWaittime - waited));
            status(text);
        }
    } else {
        u.stableSince = sum != 0 ? now : 0;
    }
    u.total = sum;
    u.lastTotal = sum;
    u.nextCheck = u.stableSince == 0 ? t + u.checkInterval : t;
    return false;
}

// Marks the services the update waits for and counts their busy lines. True when the update
// may go on: the lines are free enough, or the grace period is over.
static bool LinesFreeEnough()
{
    const int32_t deadline =
        g_selfUpdate.stableSince + g_config.updateWaittime + kGraceSeconds;
    if (Host_Now() >= deadline) return true;
    int32_t busy = 0;
    ForEachUpdateFile([&](const char* name) {
        for (int i = 0; i < g_messageTable.count; ++i) {
            SERVICE_ENTRY& e = g_messageTable.entries[i];
            if (!IsAffected(e, name)) continue;
            e.updateRequest = 1;
            Row_SetText(g_titleTable.count + i, 1, "(update)");
            if (e.channels > 0) busy += e.channels;
        }
        return Host_Now() < deadline;
    });
    char text[80];
    snprintf(text, sizeof(text), "Update: %d lines busy, waiting max %ds", (int)busy,
             (int)(deadline - Host_Now()));
    Status_Set(text);
    return busy <= g_config.maxBusyAnz;
}

// Closes the entry's program and lets the supervision start it again a little later: the
// entries of a table come back one after another, two per second.
static void CloseForUpdate(SERVICE_ENTRY& entry, int position)
{
    Service_PostClose(entry);
    const int32_t counter = (int32_t)g_config.notRunningError - 10 - position / 2;
    // Below 0 the count would wrap round and look like hours of absence.
    entry.counter = counter > 0 ? (uint32_t)counter : 0;
    entry.window = nullptr;
}

static void CloseAffectedServices()
{
    ForEachUpdateFile([](const char* name) {
        for (int i = 0; i < g_messageTable.count; ++i)
            if (IsAffected(g_messageTable.entries[i], name))
                CloseForUpdate(g_messageTable.entries[i], i);
        for (int i = 0; i < g_titleTable.count; ++i)
            if (IsAffected(g_titleTable.entries[i], name))
                CloseForUpdate(g_titleTable.entries[i], i);
        return true;
    });
}

// The supervision did not run during the pause: the programs had no chance to answer, so the
// pause must not count as silence. Their times of the last answer and probe move on by it.
static void ForgivePause(int32_t seconds)
{
    const int32_t now = Host_Now();
    SERVICE_TABLE* tables[] = {&g_titleTable, &g_messageTable};
    for (SERVICE_TABLE* table : tables) {
        for (int i = 0; i < table->count; ++i) {
            SERVICE_ENTRY& e = table->entries[i];
            e.lastAnswer = e.lastAnswer + seconds < now ? e.lastAnswer + seconds : now;
            e.lastProbeTime = e.lastProbeTime + seconds < now ? e.lastProbeTime + seconds : now;
        }
    }
}

static void SettleAfterClosing()
{
    const DWORD before = Host_Ticks();
    g_host.sleep(kSettleMs);
    // Measured by the tick count, which a clock change during the pause does not move.
    ForgivePause((int32_t)((Host_Ticks() - before) / 1000));
}

// True when every file to be replaced can be opened for writing; otherwise the failure is
// announced and the whole wait starts again.
static bool TargetsWritable()
{
    bool writable = true;
    ForEachUpdateFile([&](const char* name) {
        if (IsOwnProgram(name)) return true;
        char target[MAX_PATH];
        if (!ProgramPath(target, name) || FILE_Exist(target, nullptr, nullptr) == 0) return true;
        FILE* file = fopen(target, "rb+");
        if (file) {
            fclose(file);
            return true;
        }
        char notice[MAX_PATH + 40];
        snprintf(notice, sizeof(notice), "Custor: update access error %s", name);
        MAILSLOT_Write(notice, nullptr, nullptr, "tarnwell");
        EventLog(EVENT_CUSTOR, notice + 8, false, 0);
        g_selfUpdate.stableSince = Host_Now();
        writable = false;
        return false;
    });
    return writable;
}

// "GATE2.EXE" is listed as "Gate2".
static void AppendProgramName(char* list, size_t size, bool* named, const char* fileName)
{
    char label[MAX_PATH];
    STR_ncpy(label, LIB_FilenameBody(fileName), sizeof(label) - 1);
    CharUpperA(label);
    if (label[0]) CharLowerA(label + 1);
    const size_t length = strlen(list);
    snprintf(list + length, size - length, "%s%s", *named ? ", " : "", label);
    *named = true;
}

static void AppendFailed(char* list, size_t size, const char* fileName)
{
    const size_t length = strlen(list);
    snprintf(list + length, size - length, "%s%s", list[0] ? ", " : "", fileName);
    // The same name in the state's list, for the wait before the next attempt.
    char (&failed)[MAX_PATH] = g_selfUpdate.failed;
    const size_t used = strlen(failed);
    snprintf(failed + used, sizeof(failed) - used, "%s;", fileName);
}

static bool HasFailed(const char* name)
{
    char entry[MAX_PATH + 2];
    snprintf(entry, sizeof(entry), "%s;", name);
    for (const char* at = g_selfUpdate.failed; (at = STR_str(at, entry)) != nullptr; ++at)
        if (at == g_selfUpdate.failed || at[-1] == ';') return true;
    return false;
}

// Moves every update file but the watchdog's own over its namesake in the program directory.
// A file that cannot be put in place stays in the folder for the next attempt and is named
// as failed instead of installed.
static void Install()
{
    char message[2 * MAX_PATH] = "Custor-Update OK: ";
    char failed[MAX_PATH] = "";
    bool named = false;
    int installed = 0;
    g_selfUpdate.failed[0] = 0;
    ForEachUpdateFile([&](const char* name) {
        if (IsOwnProgram(name)) return true;
        char source[MAX_PATH];
        char target[MAX_PATH];
        if (!UpdatePath(source, g_paths.programDir, name) || !ProgramPath(target, name)) {
            AppendFailed(failed, sizeof(failed), name);
            return true;
        }
        const int moved = FILE_Copy(target, source, 1, TRUE, FALSE, nullptr, FALSE);
        if (moved == 0) {
            AppendFailed(failed, sizeof(failed), name);
            return true;
        }
        // A move to another drive is a copy: the original is removed here.
        if (moved == 1) DeleteFileA(source);
        ++installed;
        if (STR_str(name, ".EXE") && strlen(message) < kListedNamesLimit)
            AppendProgramName(message, sizeof(message), &named, name);
        return true;
    });
    if (failed[0] && installed == 0) {
        // Nothing was installed: the notice must not say "OK".
        snprintf(message, sizeof(message), "Custor-Update failed: %s", failed);
    } else if (failed[0]) {
        const size_t length = strlen(message);
        snprintf(message + length, sizeof(message) - length, "%sfailed: %s", named ? "; " : "",
                 failed);
    }
    g_selfUpdate.retryAt = failed[0] ? Host_Ticks64() + kRetryAfterFailureMs : 0;
    MAILSLOT_Write(message, nullptr, nullptr, "tarnwell");
    EventLog(EVENT_CUSTOR, message + 7, false, 0);
    // Files left behind wait the whole time again before the next attempt.
    g_selfUpdate.total = 0;
    g_selfUpdate.lastTotal = 0;
}

// The watchdog's own new program file, alone in the folder, goes to the updater.
static void ReplaceOwnProgram()
{
    if (!SelfUpdate_IsReady(true, kOwnProgramFile, "SWUPD.EXE not found!", g_paths.programDir,
                            false, Status_Set))
        return;
    EventLog(EVENT_CUSTOR, "Update", false, 0);
    MAILSLOT_Write("Custor-Update", nullptr, nullptr, "tarnwell");
    MachineDuties_RemoveTrayIcon();
    g_host.exitProcess(0);
}

// The watchdog's own program file waits, and nothing else but files whose installation
// failed (they wait for their next attempt and must not hold the program back).
static bool OnlyOwnProgramWaits()
{
    char folder[MAX_PATH];
    if (!UpdatePath(folder, g_paths.programDir, "")) return false;
    if (FILE_Exist(folder, kOwnProgramFile, nullptr) != 1) return false;
    bool others = false;
    ForEachUpdateFile([&](const char* name) {
        others = !IsOwnProgram(name) && !HasFailed(name);
        return !others;
    });
    return !others;
}

void SelfUpdate_Check()
{
    if (OnlyOwnProgramWaits()) {
        ReplaceOwnProgram();
        return;
    }
    if (g_selfUpdate.retryAt != 0) {
        if (Host_Ticks64() < g_selfUpdate.retryAt) return;
        g_selfUpdate.retryAt = 0;
        g_selfUpdate.failed[0] = 0;
    }
    if (SelfUpdate_IsReady(false, "*.*", nullptr, g_paths.programDir, true, Status_Set) &&
        LinesFreeEnough()) {
        Status_Set("");
        MAILSLOT_Write("Custor-Update...", nullptr, nullptr, "tarnwell");
        CloseAffectedServices();
        SettleAfterClosing();
        if (TargetsWritable()) Install();
    }
    if (g_selfUpdate.total == 0) {
        for (int i = 0; i < g_messageTable.count; ++i) g_messageTable.entries[i].updateRequest = 0;
    }
}
