#include "partner/alarm_port.h"

// The alarm line is built next; until then no port is ever opened.
bool AlarmPort_Open(const char*) { return false; }
bool AlarmPort_KeepAlive() { return true; }
void AlarmPort_Close() {}
