#include "housekeeping/spool_rules.h"
#include "housekeeping/spool_reports.h"
#include "core/eventlog.h"
#include "core/str.h"
#include <stdio.h>
#include <string.h>

// Which jobs already reported their skipped rules since the configuration was read.
struct SPOOL_REPORTS {
    char reported[64][24];  // "FileMove 3" and the like
    int count;
};
static SPOOL_REPORTS g_spoolReports;

// Copies text[0..length) without leading blanks into out; false when it does not fit.
static bool CopyPart(char* out, const char* text, size_t length)
{
    while (length > 0 && *text == ' ') {
        ++text;
        --length;
    }
    if (length >= SPOOL_PATH_SIZE) return false;
    memcpy(out, text, length);
    out[length] = 0;
    return true;
}

// A directory part: a "\" is appended when missing, then leading blanks go.
static bool CopyDirectory(char* out, const char* text, size_t length)
{
    char part[SPOOL_PATH_SIZE + 1];
    if (length >= SPOOL_PATH_SIZE) return false;
    memcpy(part, text, length);
    part[length] = 0;
    if (length == 0 || part[length - 1] != '\\') {
        part[length++] = '\\';
        part[length] = 0;
    }
    return CopyPart(out, part, length);
}

// True when the directory part is nothing but blanks and the appended "\".
static bool IsBare(const char* directory) { return strcmp(directory, "\\") == 0 || !directory[0]; }

SpoolRuleResult SpoolRule_Parse(const char* value, bool withArchive, SPOOL_RULE* rule)
{
    memset(rule, 0, sizeof(*rule));
    rule->namePattern = rule->pattern;
    const char* comma = strchr(value, ',');
    if (!comma) return RULE_NO_COMMA;
    const size_t patternLength = (size_t)(comma - value);
    if (patternLength >= SPOOL_PATH_SIZE) return RULE_TOO_LONG;
    memcpy(rule->pattern, value, patternLength);
    rule->pattern[patternLength] = 0;

    const char* rest = comma + 1;
    const char* second = withArchive ? strchr(rest, ',') : nullptr;
    const size_t destinationLength = second ? (size_t)(second - rest) : strlen(rest);
    if (!CopyDirectory(rule->destination, rest, destinationLength)) return RULE_TOO_LONG;
    if (second && !CopyDirectory(rule->archive, second + 1, strlen(second + 1)))
        return RULE_TOO_LONG;
    if (IsBare(rule->archive)) rule->archive[0] = 0;

    const char* slash = strrchr(rule->pattern, '\\');
    if (slash) {
        const size_t dirLength = (size_t)(slash - rule->pattern) + 1;
        memcpy(rule->sourceDir, rule->pattern, dirLength);
        rule->sourceDir[dirLength] = 0;
        rule->namePattern = rule->pattern + dirLength;
    }
    // A destination of "\" alone would be the root of whatever drive is current, and a
    // pattern without a directory would list the current directory: neither is meant.
    if (IsBare(rule->destination)) return RULE_NO_DESTINATION;
    if (!slash) return RULE_NO_SOURCE_DIR;
    // Moving a file onto itself would remove it first.
    if (Spool_SamePath(rule->sourceDir, rule->destination)) return RULE_SOURCE_IS_DESTINATION;
    return RULE_OK;
}

const char* SpoolRule_Reason(SpoolRuleResult result)
{
    switch (result) {
    case RULE_NO_DESTINATION: return "no destination";
    case RULE_NO_SOURCE_DIR: return "no source directory";
    case RULE_TOO_LONG: return "a path is too long";
    case RULE_SOURCE_IS_DESTINATION: return "the destination is the source directory";
    default: return "";
    }
}

