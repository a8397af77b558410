#include "partner/partner_duties.h"

// These duties have their places in the tick; the clock watch, the RRDtool feed, the
// auto-reboot, and the self-update come later. Until then they do nothing.
void Rrd_Feed() {}
void ClockWatch_Check() {}
void AutoReboot_Check(int32_t) {}
int32_t SelfUpdate_PendingTotal() { return 0; }
void SelfUpdate_Check() {}
