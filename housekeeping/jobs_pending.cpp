#include "housekeeping/jobs.h"

// The file jobs have their places in the slow block; the FileSync engine, the move and
// append jobs and the log rotation come later. Until then no run is ever pending and the
// jobs find nothing to do.
bool FileSync_IsRequested() { return false; }
bool FileSync_Request(int) { return false; }
bool FileSync_IsConfigured() { return false; }
void FileSync_ResetTimes(int32_t) {}
void FileSync_Schedule(int, int) {}
