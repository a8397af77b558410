#pragma once
// Alarm jobs: a voice call or SMS handed to the sibling servers when a person must come.

// Starts the alarm job for the given text (a partner's name, or "Alarm" for a program that
// had to be killed ten times in a row), as [Start] "Alarm" of GATEWAY.INI in the program's
// directory says: "C,<number>" a voice call, "S,<number>" an SMS. Returns 0 when no job goes
// out (no usable value, the voice-call server missing where the registry says, the call-job
// file not writable); 1 when a call job was written; for an SMS the result of WinExec for the
// sender (above 31 when it started; the line is written whenever its file could be opened).
int AlarmJob_Start(const char* text);
