#include <winsock2.h>
#include "partner_fixture.h"
#include "core/service_table.h"
#include "partner/link_auth.h"
#include "partner/partner_commands.h"
#include "partner/partner_duties.h"
#include "partner/partner_state.h"
#include "partner/udp_link.h"
#include "support/pass_helpers.h"
#include "support/process_runner.h"
#include <string.h>

namespace {
std::string Datagram(const std::string& sender, const std::string& recipient,
                     const std::string& text)
{
    return sender + '\0' + recipient + '\0' + text + '\0';
}

std::string Sealed(const char* secret, const std::string& plain, const LINK_STAMP& stamp)
{
    std::string buffer = plain + std::string(LINK_TRAILER_SIZE, '\0');
    const int size = LinkAuth_Seal(secret, (unsigned char*)&buffer[0], (int)plain.size(), stamp);
    buffer.resize(size);
    return buffer;
}

// A stamp of the partner's session 0x5EED with the sequence, sent at sentMs, echoing echo.
LINK_STAMP Stamp(uint32_t sequence, uint64_t sentMs, uint32_t echo = 0, uint32_t session = 0x5EED)
{
    return LINK_STAMP{session, sequence, echo, sentMs};
}

std::string Hex(const unsigned char* data, int size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

const uint32_t kLoopback = 0x7f000001;

// A UDP socket on the loopback address standing in for the partner machine.
struct PeerSocket {
    PeerSocket()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(kLoopback);
        bind(s, (const sockaddr*)&local, sizeof(local));
        int size = sizeof(local);
        getsockname(s, (sockaddr*)&local, &size);
        port = ntohs(local.sin_port);
        DWORD timeout = 5000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof(timeout));
    }
    ~PeerSocket() { closesocket(s); }
    void SendTo(uint16_t to, const std::string& bytes) const
    {
        sockaddr_in target = {};
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = htonl(kLoopback);
        target.sin_port = htons(to);
        sendto(s, bytes.data(), (int)bytes.size(), 0, (const sockaddr*)&target, sizeof(target));
    }
    std::string Receive() const
    {
        char buffer[2048];
        const int got = recv(s, buffer, sizeof(buffer), 0);
        return got > 0 ? std::string(buffer, got) : std::string();
    }
    SOCKET s;
    uint16_t port = 0;
};

// A port no one listens on now: the system's pick for a socket closed again at once.
uint16_t FreePort()
{
    PeerSocket probe;
    return probe.port;
}
}  // namespace

