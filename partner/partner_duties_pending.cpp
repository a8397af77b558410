#include "partner/partner_duties.h"

// The partner status report comes with the partner machines; until then it does nothing.
void Partner_SendStatus(const char*) {}
