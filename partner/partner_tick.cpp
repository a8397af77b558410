// The partner machines' heartbeat is read from the program's own mailslot "Custor" once per
// second, and only when partners are configured.
#include "core/service_table.h"
#include "partner/mailslot.h"
#include "partner/partner_duties.h"

HANDLE g_ownSlot = INVALID_HANDLE_VALUE;

// Sizes of the receiver's fields: the sender and recipient are computer names, the text a
// status line.
enum { RECEIVED_NAME_SIZE = 51, RECEIVED_TEXT_SIZE = 499 };
// A slot flooded by a misbehaving sender must not hold the window thread for long.
static const int kMostDatagramsPerTick = 100;

// What a partner's datagram means is decided by the partner monitoring, which is not built
// yet; until then each datagram is taken out of the slot and dropped.
static void Partner_OnDatagram(const char* sender, const char* recipient, const char* text)
{
    (void)sender;
    (void)recipient;
    (void)text;
}

static void Partner_Receive()
{
    char sender[RECEIVED_NAME_SIZE];
    char recipient[RECEIVED_NAME_SIZE];
    char text[RECEIVED_TEXT_SIZE];
    for (int i = 0; i < kMostDatagramsPerTick; ++i) {
        const int more = MAILSLOT_ReadEx(g_ownSlot, sender, sizeof(sender), recipient,
                                         sizeof(recipient), text, sizeof(text));
        if (text[0]) Partner_OnDatagram(sender, recipient, text);
        if (!more) break;
    }
}

void Partner_Tick()
{
    if (g_pingList.count == 0) return;
    Partner_Receive();
}