TEST(LinkAuth, HmacSha256MatchesTheStandardVectors)
{
    const std::string key1(20, '\x0b');
    const struct {
        std::string key, data, mac;
    } cases[] = {
        {key1, "Hi There",
         "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"Jefe", "what do ya want for nothing?",
         "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
    };
    for (const auto& c : cases) {
        unsigned char mac[LINK_MAC_SIZE];
        ASSERT_TRUE(LinkAuth_Hmac(c.key.data(), (int)c.key.size(), c.data.data(),
                                  (int)c.data.size(), mac));
        EXPECT_EQ(c.mac, Hex(mac, LINK_MAC_SIZE));
    }
}

TEST(LinkAuth, SealedDatagramOpensOnlyWithTheSameSecretAndUnchanged)
{
    const std::string plain = Datagram("PCTWO", "*", "OK");
    const LINK_STAMP stamp = {0x01020304u, 0x05060708u, 0x090a0b0cu, 0x1112131415161718ull};
    const std::string sealed = Sealed("pair secret", plain, stamp);
    ASSERT_EQ(plain.size() + LINK_TRAILER_SIZE, sealed.size());
    LINK_STAMP opened = {};
    LINK_STAMP* counter = &opened;
    EXPECT_EQ((int)plain.size(), LinkAuth_Open("pair secret", (const unsigned char*)sealed.data(),
                                               (int)sealed.size(), counter));
    EXPECT_EQ(stamp.session, opened.session);
    EXPECT_EQ(stamp.sequence, opened.sequence);
    EXPECT_EQ(stamp.echo, opened.echo);
    EXPECT_EQ(stamp.sentMs, opened.sentMs);
    EXPECT_EQ(-1, LinkAuth_Open("pair secret", (const unsigned char*)sealed.data(),
                                (int)sealed.size() - 8, counter));  // an earlier, shorter trailer
    EXPECT_EQ(-1, LinkAuth_Open("pair secreT", (const unsigned char*)sealed.data(),
                                (int)sealed.size(), counter));
    for (size_t i = 0; i < sealed.size(); ++i) {
        std::string changed = sealed;
        changed[i] ^= 0x20;
        EXPECT_EQ(-1, LinkAuth_Open("pair secret", (const unsigned char*)changed.data(),
                                    (int)changed.size(), counter))
            << i;
    }
    EXPECT_EQ(-1, LinkAuth_Open("pair secret", (const unsigned char*)sealed.data(),
                                LINK_TRAILER_SIZE - 1, counter));
}

TEST(UdpLinkAddress, ParsesDottedAddressesWithOptionalPort)
{
    struct Case {
        const char* text;
        bool ok;
        uint32_t address;
        uint16_t port;
    } cases[] = {
        {"127.0.0.1", true, 0x7f000001, 4000},
        {"10.1.2.3:5001", true, 0x0a010203, 5001},
        {"255.255.255.255:65535", true, 0xffffffff, 65535},
        {"0.0.0.0", true, 0, 4000},
        {"256.1.1.1", false, 0, 0},
        {"1.2.3", false, 0, 0},
        {"1.2.3.4.5", false, 0, 0},
        {"1.2.3.4:", false, 0, 0},
        {"1.2.3.4:0", false, 0, 0},
        {"1.2.3.4:65536", false, 0, 0},
        {"1.2.3.4:99999999999", false, 0, 0},
        {" 1.2.3.4", false, 0, 0},
        {"1.2.3.4 ", false, 0, 0},
        {"0001.2.3.4", false, 0, 0},
        {"pctwo", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t address = 0;
        uint16_t port = 0;
        EXPECT_EQ(c.ok, UdpLink_ParseAddress(c.text, 4000, &address, &port)) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(c.address, address) << c.text;
        EXPECT_EQ(c.port, port) << c.text;
    }
}

class UdpLink : public PartnerTest {
protected:
    // Link on its own port, partner PCTWO at the peer socket's port.
    void Link(const std::string& secret)
    {
        port = FreePort();
        Configure("[Common]\nPing=PCTWO\n[PartnerLink]\nPort=" + std::to_string(port) +
                  "\nListen=127.0.0.1\nSecret=" + secret + "\nPCTWO=127.0.0.1:" +
                  std::to_string(peer.port) + "\n");
        ASSERT_NE(~(uintptr_t)0, g_udpLink.socket);
    }
    int Accept(const std::string& bytes, uint16_t fromPort, uint64_t nowMs)
    {
        return UdpLink_Accept((const unsigned char*)bytes.data(), (int)bytes.size(), kLoopback,
                              fromPort, nowMs, sender, recipient, text);
    }
    // The partner's next stamp, as its link makes it: its session, a growing sequence, the
    // clock, and this machine's session echoed once heard.
    LINK_STAMP Next(bool heard = true)
    {
        return Stamp(++sequence, UdpLink_ClockMs(), heard ? g_udpLink.session : 0);
    }
    PeerSocket peer;
    uint16_t port = 0;
    uint32_t sequence = 0;
    char sender[PARTNER_NAME_FIELD];
    char recipient[PARTNER_NAME_FIELD];
    char text[PARTNER_TEXT_FIELD];
};

TEST_F(UdpLink, MalformedDatagramsOfEveryLengthAreDropped)
{
    for (const char* secret : {"", "s3cret"}) {
        SCOPED_TRACE(secret);
        Link(secret);
        const uint64_t now = 13000000000000ull;
        const std::string good = Datagram("PCTWO", "*", "OK");
        const std::string control = secret[0] ? Sealed(secret, good, Stamp(1, now)) : good;
        ASSERT_EQ(UDP_ACCEPTED, Accept(control, peer.port, now));
        uint32_t counter = 1;
        for (int size = 0; size <= 600; ++size) {
            std::vector<std::string> bodies = {
                std::string(size, '\0'), std::string(size, 'A'),
                // A valid datagram's beginning and then anything.
                (good + std::string(size, 'x')).substr(0, size),
                // A partner's name without any terminating zero after it.
                ("PCTWO" + std::string(size, 'y')).substr(0, size),
                // Overlong fields, each terminated.
                Datagram(std::string(size / 3, 's'), std::string(size / 3, 'r'),
                         std::string(size / 3, 't')),
            };
            for (size_t k = 0; k < bodies.size(); ++k) {
                std::string bytes = bodies[k];
                if (bytes == good) continue;
                const bool fitting = size / 3 < PARTNER_NAME_FIELD && size / 3 > 0;
                if (k == 4 && fitting) continue;  // well formed, from an unknown sender
                if (secret[0] && (k & 1)) bytes = Sealed(secret, bytes, Stamp(++counter, now));
                const int verdict = Accept(bytes, peer.port, now);
                EXPECT_NE(UDP_ACCEPTED, verdict) << size << " " << k;
                EXPECT_STREQ("", text);
            }
        }
    }
}

TEST_F(UdpLink, OnlyThePartnersAddressWithTheRightCodeAndAFreshStamp)
{
    Link("s3cret");
    const uint64_t now = 13000000000000ull;
    const std::string ok = Datagram("PCTWO", "*", "OK");
    const uint32_t own = g_udpLink.session;
    struct Case {
        std::string bytes;
        uint16_t fromPort;
        int verdict;
    } cases[] = {
        {Sealed("s3cret", ok, Stamp(5, now)), peer.port, UDP_ACCEPTED},
        {Sealed("s3cret", ok, Stamp(5, now)), peer.port, UDP_REPLAYED},     // the same again
        {Sealed("s3cret", ok, Stamp(4, now + 1)), peer.port, UDP_REPLAYED}, // an older one
        {Sealed("wrong", ok, Stamp(6, now)), peer.port, UDP_FORGED},
        {ok, peer.port, UDP_FORGED},                                        // no code at all
        {Sealed("s3cret", ok, Stamp(7, now)), (uint16_t)(peer.port + 1), UDP_UNKNOWN_SENDER},
        {Sealed("s3cret", Datagram("PCNINE", "*", "OK"), Stamp(8, now)), peer.port,
         UDP_UNKNOWN_SENDER},
        {Sealed("s3cret", Datagram("PCTWO", "PCSIX", "OK"), Stamp(9, now)), peer.port,
         UDP_OTHER_MACHINE},
        // A new start of the partner that has not heard this machine, far from its clock.
        {Sealed("s3cret", ok, Stamp(1, now + LINK_CLOCK_WINDOW_MS + 10, 0, 0xB0B)), peer.port,
         UDP_REPLAYED},
        // Made for an earlier start of this machine.
        {Sealed("s3cret", ok, Stamp(10, now, own + 1)), peer.port, UDP_REPLAYED},
        {Sealed("s3cret", Datagram("pctwo", "PCONE", "KILLVORBIN"), Stamp(11, now)), peer.port,
         UDP_ACCEPTED},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.verdict, Accept(c.bytes, c.fromPort, now + 5)) << Hex((const unsigned char*)c.bytes.data(), 8);
    }
    EXPECT_STREQ("pctwo", sender);
    EXPECT_STREQ("PCONE", recipient);
    EXPECT_STREQ("KILLVORBIN", text);
}

TEST_F(UdpLink, ReportsGoBothWaysAndCountOnceWithTheMailslotCopy)
{
    Link("s3cret");
    Seconds(1);
    // The periodic report reaches the partner sealed, and goes on the mailslot too.
    const std::string received = peer.Receive();
    LINK_STAMP stamp = {};
    const int plain = LinkAuth_Open("s3cret", (const unsigned char*)received.data(),
                                    (int)received.size(), &stamp);
    ASSERT_GT(plain, 0);
    EXPECT_EQ(Datagram("PCONE", "*", "OK"), received.substr(0, plain));
    EXPECT_EQ(g_udpLink.session, stamp.session);
    EXPECT_EQ(std::vector<std::string>{"PCONE|*|OK"}, Sent());

    // Without a secret the mailslot copy counts (with one it is not taken at all): the
    // copies of one datagram on both transports count once.
    Link("");
    Seconds(1);  // the report that a new reading of the configuration sends at once
    Sent();
    ASSERT_EQ(Datagram("PCONE", "*", "OK"), peer.Receive());

    // The partner's "Starting" arrives both ways: answered once.
    const std::string starting = Datagram("PCTWO", "*", "Starting\tOK");
    Deliver("PCTWO", "*", "Starting\tOK");
    peer.SendTo(port, starting);
    ASSERT_TRUE(WaitUntil(
        [&] {
            Partner_Tick();
            return !lines.empty();
        },
        5000));
    // Give the UDP copy time to be read, then count the answers.
    peer.SendTo(port, Datagram("PCTWO", "*", "marker"));
    ASSERT_TRUE(WaitUntil(
        [&] {
            Partner_Tick();
            return Line().find("marker") != std::string::npos;
        },
        5000));
    EXPECT_EQ(std::vector<std::string>{"PCONE|*|OK"}, Sent());
    EXPECT_EQ(1, Occurrences(peer.Receive(), "PCONE"));
    EXPECT_EQ(2u, lines.size());  // "Starting" once, then the marker
}

TEST_F(UdpLink, ForgedDatagramDoesNothingAndDropsAreReportedHourly)
{
    const std::string vorbin = UniqueTitle("Vorbin <Host> udp");
    Link("s3cret");
    Configure("[Common]\nPing=PCTWO\n[PartnerLink]\nPort=" + std::to_string(port) +
              "\nListen=127.0.0.1\nSecret=s3cret\nPCTWO=127.0.0.1:" +
              std::to_string(peer.port) + "\n[ByMessage]\n" + vorbin + "=v.exe\n");
    const std::string kill = Datagram("PCTWO", "*", "KILLVORBIN");
    auto dropped = [] {
        uint32_t total = 0;
        for (uint32_t d : g_udpLink.drops) total += d;
        return total;
    };
    // The first drop is reported at once.
    peer.SendTo(port, Sealed("guessed", kill, Next()));
    ASSERT_TRUE(WaitUntil([&] {
        Partner_Tick();
        return Occurrences(p.EventLog(), "Partner link: ") == 1;
    }, 5000));
    EXPECT_EQ(1, Occurrences(p.EventLog(), "Partner link: 1 datagrams dropped (0 malformed, 0 "
                                           "unknown sender, 1 forged, 0 replayed or clock off, "
                                           "0 for another machine)"));
    // Within the hour drops are only counted.
    p.host.Advance(1800);
    peer.SendTo(port, Sealed("guessed", kill, Next()));
    peer.SendTo(port, kill);  // no code at all
    ASSERT_TRUE(WaitUntil([&] {
        Partner_Tick();
        return dropped() == 2;
    }, 5000));
    EXPECT_EQ(1, Occurrences(p.EventLog(), "Partner link: "));
    // An hour after the last report the count goes to the log.
    p.host.Advance(1799);
    Partner_Tick();
    EXPECT_EQ(2u, dropped());
    p.host.Advance(1);
    Partner_Tick();
    EXPECT_EQ(0u, dropped());
    const std::string log = p.EventLog();
    EXPECT_EQ(1, Occurrences(log, "Partner link: 2 datagrams dropped (0 malformed, 0 unknown "
                                  "sender, 2 forged, 0 replayed or clock off, 0 for another "
                                  "machine)"));
    EXPECT_EQ(0, Occurrences(log, "   Kill: "));
    for (const std::string& line : lines) EXPECT_EQ(std::string::npos, line.find("KILLVORBIN"));
}

// After a clock step of an hour or a day either way, on the partner, here or on both, and
// after a restart of either machine, the next heartbeat is taken: the stamp's order does not
// come from the clocks.
TEST_F(UdpLink, ClockStepsAndRestartsNeverStopTheHeartbeats)
{
    enum Event { NONE, PARTNER_RESTARTS, THIS_RESTARTS };
    const int64_t kHour = 3600000, kDay = 24 * kHour;
    struct Case { int64_t partnerStep, ownStep; Event event; };
    std::vector<Case> cases;
    for (int64_t step : {kHour, -kHour, kDay, -kDay})
        for (Event e : {NONE, PARTNER_RESTARTS, THIS_RESTARTS}) {
            cases.push_back({step, 0, e});
            cases.push_back({0, step, e});
            cases.push_back({step, step, e});
            cases.push_back({step, -step, e});
        }
    const std::string ok = Datagram("PCTWO", "*", "OK");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.partnerStep << " " << c.ownStep << " " << c.event);
        Link("s3cret");
        UdpLink_Restart();
        const uint64_t start = 13000000000000ull;
        uint32_t session = 0x5EED, sequence = 1;
        ASSERT_EQ(UDP_ACCEPTED, Accept(Sealed("s3cret", ok, Stamp(sequence, start)), peer.port, start));
        // Twenty seconds later the clocks have stepped.
        const uint64_t partnerClock = start + 20000 + c.partnerStep;
        const uint64_t ownClock = start + 20000 + c.ownStep;
        uint32_t heard = g_udpLink.session;  // the partner has heard this machine's report
        if (c.event == PARTNER_RESTARTS) {
            session = 0xB0B;
            sequence = 0;
        }
        if (c.event == THIS_RESTARTS) {
            UdpLink_Restart();
            // Its first heartbeat still echoes the earlier start: not taken...
            EXPECT_EQ(UDP_REPLAYED, Accept(Sealed("s3cret", ok, Stamp(++sequence, partnerClock, heard, session)),
                                          peer.port, ownClock));
            // ...but this machine's report at its start tells the partner the new session.
            heard = g_udpLink.session;
        }
        EXPECT_EQ(UDP_ACCEPTED, Accept(Sealed("s3cret", ok, Stamp(++sequence, partnerClock + 20000, heard, session)),
                                       peer.port, ownClock + 20000));
    }
}

