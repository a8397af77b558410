// The configuration check's knowledge: one table of the sections and keys the program reads,
// each with the kind of value it takes, and the checks of each kind, of the numbered rules, of
// the service lines and of the partner link.
#include "core/config_check_internal.h"
#include "core/command_line.h"
#include "core/config.h"
#include "core/metrics.h"
#include "core/str.h"
#include "housekeeping/file_basics.h"
#include "housekeeping/filesync.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

enum SECTION_KIND { SECTION_KEYS, SECTION_SERVICES, SECTION_PARTNERS };
// How a section's numbered rule keys look.
enum RULE_FORM { RULES_NONE, RULES_FILESYNC, RULES_MOVE, RULES_LOGMOVE, RULES_RENAME };

struct KNOWN_SECTION {
    const char* name;
    SECTION_KIND kind;
    RULE_FORM rules;
};

const KNOWN_SECTION kSections[] = {
    {"Common", SECTION_KEYS, RULES_NONE},
    {"Timing", SECTION_KEYS, RULES_NONE},
    {"FileSync", SECTION_KEYS, RULES_FILESYNC},
    {"FileMove", SECTION_KEYS, RULES_MOVE},
    {"FileAppend", SECTION_KEYS, RULES_MOVE},
    {"LogMove", SECTION_KEYS, RULES_LOGMOVE},
    {"FileRename", SECTION_KEYS, RULES_RENAME},
    {"ByTitle", SECTION_SERVICES, RULES_NONE},
    {"ByTitle_Stopped", SECTION_SERVICES, RULES_NONE},
    {"ByMessage", SECTION_SERVICES, RULES_NONE},
    {"ByMessage_Stopped", SECTION_SERVICES, RULES_NONE},
    {"PartnerLink", SECTION_PARTNERS, RULES_NONE},
};
const int kSectionCount = (int)(sizeof(kSections) / sizeof(kSections[0]));

enum KEY_KIND {
    KIND_TEXT,        // any text; cut beyond maxLength
    KIND_ON_FLAG,     // a leading "1" switches it on
    KIND_OFF_FLAG,    // a leading "0" switches it off
    KIND_NUMBER,      // decimal integer within low..high
    KIND_MINUTES,     // a period in minutes, 0..high; more than ten years is surely a typo
    KIND_TIMING,      // 16-bit seconds, at least low
    KIND_SLOT_LETTER, // a statistics slot letter
    KIND_PARTNERS,    // comma-separated partner names
    KIND_PARTNER,     // one partner name that must be in [Common] Ping
    KIND_COM_PORT,
    KIND_METRICS_FILE,
    KIND_LOGMOVE_TIME,
    KIND_PORT,
    KIND_IPV4,
};

struct KNOWN_KEY {
    const char* section;
    const char* key;
    KEY_KIND kind;
    int32_t low;
    int32_t high;
    int maxLength;  // characters the program keeps; 0: no limit worth telling
};

const int32_t kMax = 0x7FFFFFFF;
const int32_t kMin = -kMax - 1;

