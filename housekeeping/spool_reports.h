#pragma once
// What keeps a spool or log job from collecting a file, told to the operator once per reading
// of the configuration: a job that stops collecting a name in silence loses nobody's data at
// once, but nobody learns about it either.
#include "housekeeping/spool_rules.h"

// Writes "[<job>] <text>" with the event code, unless the same line was written since the
// configuration was last read.
void Spool_ReportOnce(const char* job, int eventCode, const char* text);
// The source's name holds "$$$": its hand-over could never be told from the jobs' own files,
// so it is not collected. Reports that and returns true.
bool Spool_RefuseOwnLookingName(const char* job, int eventCode, const char* source);
// The collecting file cannot be opened (another program keeps it open for writing).
void Spool_ReportHeldDestination(const char* job, int eventCode, const char* destination,
                                 const char* source);
// A hand-over whose record names the collecting file `noted`: true when some rule of the job
// (section, with or without archives) collects this source directory's name into it; else
// reports the hand-over as one that no rule can finish.
bool Spool_HandOverHasRule(const char* job, int eventCode, bool withArchive,
                           const char* sourceDir, const char* name, const char* handOver,
                           const char* noted);
// The configuration was read again: every line may be written once more.
void Spool_ForgetLineReports();