TEST_F(UdpLink, ADatagramRecordedBeforeARestartOrOfALeftSessionIsNeverTakenAgain)
{
    Link("s3cret");
    const uint64_t now = UdpLink_ClockMs();
    const std::string ok = Datagram("PCTWO", "*", "OK");
    const std::string recorded = Sealed("s3cret", ok, Stamp(1, now, g_udpLink.session));
    ASSERT_EQ(UDP_ACCEPTED, Accept(recorded, peer.port, now));
    // The partner starts again: its earlier session is left for good.
    ASSERT_EQ(UDP_ACCEPTED, Accept(Sealed("s3cret", ok, Stamp(1, now, g_udpLink.session, 0xB0B)), peer.port, now));
    EXPECT_EQ(UDP_REPLAYED, Accept(Sealed("s3cret", ok, Stamp(9, now, g_udpLink.session)), peer.port, now));
    // This machine starts again: what was recorded before is refused.
    UdpLink_Restart();
    EXPECT_EQ(UDP_REPLAYED, Accept(recorded, peer.port, now));
    EXPECT_STREQ("", text);
}

TEST_F(UdpLink, WithASecretAPartnersMailslotDatagramsAreNeitherObeyedNorHeard)
{
    for (const char* secret : {"", "s3cret"}) {
        SCOPED_TRACE(secret);
        const std::string vorbin = UniqueTitle("Vorbin <Host> slot");
        Link(secret);
        Configure("[Common]\nPing=PCTWO\n[PartnerLink]\nPort=" + std::to_string(port) +
                  "\nListen=127.0.0.1\nSecret=" + secret + "\nPCTWO=127.0.0.1:" +
                  std::to_string(peer.port) + "\n[ByMessage]\n" + vorbin + "=v.exe\n");
        const int killsBefore = Occurrences(p.EventLog(), "   Kill: ");
        p.host.Advance(5);
        const int32_t heardBefore = g_pingList.entries[0].lastHeard;
        lines.clear();
        Deliver("PCTWO", "*", "OK");
        Deliver("PCTWO", "*", "KILLVORBIN");
        Partner_Tick();
        const bool taken = !secret[0];
        EXPECT_EQ(taken, g_pingList.entries[0].lastHeard != heardBefore);
        EXPECT_EQ(taken ? 1 : 0, Occurrences(p.EventLog(), "   Kill: ") - killsBefore);
        EXPECT_EQ(taken, !lines.empty());
    }
}

