// The configuration check's frame: the report with its line numbers, the scan of the file for
// lines the profile reader drops, and the quiet check after every reading of the running
// program.
#include "core/config_check_internal.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/str.h"
#include "housekeeping/file_basics.h"
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

bool g_configCheckAtReading = false;

// A report stops listing findings after this many (it still counts them): a binary file must
// not flood the console.
static const int kMaxShown = 200;
// The line scan looks at this much of the file; the profile functions read all of it.
static const long kScanLimit = 4 * 1024 * 1024;
// Keys remembered with their line numbers.
static const int kKeyLineCapacity = 4000;
enum { MAX_SECTIONS_SEEN = 200 };

static void Emit(CHECKER& c, const char* text)
{
    if (c.out->line) c.out->line(c.out->context, text);
}

void Check_Report(CHECKER& c, int severity, int line, const char* section, const char* key,
                  const char* format, ...)
{
    if (severity == FINDING_ERROR)
        ++c.out->errors;
    else
        ++c.out->warnings;
    if (c.shown >= kMaxShown) {
        ++c.notShown;
        return;
    }
    ++c.shown;
    char reason[600];
    va_list args;
    va_start(args, format);
    vsnprintf(reason, sizeof(reason), format, args);
    va_end(args);
    if (line == 0 && section) line = Check_LineOf(c, section, key);

    char text[900];
    int n = 0;
    if (line > 0) n = snprintf(text, sizeof(text), "line %d: ", line);
    n += snprintf(text + n, sizeof(text) - (size_t)n, "%s: ",
                  severity == FINDING_ERROR ? "error" : "warning");
    if (section && key)
        snprintf(text + n, sizeof(text) - (size_t)n, "[%s] %s: %s", section, key, reason);
    else if (section)
        snprintf(text + n, sizeof(text) - (size_t)n, "[%s]: %s", section, reason);
    else
        snprintf(text + n, sizeof(text) - (size_t)n, "%s", reason);
    Emit(c, text);
}

int Check_LineOf(const CHECKER& c, const char* section, const char* key)
{
    // The scan keeps names cut to its buffer: look them up cut the same way.
    char sectionKept[CHECK_NAME_SIZE], keyKept[CHECK_NAME_SIZE];
    STR_ncpy(sectionKept, section, CHECK_NAME_SIZE - 1);
    STR_ncpy(keyKept, key ? key : "", CHECK_NAME_SIZE - 1);
    for (int i = 0; i < c.keyLineCount; ++i) {
        const CHECK_KEY_LINE& k = c.keyLines[i];
        if (lstrcmpiA(k.section, sectionKept) != 0) continue;
        if (key ? lstrcmpiA(k.key, keyKept) == 0 : k.key[0] == 0) return k.line;
    }
    return 0;
}

void Check_ReadValue(const char* section, const char* key, char* buffer, int size)
{
    GetPrivateProfileStringA(section, key, "", buffer, (DWORD)size, g_paths.configFile);
}

int ConfigCheck_EditDistance(const char* a, const char* b)
{
    char x[CHECK_NAME_SIZE], y[CHECK_NAME_SIZE];
    STR_ncpy(x, a ? a : "", CHECK_NAME_SIZE - 1);
    STR_ncpy(y, b ? b : "", CHECK_NAME_SIZE - 1);
    CharUpperA(x);
    CharUpperA(y);
    const int n = (int)strlen(x), m = (int)strlen(y);
    int row[CHECK_NAME_SIZE + 1];
    for (int j = 0; j <= m; ++j) row[j] = j;
    for (int i = 1; i <= n; ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= m; ++j) {
            const int above = row[j];
            const int substitute = diagonal + (x[i - 1] == y[j - 1] ? 0 : 1);
            int best = above + 1 < row[j - 1] + 1 ? above + 1 : row[j - 1] + 1;
            if (substitute < best) best = substitute;
            row[j] = best;
            diagonal = above;
        }
    }
    return row[m];
}

