#include <string>

#include "mailslot_fixture.h"

using namespace std::string_literals;

class MailslotWrite : public MailslotTest {
protected:
    void SetUp() override
    {
        MailslotTest::SetUp();
        common = MakeSlot("tarnwell");
        MAILSLOT_Start("Custor", 0, 0, 0);
    }
    HANDLE common = INVALID_HANDLE_VALUE;
};

TEST_F(MailslotWrite, DatagramIsSenderRecipientTextEachZeroTerminated)
{
    char text[] = "Custor: All OK!";
    ASSERT_EQ(1, MAILSLOT_Write(text, NULL, NULL, NULL));
    std::string got;
    ASSERT_TRUE(Receive(common, &got));
    EXPECT_EQ("_" + ComputerSender() + "\0*\0Custor: All OK!\0"s, got);

    // An explicit recipient: the own name without "_"; explicit sender: used unchanged.
    HANDLE own = MakeSlot(Unique("Custor"));
    ASSERT_EQ(1, MAILSLOT_Write("OK", "*", NULL, Unique("Custor").c_str()));
    ASSERT_EQ(1, MAILSLOT_Write("KILLVORBIN", "SERVER2", "SERVER1", Unique("Custor").c_str()));
    ASSERT_TRUE(Receive(own, &got));
    EXPECT_EQ(ComputerSender() + "\0*\0OK\0"s, got);
    ASSERT_TRUE(Receive(own, &got));
    EXPECT_EQ("SERVER1\0SERVER2\0KILLVORBIN\0"s, got);
    EXPECT_TRUE(Nothing(common));
}

TEST_F(MailslotWrite, UnderscoresInsideFieldsStay)
{
    ASSERT_EQ(1, MAILSLOT_Write("disk_c_full", "ops_team", "srv_1", "tarnwell"));
    std::string got;
    ASSERT_TRUE(Receive(common, &got));
    EXPECT_EQ("srv_1\0ops_team\0disk_c_full\0"s, got);
}

TEST_F(MailslotWrite, TextIsCutSoThatAllThreeHold420Characters)
{
    const std::string sender(15, 's'), recipient(5, 'r');
    const std::string text(500, 't');
    ASSERT_EQ(1, MAILSLOT_Write(text.c_str(), recipient.c_str(), sender.c_str(), NULL));
    std::string got;
    ASSERT_TRUE(Receive(common, &got));
    EXPECT_EQ(423u, got.size());
    EXPECT_EQ(sender + '\0' + recipient + '\0' + std::string(400, 't') + '\0', got);

    // Exactly 420 goes out whole, one more is cut by one.
    ASSERT_EQ(1, MAILSLOT_Write(text.substr(0, 400).c_str(), "rrrrr", sender.c_str(), NULL));
    ASSERT_TRUE(Receive(common, &got));
    EXPECT_EQ(423u, got.size());
    ASSERT_EQ(1, MAILSLOT_Write(text.substr(0, 399).c_str(), "rrrrr", sender.c_str(), NULL));
    ASSERT_TRUE(Receive(common, &got));
    EXPECT_EQ(422u, got.size());
}

TEST_F(MailslotWrite, SenderAndRecipientOver420AreNotSent)
{
    const std::string sender(300, 's'), recipient(121, 'r');
    EXPECT_EQ(0, MAILSLOT_Write("x", recipient.c_str(), sender.c_str(), NULL));
    EXPECT_TRUE(Nothing(common));
    // 420 exactly leaves an empty text.
    EXPECT_EQ(1, MAILSLOT_Write("x", recipient.substr(1).c_str(), sender.c_str(), NULL));
    std::string got;
    ASSERT_TRUE(Receive(common, &got));
    EXPECT_EQ(sender + '\0' + recipient.substr(1) + '\0' + '\0', got);
}

TEST_F(MailslotWrite, AtRecipientGoesToChatGatewayWhateverTheSlot)
{
    HANDLE gateway = MakeSlot("talkgw");
    HANDLE own = MakeSlot(Unique("Custor"));
    ASSERT_EQ(1, MAILSLOT_Write("hello", "ops@example.com", "me", Unique("Custor").c_str()));
    std::string got;
    ASSERT_TRUE(Receive(gateway, &got));
    EXPECT_EQ("me\0ops@example.com\0hello\0"s, got);
    EXPECT_TRUE(Nothing(own));
    EXPECT_TRUE(Nothing(common));
}

TEST_F(MailslotWrite, NotePopIsTheDefaultRecipientAndEmptyDisablesSending)
{
    SetRegistry("NotePop", "ADMINPC");
    MAILSLOT_Start("Custor", 0, 0, 0);
    ASSERT_EQ(1, MAILSLOT_Write("note", NULL, NULL, NULL));
    std::string got;
    ASSERT_TRUE(Receive(common, &got));
    EXPECT_EQ("_" + ComputerSender() + "\0ADMINPC\0note\0"s, got);

    SetRegistry("NotePop", "");
    MAILSLOT_Start("Custor", 0, 0, 0);
    EXPECT_EQ(0, MAILSLOT_Write("note", NULL, NULL, NULL));
    EXPECT_EQ(0, MAILSLOT_Write("OK", "*", "SERVER1", NULL));
    EXPECT_TRUE(Nothing(common));
}

TEST_F(MailslotWrite, NoReceiverMeansNotWritten)
{
    EXPECT_EQ(0, MAILSLOT_Write("OK", "*", NULL, Unique("nobody").c_str()));
    EXPECT_EQ(0, MAILSLOT_ismymessage(("_" + ComputerSender()).c_str()));
}

TEST_F(MailslotWrite, StartNoticeOnlyWhenUpMoreThan100Seconds)
{
    host.ticks = 100000;
    MAILSLOT_Start("Custor", 1, 5, 6);
    EXPECT_TRUE(Nothing(common));

    host.ticks = 100001;
    MAILSLOT_Start("Custor", 1, 5, 6);
    std::string got;
    ASSERT_TRUE(Receive(common, &got));
    EXPECT_EQ("_" + ComputerSender() + "\0*\0Start Custor V1.56\0"s, got);
}

TEST_F(MailslotWrite, OwnEchoIsRecognisedForOneSecondAfterSending)
{
    const std::string own = "_" + ComputerSender();
    std::string lower = own;
    for (char& c : lower)
        c = (char)tolower((unsigned char)c);
    EXPECT_EQ(0, MAILSLOT_ismymessage(own.c_str()));  // nothing sent yet

    ASSERT_EQ(1, MAILSLOT_Write("Custor: Problem detected!", NULL, NULL, NULL));
    EXPECT_EQ(1, MAILSLOT_ismymessage(own.c_str()));
    EXPECT_EQ(1, MAILSLOT_ismymessage(lower.c_str()));
    EXPECT_EQ(0, MAILSLOT_ismymessage(own.substr(1).c_str()));  // without "_"
    EXPECT_EQ(0, MAILSLOT_ismymessage("_Server9"));
    host.AdvanceMs(999);
    EXPECT_EQ(1, MAILSLOT_ismymessage(own.c_str()));
    host.AdvanceMs(1);
    EXPECT_EQ(0, MAILSLOT_ismymessage(own.c_str()));

    // Across the wrap of the tick counter.
    host.ticks = 0xFFFFFF00u;
    ASSERT_EQ(1, MAILSLOT_Write("again", NULL, NULL, NULL));
    host.AdvanceMs(0x200);
    EXPECT_EQ(1, MAILSLOT_ismymessage(own.c_str()));
}
