#pragma once
// The configuration check: reads the configuration file with the program's own reader and
// reports, one line each, what the program would silently ignore, cut, clamp or fail on.
// Nothing is started, written or locked; the program's tables and values stay as they are.
#include <stdint.h>

enum { CHECK_CLEAN = 0, CHECK_WARNINGS = 1, CHECK_ERRORS = 2 };

struct CONFIG_CHECK {
    int errors;
    int warnings;
    // Receives every line of the report (without line end); null: findings are only counted.
    void (*line)(void* context, const char* text);
    void* context;
    // Set: no file or folder the configuration names is looked at (programs, sources, the
    // metrics folder), as at a running program's re-read; /check looks at all of them.
    bool skipFileLooks;
    int fileLooks;  // looks at such files and folders the check made
};

// Checks the file in g_paths.configFile. fileRequired: a missing file is an error (the
// administrator named it) instead of a warning (the program then runs on defaults).
// Returns CHECK_CLEAN, CHECK_WARNINGS or CHECK_ERRORS.
int ConfigCheck_Run(CONFIG_CHECK& check, bool fileRequired);

// Case-insensitive edit distance of two names (each looked at up to 99 characters).
int ConfigCheck_EditDistance(const char* a, const char* b);
// The candidate nearest to name when it is near enough to be a slip of the keyboard; null
// when none is.
const char* ConfigCheck_NearestName(const char* name, const char* const* candidates, int count);

// The running program: when set, every reading of the configuration runs the check quietly
// and writes one event-log line when it finds errors. Off in tests that do not ask for it.
extern bool g_configCheckAtReading;
void ConfigCheck_AfterReading();
// The result of the check at the last reading.
const CONFIG_CHECK& ConfigCheck_LastAtReading();
