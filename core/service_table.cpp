#include "core/service_table.h"
#include <string.h>

const char kStatSlotLetters[STAT_SLOT_COUNT + 1] = "ABSDEFGHIJKLMNOPQRTU";

SERVICE_TABLE g_titleTable;
SERVICE_TABLE g_messageTable;
STAT_SLOT g_statSlots[STAT_SLOT_COUNT];
PING_LIST g_pingList;

int StatSlot_OfLetter(char letter)
{
    if (letter == 0) return -1;
    const char* hit = strchr(kStatSlotLetters, letter);
    return hit ? (int)(hit - kStatSlotLetters) : -1;
}

void StatSlots_Clear() { memset(g_statSlots, 0, sizeof(g_statSlots)); }

void ServiceTables_Reset()
{
    memset(&g_titleTable, 0, sizeof(g_titleTable));
    memset(&g_messageTable, 0, sizeof(g_messageTable));
    memset(&g_pingList, 0, sizeof(g_pingList));
    StatSlots_Clear();
}