// 10,000 datagrams from a foreign port, a batch a second, with the partner's heartbeat among
// them: it is taken in its own second.
TEST_F(UdpLink, AFloodFromAForeignPortCannotKeepTheHeartbeatOut)
{
    Link("s3cret");
    PeerSocket flooder;
    const std::string junk = Sealed("s3cret", Datagram("PCTWO", "*", "OK"), Stamp(1, UdpLink_ClockMs()));
    const int kBatches = 66, kBatch = 152, kHeartbeatBatch = 40;
    int receivedAfter = -1;
    for (int b = 0; b < kBatches && receivedAfter < 0; ++b) {
        if (b == kHeartbeatBatch) peer.SendTo(port, Sealed("s3cret", Datagram("PCTWO", "*", "beat"), Next()));
        for (int i = 0; i < kBatch; ++i) flooder.SendTo(port, junk);
        UdpLink_Receive();
        if (b >= kHeartbeatBatch && Line().find("beat") != std::string::npos) receivedAfter = b;
    }
    EXPECT_EQ(kHeartbeatBatch, receivedAfter) << Line();
    EXPECT_GT(g_udpLink.drops[UDP_UNKNOWN_SENDER], (uint32_t)(kHeartbeatBatch * kBatch / 2));
    EXPECT_EQ(0u, g_udpLink.drops[UDP_FORGED]);  // no code was computed for them
}
