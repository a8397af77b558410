// The checks on a partner-link datagram: its form, its sender's address, its code and its
// counter. Nothing in a datagram is trusted before it has passed them.
#include <winsock2.h>
#include "partner/udp_link.h"
#include "core/config.h"
#include "core/str.h"
#include "partner/link_auth.h"
#include "partner/partner_state.h"
#include <string.h>

bool UdpLink_ParseAddress(const char* text, uint16_t defaultPort, uint32_t* address,
                          uint16_t* port)
{
    if (!text) return false;
    uint32_t value = 0;
    const char* p = text;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && *p++ != '.') return false;
        int digits = 0;
        uint32_t octet = 0;
        while (*p >= '0' && *p <= '9' && digits < 4) {
            octet = octet * 10 + (uint32_t)(*p++ - '0');
            ++digits;
        }
        if (digits == 0 || digits > 3 || octet > 255) return false;
        value = (value << 8) | octet;
    }
    uint32_t portValue = defaultPort;
    if (*p == ':') {
        ++p;
        portValue = 0;
        int digits = 0;
        while (*p >= '0' && *p <= '9' && digits < 6) {
            portValue = portValue * 10 + (uint32_t)(*p++ - '0');
            ++digits;
        }
        if (digits == 0) return false;
    }
    if (*p != 0 || portValue == 0 || portValue > 65535) return false;
    *address = value;
    *port = (uint16_t)portValue;
    return true;
}

// Length of the zero-terminated field at data, or -1 when no zero comes before end.
static int FieldLength(const unsigned char* data, int end)
{
    const void* zero = memchr(data, 0, (size_t)end);
    return zero ? (int)((const unsigned char*)zero - data) : -1;
}

// Exactly three zero-terminated fields and nothing after them; each fits the receiver's
// buffer, the sender and the text are not empty. The fields are then plain C strings.
static bool SplitFields(const unsigned char* data, int size, const char** fields)
{
    static const int kLimits[3] = {PARTNER_NAME_FIELD - 1, PARTNER_NAME_FIELD - 1,
                                   PARTNER_TEXT_FIELD - 1};
    int at = 0;
    for (int i = 0; i < 3; ++i) {
        const int length = FieldLength(data + at, size - at);
        if (length < 0 || length > kLimits[i]) return false;
        if (length == 0 && i != 1) return false;
        fields[i] = (const char*)data + at;
        at += length + 1;
    }
    return at == size;
}

// The configured partners at this address and port; the cheap check before any code is made.
static bool AnyPartnerAt(uint32_t address, uint16_t port)
{
    for (int i = 0; i < g_udpLink.count; ++i) {
        const UDP_PARTNER& p = g_udpLink.partners[i];
        if (p.address != 0 && p.address == address && p.port == port) return true;
    }
    return false;
}

static UDP_PARTNER* PartnerAt(const char* name, uint32_t address, uint16_t port)
{
    for (int i = 0; i < g_udpLink.count; ++i) {
        UDP_PARTNER& p = g_udpLink.partners[i];
        if (p.address != 0 && p.address == address && p.port == port &&
            STR_cmp(p.name, name) == 0)
            return &p;
    }
    return nullptr;
}

static bool IsRetired(const UDP_PARTNER& p, uint32_t session)
{
    for (uint32_t retired : p.retired)
        if (retired == session) return true;
    return false;
}

// The stamp's verdict for the partner; the partner's sessions advance when it is taken.
static int CheckStamp(UDP_PARTNER& p, const LINK_STAMP& stamp, uint64_t nowMs)
{
    if (stamp.session == 0 || IsRetired(p, stamp.session)) return UDP_REPLAYED;
    // Whatever else it says, a valid datagram of a session not left tells which session the
    // partner is in now: echoing it back lets the partner take this machine's datagrams.
    p.echo = stamp.session;
    // Made for an earlier start of this machine: recorded before it started.
    if (stamp.echo != 0 && stamp.echo != g_udpLink.session) return UDP_REPLAYED;
    if (stamp.session == p.session) {
        if (stamp.sequence <= p.lastSequence) return UDP_REPLAYED;
        p.lastSequence = stamp.sequence;
        return UDP_ACCEPTED;
    }
    // A new start of the partner. One that has heard this machine proves it is fresh by the
    // echo; one that has not is taken only near this machine's clock.
    const uint64_t distance = stamp.sentMs > nowMs ? stamp.sentMs - nowMs : nowMs - stamp.sentMs;
    const bool heardThisMachine = stamp.echo != 0 && stamp.echo == g_udpLink.session;
    if (!heardThisMachine && distance > LINK_CLOCK_WINDOW_MS) return UDP_REPLAYED;
    if (p.session != 0) {
        p.retired[p.nextRetired] = p.session;
        p.nextRetired = (p.nextRetired + 1) % LINK_RETIRED_SESSIONS;
    }
    p.session = stamp.session;
    p.lastSequence = stamp.sequence;
    return UDP_ACCEPTED;
}

int UdpLink_Accept(const unsigned char* data, int size, uint32_t fromAddress, uint16_t fromPort,
                   uint64_t nowMs, char* sender, char* recipient, char* text)
{
    sender[0] = recipient[0] = text[0] = 0;
    if (!data || size <= 0) return UDP_MALFORMED;
    // A flood from elsewhere costs a comparison each, never a code.
    if (!AnyPartnerAt(fromAddress, fromPort)) return UDP_UNKNOWN_SENDER;
    const bool sealed = g_udpLink.secret[0] != 0;
    if (size > UDP_DATAGRAM_MAX + (sealed ? LINK_TRAILER_SIZE : 0)) return UDP_MALFORMED;

    int plainSize = size;
    LINK_STAMP stamp = {};
    if (sealed) {
        plainSize = LinkAuth_Open(g_udpLink.secret, data, size, &stamp);
        if (plainSize < 0) return UDP_FORGED;
    }
    const char* fields[3];
    if (!SplitFields(data, plainSize, fields)) return UDP_MALFORMED;
    UDP_PARTNER* partner = PartnerAt(fields[0], fromAddress, fromPort);
    if (!partner) return UDP_UNKNOWN_SENDER;
    if (strcmp(fields[1], "*") != 0 && STR_cmp(fields[1], g_paths.computerName) != 0)
        return UDP_OTHER_MACHINE;
    if (sealed) {
        const int verdict = CheckStamp(*partner, stamp, nowMs);
        if (verdict != UDP_ACCEPTED) return verdict;
    }
    STR_ncpy(sender, fields[0], PARTNER_NAME_FIELD - 1);
    STR_ncpy(recipient, fields[1], PARTNER_NAME_FIELD - 1);
    STR_ncpy(text, fields[2], PARTNER_TEXT_FIELD - 1);
    return UDP_ACCEPTED;
}
