#include "partner_fixture.h"
#include "core/config.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "partner/partner_commands.h"
#include "partner/partner_duties.h"
#include "support/pass_helpers.h"
#include "support/thread_window.h"
#include <memory>

using PartnerCommands = PartnerTest;

namespace {
// Programs of this test process only, so a kill by name cannot reach anything else.
std::string Named(const char* name) { return UniqueTitle(name); }

int Kills(const std::string& log, const std::string& pattern)
{
    return Occurrences(log, "   Kill: " + Upper(pattern) + "\r\n");
}
int Ends(const std::string& log, const std::string& pattern)
{
    return Occurrences(log, "    End: " + Upper(pattern) + "\r\n");
}
}  // namespace

TEST_F(PartnerCommands, KillVorbinObeyedOnlyFromAPartnerToUsOrEverybody)
{
    const std::string vorbinA = Named("Vorbin <Host> A");
    const std::string vorbinB = Named("vorbin <HOST> b");
    const std::string fax = Named("Fax Vorbin Host");
    Configure("[Common]\nPing=PCTWO\n[ByMessage]\n" + vorbinA + "=x.exe\n" + vorbinB +
              "=y.exe\n" + fax + "=z.exe\n");
    struct Case {
        const char* sender;
        const char* recipient;
        const char* text;
        bool obeyed;
    } cases[] = {
        {"PCTWO", "PCNINE", "KILLVORBIN", false},
        {"PCNINE", "*", "KILLVORBIN", false},
        {"PCTWO", "*", "killvorbin", false},
        {"PCTWO", "*", "KILLVORBIN", true},
        {"pctwo", "Pcone", "KILLVORBIN", true},
    };
    int expected = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sender) + "/" + c.recipient + "/" + c.text);
        p.host.Advance(3);
        Deliver(c.sender, c.recipient, c.text);
        Partner_Tick();
        expected += c.obeyed ? 1 : 0;
        const std::string log = p.EventLog();
        EXPECT_EQ(expected, Kills(log, vorbinA));
        EXPECT_EQ(expected, Kills(log, vorbinB));
        EXPECT_EQ(0, Kills(log, fax));
    }
    // A kill order is no sign of life.
    p.host.Advance(30);
    Deliver("PCTWO", "*", "KILLVORBIN");
    Partner_Tick();
    EXPECT_EQ(expected + 1, Kills(p.EventLog(), vorbinA));
    EXPECT_FALSE(Partner_IsResponding("PCTWO"));
}

TEST_F(PartnerCommands, KillCommandGoesToThatPartnerOnly)
{
    Configure("[Common]\nPing=PCTWO,PCTHREE\n");
    const struct {
        int partner;
        std::vector<std::string> sent;
    } cases[] = {
        {0, {"PCONE|PCTWO|KILLVORBIN"}},
        {1, {"PCONE|PCTHREE|KILLVORBIN"}},
        {2, {}},
        {-1, {}},
        {9, {}},
    };
    for (const auto& c : cases) {
        Partner_KillVorbin(c.partner);
        EXPECT_EQ(c.sent, Sent()) << c.partner;
    }
}

TEST_F(PartnerCommands, StopAllSparesExactlyTheTelephonyServers)
{
    const std::string title = Named("Title Program");
    const std::string vorbin = Named("VorBin <hOST> One");
    const std::string nearly = Named("Vorbin<Host> Two");
    const std::string other = Named("Mail Server");
    Configure("[ByTitle]\n" + title + "=a.exe\n[ByMessage]\n" + vorbin + "=b.exe\n" + nearly +
              "=c.exe\n" + other + "=d.exe\n");
    ASSERT_EQ(1, g_titleTable.count);
    ASSERT_EQ(3, g_messageTable.count);
    std::unique_ptr<ThreadWindow> windows[4];
    SERVICE_ENTRY* entries[4] = {&g_titleTable.entries[0], &g_messageTable.entries[0],
                                 &g_messageTable.entries[1], &g_messageTable.entries[2]};
    for (int i = 0; i < 4; ++i) {
        windows[i].reset(new ThreadWindow(Named("stop all window").c_str()));
        entries[i]->window = windows[i]->hwnd();
    }
    Partner_StopAllServices();

    const bool stopped[4] = {true, false, true, true};
    const std::string names[4] = {title, vorbin, nearly, other};
    const std::string log = p.EventLog();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(stopped[i] ? 1 : 0, Ends(log, names[i]));
        const auto closes = windows[i]->Received(WM_CLOSE);
        const auto sysCommands = windows[i]->Received(WM_SYSCOMMAND);
        EXPECT_EQ(stopped[i] ? 1u : 0u, closes.size());
        ASSERT_EQ(stopped[i] ? 1u : 0u, sysCommands.size());
        if (stopped[i]) {
            EXPECT_EQ((WPARAM)SC_CLOSE, sysCommands[0].wParam);
        }
    }
}

