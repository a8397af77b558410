#include <string>

#include "mailslot_fixture.h"

using namespace std::string_literals;

class MailslotOpen : public MailslotTest {
protected:
    void TearDown() override
    {
        if (own != INVALID_HANDLE_VALUE)
            CloseHandle(own);
        MailslotTest::TearDown();
    }
    // Opens the own slot as the program does, but under a name of this test.
    HANDLE Open(int noUserSlot)
    {
        own = MAILSLOT_Open(name.c_str(), noUserSlot);
        return own;
    }
    std::string UserSlot() const { return name + "_usr\\" + UserName(); }

    std::string name = Unique("Custor");
    HANDLE own = INVALID_HANDLE_VALUE;
    char sender[MAILSLOT_FIELD_SIZE], recipient[MAILSLOT_FIELD_SIZE], text[MAILSLOT_FIELD_SIZE];
};

TEST_F(MailslotOpen, OwnSlotReceivesPartnerReports)
{
    const DWORD ticks = host.ticks;
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(0));
    EXPECT_EQ(ticks, host.ticks);  // no waiting
    EXPECT_EQ(0, g_mailslot.userMode);

    // Opening enables sending: a report to the own slot name arrives on it.
    ASSERT_EQ(1, MAILSLOT_Write("Starting\tOK", "*", "SERVER1", name.c_str()));
    EXPECT_EQ(0, MAILSLOT_Read(own, sender, recipient, text));
    EXPECT_STREQ("SERVER1", sender);
    EXPECT_STREQ("*", recipient);
    EXPECT_STREQ("Starting\tOK", text);

    EXPECT_EQ(1, MAILSLOT_Exit(own, name.c_str()));
    own = INVALID_HANDLE_VALUE;
    EXPECT_EQ(0, MAILSLOT_Write("late", "*", "SERVER1", name.c_str()));
    // The name is free again once the slot is closed.
    MakeSlot(name);
}

TEST_F(MailslotOpen, SlotHeldByAnotherProcessFallsBackToPerUserSlot)
{
    HANDLE holder = MakeSlot(name);
    const DWORD ticks = host.ticks;
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(0));
    EXPECT_EQ(ticks + 1000, host.ticks);  // one retry after a second
    EXPECT_EQ(1, g_mailslot.userMode);

    // The holder is told which user receives on a per-user slot now.
    EXPECT_EQ(0, MAILSLOT_Read(holder, sender, recipient, text));
    EXPECT_STREQ("?", sender);
    EXPECT_STREQ("*", recipient);
    EXPECT_EQ("::" + UserName(), text);

    // The per-user slot is the one returned; user mode sends under the user name.
    ASSERT_TRUE(Send(UserSlot(), "Server2\0*\0OK\0"s));
    EXPECT_EQ(0, MAILSLOT_Read(own, sender, recipient, text));
    EXPECT_STREQ("Server2", sender);
    ASSERT_EQ(1, MAILSLOT_Write("hi", NULL, NULL, name.c_str()));
    EXPECT_EQ(0, MAILSLOT_Read(holder, sender, recipient, text));
    EXPECT_EQ("_" + UserName(), sender);
    EXPECT_EQ(1, MAILSLOT_ismymessage(sender));

    // Ending unregisters the user and gives the holder half a second.
    const DWORD before = host.ticks;
    EXPECT_EQ(1, MAILSLOT_Exit(own, name.c_str()));
    own = INVALID_HANDLE_VALUE;
    EXPECT_EQ(before + 500, host.ticks);
    EXPECT_EQ(0, MAILSLOT_Read(holder, sender, recipient, text));
    EXPECT_EQ(":!" + UserName(), text);
    EXPECT_FALSE(Send(UserSlot(), "x\0"s));
}

TEST_F(MailslotOpen, SlotProxyForceSelectsUserModeAtOnce)
{
    HANDLE holder = MakeSlot(name);
    SetRegistry("SlotProxy_Force", "1");
    const DWORD ticks = host.ticks;
    ASSERT_NE(INVALID_HANDLE_VALUE, Open(0));
    EXPECT_EQ(ticks, host.ticks);
    EXPECT_EQ(1, g_mailslot.userMode);
    EXPECT_EQ(0, MAILSLOT_Read(holder, sender, recipient, text));
    EXPECT_EQ("::" + UserName(), text);
}

TEST_F(MailslotOpen, WithoutUserSlotAHeldNameGivesNoSlotButSendingWorks)
{
    HANDLE holder = MakeSlot(name);
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(1));
    EXPECT_TRUE(Nothing(holder));  // no announcement
    EXPECT_EQ(0, MAILSLOT_Read(own, sender, recipient, text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(1, MAILSLOT_Write("OK", "*", "SERVER1", name.c_str()));
}
