#include "housekeeping/jobs.h"

// The file jobs have their places in the slow block; the FileSync engine, the move and
// append jobs and the log rotation come later. Until then no run is ever pending and the
// jobs find nothing to do.
void FileRename_Run() {}
void LogMove_Run() {}
void LogMove_Invalidate() {}
bool FileMove_Run() { return false; }
void FileAppend_Run() {}
