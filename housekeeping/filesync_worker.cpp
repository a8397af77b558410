// The FileSync worker thread, the request it takes up and the "FileSync" line it fills.
//
// The window thread makes requests and reads the state; the worker performs the runs. Every
// value both touch is an atomic, or lives under s_lock (the run's order and the line's
// text). The window thread never waits for the worker: it only takes s_lock for copying a
// few hundred bytes, and the worker never holds it for anything longer. The worker never
// touches a window: it leaves the line's text here, and the window thread shows it at its
// next tick (FileSync_ShowLine), so no cross-thread window message can ever wait on a busy
// window thread.
#include "housekeeping/filesync.h"
#include "core/config.h"
#include "core/display.h"
#include "core/host.h"
#include "core/metrics.h"
#include "core/str.h"
#include "core/supervision.h"
#include "housekeeping/jobs.h"
#include <atomic>
#include <mutex>
#include <string.h>

namespace {

std::atomic<int> s_request{0};          // 0 none, 1 automatic, 2 manual
std::atomic<bool> s_deleteMode{false};
std::atomic<int32_t> s_lastSyncTime{0};
std::atomic<int32_t> s_lastRunTime{0};
std::atomic<bool> s_workerStarted{false};
std::atomic<bool> s_lastRunFailed{false};  // the worker's own, atomic for the tests' view
std::atomic<bool> s_lineChanged{false};

std::mutex s_lock;
FILESYNC_ORDER s_order;                  // under s_lock
char s_line[FILESYNC_TEXT_SIZE];         // under s_lock

// Wakes the worker at once when a request comes; it also looks once a second by itself.
HANDLE s_wake = nullptr;

// The worker loop. It keeps running for the life of the process.
DWORD WINAPI WorkerLoop(void*)
{
    for (;;) {
        if (s_request.load() == 0) {
            WaitForSingleObject(s_wake, 1000);
            continue;
        }
        FILESYNC_ORDER order;
        {
            std::lock_guard<std::mutex> hold(s_lock);
            order = s_order;
        }
        FILESYNC_COUNTS counts;
        const bool ok = FileSync_Run(order, s_lastRunFailed.load(), &counts);
        s_lastRunFailed.store(!ok);
        const int32_t now = Host_Now();
        Metrics_FileSyncRun(now, ok, counts.copied);
        if (!order.deleteRun) s_lastSyncTime.store(now);
        s_lastRunTime.store(now);
        s_deleteMode.store(false);
        // Last: from here on the window thread may make the next request.
        s_request.store(0);
    }
}

bool StartWorker()
{
    if (!s_wake) s_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!s_wake) return false;
    HANDLE thread = CreateThread(nullptr, 0, WorkerLoop, nullptr, 0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}

}  // namespace

bool FileSync_RequestRun(int kind, bool deleteRun)
{
    if (kind != 1 && kind != 2) return false;
    if (s_request.load() != 0) return false;
    {
        std::lock_guard<std::mutex> hold(s_lock);
        FILESYNC_ORDER& o = s_order;
        o.kind = kind;
        o.deleteRun = deleteRun && kind == 1;
        o.active = g_supervision.active;
        o.minimumAge = g_config.minimumAge;
        o.maximumAge = g_config.maximumAge;
        o.mailBox = g_config.mailBox;
        o.writeLog = g_config.writeLog;
        o.maxDelete = Config_GetInt("FileSync", "MaxDelete", "0");
        if (o.maxDelete < 0) o.maxDelete = 0;
    }
    s_deleteMode.store(deleteRun && kind == 1);
    if (!s_workerStarted.load()) {
        if (!StartWorker()) {
            FileSync_SetLine("FileSync: worker thread could not be started");
            s_deleteMode.store(false);
            return false;
        }
        s_workerStarted.store(true);
    }
    s_request.store(kind);
    SetEvent(s_wake);
    return true;
}

bool FileSync_Request(int kind) { return FileSync_RequestRun(kind, false); }

bool FileSync_IsRequested() { return s_request.load() != 0; }

void FileSync_ResetTimes(int32_t time)
{
    s_lastSyncTime.store(time);
    s_lastRunTime.store(time);
}

void FileSync_SetLastRunTime(int32_t time) { s_lastRunTime.store(time); }

FILESYNC_STATE_VIEW FileSync_State()
{
    FILESYNC_STATE_VIEW v;
    v.request = s_request.load();
    v.deleteMode = s_deleteMode.load();
    v.lastSyncTime = s_lastSyncTime.load();
    v.lastRunTime = s_lastRunTime.load();
    v.workerStarted = s_workerStarted.load();
    v.lastRunFailed = s_lastRunFailed.load();
    return v;
}

void FileSync_ResetState()
{
    // The worker, once started, stays; it finds no request.
    s_deleteMode.store(false);
    s_lastSyncTime.store(0);
    s_lastRunTime.store(0);
    s_lastRunFailed.store(false);
    std::lock_guard<std::mutex> hold(s_lock);
    s_line[0] = 0;
    s_lineChanged.store(false);
}

bool FileSync_WaitIdle(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (s_request.load() != 0) {
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(20);
    }
    return true;
}

void FileSync_SetLine(const char* text)
{
    std::lock_guard<std::mutex> hold(s_lock);
    STR_ncpy(s_line, text ? text : "", sizeof(s_line) - 1);
    s_lineChanged.store(true);
}

void FileSync_GetLine(char* text, int size)
{
    std::lock_guard<std::mutex> hold(s_lock);
    STR_ncpy(text, s_line, size - 1);
}

void FileSync_ShowLine()
{
    if (!s_lineChanged.exchange(false)) return;
    char text[FILESYNC_TEXT_SIZE];
    FileSync_GetLine(text, sizeof(text));
    Display_SetFileSyncLine(text);
}