const KNOWN_KEY kKeys[] = {
    {"Common", "rrdtool", KIND_ON_FLAG, 0, 0, 99},
    {"Common", "rrderrorindex", KIND_SLOT_LETTER, 0, 0, 99},
    {"Common", "Ping", KIND_PARTNERS, 0, 0, 99},
    {"Common", "ModemProblemLimit", KIND_NUMBER, 0, kMax, 99},
    {"Common", "AutoRebootPeriod", KIND_NUMBER, 0, kMax, 99},
    {"Common", "LogName", KIND_TEXT, 0, 0, 259},
    {"Common", "Active", KIND_OFF_FLAG, 0, 0, 99},
    {"Common", "SetDesktopColor", KIND_ON_FLAG, 0, 0, 99},
    {"Common", "WatchCom", KIND_COM_PORT, 0, 0, 99},
    {"Common", "Toolbar", KIND_NUMBER, kMin, kMax, 99},
    {"Common", "MetricsFile", KIND_METRICS_FILE, 0, 0, 259},
    {"Timing", "NoResponseWarning", KIND_TIMING, 0, 0, 99},
    {"Timing", "NoResponseError", KIND_TIMING, 2, 0, 99},
    {"Timing", "NotRunningError", KIND_TIMING, 1, 0, 99},
    {"Timing", "ExternOn", KIND_TIMING, 0, 0, 99},
    {"Timing", "Update_Waittime", KIND_NUMBER, 0, kMax, 99},
    {"Timing", "MAXBUSYANZ", KIND_NUMBER, 0, kMax, 99},
    {"FileSync", "Ping", KIND_PARTNER, 0, 0, 29},
    {"FileSync", "SyncStart", KIND_NUMBER, 0, 23, 99},
    {"FileSync", "SyncStop", KIND_NUMBER, 0, 24, 99},
    {"FileSync", "WriteLog", KIND_NUMBER, kMin, kMax, 99},
    {"FileSync", "AutoTime", KIND_MINUTES, 0, kMax / 60, 99},
    {"FileSync", "AutoTimeDel", KIND_MINUTES, 0, kMax / 60, 99},
    {"FileSync", "MinimumAge", KIND_MINUTES, 0, kMax, 99},
    {"FileSync", "MaximumAge", KIND_MINUTES, 0, kMax, 99},
    {"FileSync", "MailBox", KIND_NUMBER, kMin, kMax, 99},
    {"FileSync", "MaxDelete", KIND_NUMBER, 0, kMax, 99},
    {"FileMove", "Ping", KIND_PARTNER, 0, 0, 29},
    {"FileAppend", "Ping", KIND_PARTNER, 0, 0, 29},
    {"LogMove", "Ping", KIND_PARTNER, 0, 0, 29},
    {"LogMove", "Time", KIND_LOGMOVE_TIME, 0, 0, 99},
    {"LogMove", "Log", KIND_NUMBER, kMin, kMax, 99},
    {"LogMove", "Final", KIND_TEXT, 0, 0, 259},
    {"PartnerLink", "Port", KIND_PORT, 0, 65535, 99},
    {"PartnerLink", "Listen", KIND_IPV4, 0, 0, 99},
    {"PartnerLink", "Secret", KIND_TEXT, 0, 0, 0},
};
const int kKeyCount = (int)(sizeof(kKeys) / sizeof(kKeys[0]));

const KNOWN_SECTION* FindSection(const char* name)
{
    for (int i = 0; i < kSectionCount; ++i)
        if (lstrcmpiA(kSections[i].name, name) == 0) return &kSections[i];
    return nullptr;
}

const KNOWN_KEY* FindKey(const char* section, const char* key)
{
    for (int i = 0; i < kKeyCount; ++i)
        if (lstrcmpiA(kKeys[i].section, section) == 0 && lstrcmpiA(kKeys[i].key, key) == 0)
            return &kKeys[i];
    return nullptr;
}

// ---- values -------------------------------------------------------------------------------

enum NUMBER_FORM { NUMBER_NONE, NUMBER_CLEAN, NUMBER_TRAILING };

bool IsCharSpaceLike(char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }

// How the program's decimal reading takes the text: no digits, a clean number, or a number
// followed by text that is ignored.
NUMBER_FORM NumberForm(const char* text)
{
    const char* p = text;
    while (IsCharSpaceLike(*p)) ++p;
    if (*p == '+' || *p == '-') ++p;
    if (*p < '0' || *p > '9') return NUMBER_NONE;
    while (*p >= '0' && *p <= '9') ++p;
    while (IsCharSpaceLike(*p)) ++p;
    return *p ? NUMBER_TRAILING : NUMBER_CLEAN;
}

// Reports a value that is no number or only begins with one; false when it holds no number.
bool CheckNumberText(CHECKER& c, const char* section, const char* key, const char* value)
{
    const NUMBER_FORM form = NumberForm(value);
    if (form == NUMBER_NONE) {
        Check_Report(c, FINDING_ERROR, 0, section, key, "\"%s\" is not a number (read as 0)",
                     value);
        return false;
    }
    if (form == NUMBER_TRAILING)
        Check_Report(c, FINDING_WARNING, 0, section, key,
                     "only the leading number %d of \"%s\" is read", (int)Config_ParseInt(value),
                     value);
    return true;
}

void CheckNumber(CHECKER& c, const KNOWN_KEY& k, const char* section, const char* value)
{
    if (!CheckNumberText(c, section, k.key, value)) return;
    const int32_t n = Config_ParseInt(value);
    if (n < k.low || n > k.high)
        Check_Report(c, FINDING_WARNING, 0, section, k.key, "%d is outside %d..%d", (int)n,
                     (int)k.low, (int)k.high);
}

