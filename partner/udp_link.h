#pragma once
// The partner link over UDP: the same datagrams as the mailslot "Custor" (sender, recipient
// and text, each with its zero byte), sent to each partner's configured address, for
// networks that no longer carry mailslot datagrams between machines.
//
// Configuration, section "PartnerLink": "Port" (the UDP port to listen on; missing or 0 turns
// the link off), "Listen" (the local address to bind, default 0.0.0.0), "Secret" (shared by
// the pair; when set every datagram carries a send counter and an HMAC-SHA256 code), and one
// key per partner computer name with its address "a.b.c.d[:port]" (port defaults to "Port").
//
// A datagram is taken only from a partner's configured address and port, and with a secret
// only with a valid code and a counter above the last one taken from that partner and within
// LINK_CLOCK_WINDOW_MS of this machine's clock. Everything else is dropped and counted.
#include <stdint.h>
#include "core/service_table.h"

enum {
    UDP_LINK_SECRET_SIZE = 100,
    UDP_DATAGRAM_MAX = 423,  // the largest plain datagram, as on the mailslot
    UDP_RECEIVE_BUFFER = 1024,
};
// A counter more than five minutes away from this machine's clock is not taken: after a
// restart a recorded datagram could otherwise be played once more.
static const uint64_t LINK_CLOCK_WINDOW_MS = 5 * 60 * 1000;

enum UDP_VERDICT {
    UDP_ACCEPTED = 0,
    UDP_MALFORMED,       // not exactly three zero-terminated fields that fit the receiver
    UDP_UNKNOWN_SENDER,  // not a partner, or not from that partner's configured address
    UDP_FORGED,          // wrong or missing authentication code
    UDP_REPLAYED,        // counter not above the last one taken, or far from this clock
    UDP_VERDICT_COUNT
};

struct UDP_PARTNER {
    char name[PING_NAME_SIZE];
    uint32_t address;      // IPv4, host byte order; 0 = no address configured
    uint16_t port;
    uint64_t lastCounter;  // last counter taken from this partner
};

struct UDP_LINK_STATE {
    uintptr_t socket = ~(uintptr_t)0;  // the bound socket; ~0 when the link is off
    uint32_t listenAddress;
    uint16_t port;
    char secret[UDP_LINK_SECRET_SIZE];
    UDP_PARTNER partners[PING_LIST_SIZE];
    int count;
    uint64_t lastCounter;  // last counter sent
    uint32_t drops[UDP_VERDICT_COUNT];
    int32_t lastDropReport;  // seconds clock; 0 none yet
};
extern UDP_LINK_STATE g_udpLink;

// Reads the keys for the partners of the ping list; opens, keeps or closes the socket.
void UdpLink_Configure();
// Closes the socket and forgets the configuration (tests, and a link turned off).
void UdpLink_Close();
// Sends the datagram to every partner with an address (nothing while the link is off).
void UdpLink_Send(const char* sender, const char* recipient, const char* text);
// Hands every waiting datagram that passes the checks to the partner receiver.
void UdpLink_Receive();
// Writes the drop counts to the event log when there are any, at most once an hour.
void UdpLink_ReportDrops(int32_t now);

// The checks on one received datagram. nowMs is this machine's clock (milliseconds since
// 1601, UTC). On acceptance the three fields are copied out (sizes as the receiver's) and
// the partner's counter advances.
int UdpLink_Accept(const unsigned char* data, int size, uint32_t fromAddress, uint16_t fromPort,
                   uint64_t nowMs, char* sender, char* recipient, char* text);
// Parses "a.b.c.d" or "a.b.c.d:port"; false for anything else.
bool UdpLink_ParseAddress(const char* text, uint16_t defaultPort, uint32_t* address,
                          uint16_t* port);
// Milliseconds since 1601 (UTC) now.
uint64_t UdpLink_ClockMs();
