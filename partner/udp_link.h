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
// A datagram is taken only from a partner's configured address and port, addressed to "*" or
// to this machine, and with a secret only with a valid code and a fresh stamp (see
// partner/link_auth.h): within the partner's session its sequence must grow; a new session is
// taken when it echoes this machine's own session, or else when its clock is within
// LINK_CLOCK_WINDOW_MS of this machine's; a session once left, or an echo of an earlier start of
// this machine, is never taken again. Clock steps on either side therefore never stop the link,
// and a datagram recorded before a restart of this machine cannot be played afterwards.
// Everything else is dropped and counted by reason.
#include <stdint.h>
#include "core/service_table.h"

enum {
    UDP_LINK_SECRET_SIZE = 100,
    UDP_DATAGRAM_MAX = 423,  // the largest plain datagram, as on the mailslot
    UDP_RECEIVE_BUFFER = 1024,
};
// A new session of a partner that has not heard this machine yet is taken only within five
// minutes of this machine's clock.
static const uint64_t LINK_CLOCK_WINDOW_MS = 5 * 60 * 1000;
enum { LINK_RETIRED_SESSIONS = 8 };

enum UDP_VERDICT {
    UDP_ACCEPTED = 0,
    UDP_MALFORMED,       // not exactly three zero-terminated fields that fit the receiver
    UDP_UNKNOWN_SENDER,  // not a partner, or not from that partner's configured address
    UDP_FORGED,          // wrong or missing authentication code
    UDP_REPLAYED,        // replayed, or a new session out of the time window
    UDP_OTHER_MACHINE,   // addressed to another machine
    UDP_VERDICT_COUNT
};

struct UDP_PARTNER {
    char name[PING_NAME_SIZE];
    uint32_t address;      // IPv4, host byte order; 0 = no address configured
    uint16_t port;
    uint32_t session;        // the partner's session taken last; 0 none yet
    uint32_t lastSequence;   // the last sequence taken in it
    uint32_t echo;           // the partner's newest session seen, echoed back to it
    uint32_t retired[LINK_RETIRED_SESSIONS];  // sessions the partner has left
    int nextRetired;
};

struct UDP_LINK_STATE {
    uintptr_t socket = ~(uintptr_t)0;  // the bound socket; ~0 when the link is off
    uint32_t listenAddress;
    uint16_t port;
    char secret[UDP_LINK_SECRET_SIZE];
    UDP_PARTNER partners[PING_LIST_SIZE];
    int count;
    uint32_t session;      // this start's session; drawn once per process
    uint32_t sequence;     // last sequence sent
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

// The checks on one received datagram, the cheap ones (address and port) before the code is
// computed. nowMs is this machine's clock (milliseconds since 1601, UTC). On acceptance the
// three fields are copied out (sizes as the receiver's) and the partner's session advances.
int UdpLink_Accept(const unsigned char* data, int size, uint32_t fromAddress, uint16_t fromPort,
                   uint64_t nowMs, char* sender, char* recipient, char* text);
// Parses "a.b.c.d" or "a.b.c.d:port"; false for anything else.
bool UdpLink_ParseAddress(const char* text, uint16_t defaultPort, uint32_t* address,
                          uint16_t* port);
// Milliseconds since 1601 (UTC) now.
uint64_t UdpLink_ClockMs();
// A new start of this machine: a new session, every partner's session forgotten (tests).
void UdpLink_Restart();
// The stamp the next datagram to the partner carries (advances the sequence).
struct LINK_STAMP;
void UdpLink_NextStamp(const UDP_PARTNER& partner, LINK_STAMP* stamp);
