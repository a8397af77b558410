#include <string.h>
#include <string>

#include "mailslot_fixture.h"

using namespace std::string_literals;

// Reads from a real local slot that the test fills with exact bytes.
class MailslotRead : public MailslotTest {
protected:
    void SetUp() override
    {
        MailslotTest::SetUp();
        name = Unique("Custor");
        slot = MakeSlot(name);
    }
    int Read() { return MAILSLOT_Read(slot, sender, recipient, text); }

    std::string name;
    HANDLE slot = INVALID_HANDLE_VALUE;
    char sender[MAILSLOT_FIELD_SIZE], recipient[MAILSLOT_FIELD_SIZE], text[MAILSLOT_FIELD_SIZE];
};

TEST_F(MailslotRead, ThreeTwoAndOneStringDatagrams)
{
    ASSERT_TRUE(Send(name, "Server1\0*\0OK\0"s));
    ASSERT_TRUE(Send(name, "Server2\0Warnings\0"s));
    ASSERT_TRUE(Send(name, "::operator\0"s));
    ASSERT_TRUE(Send(name, "srv_1\0ops_team\0a_b\0"s));

    EXPECT_EQ(1, Read());
    EXPECT_STREQ("Server1", sender);
    EXPECT_STREQ("*", recipient);
    EXPECT_STREQ("OK", text);
    EXPECT_EQ(1, Read());
    EXPECT_STREQ("Server2", sender);
    EXPECT_STREQ("*", recipient);
    EXPECT_STREQ("Warnings", text);
    EXPECT_EQ(1, Read());
    EXPECT_STREQ("?", sender);
    EXPECT_STREQ("*", recipient);
    EXPECT_STREQ("::operator", text);
    EXPECT_EQ(0, Read());  // the last one: nothing more waiting
    EXPECT_STREQ("srv_1", sender);
    EXPECT_STREQ("ops_team", recipient);
    EXPECT_STREQ("a_b", text);

    EXPECT_EQ(0, Read());
    EXPECT_STREQ("", text);
    EXPECT_EQ(0, MAILSLOT_Read(INVALID_HANDLE_VALUE, sender, recipient, text));
    EXPECT_STREQ("", text);
}

TEST_F(MailslotRead, WhatTheLibraryWritesReadsBackThroughTheOwnSlot)
{
    MAILSLOT_Start("Custor", 0, 0, 0);
    char long_text[600];
    memset(long_text, 'x', sizeof(long_text) - 1);
    long_text[sizeof(long_text) - 1] = 0;
    ASSERT_EQ(1, MAILSLOT_Write("Stopped!", "*", "SERVER1", name.c_str()));
    ASSERT_EQ(1, MAILSLOT_Write(long_text, "SERVER2", "SERVER1", name.c_str()));
    EXPECT_EQ(1, Read());
    EXPECT_STREQ("SERVER1", sender);
    EXPECT_STREQ("Stopped!", text);
    EXPECT_EQ(0, Read());
    EXPECT_STREQ("SERVER2", recipient);
    EXPECT_EQ(std::string(420 - 14, 'x'), text);
}

TEST_F(MailslotRead, RepeatedCopyWithinTwoSecondsIsDeliveredOnce)
{
    const std::string report = "Server1\0*\0OK\0"s;
    ASSERT_TRUE(Send(name, report));
    ASSERT_TRUE(Send(name, report));
    ASSERT_TRUE(Send(name, "Server1\0*\0Errors\0"s));
    EXPECT_EQ(1, Read());
    EXPECT_STREQ("OK", text);
    EXPECT_EQ(1, Read());  // the copy: nothing delivered, but keep reading
    EXPECT_STREQ("", text);
    EXPECT_STREQ("", sender);
    EXPECT_EQ(0, Read());
    EXPECT_STREQ("Errors", text);

    // Only the last datagram read counts, and only for two seconds of the clock.
    ASSERT_TRUE(Send(name, report));
    EXPECT_EQ(0, Read());
    EXPECT_STREQ("OK", text);
    host.Advance(1);
    ASSERT_TRUE(Send(name, report));
    EXPECT_EQ(1, Read());
    EXPECT_STREQ("", text);
    host.Advance(2);
    ASSERT_TRUE(Send(name, report));
    Read();
    EXPECT_STREQ("OK", text);

    // A clock set back does not turn the next reports into copies.
    host.JumpClock(-3600);
    ASSERT_TRUE(Send(name, report));
    Read();
    EXPECT_STREQ("OK", text);

    // A datagram that is a leading part of the last one is not a copy of it.
    host.Advance(5);
    ASSERT_TRUE(Send(name, "Server1\0*\0OK\0\0"s));
    ASSERT_TRUE(Send(name, report));
    Read();
    EXPECT_STREQ("OK", text);
    Read();
    EXPECT_STREQ("OK", text);
}

