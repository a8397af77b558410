#include "partner_fixture.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "partner/partner_commands.h"
#include "partner/partner_duties.h"
#include "partner/partner_state.h"
#include "support/pass_helpers.h"

using PartnerTick = PartnerTest;

TEST_F(PartnerTick, StatesBySilence)
{
    struct Case {
        int silent;
        const char* line;
        bool problem;
        bool responding;
    } cases[] = {
        {24, "", false, true},
        {25, " Warning PC \"PCTWO\" not responding", false, false},
        {184, " Warning PC \"PCTWO\" not responding", false, false},
        {185, " Problem with PC \"PCTWO\"", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.silent);
        Configure("[Common]\nPing=PCTWO\n");
        lines.clear();
        p.host.Advance(c.silent);
        Partner_Tick();
        EXPECT_EQ(c.line, Line());
        EXPECT_EQ(c.problem, g_supervision.deactivatedByPartner);
        EXPECT_EQ(c.responding, Partner_IsResponding("pctwo"));
        EXPECT_EQ(c.problem ? 1 : 0, PingEvents(p.EventLog()));
        // A report brings the partner back at once.
        Deliver("PCTWO", "*", "OK " + std::to_string(c.silent));
        Partner_Tick();
        EXPECT_FALSE(g_supervision.deactivatedByPartner);
        EXPECT_TRUE(Partner_IsResponding("PCTWO"));
        Sent();
    }
}

TEST_F(PartnerTick, OneProblemEventPerEpisodeWithTwoPartners)
{
    Configure("[Common]\nPing=PCTWO,PCTHREE\n");
    // PCTHREE keeps reporting for a while, PCTWO is silent from the start.
    for (int s = 0; s < 100; s += 10) {
        Seconds(10);
        Deliver("PCTHREE", "*", "OK " + std::to_string(s));
    }
    Seconds(85);  // PCTWO silent for 185 s
    EXPECT_TRUE(g_supervision.deactivatedByPartner);
    // Later partners overwrite the line of earlier ones.
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(" Problem with PC \"PCTWO\"", lines[lines.size() - 2]);
    EXPECT_EQ(" Warning PC \"PCTHREE\" not responding", Line());
    EXPECT_EQ(1, PingEvents(p.EventLog()));
    Seconds(120);  // PCTHREE now in problem too: the same episode
    EXPECT_EQ(" Problem with PC \"PCTHREE\"", Line());
    EXPECT_EQ(1, PingEvents(p.EventLog()));

    // Both report again: the episode ends, and the next silence is a new one.
    Deliver("PCTWO", "*", "OK");
    Deliver("PCTHREE", "*", "OK");
    Seconds(1);
    EXPECT_FALSE(g_supervision.deactivatedByPartner);
    Seconds(185);
    EXPECT_EQ(2, PingEvents(p.EventLog()));
    EXPECT_NE(std::string::npos, p.EventLog().find("   Ping: No response from PCTWO"));
}

TEST_F(PartnerTick, MachineSyncLineByNumberOfPartners)
{
    struct Case {
        const char* ping;
        const char* expected;
    } cases[] = {
        {"PCTHREE", "PCTHREE: Errors (14:07:10)"},
        {"PCTWO,PCTHREE", "PCTWO: OK (14:07:10)     PCTHREE: Errors (14:07:10)"},
        {"PCTWO,PCTHREE,PCFOUR", "PCTHREE: Errors (14:07:10)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ping);
        p.host.SetTime(2024, 3, 5, 14, 7, 9);
        Partner_Reset();
        Configure(std::string("[Common]\nPing=") + c.ping + "\n");
        Deliver("PCTWO", "*", "OK");
        Deliver("PCTHREE", "*", "Errors");
        Seconds(1);
        EXPECT_EQ(c.expected, Line());
        Sent();
    }
}

TEST_F(PartnerTick, ReportsEveryTwentySecondsAndWhenTheClockGoesBack)
{
    Configure("[Common]\nPing=PCTWO\n");
    Seconds(1);
    EXPECT_EQ(std::vector<std::string>{"PCONE|*|OK"}, Sent());
    Seconds(19);
    EXPECT_TRUE(Sent().empty());
    g_supervision.notOk = true;
    Seconds(1);
    EXPECT_EQ(std::vector<std::string>{"PCONE|*|Warnings"}, Sent());
    g_supervision.appProblem = true;
    p.host.JumpClock(-60);
    Seconds(1);
    EXPECT_EQ(std::vector<std::string>{"PCONE|*|Errors"}, Sent());
    // A new reading of the configuration makes the report due at once.
    Configure("[Common]\nPing=PCTWO\n");
    Seconds(1);
    EXPECT_EQ(1u, Sent().size());
}

TEST_F(PartnerTick, StartingIsAnsweredAtOnceAndOnlyPartnersToUsCount)
{
    struct Case {
        const char* sender;
        const char* recipient;
        const char* text;
        bool answered;
    } cases[] = {
        {"PCTWO", "*", "Starting\tOK", true},
        {"pctwo", "pcone", "starting", true},
        {"PCTWO", "PCNINE", "Starting\tOK", false},
        {"PCNINE", "*", "Starting\tOK", false},
        {" PCTWO", "*", "Starting\tOK", false},
        {"PCTWO", "*", "OK", false},
    };
    Configure("[Common]\nPing=PCTWO\n");
    Seconds(1);
    Sent();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sender) + "/" + c.recipient + "/" + c.text);
        p.host.Advance(3);  // past the slot's repeat filter
        Deliver(c.sender, c.recipient, c.text);
        Partner_Tick();
        EXPECT_EQ(c.answered ? 1u : 0u, Sent().size());
    }
}

TEST_F(PartnerTick, WithoutPartnersNothingIsSentOrRead)
{
    Configure("[Common]\nPing=\n");
    Deliver("PCTWO", "*", "Starting\tOK");
    Seconds(300);
    Partner_SendStatus("Stopped!");
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(g_supervision.deactivatedByPartner);
    EXPECT_EQ(0, PingEvents(p.EventLog()));
}

TEST_F(PartnerTick, RespondingCheck)
{
    Configure("[Common]\nPing=PCTWO,,PCTHREE\n");
    ASSERT_EQ(2, g_pingList.count);
    p.host.Advance(30);
    Deliver("PCTHREE", "*", "OK");
    Partner_Tick();
    struct Case {
        const char* name;
        bool responding;
    } cases[] = {{"", true}, {"PCTHREE", true}, {"pcthree", true}, {"PCTWO", false},
                 {"PCNINE", false}, {" PCTHREE", false}};
    for (const Case& c : cases) EXPECT_EQ(c.responding, Partner_IsResponding(c.name)) << c.name;
    EXPECT_TRUE(Partner_IsResponding(nullptr));
}
