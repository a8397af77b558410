#include "core/config.h"
#include "core/config_check.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/lib.h"
#include "core/service_table.h"
#include "core/str.h"
#include "core/supervision.h"
#include "housekeeping/file_basics.h"
#include "housekeeping/jobs.h"
#include "core/display.h"
#include "partner/partner_state.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

PATHS g_paths;
CONFIG g_config;
CONFIG_FILE_STAMP g_configFileStamp;

CONFIG_FILE_STAMP ConfigFile_Stamp(const char* path)
{
    CONFIG_FILE_STAMP stamp = {};
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return stamp;
    stamp.exists = true;
    stamp.lastWrite = data.ftLastWriteTime;
    stamp.size = ((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    return stamp;
}

static bool SameStamp(const CONFIG_FILE_STAMP& a, const CONFIG_FILE_STAMP& b)
{
    if (a.exists != b.exists) return false;
    if (!a.exists) return true;
    return a.size == b.size && a.lastWrite.dwLowDateTime == b.lastWrite.dwLowDateTime &&
           a.lastWrite.dwHighDateTime == b.lastWrite.dwHighDateTime;
}

bool ConfigFile_Changed()
{
    return !SameStamp(ConfigFile_Stamp(g_paths.configFile), g_configFileStamp);
}

// Key names of one service section are read at once into a buffer of this size.
enum { SECTION_KEYS_SIZE = 30000 };

void Paths_Init(const char* programPath)
{
    memset(&g_paths, 0, sizeof(g_paths));
    STR_ncpy(g_paths.programDir, LIB_sPath(programPath), CONFIG_PATH_SIZE - 1);

    char logDir[CONFIG_PATH_SIZE];
    snprintf(logDir, sizeof(logDir), "%sLOGS.DIR\\", g_paths.programDir);
    if (FILE_DirectoryTest(logDir, 0))
        STR_ncpy(g_paths.logDir, logDir, CONFIG_PATH_SIZE - 1);
    else
        STR_ncpy(g_paths.logDir, g_paths.programDir, CONFIG_PATH_SIZE - 1);

    DWORD size = COMPUTER_NAME_SIZE;
    if (!GetComputerNameA(g_paths.computerName, &size)) g_paths.computerName[0] = 0;

    snprintf(g_paths.configFile, sizeof(g_paths.configFile), "%sCU_%s.ini", g_paths.programDir,
             g_paths.computerName);
    if (FILE_Exist(g_paths.configFile, nullptr, nullptr) == 0)
        snprintf(g_paths.configFile, sizeof(g_paths.configFile), "%scustor.ini",
                 g_paths.programDir);

    char logName[CONFIG_PATH_SIZE];
    Config_GetText("Common", "LogName", "custor.txt", logName, sizeof(logName));
    LIB_Logname(g_paths.eventLog, g_paths.programDir, g_paths.logDir, logName);
    LIB_Logname(g_paths.fileSyncLog, g_paths.programDir, g_paths.logDir, "filesync.txt");
    snprintf(g_paths.errorLog, sizeof(g_paths.errorLog), "%sERRORS.TXT", g_paths.logDir);
}

int32_t Config_ParseInt(const char* text)
{
    if (!text) return 0;
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    // Saturates instead of overflowing: a 5000-digit value must not be undefined behaviour.
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > 0x80000000LL) value = 0x80000000LL;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return (int32_t)value;
}

void Config_GetText(const char* section, const char* key, const char* defaultValue,
                    char* buffer, int size)
{
    GetPrivateProfileStringA(section, key, defaultValue, buffer, (DWORD)size, g_paths.configFile);
}

int32_t Config_GetInt(const char* section, const char* key, const char* defaultValue)
{
    char text[CONFIG_VALUE_SIZE];
    Config_GetText(section, key, defaultValue, text, sizeof(text));
    return Config_ParseInt(text);
}

static void ReadScalarKeys()
{
    CONFIG& c = g_config;
    char text[CONFIG_VALUE_SIZE];
    Config_GetText("Common", "rrdtool", "0", text, sizeof(text));
    c.rrdtool = text[0] == '1';
    Config_GetText("Common", "rrderrorindex", "", text, sizeof(text));
    c.rrdErrorSlot = StatSlot_OfLetter(text[0]);
    Config_GetText("Common", "Ping", "", c.ping, sizeof(c.ping));
    Config_GetText("FileSync", "Ping", "", c.fileSyncPing, sizeof(c.fileSyncPing));
    Config_GetText("FileMove", "Ping", "", c.fileMovePing, sizeof(c.fileMovePing));
    Config_GetText("FileAppend", "Ping", "", c.fileAppendPing, sizeof(c.fileAppendPing));
    Config_GetText("LogMove", "Ping", "", c.logMovePing, sizeof(c.logMovePing));
    c.modemProblemLimit = Config_GetInt("Common", "ModemProblemLimit", "0");
    c.autoRebootPeriod = Config_GetInt("Common", "AutoRebootPeriod", "42");
    c.syncStart = Config_GetInt("FileSync", "SyncStart", "6");
    c.syncStop = Config_GetInt("FileSync", "SyncStop", "21");
    c.writeLog = Config_GetInt("FileSync", "WriteLog", "0");
    // Minutes in the file, seconds in memory; kept within range so the product cannot wrap.
    int32_t minutes = Config_GetInt("FileSync", "AutoTime", "0");
    c.autoTime = (minutes > INT32_MAX / 60 || minutes < INT32_MIN / 60) ? 0 : minutes * 60;
    minutes = Config_GetInt("FileSync", "AutoTimeDel", "0");
    c.autoTimeDel = (minutes > INT32_MAX / 60 || minutes < INT32_MIN / 60) ? 0 : minutes * 60;
    c.minimumAge = Config_GetInt("FileSync", "MinimumAge", "0");
    c.maximumAge = Config_GetInt("FileSync", "MaximumAge", "0");
    Config_GetText("FileSync", "1", "", c.fileSyncRule1, sizeof(c.fileSyncRule1));
    Config_GetText("FileSync", "1_source", "", c.fileSyncRule1Source,
                   sizeof(c.fileSyncRule1Source));
    c.mailBox = (int32_t)GetPrivateProfileIntA("FileSync", "MailBox", 0, g_paths.configFile);
}

static void ReadTimingKeys()
{
    CONFIG& c = g_config;
    c.noResponseWarning = (uint16_t)Config_GetInt("Timing", "NoResponseWarning", "30");
    c.noResponseError = (uint16_t)Config_GetInt("Timing", "NoResponseError", "55");
    c.notRunningError = (uint16_t)Config_GetInt("Timing", "NotRunningError", "30");
    c.externOn = (uint16_t)Config_GetInt("Timing", "ExternOn", "120");
    c.updateWaittime = Config_GetInt("Timing", "Update_Waittime", "30");
    c.maxBusyAnz = Config_GetInt("Timing", "MAXBUSYANZ", "15");

    // Both are divisors of the passes. A zero would stop every start and kill for good, so
    // the smallest working values stand in, and the operator is told once per reading.
    char text[160];
    if (c.notRunningError < 1) {
        snprintf(text, sizeof(text), "[Timing] NotRunningError %u is too small, 1 is used",
                 (unsigned)c.notRunningError);
        EventLog(2, text, false, 0);
        c.notRunningError = 1;
    }
    if (c.noResponseError < 2) {
        snprintf(text, sizeof(text), "[Timing] NoResponseError %u is too small, 2 is used",
                 (unsigned)c.noResponseError);
        EventLog(2, text, false, 0);
        c.noResponseError = 2;
    }
}

// Splits [Common] Ping on commas into the partner list. Blanks are kept: a name written with a
// blank after the comma is a different name.
static void ReadPingList()
{
    g_pingList.count = 0;
    const int32_t now = Host_Now();
    const char* p = g_config.ping;
    int ignored = 0;
    while (*p) {
        const char* comma = strchr(p, ',');
        const size_t length = comma ? (size_t)(comma - p) : strlen(p);
        if (length > 0) {
            if (g_pingList.count < PING_LIST_SIZE) {
                PING_ENTRY& e = g_pingList.entries[g_pingList.count++];
                STR_ncpy(e.name, p, (int)(length < PING_NAME_SIZE - 1 ? length : PING_NAME_SIZE - 1));
                e.lastHeard = now;
            } else {
                ++ignored;
            }
        }
        if (!comma) break;
        p = comma + 1;
    }
    if (ignored > 0) {
        char text[120];
        snprintf(text, sizeof(text), "Ping lists more than %d partners, %d ignored",
                 PING_LIST_SIZE, ignored);
        EventLog(2, text, false, 0);
    }
}

static void InsertRow(int row, const SERVICE_ENTRY& e)
{
    const bool disabled = e.disabled != 0;
    Display_InsertRow(row, disabled ? 11 : 0, e.name,
                              disabled ? "disabled" : "Init", "");
}

// Fills one table from the key names of its section. Fields not listed here keep the value
// of the entry that held the same position before (the disabled mark among them).
static void ReadServiceSection(const char* section, SERVICE_TABLE& table, bool messageTable,
                               bool clearDisabled, int firstRow, char* keys)
{
    table.count = 0;
    memset(keys, 0, SECTION_KEYS_SIZE);
    GetPrivateProfileStringA(section, nullptr, "", keys, SECTION_KEYS_SIZE - 1,
                             g_paths.configFile);
    const uint16_t period = g_config.notRunningError;
    const int32_t now = Host_Now();
    int skipped = 0;
    for (const char* key = keys; *key; key += strlen(key) + 1) {
        if (table.count >= SERVICE_TABLE_SIZE) {
            ++skipped;
            continue;
        }
        const int k = table.count;
        SERVICE_ENTRY& e = table.entries[k];
        GetPrivateProfileStringA(section, key, "", e.command, sizeof(e.command),
                                 g_paths.configFile);
        STR_ncpy(e.name, key, SERVICE_NAME_SIZE - 1);
        STR_ncpy(e.pattern, e.name, SERVICE_NAME_SIZE - 1);
        CharUpperA(e.pattern);
        e.counter = period - (uint32_t)((k + (messageTable ? 20 : 15)) % period);
        e.colour = 0;
        e.lastStart = 0;
        e.lastAnswer = now;
        e.lastProbeTick = 0;
        e.lastProbeTime = 0;
        e.crashBaseline = 0;
        if (messageTable) {
            e.lastStatus = -50;
            e.channels = 0;
            e.problems = 0;
            e.multiChannel = false;
            e.window = nullptr;
            e.updateRequest = 0;
            e.statSlot = -1;
            if (strstr(e.pattern, "ZEPHYRA-TRANSFER") || strstr(e.pattern, "TEST-CUSTOR")) {
                e.multiChannel = true;
                const char* blank = strchr(e.pattern, ' ');
                if (blank) e.statSlot = StatSlot_OfLetter(blank[1]);
            }
        }
        if (clearDisabled) e.disabled = 0;
        ++table.count;
        InsertRow(firstRow + k, e);
    }
    if (skipped > 0) {
        char text[160];
        snprintf(text, sizeof(text), "[%s] holds more than %d programs, %d not supervised",
                 section, SERVICE_TABLE_SIZE, skipped);
        EventLog(2, text, false, 0);
    }
}

int ReadConfiguration(HWND mainWindow, bool clearDisabled)
{
    (void)mainWindow;
    Display_ClearRows();
    g_pingList.count = 0;
    LogMove_Invalidate();
    FileSync_ConfigurationRead();

    ReadScalarKeys();
    g_config.configFileTime = FILE_GetTime(g_paths.configFile, nullptr);
    g_configFileStamp = ConfigFile_Stamp(g_paths.configFile);
    ReadTimingKeys();
    ReadPingList();
    Partner_ConfigurationRead();

    Display_ClearRows();
    char* keys = (char*)calloc(SECTION_KEYS_SIZE, 1);
    if (!keys) {
        g_titleTable.count = 0;
        g_messageTable.count = 0;
        return 0;
    }
    const bool active = g_supervision.active;
    ReadServiceSection(active ? "ByTitle" : "ByTitle_Stopped", g_titleTable, false,
                       clearDisabled, 0, keys);
    ReadServiceSection(active ? "ByMessage" : "ByMessage_Stopped", g_messageTable, true,
                       clearDisabled, g_titleTable.count, keys);
    free(keys);
    ConfigCheck_AfterReading();
    return g_titleTable.count + g_messageTable.count;
}
