// The partner link's socket: configuration, sending to the partners' addresses, receiving,
// and the hourly report of dropped datagrams.
#include <winsock2.h>
#include "partner/udp_link.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/str.h"
#include "partner/link_auth.h"
#include "partner/mailslot.h"
#include "partner/partner_state.h"
#include <stdio.h>
#include <string.h>

static const uintptr_t kNoSocket = (uintptr_t)INVALID_SOCKET;
UDP_LINK_STATE g_udpLink;

// Every datagram waiting is read at each call (once a second), up to these bounds: a flood
// from a foreign address costs one comparison per datagram, so 10,000 of them are gone within
// a few calls and cannot keep a partner's heartbeat out for a heartbeat period, while the
// window thread is never held for long.
static const int kMostDatagramsPerCall = 10000;
static const DWORD kMostMillisecondsPerCall = 50;
static const int32_t kDropReportSeconds = 3600;

uint64_t UdpLink_ClockMs()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ((((uint64_t)now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000u;
}

void UdpLink_Restart()
{
    g_udpLink.session = LinkAuth_NewSession();
    g_udpLink.sequence = 0;
    for (UDP_PARTNER& p : g_udpLink.partners) {
        p.session = p.lastSequence = p.echo = 0;
        memset(p.retired, 0, sizeof(p.retired));
        p.nextRetired = 0;
    }
}

void UdpLink_NextStamp(const UDP_PARTNER& partner, LINK_STAMP* stamp)
{
    if (g_udpLink.session == 0) g_udpLink.session = LinkAuth_NewSession();
    // After 2^32 datagrams (136 years of heartbeats) a new session goes on.
    if (++g_udpLink.sequence == 0) {
        g_udpLink.session = LinkAuth_NewSession();
        g_udpLink.sequence = 1;
    }
    stamp->session = g_udpLink.session;
    stamp->sequence = g_udpLink.sequence;
    stamp->echo = partner.echo;
    stamp->sentMs = UdpLink_ClockMs();
}

void UdpLink_Close()
{
    if (g_udpLink.socket != kNoSocket) closesocket((SOCKET)g_udpLink.socket);
    g_udpLink.socket = kNoSocket;
    g_udpLink.port = 0;
    g_udpLink.listenAddress = 0;
    g_udpLink.count = 0;
    g_udpLink.secret[0] = 0;
}

static bool OpenSocket(uint32_t address, uint16_t port)
{
    static bool started = false;
    if (!started) {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
        started = true;
    }
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return false;
    // No other program may take over the port while this one listens on it.
    BOOL exclusive = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, (const char*)&exclusive, sizeof(exclusive));
    // Room for a burst: what does not fit is dropped by the system before it is counted.
    int bufferSize = 1 << 20;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, (const char*)&bufferSize, sizeof(bufferSize));
    u_long nonBlocking = 1;
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(address);
    local.sin_port = htons(port);
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0 ||
        bind(s, (const sockaddr*)&local, sizeof(local)) != 0) {
        closesocket(s);
        return false;
    }
    g_udpLink.socket = (uintptr_t)s;
    g_udpLink.listenAddress = address;
    g_udpLink.port = port;
    return true;
}

// What the link knows of a partner's sessions survives a new reading of the configuration,
// so that a datagram taken before cannot be taken again afterwards.
static void KeepSessions(UDP_PARTNER& p, const UDP_PARTNER* previous, int count)
{
    for (int i = 0; i < count; ++i) {
        if (STR_cmp(previous[i].name, p.name) != 0) continue;
        p.session = previous[i].session;
        p.lastSequence = previous[i].lastSequence;
        p.echo = previous[i].echo;
        memcpy(p.retired, previous[i].retired, sizeof(p.retired));
        p.nextRetired = previous[i].nextRetired;
        return;
    }
}

void UdpLink_Configure()
{
    const int32_t port = Config_GetInt("PartnerLink", "Port", "0");
    char text[CONFIG_VALUE_SIZE];
    Config_GetText("PartnerLink", "Listen", "0.0.0.0", text, sizeof(text));
    uint32_t listen = 0;
    uint16_t ignored = 0;
    const bool listenValid = UdpLink_ParseAddress(text, 1, &listen, &ignored);
    // The secret holds with the link off too: partners' mailslot datagrams are then not taken.
    char secret[UDP_LINK_SECRET_SIZE];
    Config_GetText("PartnerLink", "Secret", "", secret, sizeof(secret));
    if (port <= 0 || port > 65535 || !listenValid || g_pingList.count == 0) {
        if (port != 0 && g_pingList.count > 0) {
            char message[200];
            snprintf(message, sizeof(message), "Partner link: Port %d or Listen \"%s\" invalid, link off",
                     (int)port, text);
            EventLog(EVENT_CUSTOR, message, false, 0);
        }
        UdpLink_Close();
        STR_ncpy(g_udpLink.secret, secret, sizeof(g_udpLink.secret) - 1);
        return;
    }
    if (g_udpLink.socket == kNoSocket || g_udpLink.port != port ||
        g_udpLink.listenAddress != listen) {
        UdpLink_Close();
        if (!OpenSocket(listen, (uint16_t)port)) {
            char message[200];
            snprintf(message, sizeof(message), "Partner link: cannot listen on %s:%d (error %d)",
                     text, (int)port, WSAGetLastError());
            EventLog(EVENT_CUSTOR, message, false, 0);
            STR_ncpy(g_udpLink.secret, secret, sizeof(g_udpLink.secret) - 1);
            return;
        }
    }
    STR_ncpy(g_udpLink.secret, secret, sizeof(g_udpLink.secret) - 1);
    if (g_udpLink.session == 0) g_udpLink.session = LinkAuth_NewSession();

    UDP_PARTNER previous[PING_LIST_SIZE];
    const int previousCount = g_udpLink.count;
    memcpy(previous, g_udpLink.partners, sizeof(previous));
    g_udpLink.count = 0;
    for (int i = 0; i < g_pingList.count; ++i) {
        UDP_PARTNER& p = g_udpLink.partners[g_udpLink.count++];
        memset(&p, 0, sizeof(p));
        STR_ncpy(p.name, g_pingList.entries[i].name, sizeof(p.name) - 1);
        KeepSessions(p, previous, previousCount);
        Config_GetText("PartnerLink", p.name, "", text, sizeof(text));
        if (text[0] && !UdpLink_ParseAddress(text, (uint16_t)port, &p.address, &p.port)) {
            char message[200];
            snprintf(message, sizeof(message), "Partner link: address \"%s\" of %s invalid",
                     text, p.name);
            EventLog(EVENT_CUSTOR, message, false, 0);
            p.address = 0;
        }
    }
}

