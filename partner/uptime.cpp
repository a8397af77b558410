#include "core/host.h"
#include "core/lib.h"
#include "core/config.h"
#include "partner/partner_duties.h"

int32_t g_uptimeWrapArounds = 0;

// Ten minutes after boot the tick counter cannot have wrapped yet.
static const DWORD kFreshBootMs = 600000;

void Uptime_LoadWrapArounds()
{
    char text[CONFIG_VALUE_SIZE];
    LIB_GetRegistryString("Tarnwell", "Uptime_WrapArounds", "0", text, sizeof(text), FALSE);
    g_uptimeWrapArounds = Config_ParseInt(text);
    if (Host_Ticks() < kFreshBootMs) {
        g_uptimeWrapArounds = 0;
        LIB_WriteRegistryString("Tarnwell", "Uptime_WrapArounds", "0", FALSE, FALSE, FALSE);
    }
}
