#pragma once
// "Custor.exe /check [file]": the configuration check from the command line. It reports to
// the standard output when that is redirected, else to the console the program was started
// from, and ends with exit status 0 (clean), 1 (warnings) or 2 (errors).

// True when the command line (without the program name) asks for the check.
bool CheckCommand_Requested(const char* arguments);
// Runs the check on the given file or, without one, on the file the program would read.
// Starts nothing, writes no log and takes no lock. Returns the exit status.
int CheckCommand_Run(const char* programPath, const char* arguments);
