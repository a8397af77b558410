#pragma once
// Appending a hand-over file to a collecting file so that no byte is lost and none is
// appended twice, whenever the program is ended.
//
// A job renames its source S to a hand-over file T (the producer then starts a fresh S) and
// appends T to the destination D, which it holds open denying other writers. Before the first
// byte goes to D, a record beside T notes D's length and path ("<T>.rec$$$"). Once T is in D
// completely, T is removed and then the record. Found again on a later run:
//   - T without a record: nothing of T reached D; T is appended as a whole;
//   - T with a record for D: D holds, from the noted length on, a part of T's beginning (or
//     all of it); only the rest is appended;
//   - a record without T: the hand-over was finished; the record is left-over and removed.
// A failed append (disk full, a share gone) cuts D back to where this append began.
#include <windows.h>

enum HandOverResult {
    HANDOVER_DONE,     // T is completely in D (its times noted in times)
    HANDOVER_NOT_NOW,  // T or D cannot be opened now (a writer still holds T): nothing changed
    HANDOVER_FAILED,   // writing failed; D is as before, except a part of T noted in the record
};

struct HANDOVER_TIMES {
    FILETIME creation, lastAccess, lastWrite;
};

// The record's path for a hand-over file; false when it does not fit.
bool HandOver_RecordPath(char* out, const char* handOver);
// Stage and destination noted in the record; 0 when there is no usable record.
int HandOver_ReadRecord(const char* handOver, char* destination, int size);
// Removes T's record (a new hand-over of the same name begins, or T is finished).
void HandOver_ForgetRecord(const char* handOver);
// Opens a collecting file for appending, denying other writers; INVALID_HANDLE_VALUE if not.
HANDLE HandOver_OpenDestination(const char* path);
// Appends T to the open destination (path given for the record). stage tells consecutive
// destinations of one T apart (the collecting file 1, its archive 2): a record of an earlier
// stage means nothing went to this destination yet. times, when given, receives T's times.
HandOverResult HandOver_Append(HANDLE destination, const char* destinationPath,
                               const char* handOver, int stage, HANDOVER_TIMES* times);
// Removes T, then its record. False when T stays (it is then finished again next time).
bool HandOver_Finish(const char* handOver);
