#pragma once
// File housekeeping duties of the supervision tick's slow block.
#include <stdint.h>

bool FileSync_IsRequested();             // a FileSync run is requested or running
// Hands a transfer request to the FileSync worker: 1 automatic, 2 manual. False when a request
// is already pending (it is then left as it is).
bool FileSync_Request(int kind);
bool FileSync_IsConfigured();            // rule "1" or "1_Source" is set
void FileSync_ResetTimes(int32_t time);  // last sync run and last run of either kind
void FileSync_Schedule(int hour, int minute);
// Window thread, every tick: shows the "FileSync" line's newest text if the worker changed it.
void FileSync_ShowLine();
void FileRename_Run();
void LogMove_Run();
void LogMove_Invalidate();               // the configuration was read again
void FileSync_ConfigurationRead();       // refused rules are reported again
bool FileMove_Run();                     // true: the append jobs may run
void FileAppend_Run();
