#include "partner/partner_commands.h"

// The partner commands come with the partner machines; until then they do nothing.
void Partner_ActivateAll() {}
void Partner_DeactivateAll() {}
void Partner_TransferBackup() {}
void Partner_StopAllAndEnd() {}
void Partner_KillVorbin(int) {}
bool Partner_IsResponding(const char* name) { return !name || !name[0]; }
