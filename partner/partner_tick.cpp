// The partner tick, once per second: the status report when due, the datagrams waiting on
// both transports, and each partner's state from the time it was last heard.
#include "core/config.h"
#include "core/display.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "partner/mailslot.h"
#include "partner/partner_duties.h"
#include "partner/partner_state.h"
#include "partner/udp_link.h"
#include <stdio.h>
#include <string.h>

HANDLE g_ownSlot = INVALID_HANDLE_VALUE;
PARTNER_STATE g_partner;

// A slot flooded by a misbehaving sender must not hold the window thread for long.
static const int kMostDatagramsPerTick = 100;
static const char kOwnSlot[] = "Custor";

void Partner_Reset() { memset(&g_partner, 0, sizeof(g_partner)); }

void Partner_ConfigurationRead()
{
    g_partner.lastReport = 0;
    UdpLink_Configure();
}

void Partner_Send(const char* text, const char* recipient)
{
    MAILSLOT_Write(text, recipient, g_paths.computerName, kOwnSlot);
    UdpLink_Send(g_paths.computerName, recipient, text);
}

void Partner_SendStatus(const char* text)
{
    if (g_pingList.count == 0) return;
    if (!text || !text[0]) {
        if (g_supervision.appProblem)
            text = "Errors";
        else if (g_supervision.notOk)
            text = "Warnings";
        else
            text = "OK";
    }
    Partner_Send(text, "*");
}

static void ReceiveFromSlot()
{
    char sender[PARTNER_NAME_FIELD];
    char recipient[PARTNER_NAME_FIELD];
    char text[PARTNER_TEXT_FIELD];
    for (int i = 0; i < kMostDatagramsPerTick; ++i) {
        const int more = MAILSLOT_ReadEx(g_ownSlot, sender, sizeof(sender), recipient,
                                         sizeof(recipient), text, sizeof(text));
        if (text[0]) Partner_OnDatagram(sender, recipient, text, PARTNER_BY_MAILSLOT);
        if (!more) break;
    }
}

// Warning after 25 s of silence, problem after 185 s; later partners overwrite the line of
// earlier ones. One event (and its alarm job) per episode, however many partners are silent.
static void EvaluatePartners(int32_t now)
{
    bool problem = false;
    char line[PARTNER_LINE_SIZE];
    for (int i = 0; i < g_pingList.count; ++i) {
        const PING_ENTRY& p = g_pingList.entries[i];
        // Differences, not sums: a lastHeard near the end of the clock's range must not wrap.
        const int64_t silent = (int64_t)now - p.lastHeard;
        if (silent >= PARTNER_PROBLEM_AFTER) {
            snprintf(line, sizeof(line), " Problem with PC \"%s\"", p.name);
            problem = true;
            Display_SetMachineSyncLine(line);
            if (g_partner.problemSince == 0) {
                g_partner.problemSince = now;
                EventLog(EVENT_PING, p.name, false, 0);
            }
        } else if (silent >= PARTNER_WARNING_AFTER) {
            snprintf(line, sizeof(line), " Warning PC \"%s\" not responding", p.name);
            Display_SetMachineSyncLine(line);
        }
    }
    g_supervision.deactivatedByPartner = problem;
    if (!problem) g_partner.problemSince = 0;
}

void Partner_Tick()
{
    if (g_pingList.count == 0) return;
    const int32_t now = Host_Now();
    if (now >= g_partner.lastReport + PARTNER_REPORT_PERIOD || now < g_partner.lastReport) {
        Partner_SendStatus(nullptr);
        g_partner.lastReport = now;
    }
    ReceiveFromSlot();
    UdpLink_Receive();
    EvaluatePartners(now);
    UdpLink_ReportDrops(now);
}