void CheckMinutes(CHECKER& c, const KNOWN_KEY& k, const char* section, const char* value)
{
    static const int32_t kTenYears = 10 * 36525 / 100 * 24 * 60;
    if (!CheckNumberText(c, section, k.key, value)) return;
    const int32_t n = Config_ParseInt(value);
    if (n >= 0 && n <= k.high && n > kTenYears)
        Check_Report(c, FINDING_WARNING, 0, section, k.key,
                     "%d minutes is more than ten years", (int)n);
    else
        CheckNumber(c, k, section, value);
}

void CheckTiming(CHECKER& c, const KNOWN_KEY& k, const char* section, const char* value)
{
    if (!CheckNumberText(c, section, k.key, value)) return;
    const int32_t n = Config_ParseInt(value);
    const uint16_t kept = (uint16_t)n;
    if (n != (int32_t)kept)
        Check_Report(c, FINDING_WARNING, 0, section, k.key,
                     "%d does not fit in 16 bits and is read as %u", (int)n, (unsigned)kept);
    if (kept < k.low)
        Check_Report(c, FINDING_WARNING, 0, section, k.key, "%u is too small, %d is used",
                     (unsigned)kept, (int)k.low);
}

bool IsInPing(const CHECKER& c, const char* name)
{
    for (int i = 0; i < c.partnerCount; ++i)
        if (lstrcmpiA(c.partners[i], name) == 0) return true;
    return false;
}

// [Common] Ping as the program splits it: on commas, blanks kept, empty names skipped.
void CheckPartners(CHECKER& c, const char* section, const char* key, const char* value)
{
    char kept[CONFIG_VALUE_SIZE];
    STR_ncpy(kept, value, CONFIG_VALUE_SIZE - 1);
    int names = 0;
    for (const char* p = kept; *p;) {
        const char* comma = strchr(p, ',');
        const size_t length = comma ? (size_t)(comma - p) : strlen(p);
        if (length > 0) {
            char name[CONFIG_VALUE_SIZE];
            STR_ncpy(name, p, (int)length);
            ++names;
            if (IsCharSpaceLike(name[0]) || IsCharSpaceLike(name[length - 1]))
                Check_Report(c, FINDING_WARNING, 0, section, key,
                             "the partner name \"%s\" has a blank at its start or end, which "
                             "is part of the name",
                             name);
            if (length > PING_NAME_SIZE - 1)
                Check_Report(c, FINDING_WARNING, 0, section, key,
                             "the partner name \"%s\" is longer than %d characters and is cut",
                             name, PING_NAME_SIZE - 1);
            if (c.partnerCount < PING_LIST_SIZE)
                STR_ncpy(c.partners[c.partnerCount++], name, PING_NAME_SIZE - 1);
        }
        if (!comma) break;
        p = comma + 1;
    }
    if (names > PING_LIST_SIZE)
        Check_Report(c, FINDING_WARNING, 0, section, key,
                     "lists %d partners; only the first %d are watched", names, PING_LIST_SIZE);
}

void CheckPartner(CHECKER& c, const char* section, const char* key, const char* value,
                  int maxLength)
{
    char name[CHECK_VALUE_SIZE];
    STR_ncpy(name, value, maxLength);
    if (name[0] && !IsInPing(c, name))
        Check_Report(c, FINDING_ERROR, 0, section, key,
                     "\"%s\" is not a partner of [Common] Ping, so it never counts as "
                     "answering and the jobs never run",
                     name);
}

bool IsComPort(const char* value)
{
    if (_strnicmp(value, "COM", 3) != 0) return false;
    const char* digits = value + 3;
    if (*digits < '1' || *digits > '9') return false;
    int number = 0;
    for (; *digits >= '0' && *digits <= '9'; ++digits) {
        number = number * 10 + (*digits - '0');
        if (number > 255) return false;
    }
    return *digits == 0;
}

// The directory part of a path, up to and including its last backslash; "" when it has none.
void DirectoryOf(const char* path, char* directory, int size)
{
    STR_ncpy(directory, path, size - 1);
    char* slash = strrchr(directory, '\\');
    if (slash)
        slash[1] = 0;
    else
        directory[0] = 0;
}

