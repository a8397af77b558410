#pragma once
// The FileSync engine: rules that mirror source directories into destination directories,
// run on a worker thread of their own. housekeeping/jobs.h holds what the tick and the
// commands call; this header holds the engine's parts for the worker and the tests.
#include <windows.h>
#include <stdint.h>

enum { FILESYNC_TEXT_SIZE = 260 };

// One rule, as read from the configuration file at the start of every run.
struct FILESYNC_RULE {
    char source[MAX_PATH];       // directory, ends with "\" (short form: "" when none given)
    char pattern[MAX_PATH];      // file pattern of the listings
    char destination[MAX_PATH];  // directory, ends with "\"
    bool shortForm;              // the short form's tests of source and destination apply
};
enum { FILESYNC_RULE_END = 0, FILESYNC_RULE_SKIP = 1, FILESYNC_RULE_OK = 2 };
// Reads rule number from [FileSync] of configFile: END when neither form is there (the list
// ends), SKIP when the rule is malformed (the next number is still read), OK with the rule.
int FileSync_ReadRule(const char* configFile, int number, FILESYNC_RULE* rule);
// Why a run must refuse the rule (its destination is missing, the root of a drive or share,
// the source itself, inside the source or above it), or null when the rule may run.
const char* FileSync_RefusalOf(const FILESYNC_RULE& rule);
// Worker: writes the event line of a refused rule, once per reading of the configuration.
void FileSync_ReportRefusal(int number, const char* reason, const char* destination);

// Everything a run needs from the window thread's state, fixed when the run is requested, so
// the worker never reads what the window thread may rewrite meanwhile.
struct FILESYNC_ORDER {
    int kind;            // 1 automatic, 2 manual
    bool deleteRun;      // only remove destination entries gone from the source, top level
    bool active;         // this machine was the active one
    int32_t minimumAge;  // minutes
    int32_t maximumAge;  // minutes
    int32_t mailBox;
    int32_t writeLog;
    int32_t maxDelete;   // most destination files one run may remove; 0 no limit
};

// Counters of one run.
struct FILESYNC_COUNTS {
    int32_t filesSeen;
    uint64_t bytesCopied;
    int32_t copied;
    int32_t deleted;
    int32_t boxes;
    int32_t oldIgnored;    // top-level source directories older than MaximumAge
    int32_t youngIgnored;  // top-level source directories younger than MinimumAge
};

// The result texts of a successful run: the status line (blanks reduced) and the statistics
// line (as formatted; "filesync.txt" gets it from its eleventh character on).
void FileSync_FormatResult(const FILESYNC_ORDER& order, const FILESYNC_COUNTS& counts,
                           int seconds, int hour, int minute, char* statusLine,
                           char* statisticsLine, int size);
// Reduces every run of blanks to one blank.
void FileSync_ReduceBlanks(char* text);

// Performs one run on the calling thread: progress and result on the "FileSync" line, error
// and statistics lines to the logs. previousFailed: the last run failed (its error was
// logged). Returns true when the run succeeded.
bool FileSync_Run(const FILESYNC_ORDER& order, bool previousFailed, FILESYNC_COUNTS* counts);

// The "FileSync" line: any thread stores the text; the window thread shows it
// (FileSync_ShowLine in housekeeping/jobs.h). Progress texts come at most once a second.
void FileSync_SetLine(const char* text);
void FileSync_GetLine(char* text, int size);

// Process-wide state shared by the window thread and the worker.
struct FILESYNC_STATE_VIEW {
    int request;
    bool deleteMode;
    int32_t lastSyncTime;
    int32_t lastRunTime;
    bool workerStarted;
    bool lastRunFailed;
};
FILESYNC_STATE_VIEW FileSync_State();
// Window thread: makes the request (1 automatic, 2 manual; deleteRun only with 1) unless one
// is pending, fixing the run's order from the configuration now, and starts the worker on
// the first request. False when a request was pending or the kind is unknown.
bool FileSync_RequestRun(int kind, bool deleteRun);
void FileSync_SetLastRunTime(int32_t time);
// Back to the state of program start (tests; never while a run is pending).
void FileSync_ResetState();
// Waits (real time) until no request is pending; false on time-out. For tests and the end.
bool FileSync_WaitIdle(DWORD milliseconds);

// A seam for tests of faults during a run: called on the worker after each source directory
// has been listed, before anything of it is deleted or copied. Null in the program.
extern void (*g_fileSyncSourceListed)(const char* directory);
