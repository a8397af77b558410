#pragma once
// The serial line to an external alarm device: while all is in order the line carries a
// continuous stream of "U"; silence makes the device sound.

// Opens the port named by "WatchCom" in the section of the configuration file with the
// alarm line settings; false when it cannot be opened (no keep-alive for the run).
bool AlarmPort_Open(const char* section);
// Writes the keep-alive (once per second while no unconfirmed alarm is due). True when
// nothing needed writing, the write was issued or is pending, or an error repeats the
// previous one; false on a new error.
bool AlarmPort_KeepAlive();
// Closes the port (end of the program).
void AlarmPort_Close();