// The looks at files and folders the configuration names. A running program's re-read does
// none (a share that does not answer would hold the window thread for the network's time-out):
// what it cannot tell counts as there, and the full look stays with /check.
bool DirectoryExists(CHECKER& c, const char* directory)
{
    if (!c.lookAtFiles) return true;
    ++c.out->fileLooks;
    const DWORD attributes = GetFileAttributesA(directory);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CheckMetricsFile(CHECKER& c, const char* section, const char* key, const char* value)
{
    if (!value[0]) return;
    char path[CONFIG_PATH_SIZE];
    Metrics_ResolvePath(value, path, sizeof(path));
    char directory[CONFIG_PATH_SIZE];
    DirectoryOf(path, directory, sizeof(directory));
    if (!directory[0] || !DirectoryExists(c, directory))
        Check_Report(c, FINDING_ERROR, 0, section, key,
                     "the directory of \"%s\" does not exist, so no metrics are written", path);
}

void CheckLogMoveTime(CHECKER& c, const char* section, const char* key, const char* value)
{
    // Period, first hour, last hour; a part that is left out keeps its earlier value.
    char parts[CHECK_VALUE_SIZE];
    STR_ncpy(parts, value, CHECK_VALUE_SIZE - 1);
    char* p = parts;
    for (int i = 0; i < 3 && p; ++i) {
        char* comma = strchr(p, ',');
        if (comma) *comma = 0;
        if (NumberForm(p) == NUMBER_NONE)
            Check_Report(c, FINDING_ERROR, 0, section, key,
                         "part %d, \"%s\", holds no number", i + 1, p);
        p = comma ? comma + 1 : nullptr;
    }
}

bool IsIpv4(const char* text)
{
    int parts = 0;
    const char* p = text;
    for (;;) {
        if (*p < '0' || *p > '9') return false;
        int value = 0, digits = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            value = value * 10 + (*p - '0');
            if (++digits > 3) return false;
        }
        if (value > 255) return false;
        ++parts;
        if (*p != '.') break;
        ++p;
    }
    return parts == 4 && *p == 0;
}

void CheckValue(CHECKER& c, const KNOWN_KEY& k, const char* section)
{
    char value[CHECK_VALUE_SIZE];
    Check_ReadValue(section, k.key, value, sizeof(value));
    if (k.maxLength > 0 && (int)strlen(value) > k.maxLength)
        Check_Report(c, FINDING_WARNING, 0, section, k.key,
                     "the value is longer than %d characters and is cut", k.maxLength);
    switch (k.kind) {
    case KIND_TEXT: break;
    case KIND_ON_FLAG:
        if (value[0] && value[0] != '0' && value[0] != '1')
            Check_Report(c, FINDING_WARNING, 0, section, k.key,
                         "\"%s\" reads as off: only a leading 1 switches it on", value);
        break;
    case KIND_OFF_FLAG:
        if (value[0] && value[0] != '0' && value[0] != '1')
            Check_Report(c, FINDING_WARNING, 0, section, k.key,
                         "\"%s\" reads as on: only a leading 0 switches it off", value);
        break;
    case KIND_NUMBER: CheckNumber(c, k, section, value); break;
    case KIND_MINUTES: CheckMinutes(c, k, section, value); break;
    case KIND_TIMING: CheckTiming(c, k, section, value); break;
    case KIND_SLOT_LETTER:
        if (value[0] && StatSlot_OfLetter(value[0]) < 0)
            Check_Report(c, FINDING_WARNING, 0, section, k.key,
                         "\"%s\" names no statistics slot (one of %s), so none is fed", value,
                         kStatSlotLetters);
        break;
    case KIND_PARTNERS: break;  // read first, before every other key (see Check_Sections)
    case KIND_PARTNER: CheckPartner(c, section, k.key, value, k.maxLength); break;
    case KIND_COM_PORT:
        if (value[0] && !IsComPort(value))
            Check_Report(c, FINDING_ERROR, 0, section, k.key,
                         "\"%s\" names no COM port (COM1, COM2, ...)", value);
        break;
    case KIND_METRICS_FILE: CheckMetricsFile(c, section, k.key, value); break;
    case KIND_LOGMOVE_TIME: CheckLogMoveTime(c, section, k.key, value); break;
    case KIND_PORT:
        if (value[0]) CheckNumber(c, k, section, value);
        break;
    case KIND_IPV4:
        if (value[0] && !IsIpv4(value))
            Check_Report(c, FINDING_ERROR, 0, section, k.key,
                         "\"%s\" is not an IPv4 address (a.b.c.d)", value);
        break;
    }
}

