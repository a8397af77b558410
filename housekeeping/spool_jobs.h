#pragma once
// What the spool and log jobs share: reading their numbered rule keys.

// A rule value of FileMove and FileAppend holds at most 519 characters, of LogMove and
// FileRename 999.
enum { SPOOL_RULE_VALUE_SIZE = 520, LOG_RULE_VALUE_SIZE = 1000 };

// Reads key n of the section; false when it is empty or missing (the list ends there).
bool SpoolJobs_ReadRule(const char* section, int n, char* value, int size);
