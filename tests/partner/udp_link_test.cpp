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

std::string Sealed(const char* secret, const std::string& plain, uint64_t counter)
{
    std::string buffer = plain + std::string(LINK_TRAILER_SIZE, '\0');
    const int size = LinkAuth_Seal(secret, (unsigned char*)&buffer[0], (int)plain.size(), counter);
    buffer.resize(size);
    return buffer;
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
    const std::string sealed = Sealed("pair secret", plain, 0x0102030405060708ull);
    ASSERT_EQ(plain.size() + LINK_TRAILER_SIZE, sealed.size());
    uint64_t counter = 0;
    EXPECT_EQ((int)plain.size(), LinkAuth_Open("pair secret", (const unsigned char*)sealed.data(),
                                               (int)sealed.size(), &counter));
    EXPECT_EQ(0x0102030405060708ull, counter);
    EXPECT_EQ(-1, LinkAuth_Open("pair secreT", (const unsigned char*)sealed.data(),
                                (int)sealed.size(), &counter));
    for (size_t i = 0; i < sealed.size(); ++i) {
        std::string changed = sealed;
        changed[i] ^= 0x20;
        EXPECT_EQ(-1, LinkAuth_Open("pair secret", (const unsigned char*)changed.data(),
                                    (int)changed.size(), &counter))
            << i;
    }
    EXPECT_EQ(-1, LinkAuth_Open("pair secret", (const unsigned char*)sealed.data(),
                                LINK_TRAILER_SIZE - 1, &counter));
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
    // The partner's counter: near the clock and always growing, as the link makes it.
    uint64_t Next()
    {
        const uint64_t now = UdpLink_ClockMs();
        last = now > last ? now : last + 1;
        return last;
    }
    PeerSocket peer;
    uint16_t port = 0;
    uint64_t last = 0;
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
        const std::string control = secret[0] ? Sealed(secret, good, now) : good;
        ASSERT_EQ(UDP_ACCEPTED, Accept(control, peer.port, now));
        uint64_t counter = now + 1;
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
                if (secret[0] && (k & 1)) bytes = Sealed(secret, bytes, ++counter);
                const int verdict = Accept(bytes, peer.port, now);
                EXPECT_NE(UDP_ACCEPTED, verdict) << size << " " << k;
                EXPECT_STREQ("", text);
            }
        }
    }
}

TEST_F(UdpLink, OnlyThePartnersAddressWithTheRightCodeAndAFreshCounter)
{
    Link("s3cret");
    const uint64_t now = 13000000000000ull;
    const std::string ok = Datagram("PCTWO", "*", "OK");
    struct Case {
        std::string bytes;
        uint16_t fromPort;
        int verdict;
    } cases[] = {
        {Sealed("s3cret", ok, now), peer.port, UDP_ACCEPTED},
        {Sealed("s3cret", ok, now), peer.port, UDP_REPLAYED},          // the same again
        {Sealed("s3cret", ok, now - 1), peer.port, UDP_REPLAYED},      // an older one
        {Sealed("wrong", ok, now + 1), peer.port, UDP_FORGED},
        {ok, peer.port, UDP_FORGED},                                   // no code at all
        {Sealed("s3cret", ok, now + 2), (uint16_t)(peer.port + 1), UDP_UNKNOWN_SENDER},
        {Sealed("s3cret", Datagram("PCNINE", "*", "OK"), now + 3), peer.port, UDP_UNKNOWN_SENDER},
        {Sealed("s3cret", ok, now + LINK_CLOCK_WINDOW_MS + 10), peer.port, UDP_REPLAYED},
        {Sealed("s3cret", Datagram("pctwo", "PCONE", "KILLVORBIN"), now + 4), peer.port,
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
    uint64_t counter = 0;
    const int plain = LinkAuth_Open("s3cret", (const unsigned char*)received.data(),
                                    (int)received.size(), &counter);
    ASSERT_GT(plain, 0);
    EXPECT_EQ(Datagram("PCONE", "*", "OK"), received.substr(0, plain));
    EXPECT_EQ(std::vector<std::string>{"PCONE|*|OK"}, Sent());

    // The partner's "Starting" arrives both ways: answered once.
    const std::string starting = Datagram("PCTWO", "*", "Starting\tOK");
    Deliver("PCTWO", "*", "Starting\tOK");
    peer.SendTo(port, Sealed("s3cret", starting, Next()));
    ASSERT_TRUE(WaitUntil(
        [&] {
            Partner_Tick();
            return !lines.empty();
        },
        5000));
    // Give the UDP copy time to be read, then count the answers.
    peer.SendTo(port, Sealed("s3cret", Datagram("PCTWO", "*", "marker"), Next()));
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
                                           "unknown sender, 1 forged, 0 replayed or clock off)"));
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
                                  "sender, 2 forged, 0 replayed or clock off)"));
    EXPECT_EQ(0, Occurrences(log, "   Kill: "));
    for (const std::string& line : lines) EXPECT_EQ(std::string::npos, line.find("KILLVORBIN"));
}