void UdpLink_Send(const char* sender, const char* recipient, const char* text)
{
    if (g_udpLink.socket == kNoSocket || !sender || !recipient) return;
    if (!text) text = "";
    const size_t senderLength = strlen(sender);
    const size_t recipientLength = strlen(recipient);
    if (senderLength + recipientLength > MAILSLOT_MAX_CHARS) return;
    size_t textLength = strlen(text);
    if (textLength > MAILSLOT_MAX_CHARS - senderLength - recipientLength)
        textLength = MAILSLOT_MAX_CHARS - senderLength - recipientLength;

    unsigned char datagram[UDP_DATAGRAM_MAX + LINK_TRAILER_SIZE];
    int size = 0;
    memcpy(datagram, sender, senderLength + 1);
    size += (int)senderLength + 1;
    memcpy(datagram + size, recipient, recipientLength + 1);
    size += (int)recipientLength + 1;
    memcpy(datagram + size, text, textLength);
    size += (int)textLength;
    datagram[size++] = 0;
    const int plainSize = size;
    for (int i = 0; i < g_udpLink.count; ++i) {
        const UDP_PARTNER& p = g_udpLink.partners[i];
        if (p.address == 0) continue;
        if (g_udpLink.secret[0]) {
            // Each partner gets its own echo, so each is sealed on its own.
            LINK_STAMP stamp;
            UdpLink_NextStamp(p, &stamp);
            size = LinkAuth_Seal(g_udpLink.secret, datagram, plainSize, stamp);
            if (size == 0) continue;
        }
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(p.address);
        to.sin_port = htons(p.port);
        // Failed sends are not reported, as on the mailslot.
        sendto((SOCKET)g_udpLink.socket, (const char*)datagram, size, 0, (const sockaddr*)&to,
               sizeof(to));
    }
}

void UdpLink_Receive()
{
    if (g_udpLink.socket == kNoSocket) return;
    unsigned char data[UDP_RECEIVE_BUFFER];
    char sender[PARTNER_NAME_FIELD];
    char recipient[PARTNER_NAME_FIELD];
    char text[PARTNER_TEXT_FIELD];
    const DWORD start = GetTickCount();
    for (int i = 0; i < kMostDatagramsPerCall; ++i) {
        if ((i & 255) == 255 && GetTickCount() - start > kMostMillisecondsPerCall) break;
        sockaddr_in from = {};
        int fromSize = sizeof(from);
        const int got = recvfrom((SOCKET)g_udpLink.socket, (char*)data, sizeof(data), 0,
                                 (sockaddr*)&from, &fromSize);
        if (got < 0) {
            const int error = WSAGetLastError();
            // Too long for any datagram: dropped by the system, counted here.
            if (error == WSAEMSGSIZE) {
                ++g_udpLink.drops[UDP_MALFORMED];
                continue;
            }
            // A partner that was down answers an earlier send with "port unreachable".
            if (error == WSAECONNRESET) continue;
            break;
        }
        const int verdict = UdpLink_Accept(data, got, ntohl(from.sin_addr.s_addr),
                                           ntohs(from.sin_port), UdpLink_ClockMs(), sender,
                                           recipient, text);
        if (verdict != UDP_ACCEPTED) {
            ++g_udpLink.drops[verdict];
            continue;
        }
        Partner_OnDatagram(sender, recipient, text, PARTNER_BY_UDP);
    }
}

void UdpLink_ReportDrops(int32_t now)
{
    uint32_t total = 0;
    for (int i = 1; i < UDP_VERDICT_COUNT; ++i) total += g_udpLink.drops[i];
    if (total == 0) return;
    if (g_udpLink.lastDropReport != 0 && now >= g_udpLink.lastDropReport &&
        now - g_udpLink.lastDropReport < kDropReportSeconds)
        return;
    char message[200];
    snprintf(message, sizeof(message),
             "Partner link: %u datagrams dropped (%u malformed, %u unknown sender, %u forged, "
             "%u replayed or clock off, %u for another machine)",
             (unsigned)total, (unsigned)g_udpLink.drops[UDP_MALFORMED],
             (unsigned)g_udpLink.drops[UDP_UNKNOWN_SENDER], (unsigned)g_udpLink.drops[UDP_FORGED],
             (unsigned)g_udpLink.drops[UDP_REPLAYED], (unsigned)g_udpLink.drops[UDP_OTHER_MACHINE]);
    EventLog(EVENT_CUSTOR, message, false, 0);
    memset(g_udpLink.drops, 0, sizeof(g_udpLink.drops));
    g_udpLink.lastDropReport = now ? now : 1;
}
