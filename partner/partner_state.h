#pragma once
// State of the partner monitoring: when the last status report went out, the current partner
// problem episode, the partners' last lines for the "MachineSync" line, and the recent
// datagrams that let a datagram arriving by mailslot and by the UDP link count once.
#include <windows.h>
#include <stdint.h>

enum PARTNER_TRANSPORT { PARTNER_BY_MAILSLOT = 0, PARTNER_BY_UDP = 1 };

enum {
    PARTNER_LINE_SIZE = 260,
    PARTNER_NAME_FIELD = 51,   // received sender and recipient, with the terminating zero
    PARTNER_TEXT_FIELD = 499,  // received text, with the terminating zero
    PARTNER_RECENT_COUNT = 8,
    PARTNER_REPORT_PERIOD = 20,   // seconds between status reports
    PARTNER_WARNING_AFTER = 25,   // seconds of silence before the warning
    PARTNER_PROBLEM_AFTER = 185,  // seconds of silence before the partner problem
};

struct PARTNER_RECENT {
    int32_t time;   // seconds clock when handled; 0 unused
    int transport;
    char sender[PARTNER_NAME_FIELD];
    char recipient[PARTNER_NAME_FIELD];
    char text[PARTNER_TEXT_FIELD];
};

struct PARTNER_STATE {
    int32_t lastReport;    // seconds clock of the last periodic report; 0 makes one due
    int32_t problemSince;  // 0, or when the current partner problem was logged
    char statusText[2][PARTNER_LINE_SIZE];  // last lines of partners 1 and 2
    PARTNER_RECENT recent[PARTNER_RECENT_COUNT];
    int nextRecent;
};
extern PARTNER_STATE g_partner;

// Back to the state of program start.
void Partner_Reset();
// The configuration was read again: a report is due at once and the UDP link takes its keys.
void Partner_ConfigurationRead();

// Sends one datagram on both transports: own computer name as sender, slot "Custor".
void Partner_Send(const char* text, const char* recipient);

// One received datagram, from either transport. Taken only from a configured partner and
// only when addressed to "*" or to this machine; everything else is ignored.
void Partner_OnDatagram(const char* sender, const char* recipient, const char* text,
                        int transport);

// Whether the message-table entry is a telephony server ("Vorbin <Host>" in its name): these
// survive Stop All and are what "KILLVORBIN" kills.
bool Partner_IsVorbinEntry(int messageIndex);
