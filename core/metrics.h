#pragma once
// The metrics file for the site's monitoring system: with [Common] "MetricsFile" set, every
// 10 s the watchdog's state in the Prometheus text format, written to a temporary file and
// renamed into place so that a reader never sees half of it. Off while the key is empty.
#include "core/service_table.h"
#include <stdint.h>

enum SERVICE_EVENT { SERVICE_EVENT_START, SERVICE_EVENT_KILL, SERVICE_EVENT_CRASH };

// Counts a start attempt, kill or crash of a service since the program started. Counted by
// name, so a re-read of the configuration that moves lines keeps each count with its program.
void Metrics_CountEvent(const SERVICE_ENTRY& entry, SERVICE_EVENT event);
// The count for a table's entry name (message table or title table).
uint32_t Metrics_EventCount(bool messageTable, const char* name, SERVICE_EVENT event);

// The end of a FileSync run: its end (seconds clock), whether it succeeded and how many files
// it copied. Safe to call from the FileSync worker thread.
void Metrics_FileSyncRun(int32_t endTime, bool ok, int32_t filesCopied);

// The slow block of the tick: writes the file when 10 s have passed since the last write.
void Metrics_Tick();
// Every tick: writes again a file whose rename a reader held up at the last write.
void Metrics_RetryHeldWrite();
// Writes the file now; false when the key is empty or the file could not be put in place.
bool Metrics_Write();
// Formats the metrics into buffer (cut to size, always terminated); returns the length that
// the whole text needs.
int Metrics_Format(char* buffer, int size);

// A configured path as the program uses it: relative paths lie in the program directory.
void Metrics_ResolvePath(const char* value, char* path, int size);

// Back to the state of program start: no counts, no FileSync run, nothing written yet.
void Metrics_Reset();