// ---- numbered rules -----------------------------------------------------------------------

// The rule number a key names and what follows it ("" for the short form, "_Source" ...);
// 0 when the key does not begin with a number.
int RuleNumber(const char* key, const char** suffix)
{
    int n = 0;
    const char* p = key;
    for (; *p >= '0' && *p <= '9'; ++p) {
        n = n * 10 + (*p - '0');
        if (n > 100000) return 0;
    }
    if (p == key) return 0;
    *suffix = p;
    return n;
}

bool IsRuleKey(RULE_FORM form, const char* key)
{
    const char* suffix = "";
    if (form == RULES_NONE || RuleNumber(key, &suffix) == 0) return false;
    if (!suffix[0]) return true;
    return form == RULES_FILESYNC &&
           (lstrcmpiA(suffix, "_Source") == 0 || lstrcmpiA(suffix, "_Destination") == 0 ||
            lstrcmpiA(suffix, "_Filter") == 0);
}

void CheckSource(CHECKER& c, const char* section, const char* key, const char* sourcePattern)
{
    char source[CHECK_VALUE_SIZE];
    STR_ncpy(source, sourcePattern, CHECK_VALUE_SIZE - 1);
    char* start = source;
    while (*start == ' ') ++start;
    char directory[CHECK_VALUE_SIZE];
    DirectoryOf(start, directory, sizeof(directory));
    if (!directory[0] || !DirectoryExists(c, directory))
        Check_Report(c, FINDING_WARNING, 0, section, key,
                     "the source directory \"%s\" does not exist", directory[0] ? directory : start);
}

// Checks one short-form rule; the source is the part before the first comma.
void CheckShortRule(CHECKER& c, const char* section, const char* key, const char* value,
                    RULE_FORM form)
{
    const char* comma = strchr(value, ',');
    if (!comma) {
        Check_Report(c, FINDING_ERROR, 0, section, key,
                     "the rule has no comma between source and %s, so it is skipped",
                     form == RULES_RENAME ? "target" : "destination");
        return;
    }
    char source[CHECK_VALUE_SIZE];
    STR_ncpy(source, value, (int)(comma - value));
    CheckSource(c, section, key, source);
}

// A FileSync rule that a run would refuse, because mirroring it would delete what it guards.
void CheckFileSyncRefusal(CHECKER& c, const char* section, const char* key, int number)
{
    FILESYNC_RULE rule;
    if (!c.lookAtFiles) return;  // resolving the paths looks at the folders
    if (FileSync_ReadRule(g_paths.configFile, number, &rule) != FILESYNC_RULE_OK) return;
    ++c.out->fileLooks;
    const char* refusal = FileSync_RefusalOf(rule);
    if (refusal)
        Check_Report(c, FINDING_ERROR, 0, section, key,
                     "the rule is refused (%s), so it copies and deletes nothing", refusal);
}

// Follows the rules as the program reads them, from 1 up to the first number that is missing,
// and tells about rules written beyond that gap.
void CheckRules(CHECKER& c, const char* section, RULE_FORM form, const char* keys)
{
    char value[CHECK_VALUE_SIZE], key[40];
    int end = 1;
    for (;; ++end) {
        snprintf(key, sizeof(key), "%d", end);
        Check_ReadValue(section, key, value, sizeof(value));
        if (value[0]) {
            CheckShortRule(c, section, key, value, form);
            if (form == RULES_FILESYNC) CheckFileSyncRefusal(c, section, key, end);
            continue;
        }
        if (form != RULES_FILESYNC) break;
        snprintf(key, sizeof(key), "%d_Source", end);
        Check_ReadValue(section, key, value, sizeof(value));
        if (!value[0]) break;
        char destination[40];
        snprintf(destination, sizeof(destination), "%d_Destination", end);
        char target[CHECK_VALUE_SIZE];
        Check_ReadValue(section, destination, target, sizeof(target));
        if (!target[0])
            Check_Report(c, FINDING_ERROR, 0, section, key,
                         "the rule has no %s, so it is skipped", destination);
        char directory[CHECK_VALUE_SIZE];
        snprintf(directory, sizeof(directory), "%s%s", value,
                 value[strlen(value) - 1] == '\\' ? "" : "\\");
        CheckSource(c, section, key, directory);
        CheckFileSyncRefusal(c, section, key, end);
    }
    for (const char* k = keys; *k; k += strlen(k) + 1) {
        const char* suffix = "";
        const int n = IsRuleKey(form, k) ? RuleNumber(k, &suffix) : 0;
        if (n > end)
            Check_Report(c, FINDING_WARNING, 0, section, k,
                         "is never read: the rules end at %d, which is missing", end);
    }
}