TEST_F(PartnerCommands, StopAllAndEndAsksThenEndsThroughTheEndCommand)
{
    const std::string program = Named("Stop All Program");
    Configure("[ByTitle]\n" + program + "=a.exe\n");
    HWND client = CreateWindowA("STATIC", "stop all client", 0, 0, 0, 0, 0, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(nullptr, client);
    g_supervision.clientWindow = client;
    for (int answer : {IDNO, IDYES}) {
        p.host.messageBoxAnswer = answer;
        Partner_StopAllAndEnd();
        MSG msg;
        const bool posted = PeekMessageA(&msg, client, WM_COMMAND, WM_COMMAND, PM_REMOVE) != 0;
        EXPECT_EQ(answer == IDYES, posted);
        if (posted) {
            EXPECT_EQ(21u, LOWORD(msg.wParam));
        }
        EXPECT_EQ(answer == IDYES ? 1 : 0, Ends(p.EventLog(), program));
    }
    EXPECT_EQ(2u, p.host.messageBoxes.size());
    EXPECT_EQ("Custor|Really stop Custor together with all configured applications?\n",
              p.host.messageBoxes[0]);
    g_supervision.clientWindow = nullptr;
    DestroyWindow(client);
}

TEST_F(PartnerCommands, ActivationSwitchesListsAndCounters)
{
    const std::string a = Named("Active Title"), b = Named("Stopped Title");
    const std::string c = Named("Active Message"), d = Named("Stopped Message");
    const std::string ini = "[COMMON]\nActive=1\n[Timing]\nNotRunningError=%d\n[ByTitle]\n" + a +
                            "=a.exe\n[ByTitle_Stopped]\n" + b + "=b.exe\n[ByMessage]\n" + c +
                            "=c.exe\n[ByMessage_Stopped]\n" + d + "=d.exe\n";
    struct Case {
        int notRunningError;
        bool activate;
        int answer;
        bool active;
        const char* firstTitle;
        uint32_t counter;
    } cases[] = {
        {30, false, IDCANCEL, true, "a", 0},
        {30, false, IDOK, false, "b", 18},
        {30, true, IDOK, true, "a", 18},
        {5, false, IDOK, false, "b", 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.notRunningError) + (k.activate ? " activate" : " deactivate"));
        char text[1000];
        snprintf(text, sizeof(text), ini.c_str(), k.notRunningError);
        g_supervision.active = !k.activate;
        Configure(text);
        for (SERVICE_TABLE* t : {&g_titleTable, &g_messageTable})
            for (int i = 0; i < t->count; ++i) t->entries[i].colour = 2;
        p.host.messageBoxAnswer = k.answer;
        p.host.messageBoxes.clear();
        const int32_t before = p.host.Now();
        const std::string& left = k.activate ? b : a;
        const int endsBefore = Ends(p.EventLog(), left);
        if (k.activate) {
            Partner_ActivateAll();
        } else {
            Partner_DeactivateAll();
        }
        ASSERT_EQ(1u, p.host.messageBoxes.size());
        EXPECT_EQ(0u, p.host.messageBoxes[0].find("Warning|Do you really want to "));
        EXPECT_EQ(k.active, g_supervision.active);
        const bool changed = k.answer == IDOK;
        EXPECT_EQ(changed ? 2 : 0, p.host.Now() - before);  // the wait for the programs to close
        char stored[10];
        GetPrivateProfileStringA("Common", "Active", "", stored, sizeof(stored), g_paths.configFile);
        EXPECT_STREQ(k.active ? "1" : "0", stored);
        if (!changed) continue;
        const std::string& title = k.firstTitle[0] == 'a' ? a : b;
        const std::string& message = k.firstTitle[0] == 'a' ? c : d;
        ASSERT_EQ(1, g_titleTable.count);
        ASSERT_EQ(1, g_messageTable.count);
        EXPECT_STREQ(title.c_str(), g_titleTable.entries[0].name);
        EXPECT_STREQ(message.c_str(), g_messageTable.entries[0].name);
        for (SERVICE_TABLE* t : {&g_titleTable, &g_messageTable}) {
            EXPECT_EQ(k.counter, t->entries[0].counter);
            EXPECT_EQ(0, t->entries[0].colour);
        }
        // The programs of the list left behind were stopped.
        EXPECT_EQ(endsBefore + 1, Ends(p.EventLog(), left));
    }
}

TEST_F(PartnerCommands, TransferIsRefusedWhilePartnerSilentOrMachineInactive)
{
    struct Case {
        bool automatic;
        bool active;
        bool partnerHeard;
        int answer;
        const char* box;  // caption of the one question or error, "" for none
    } cases[] = {
        {false, true, false, IDOK, "Error|The other machine is not responding to pings!"},
        {true, true, false, IDOK, ""},
        {true, false, true, IDOK, ""},
        {false, false, true, IDCANCEL, "Error|This machine is currently not active."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.automatic) + std::to_string(c.active) +
                     std::to_string(c.partnerHeard));
        Configure("[Common]\nPing=PCTWO\n[FileSync]\nPing=PCTWO\n");
        g_supervision.active = c.active;
        p.host.Advance(c.partnerHeard ? 24 : 25);
        p.host.messageBoxAnswer = c.answer;
        p.host.messageBoxes.clear();
        EXPECT_FALSE(Partner_RequestTransfer(c.automatic));
        if (c.box[0]) {
            ASSERT_EQ(1u, p.host.messageBoxes.size());
            EXPECT_EQ(0u, p.host.messageBoxes[0].find(c.box));
        } else {
            EXPECT_TRUE(p.host.messageBoxes.empty());
        }
    }
}