TEST_F(MailslotRead, EmptyMessageDoesNotBlockTheSlot)
{
    ASSERT_TRUE(Send(name, ""));
    ASSERT_TRUE(Send(name, "Server1\0*\0OK\0"s));
    for (int i = 0; i < 3 && !text[0]; ++i)
        Read();
    EXPECT_STREQ("OK", text);
}

TEST_F(MailslotRead, OverlongSenderAndRecipientAreCutToTheReceiversBuffers)
{
    const std::string longSender(100, 'S'), longRecipient(200, 'R'), longText(120, 'T');
    ASSERT_TRUE(Send(name, longSender + '\0' + longRecipient + '\0' + longText + '\0'));

    // The partner receiver's buffers: 51 for the names, 99 for the text here; each is
    // followed by guard bytes that must survive.
    struct {
        char sender[51], guard1[8], recipient[51], guard2[8], text[99], guard3[8];
    } in;
    memset(&in, '#', sizeof(in));
    EXPECT_EQ(0, MAILSLOT_ReadEx(slot, in.sender, sizeof(in.sender), in.recipient,
                                 sizeof(in.recipient), in.text, sizeof(in.text)));
    EXPECT_EQ(std::string(50, 'S'), in.sender);
    EXPECT_EQ(std::string(50, 'R'), in.recipient);
    EXPECT_EQ(std::string(98, 'T'), in.text);
    EXPECT_EQ(std::string(8, '#'), std::string(in.guard1, 8));
    EXPECT_EQ(std::string(8, '#'), std::string(in.guard2, 8));
    EXPECT_EQ(std::string(8, '#'), std::string(in.guard3, 8));

    // Outputs the caller does not want are skipped.
    ASSERT_TRUE(Send(name, "a\0b\0c\0"s));
    char only[10];
    EXPECT_EQ(0, MAILSLOT_ReadEx(slot, NULL, 0, NULL, 0, only, sizeof(only)));
    EXPECT_STREQ("c", only);
}

TEST_F(MailslotRead, MessagesAtAndOverTheReadLimit)
{
    // 429 bytes without any zero byte: taken whole as the text, cut to the 429-byte buffer.
    ASSERT_TRUE(Send(name, std::string(MAILSLOT_READ_LIMIT, 'A')));
    // 429 bytes of three strings.
    const std::string full = std::string(200, 's') + '\0' + "*" + '\0' + std::string(225, 't') + '\0';
    ASSERT_EQ(429u, full.size());
    ASSERT_TRUE(Send(name, full));
    // Longer than any datagram: taken out of the slot and dropped, so the next one is read.
    ASSERT_TRUE(Send(name, "big\0*\0"s + std::string(1000, 'B') + '\0'));
    ASSERT_TRUE(Send(name, std::string(MAILSLOT_READ_LIMIT + 1, 'C')));
    ASSERT_TRUE(Send(name, "Server1\0*\0OK\0"s));

    EXPECT_EQ(1, Read());
    EXPECT_STREQ("?", sender);
    EXPECT_EQ(std::string(MAILSLOT_FIELD_SIZE - 1, 'A'), text);
    EXPECT_EQ(1, Read());
    EXPECT_EQ(std::string(200, 's'), sender);
    EXPECT_EQ(std::string(225, 't'), text);
    EXPECT_EQ(1, Read());
    EXPECT_STREQ("", text);
    EXPECT_EQ(1, Read());
    EXPECT_STREQ("", text);
    EXPECT_EQ(0, Read());
    EXPECT_STREQ("Server1", sender);
    EXPECT_STREQ("OK", text);
}
