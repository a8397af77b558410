#pragma once
// The supervision passes run by the tick: by window title and by message once per second,
// the status probes of message-supervised programs every tick, and the problem state.
#include <windows.h>

void TitlePass();
void MessagePass();
void ProbeMessageServices();
void UpdateProblemState();

// A status report (MSG_SERVICE_STATUS) from a cooperating program's window; reports from
// windows that are not in the message table are ignored. Returns 0.
LRESULT OnStatusReport(HWND window, LPARAM statusWord);
