#pragma once
// Where the program, its logs and its configuration file are, and the values read from the
// configuration file. The tables of supervised programs are in core/service_table.h.
#include <windows.h>
#include <stdint.h>

enum { CONFIG_VALUE_SIZE = 100, CONFIG_PATH_SIZE = 260, COMPUTER_NAME_SIZE = 50 };

// Fixed at program start, never changed afterwards.
struct PATHS {
    char programDir[CONFIG_PATH_SIZE];   // ends with "\"
    char logDir[CONFIG_PATH_SIZE];       // "LOGS.DIR\" below the program directory, if it exists
    char computerName[COMPUTER_NAME_SIZE];
    char configFile[CONFIG_PATH_SIZE];   // CU_<computer>.ini when present, else custor.ini
    char eventLog[CONFIG_PATH_SIZE];
    char fileSyncLog[CONFIG_PATH_SIZE];
    char errorLog[CONFIG_PATH_SIZE];     // ERRORS.TXT in the log directory
};

// Scalar values of the configuration file, refreshed by every ReadConfiguration.
struct CONFIG {
    bool rrdtool;                 // [Common] rrdtool starts with "1"
    int32_t rrdErrorSlot;         // [Common] rrderrorindex as a slot, -1 none
    char ping[CONFIG_VALUE_SIZE]; // [Common] Ping, comma-separated partner names
    char fileSyncPing[30];
    char fileMovePing[30];
    char fileAppendPing[30];
    char logMovePing[30];
    int32_t modemProblemLimit;
    int32_t autoRebootPeriod;     // days
    int32_t syncStart;            // hour
    int32_t syncStop;             // hour
    int32_t writeLog;
    int32_t autoTime;             // seconds (configured in minutes)
    int32_t autoTimeDel;          // seconds (configured in minutes)
    int32_t minimumAge;
    int32_t maximumAge;
    char fileSyncRule1[CONFIG_PATH_SIZE];
    char fileSyncRule1Source[CONFIG_PATH_SIZE];
    int32_t mailBox;
    // [Timing], seconds. The first four are kept as 16-bit values, as configured modulo 65536,
    // except that NotRunningError is at least 1 and NoResponseError at least 2: both divide
    // the supervision passes.
    uint16_t noResponseWarning;
    uint16_t noResponseError;
    uint16_t notRunningError;
    uint16_t externOn;
    int32_t updateWaittime;
    int32_t maxBusyAnz;
    DWORD configFileTime;         // FILE_GetTime of the file at the last read
};

// What tells an edit of the configuration file apart: its full last-write time (the packed
// file time counts seconds in steps of two, so an edit soon after a write would go unseen)
// and its size. A missing file has exists false and nothing else set.
struct CONFIG_FILE_STAMP {
    bool exists;
    FILETIME lastWrite;
    uint64_t size;
};
extern CONFIG_FILE_STAMP g_configFileStamp;  // the stamp at the last ReadConfiguration

// The stamp of the file now.
CONFIG_FILE_STAMP ConfigFile_Stamp(const char* path);
// True when the configuration file's stamp differs from the one of the last read.
bool ConfigFile_Changed();

extern PATHS g_paths;
extern CONFIG g_config;

// Sets every path from the program's own file path (program start, before any window).
void Paths_Init(const char* programPath);

// Rebuilds both service tables, the ping list and the service list rows from the file.
// clearDisabled false keeps each position's disabled mark. Returns the number of entries.
int ReadConfiguration(HWND mainWindow, bool clearDisabled);

// The configuration's decimal reading: blanks skipped, optional sign, digits; else 0.
int32_t Config_ParseInt(const char* text);
// Reads [section] key as text (default given) and converts it as above.
int32_t Config_GetInt(const char* section, const char* key, const char* defaultValue);
void Config_GetText(const char* section, const char* key, const char* defaultValue,
                    char* buffer, int size);
