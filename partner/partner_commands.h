#pragma once
// The operator's machine-wide commands from the toolbar and the tray menu, carried out by the
// partner subsystem, and the partner responding check that the file jobs ask.
#include <windows.h>

void Partner_ActivateAll();           // CM_ACTIVATE_ALL
void Partner_DeactivateAll();         // CM_DEACTIVATE_ALL
void Partner_TransferBackup();        // CM_TRANSFER_BACKUP: checks, then a manual FileSync request
void Partner_StopAllAndEnd();         // CM_STOP_ALL: asks the operator, stops all, then ends
void Partner_KillVorbin(int partner); // CM_KILL_PARTNER + partner, partner 0..9

// True when name is empty, or names a partner heard less than 25 s ago.
bool Partner_IsResponding(const char* name);

// The transfer's checks and request; automatic requests (the FileSync schedule) show no
// dialog. Returns whether a request was handed to the FileSync worker.
bool Partner_RequestTransfer(bool automatic);

// Friendly stop of every title entry and of every message entry except the telephony
// servers ("Vorbin <Host>" in the name), each logged as an end.
void Partner_StopAllServices();