// ---- sections -----------------------------------------------------------------------------

void ReportUnknownKey(CHECKER& c, const char* section, const char* key, RULE_FORM form)
{
    const char* names[64];
    int count = 0;
    for (int i = 0; i < kKeyCount && count < 60; ++i)
        if (lstrcmpiA(kKeys[i].section, section) == 0) names[count++] = kKeys[i].key;
    char numbered[3][40];
    const char* suffix = "";
    const int n = form == RULES_FILESYNC ? RuleNumber(key, &suffix) : 0;
    if (n > 0) {
        snprintf(numbered[0], sizeof(numbered[0]), "%d_Source", n);
        snprintf(numbered[1], sizeof(numbered[1]), "%d_Destination", n);
        snprintf(numbered[2], sizeof(numbered[2]), "%d_Filter", n);
        for (int i = 0; i < 3; ++i) names[count++] = numbered[i];
    }
    const char* nearest = ConfigCheck_NearestName(key, names, count);
    if (nearest)
        Check_Report(c, FINDING_WARNING, 0, section, key,
                     "unknown key, did you mean \"%s\"?", nearest);
    else
        Check_Report(c, FINDING_WARNING, 0, section, key, "unknown key");
}

void CheckKeySection(CHECKER& c, const KNOWN_SECTION& s, const char* section, const char* keys)
{
    for (const char* key = keys; *key; key += strlen(key) + 1) {
        const KNOWN_KEY* k = FindKey(s.name, key);
        if (k)
            CheckValue(c, *k, section);
        else if (!IsRuleKey(s.rules, key))
            ReportUnknownKey(c, section, key, s.rules);
    }
    if (s.rules != RULES_NONE) CheckRules(c, section, s.rules, keys);
}

bool ProgramExists(CHECKER& c, const char* program)
{
    if (!program[0]) return false;
    if (!c.lookAtFiles) return true;
    ++c.out->fileLooks;
    char found[MAX_PATH];
    if (strchr(program, '\\') || strchr(program, '/') || strchr(program, ':')) {
        if (GetFileAttributesA(program) != INVALID_FILE_ATTRIBUTES) return true;
        snprintf(found, sizeof(found), "%s.exe", program);
        return GetFileAttributesA(found) != INVALID_FILE_ATTRIBUTES;
    }
    // A bare name is found the way the system finds a program to start.
    return SearchPathA(nullptr, program, ".exe", sizeof(found), found, nullptr) > 0;
}

void CheckServiceSection(CHECKER& c, const char* section, const char* keys)
{
    int count = 0;
    for (const char* key = keys; *key; key += strlen(key) + 1) {
        ++count;
        if (strlen(key) > SERVICE_NAME_SIZE - 1)
            Check_Report(c, FINDING_WARNING, 0, section, key,
                         "the name is longer than %d characters and is cut",
                         SERVICE_NAME_SIZE - 1);
        char command[CHECK_VALUE_SIZE];
        Check_ReadValue(section, key, command, sizeof(command));
        if (!command[0]) {
            Check_Report(c, FINDING_ERROR, 0, section, key,
                         "has no command line, so the program cannot be started");
            continue;
        }
        if (strlen(command) > SERVICE_COMMAND_SIZE - 1)
            Check_Report(c, FINDING_WARNING, 0, section, key,
                         "the command line is longer than %d characters and is cut",
                         SERVICE_COMMAND_SIZE - 1);
        char program[SERVICE_COMMAND_SIZE];
        CommandLine_ProgramPart(command, program, sizeof(program));
        if (!ProgramExists(c, program))
            Check_Report(c, FINDING_ERROR, 0, section, key,
                         "the program file \"%s\" does not exist", program);
    }
    if (count > SERVICE_TABLE_SIZE)
        Check_Report(c, FINDING_WARNING, 0, section, nullptr,
                     "holds %d programs; only the first %d are supervised", count,
                     SERVICE_TABLE_SIZE);
}