const char* ConfigCheck_NearestName(const char* name, const char* const* candidates, int count)
{
    // A slip of the keyboard: one mistake in short names, up to three in long ones.
    const int length = (int)strlen(name ? name : "");
    int limit = 1 + length / 5;
    if (limit > 3) limit = 3;
    const char* nearest = nullptr;
    int best = limit + 1;
    for (int i = 0; i < count; ++i) {
        const int d = ConfigCheck_EditDistance(name, candidates[i]);
        if (d < best) {
            best = d;
            nearest = candidates[i];
        }
    }
    return nearest;
}

// Whitespace as the profile reader trims it around names and values.
static bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

static void Trim(char* text)
{
    char* start = text;
    while (IsBlank(*start)) ++start;
    size_t n = strlen(start);
    while (n > 0 && IsBlank(start[n - 1])) --n;
    memmove(text, start, n);
    text[n] = 0;
}

static void RememberKey(CHECKER& c, const char* section, const char* key, int line)
{
    if (!c.keyLines || c.keyLineCount >= c.keyLineCapacity) return;
    CHECK_KEY_LINE& k = c.keyLines[c.keyLineCount++];
    STR_ncpy(k.section, section, CHECK_NAME_SIZE - 1);
    STR_ncpy(k.key, key, CHECK_NAME_SIZE - 1);
    k.line = line;
}

struct SCAN_STATE {
    char section[CHECK_NAME_SIZE];
    bool inSection;
    char seen[MAX_SECTIONS_SEEN][CHECK_NAME_SIZE];
    int seenLine[MAX_SECTIONS_SEEN];
    int seenCount;
    bool sectionIsRepeat;
};

static void ScanSectionLine(CHECKER& c, SCAN_STATE& s, char* text, int line)
{
    char* close = strchr(text, ']');
    if (!close)
        Check_Report(c, FINDING_WARNING, line, nullptr, nullptr,
                     "the section name \"%s\" has no closing \"]\"", text);
    else
        *close = 0;
    char name[CHECK_NAME_SIZE];
    STR_ncpy(name, text + 1, CHECK_NAME_SIZE - 1);
    Trim(name);
    STR_ncpy(s.section, name, CHECK_NAME_SIZE - 1);
    s.inSection = true;
    s.sectionIsRepeat = false;
    for (int i = 0; i < s.seenCount; ++i) {
        if (lstrcmpiA(s.seen[i], name) != 0) continue;
        s.sectionIsRepeat = true;
        Check_Report(c, FINDING_WARNING, line, name, nullptr,
                     "appears again (first at line %d); only the keys of its first appearance "
                     "are read",
                     s.seenLine[i]);
        return;
    }
    if (s.seenCount < MAX_SECTIONS_SEEN) {
        STR_ncpy(s.seen[s.seenCount], name, CHECK_NAME_SIZE - 1);
        s.seenLine[s.seenCount++] = line;
    }
    RememberKey(c, name, "", line);
}

static void ScanKeyLine(CHECKER& c, SCAN_STATE& s, char* text, int line)
{
    char* equals = strchr(text, '=');
    if (equals) *equals = 0;
    char key[CHECK_NAME_SIZE];
    STR_ncpy(key, text, CHECK_NAME_SIZE - 1);
    Trim(key);
    if (!s.inSection) {
        Check_Report(c, FINDING_WARNING, line, nullptr, nullptr,
                     "\"%s\" stands before the first section and is never read", key);
        return;
    }
    if (!equals)
        Check_Report(c, FINDING_WARNING, line, s.section, key,
                     "the line has no \"=\", so the key has no value");
    if (s.sectionIsRepeat) return;
    const int first = Check_LineOf(c, s.section, key);
    if (first > 0) {
        Check_Report(c, FINDING_WARNING, line, s.section, key,
                     "appears again (first at line %d); only the first value is read", first);
        return;
    }
    RememberKey(c, s.section, key, line);
}

