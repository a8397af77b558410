#pragma once
// Duties of the partner and signalling subsystem that the supervision tick calls.
#include <windows.h>
#include <stdint.h>

void Rrd_Feed();                               // every tick; at most one update per 300 s
void ClockWatch_Check();                       // every tick
void AutoReboot_Check(int32_t busyChannels);   // once per second
void Partner_Tick();                           // once per second: heartbeat out, datagrams in
// The program's own mailslot "Custor", opened by the main window; invalid until then.
extern HANDLE g_ownSlot;
void Partner_SendStatus(const char* text);     // status report to the partner machines
int32_t SelfUpdate_PendingTotal();             // not 0 while an update waits in SWUPDATE
void SelfUpdate_Check();                       // every slow block

// Uptime wrap-around count of the tick counter, kept in the registry across restarts.
extern int32_t g_uptimeWrapArounds;
// Loads the count; resets it to 0 when the machine started less than ten minutes ago.
void Uptime_LoadWrapArounds();