void CheckPartnerSection(CHECKER& c, const KNOWN_SECTION& s, const char* section,
                         const char* keys)
{
    char value[CHECK_VALUE_SIZE];
    Check_ReadValue(section, "Port", value, sizeof(value));
    const bool linkOn = Config_ParseInt(value) > 0;
    bool anyAddress = false;
    for (const char* key = keys; *key; key += strlen(key) + 1) {
        const KNOWN_KEY* k = FindKey(s.name, key);
        if (k) {
            CheckValue(c, *k, section);
            continue;
        }
        anyAddress = anyAddress || IsInPing(c, key);
        // Every other key is a partner's computer name with its address.
        if (!IsInPing(c, key))
            Check_Report(c, FINDING_ERROR, 0, section, key,
                         "is not a partner of [Common] Ping, so the address is never used");
        Check_ReadValue(section, key, value, sizeof(value));
        char address[CHECK_VALUE_SIZE];
        STR_ncpy(address, value, CHECK_VALUE_SIZE - 1);
        char* colon = strchr(address, ':');
        bool good = true;
        if (colon) {
            *colon = 0;
            const int32_t port = Config_ParseInt(colon + 1);
            good = NumberForm(colon + 1) == NUMBER_CLEAN && port >= 1 && port <= 65535;
        }
        if (!good || !IsIpv4(address))
            Check_Report(c, FINDING_ERROR, 0, section, key,
                         "\"%s\" is not an address a.b.c.d or a.b.c.d:port", value);
        if (!linkOn)
            Check_Report(c, FINDING_WARNING, 0, section, key,
                         "the link is off (Port is missing or 0), so this partner is not used");
    }
    Check_ReadValue(section, "Secret", value, sizeof(value));
    if (value[0] && (!anyAddress || !linkOn))
        Check_Report(c, FINDING_WARNING, 0, section, "Secret",
                     "a secret is set but no partner is reached over the link: partners' "
                     "mailslot datagrams are not taken, so every partner counts as silent");
}

}  // namespace

void Check_Sections(CHECKER& c)
{
    enum { NAMES_SIZE = 32767 };
    char* names = (char*)calloc(NAMES_SIZE, 1);
    char* keys = (char*)calloc(NAMES_SIZE, 1);
    if (!names || !keys) {
        free(names);
        free(keys);
        return;
    }
    // The partner list first: the other partner keys are checked against it.
    char value[CHECK_VALUE_SIZE];
    Check_ReadValue("Common", "Ping", value, sizeof(value));
    CheckPartners(c, "Common", "Ping", value);

    GetPrivateProfileSectionNamesA(names, NAMES_SIZE - 1, g_paths.configFile);
    for (const char* section = names; *section; section += strlen(section) + 1) {
        const KNOWN_SECTION* s = FindSection(section);
        if (!s) {
            const char* candidates[sizeof(kSections) / sizeof(kSections[0])];
            for (int i = 0; i < kSectionCount; ++i) candidates[i] = kSections[i].name;
            const char* nearest = ConfigCheck_NearestName(section, candidates, kSectionCount);
            if (nearest)
                Check_Report(c, FINDING_WARNING, 0, section, nullptr,
                             "unknown section, did you mean [%s]?", nearest);
            else
                Check_Report(c, FINDING_WARNING, 0, section, nullptr, "unknown section");
            continue;
        }
        memset(keys, 0, NAMES_SIZE);
        GetPrivateProfileStringA(section, nullptr, "", keys, NAMES_SIZE - 1, g_paths.configFile);
        switch (s->kind) {
        case SECTION_KEYS: CheckKeySection(c, *s, section, keys); break;
        case SECTION_SERVICES: CheckServiceSection(c, section, keys); break;
        case SECTION_PARTNERS: CheckPartnerSection(c, *s, section, keys); break;
        }
    }
    free(names);
    free(keys);
}
