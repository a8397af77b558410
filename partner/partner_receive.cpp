// The partner receiver: what a partner's datagram means, whichever transport brought it.
#include "core/config.h"
#include "core/display.h"
#include "core/host.h"
#include "core/process_control.h"
#include "core/service_table.h"
#include "core/str.h"
#include "partner/partner_duties.h"
#include "partner/partner_state.h"
#include "partner/udp_link.h"
#include <stdio.h>
#include <string.h>

// A datagram goes out on both transports, so the same one normally arrives twice: once by
// mailslot, once by UDP. The copy from the other transport within two seconds is dropped.
// Repeats on one transport are the mailslot filter's business (and UDP's sequence check).
static const int32_t kSameDatagramSeconds = 2;

static bool SameFields(const PARTNER_RECENT& r, const char* sender, const char* recipient,
                       const char* text)
{
    return strcmp(r.sender, sender) == 0 && strcmp(r.recipient, recipient) == 0 &&
           strcmp(r.text, text) == 0;
}

static bool SeenOnOtherTransport(const char* sender, const char* recipient, const char* text,
                                 int transport, int32_t now)
{
    for (int i = 0; i < PARTNER_RECENT_COUNT; ++i) {
        const PARTNER_RECENT& r = g_partner.recent[i];
        if (r.time == 0 || r.transport == transport) continue;
        if ((uint32_t)(now - r.time) >= (uint32_t)kSameDatagramSeconds) continue;
        if (SameFields(r, sender, recipient, text)) return true;
    }
    return false;
}

static void Remember(const char* sender, const char* recipient, const char* text, int transport,
                     int32_t now)
{
    PARTNER_RECENT& r = g_partner.recent[g_partner.nextRecent];
    g_partner.nextRecent = (g_partner.nextRecent + 1) % PARTNER_RECENT_COUNT;
    r.time = now ? now : 1;
    r.transport = transport;
    STR_ncpy(r.sender, sender, sizeof(r.sender) - 1);
    STR_ncpy(r.recipient, recipient, sizeof(r.recipient) - 1);
    STR_ncpy(r.text, text, sizeof(r.text) - 1);
}

bool Partner_IsVorbinEntry(int messageIndex)
{
    if (messageIndex < 0 || messageIndex >= g_messageTable.count) return false;
    return strstr(g_messageTable.entries[messageIndex].pattern, "VORBIN <HOST>") != nullptr;
}

static void KillVorbinServices()
{
    for (int i = 0; i < g_messageTable.count; ++i)
        if (Partner_IsVorbinEntry(i)) KillService(i, KILL_BY_NAME);
}

// With exactly two partners the line shows both last lines, five blanks apart.
static void ShowLine(int partner, const char* line)
{
    if (g_pingList.count == 2 && partner < 2) {
        STR_ncpy(g_partner.statusText[partner], line, PARTNER_LINE_SIZE - 1);
        char both[2 * PARTNER_LINE_SIZE + 8];
        snprintf(both, sizeof(both), "%s     %s", g_partner.statusText[0],
                 g_partner.statusText[1]);
        Display_SetMachineSyncLine(both);
    } else {
        Display_SetMachineSyncLine(line);
    }
}

void Partner_OnDatagram(const char* sender, const char* recipient, const char* text,
                        int transport)
{
    if (!sender || !recipient || !text || !text[0]) return;
    // With a secret only authenticated partners count: a mailslot datagram carries no code,
    // so anyone on the network could send it in a partner's name.
    if (transport == PARTNER_BY_MAILSLOT && g_udpLink.secret[0]) return;
    if (strcmp(recipient, "*") != 0 && STR_cmp(recipient, g_paths.computerName) != 0) return;
    bool fromPartner = false;
    for (int i = 0; i < g_pingList.count && !fromPartner; ++i)
        fromPartner = STR_cmp(g_pingList.entries[i].name, sender) == 0;
    if (!fromPartner) return;

    const int32_t now = Host_Now();
    if (SeenOnOtherTransport(sender, recipient, text, transport, now)) return;
    Remember(sender, recipient, text, transport, now);

    SYSTEMTIME t;
    g_host.getLocalTime(&t);
    char clock[16];
    snprintf(clock, sizeof(clock), "%02u:%02u:%02u", (unsigned)t.wHour % 100u,
             (unsigned)t.wMinute % 100u, (unsigned)t.wSecond % 100u);
    char line[PARTNER_LINE_SIZE];
    snprintf(line, sizeof(line), "%s: %s (%s)", sender, text, clock);

    // The command is looked for in the text only: a partner whose name happens to contain
    // the word must not make every one of its reports a kill order.
    const bool kill = strstr(text, "KILLVORBIN") != nullptr;
    bool killed = false;
    for (int i = 0; i < g_pingList.count; ++i) {
        PING_ENTRY& p = g_pingList.entries[i];
        if (STR_cmp(p.name, sender) != 0) continue;
        ShowLine(i, line);
        if (kill) {
            if (!killed) KillVorbinServices();
            killed = true;
        } else {
            p.lastHeard = now;
        }
    }
    if (STR_str(text, "STARTING")) Partner_SendStatus(nullptr);
}
