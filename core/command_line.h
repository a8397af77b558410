#pragma once
// The program part of a service's command line: what Windows runs, without its arguments.

// Copies the program part of command into program (size bytes, cut to fit): a leading double
// quote is dropped and the part ends at the next double quote (or at the end when none
// follows); an unquoted part ends at the first blank. The command is read up to its first 259
// characters, like every command line the watchdog keeps.
void CommandLine_ProgramPart(const char* command, char* program, int size);