void SpoolRule_Report(const char* job, int number, SpoolRuleResult result)
{
    if (result == RULE_OK || result == RULE_NO_COMMA) return;
    char key[24];
    snprintf(key, sizeof(key), "%.6s %d", job, number);
    SPOOL_REPORTS& r = g_spoolReports;
    for (int i = 0; i < r.count; ++i)
        if (strcmp(r.reported[i], key) == 0) return;
    if (r.count < (int)(sizeof(r.reported) / sizeof(r.reported[0])))
        STR_ncpy(r.reported[r.count++], key, (int)sizeof(r.reported[0]) - 1);
    char text[160];
    snprintf(text, sizeof(text), "[%s] rule %d skipped: %s", job, number,
             SpoolRule_Reason(result));
    EventLog(EVENT_CUSTOR, text, false, 0);
}

void SpoolRule_ResetReports()
{
    g_spoolReports.count = 0;
    Spool_ForgetLineReports();
}

bool Spool_IsOwnFile(const char* name)
{
    const size_t length = strlen(name);
    return length >= 3 && strcmp(name + length - 3, "$$$") == 0;
}

bool Spool_NameMatches(const char* name, const char* namePattern)
{
    if (STR_WildcardMatch(name, namePattern)) return true;
    const size_t length = strlen(namePattern);
    if (length < 2 || strcmp(namePattern + length - 2, ".*") != 0 || strchr(name, '.'))
        return false;
    char shorter[SPOOL_PATH_SIZE];
    STR_ncpy(shorter, namePattern, (int)(length - 2 < SPOOL_PATH_SIZE - 1 ? length - 2
                                                                         : SPOOL_PATH_SIZE - 1));
    return STR_WildcardMatch(name, shorter) != 0;
}

bool Spool_SamePath(const char* a, const char* b)
{
    char fullA[SPOOL_PATH_SIZE * 2], fullB[SPOOL_PATH_SIZE * 2];
    const DWORD lengthA = GetFullPathNameA(a, sizeof(fullA), fullA, nullptr);
    const DWORD lengthB = GetFullPathNameA(b, sizeof(fullB), fullB, nullptr);
    if (lengthA == 0 || lengthA >= sizeof(fullA) || lengthB == 0 || lengthB >= sizeof(fullB))
        return STR_cmp(a, b) == 0;
    return STR_cmp(fullA, fullB) == 0;
}

bool Spool_Join(char* out, const char* directory, const char* name, const char* suffix)
{
    const int written = snprintf(out, SPOOL_PATH_SIZE, "%s%s%s", directory, name, suffix);
    return written > 0 && written < SPOOL_PATH_SIZE;
}

bool Spool_ForEachSource(const SPOOL_RULE& rule, SPOOL_SOURCE_FOUND found, void* context)
{
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(rule.pattern, &entry);
    if (listing == INVALID_HANDLE_VALUE) return true;
    bool completed = true;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (Spool_IsOwnFile(entry.cFileName)) continue;
        if (!found(entry.cFileName, entry.nFileSizeLow, context)) {
            completed = false;
            break;
        }
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
    return completed;
}

void Spool_ForEachHandOver(const SPOOL_RULE& rule, const char* suffix, SPOOL_HANDOVER_FOUND found,
                           void* context)
{
    char pattern[SPOOL_PATH_SIZE];
    if (!Spool_Join(pattern, rule.sourceDir, "*", suffix)) return;
    WIN32_FIND_DATAA entry;
    HANDLE listing = FindFirstFileA(pattern, &entry);
    if (listing == INVALID_HANDLE_VALUE) return;
    const size_t suffixLength = strlen(suffix);
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        // The listing also matches short names: only "<name><suffix>" itself counts.
        const size_t length = strlen(entry.cFileName);
        if (length <= suffixLength || strcmp(entry.cFileName + length - suffixLength, suffix) != 0)
            continue;
        char name[SPOOL_PATH_SIZE];
        STR_ncpy(name, entry.cFileName, (int)(length - suffixLength));
        if (STR_str(name, "$$$") || !Spool_NameMatches(name, rule.namePattern)) continue;
        found(name, entry.nFileSizeLow, context);
    } while (FindNextFileA(listing, &entry));
    FindClose(listing);
}
