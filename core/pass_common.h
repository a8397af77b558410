#pragma once
// What the title pass and the message pass do alike to an entry and its row of the service
// list: colours, state texts, the episode clock, raising the application problem, the "no
// response" notice and starting the program.
#include "core/service_table.h"
#include <stdint.h>

// Row colours of the service list.
enum {
    ROW_INIT = 0,
    ROW_NOT_RUNNING = 1,
    ROW_NO_RESPONSE = 2,
    ROW_OK = 8,
    ROW_ATTENTION = 11,  // disabled, "time?", reported problems
};

void Row_SetText(int row, int column, const char* text);
// Sets the entry's colour and the row's colour.
void Row_SetColour(SERVICE_ENTRY& entry, int row, int colour);

// Disabled entries: 1 (just disabled by the operator) shows "disabled" and becomes 2.
// Returns true when the entry is disabled and the pass must leave it alone.
bool Pass_HandleDisabled(SERVICE_ENTRY& entry, int row);
// The program proved alive less than NoResponseWarning seconds ago.
bool Pass_IsHealthy(const SERVICE_ENTRY& entry, int32_t now);
// The wall clock moved since the last probe; shows "time?" and returns true.
bool Pass_HandleClockDoubt(SERVICE_ENTRY& entry, int row, int32_t now);
// First pass without an answer: "no response", and the notice to the message clients unless
// the program was started in the last 10 seconds.
void Pass_EnterNoResponse(SERVICE_ENTRY& entry, int row, int32_t now);
// One more second in the episode: the "mm:ss" clock in column 2 and notOk.
void Pass_CountEpisode(SERVICE_ENTRY& entry, int row);
// One more second without an answer: "no response" (with its notice on the first second),
// the episode clock, and the application problem once the count passed NoResponseError while
// the program is still being probed.
void Pass_CountNoResponse(SERVICE_ENTRY& entry, int row, int32_t now);
// The program failed beyond its limit: appProblem for this pass.
void Pass_RaiseAppProblem(const SERVICE_ENTRY& entry, int32_t now);
// Status line with the supervision hold of 10 ticks, the beep, and the row scrolled to.
void Pass_Announce(int row, const char* statusText, const char* stateText);
// The same without the beep (the start of a program supervised by message).
void Pass_ShowAction(int row, const char* statusText, const char* stateText);
// Starts the program minimised and writes the event line with the code. A start that fails
// shows the system's reason in the status line, and in the event log once per episode.
bool Pass_StartProgram(SERVICE_ENTRY& entry, int eventCode, int32_t now);
