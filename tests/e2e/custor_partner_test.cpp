#include <winsock2.h>
#include <gtest/gtest.h>
#include "installation.h"
#include "partner_pair.h"
#include "partner/link_auth.h"
#include "support/pass_helpers.h"
#include "support/process_runner.h"
#include <string>

// Two machines of a pair on one box: the test's Custor (this prefix, this computer name)
// and a second machine PCTWO in a prefix and name of its own. They share no mailslots, so
// everything between them goes over the UDP link on the loopback address.
namespace {
const char kSecret[] = "pair e2e secret";
const char kPartnerLine = 107;  // the client's "MachineSync" line

struct Udp {
    Udp()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(0x7f000001);
        bind(s, (const sockaddr*)&local, sizeof(local));
        int size = sizeof(local);
        getsockname(s, (sockaddr*)&local, &size);
        port = ntohs(local.sin_port);
    }
    ~Udp() { closesocket(s); }
    void SendTo(int to, const std::string& bytes) const
    {
        sockaddr_in target = {};
        target.sin_family = AF_INET;
        target.sin_addr.s_addr = htonl(0x7f000001);
        target.sin_port = htons((u_short)to);
        sendto(s, bytes.data(), (int)bytes.size(), 0, (const sockaddr*)&target, sizeof(target));
    }
    SOCKET s;
    int port = 0;
};

// A port free now: the system's pick for a socket that is closed again at once.
int FreePort()
{
    Udp probe;
    return probe.port;
}

std::string MachineSyncLine(HWND frame)
{
    HWND client = FindWindowExA(frame, nullptr, "CustorMain", nullptr);
    char text[600] = "";
    GetWindowTextA(GetDlgItem(client, kPartnerLine), text, sizeof(text));
    return text;
}

std::string Link(int port, const std::string& partner, int partnerPort)
{
    return "[Common]\nPing=" + partner + "\n[PartnerLink]\nPort=" + std::to_string(port) +
           "\nListen=127.0.0.1\nSecret=" + kSecret + "\n" + partner +
           "=127.0.0.1:" + std::to_string(partnerPort) + "\n";
}
}  // namespace

TEST(PartnerPair, HeartbeatsKillOrderForgeryAndSilenceBetweenTwoMachines)
{
    const std::string here = ComputerName();
    ASSERT_NE("PCTWO", here);
    const int portHere = FreePort();
    const int portThere = FreePort();
    ASSERT_NE(portHere, portThere);

    Installation a;
    a.dir.write("custor.ini", Link(portHere, "PCTWO", portThere));

    SecondMachine b("PCTWO");
    CopyFileA((BinDirectory() + "fakesvc.exe").c_str(), b.File("vorbin.exe").c_str(), FALSE);
    const std::string vorbinTitle = "VORBIN <HOST> PAIR " + std::to_string(GetCurrentProcessId());
    b.Write("custor.ini", Link(portThere, here, portHere) +
                              "[Timing]\nNotRunningError=5\n[ByMessage]\nVorbin <Host> pair " +
                              std::to_string(GetCurrentProcessId()) + "=" +
                              FakeCommand(b.File("vorbin.exe"), b.File("vorbin.log"),
                                          vorbinTitle, "--status 0") +
                              "\n");

    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    // A fresh prefix takes a while on a loaded box.
    ASSERT_TRUE(WaitUntil([&] { return b.Log().find(" Custor: Start\r\n") != std::string::npos; },
                          90000))
        << b.Read("wine.out");

    // Heartbeats: the other machine's "Starting" or its first report shows here.
    ASSERT_TRUE(WaitUntil([&] { return MachineSyncLine(a.frame).find("PCTWO: ") == 0; }, 30000))
        << MachineSyncLine(a.frame);

    // The telephony server runs on the other machine; "Kill Vorbin on PC PCTWO" ends it, and
    // the other machine starts it again once it is gone.
    ASSERT_TRUE(WaitUntil([&] { return Occurrences(b.Read("vorbin.log"), "start\n") == 1; },
                          30000));
    const std::string kill = "   Kill: " + Upper("Vorbin <Host> pair " +
                                                 std::to_string(GetCurrentProcessId())) + "\r\n";
    EXPECT_EQ(0, Occurrences(b.Log(), kill));
    PostMessageA(a.frame, WM_COMMAND, 22, 0);
    ASSERT_TRUE(WaitUntil([&] { return Occurrences(b.Log(), kill) == 1; }, 15000)) << b.Log();
    EXPECT_TRUE(WaitUntil([&] { return Occurrences(b.Read("vorbin.log"), "start\n") == 2; },
                          30000));
    EXPECT_EQ(std::string::npos, b.Read("vorbin.log").find("end\n"))
        << "killed, not closed: " << b.Read("vorbin.log");

    // A forged kill order, signed with a guessed secret, does nothing but count as dropped:
    // sent from another port than the partner's, before any code is computed.
    Udp forger;
    const std::string order = here + '\0' + std::string("PCTWO") + '\0' + "KILLVORBIN" + '\0';
    std::string forged = order + std::string(LINK_TRAILER_SIZE, '\0');
    const LINK_STAMP stamp = {0xF00Du, 1, 0, GetTickCount64()};
    forged.resize(LinkAuth_Seal("guessed", (unsigned char*)&forged[0], (int)order.size(), stamp));
    forger.SendTo(portThere, forged);
    EXPECT_TRUE(WaitUntil([&] { return b.Log().find("Partner link: ") != std::string::npos; },
                          15000));
    EXPECT_NE(std::string::npos, b.Log().find(" 1 unknown sender"));
    EXPECT_EQ(1, Occurrences(b.Log(), kill));

    // The other machine goes down: the warning shows here within 30 seconds.
    ASSERT_TRUE(b.Stop());
    EXPECT_TRUE(WaitUntil(
        [&] { return MachineSyncLine(a.frame) == " Warning PC \"PCTWO\" not responding"; }, 30000))
        << MachineSyncLine(a.frame);
}
