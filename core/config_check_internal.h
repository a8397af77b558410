#pragma once
// What the two halves of the configuration check share: the file scan (line numbers, lines the
// profile reader ignores) in config_check.cpp and the checks of sections, keys and values in
// config_check_keys.cpp.
#include "core/config_check.h"
#include "core/service_table.h"

enum { FINDING_WARNING = 1, FINDING_ERROR = 2 };
enum { CHECK_NAME_SIZE = 100, CHECK_VALUE_SIZE = 2048 };

// First appearance of a key in the file, as the scan found it.
struct CHECK_KEY_LINE {
    char section[CHECK_NAME_SIZE];
    char key[CHECK_NAME_SIZE];
    int line;
};

struct CHECKER {
    CONFIG_CHECK* out;
    bool lookAtFiles;          // the files and folders the configuration names are looked at
    CHECK_KEY_LINE* keyLines;  // may be null: findings then carry no line number
    int keyLineCount;
    int keyLineCapacity;
    int shown;                 // findings passed on to the report
    int notShown;              // findings counted beyond the report's limit
    // Partner names of [Common] Ping, as the program keeps them.
    char partners[PING_LIST_SIZE][PING_NAME_SIZE];
    int partnerCount;
};

// One finding: "line N: error: [section] key: reason". key null: about the whole section;
// line 0: the line is looked up from section and key.
void Check_Report(CHECKER& c, int severity, int line, const char* section, const char* key,
                  const char* format, ...);
// Line of the first appearance of the key in the section; 0 when unknown.
int Check_LineOf(const CHECKER& c, const char* section, const char* key);

// Reads a value the way the program does (profile functions on the configuration file), with a
// buffer large enough to see whether the program's own buffer cuts it.
void Check_ReadValue(const char* section, const char* key, char* buffer, int size);

// Sections, keys and values of the file, through the profile functions.
void Check_Sections(CHECKER& c);