// Goes through the file line by line as the profile reader does: "[section]", "key=value",
// ";" comments and blank lines. Reports what that reader drops or misreads and remembers where
// every key stands.
static void ScanFile(CHECKER& c, FILE* f)
{
    SCAN_STATE* s = (SCAN_STATE*)calloc(1, sizeof(SCAN_STATE));
    if (!s) return;
    char text[CHECK_VALUE_SIZE];
    int line = 0;
    long total = 0;
    bool more = true;
    while (more) {
        // One line, however long: the part beyond the buffer is read and dropped.
        size_t n = 0;
        bool control = false;
        int ch;
        while ((ch = fgetc(f)) != EOF && ch != '\n') {
            ++total;
            if ((ch < 0x20 && ch != '\t' && ch != '\r') || ch == 0x7F) control = true;
            if (n < sizeof(text) - 1) text[n++] = (char)ch;
        }
        more = ch != EOF && total < kScanLimit;
        ++total;
        if (ch == EOF && n == 0) break;
        text[n] = 0;
        ++line;
        if (n > 0 && text[n - 1] == '\r') text[n - 1] = 0;
        if (control) {
            Check_Report(c, FINDING_ERROR, line, nullptr, nullptr,
                         "the line holds control characters or zero bytes: this is not a text "
                         "configuration");
            continue;
        }
        Trim(text);
        if (text[0] == 0 || text[0] == ';') continue;
        if (text[0] == '[')
            ScanSectionLine(c, *s, text, line);
        else
            ScanKeyLine(c, *s, text, line);
    }
    if (total >= kScanLimit)
        Check_Report(c, FINDING_WARNING, 0, nullptr, nullptr,
                     "the file is larger than %ld bytes; only its beginning was checked line by "
                     "line",
                     kScanLimit);
    free(s);
}

int ConfigCheck_Run(CONFIG_CHECK& check, bool fileRequired)
{
    check.errors = 0;
    check.warnings = 0;
    check.fileLooks = 0;
    CHECKER c;
    memset(&c, 0, sizeof(c));
    c.out = &check;
    c.lookAtFiles = !check.skipFileLooks;
    c.keyLineCapacity = kKeyLineCapacity;
    c.keyLines = (CHECK_KEY_LINE*)calloc((size_t)kKeyLineCapacity, sizeof(CHECK_KEY_LINE));

    char text[CONFIG_PATH_SIZE + 40];
    snprintf(text, sizeof(text), "Checking %s", g_paths.configFile);
    Emit(c, text);
    FILE* f = fopen(g_paths.configFile, "rb");
    if (!f) {
        Check_Report(c, fileRequired ? FINDING_ERROR : FINDING_WARNING, 0, nullptr, nullptr,
                     fileRequired ? "the file cannot be read"
                                  : "there is no configuration file: every value is its default "
                                    "and no program is supervised");
    } else {
        ScanFile(c, f);
        fclose(f);
        Check_Sections(c);
    }
    if (c.notShown > 0) {
        snprintf(text, sizeof(text), "%d more findings not shown", c.notShown);
        Emit(c, text);
    }
    snprintf(text, sizeof(text), "%d error%s, %d warning%s", check.errors,
             check.errors == 1 ? "" : "s", check.warnings, check.warnings == 1 ? "" : "s");
    Emit(c, text);
    free(c.keyLines);
    if (check.errors > 0) return CHECK_ERRORS;
    return check.warnings > 0 ? CHECK_WARNINGS : CHECK_CLEAN;
}

static CONFIG_CHECK g_lastAtReading;

const CONFIG_CHECK& ConfigCheck_LastAtReading() { return g_lastAtReading; }

void ConfigCheck_AfterReading()
{
    if (!g_configCheckAtReading) return;
    CONFIG_CHECK check = {};
    check.skipFileLooks = true;
    ConfigCheck_Run(check, false);
    g_lastAtReading = check;
    if (check.errors == 0) return;
    char text[120];
    // One fixed wording, so that a log watcher can look for it.
    snprintf(text, sizeof(text), "configuration has %d errors, run Custor.exe /check",
             check.errors);
    EventLog(EVENT_CUSTOR, text, false, 0);
}
