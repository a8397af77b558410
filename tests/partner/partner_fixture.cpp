#include "partner_fixture.h"
#include "core/config.h"
#include "core/display.h"
#include "core/str.h"
#include "partner/mailslot.h"
#include "partner/partner_duties.h"
#include "partner/partner_state.h"
#include "partner/udp_link.h"
#include "support/pass_helpers.h"
#include <stdio.h>

static PartnerTest* s_current = nullptr;

void PartnerTest::SetUp()
{
    s_current = this;
    static int serial = 0;
    char prefix[96];
    snprintf(prefix, sizeof(prefix), "\\\\.\\mailslot\\custor_partner_%lu_%d\\",
             GetCurrentProcessId(), ++serial);
    MAILSLOT_ResetState();
    g_mailslot.enabled = 1;
    MAILSLOT_SetTargetPrefix(prefix);
    sentSlot_ = CreateMailslotA((std::string(prefix) + "Custor").c_str(), 0, 0, nullptr);
    ownName_ = std::string(prefix) + "own";
    ownSlot_ = CreateMailslotA(ownName_.c_str(), 0, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, sentSlot_);
    ASSERT_NE(INVALID_HANDLE_VALUE, ownSlot_);
    g_ownSlot = ownSlot_;

    Partner_Reset();
    UdpLink_Close();
    g_udpLink = UDP_LINK_STATE{};
    Display_UseNone();
    g_display.machineSyncLine = [](const char* text) { s_current->lines.push_back(text); };
    STR_ncpy(g_paths.computerName, "PCONE", sizeof(g_paths.computerName) - 1);
}

void PartnerTest::TearDown()
{
    UdpLink_Close();
    Display_UseNone();
    g_ownSlot = INVALID_HANDLE_VALUE;
    CloseHandle(ownSlot_);
    CloseHandle(sentSlot_);
    MAILSLOT_ResetState();
    Partner_Reset();
    s_current = nullptr;
}

void PartnerTest::Configure(const std::string& ini)
{
    p.WriteConfig(ini);
    ReadConfiguration(nullptr, true);
}

void PartnerTest::Deliver(const std::string& sender, const std::string& recipient,
                          const std::string& text)
{
    const std::string bytes = sender + '\0' + recipient + '\0' + text + '\0';
    HANDLE target = CreateFileA(ownName_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, target);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(target, bytes.data(), (DWORD)bytes.size(), &written, nullptr));
    CloseHandle(target);
}

std::vector<std::string> PartnerTest::Sent()
{
    std::vector<std::string> sent;
    for (;;) {
        DWORD next = 0, count = 0;
        if (!GetMailslotInfo(sentSlot_, nullptr, &next, &count, nullptr) ||
            next == MAILSLOT_NO_MESSAGE)
            break;
        std::string buffer(next + 1, '\0');
        DWORD got = 0;
        if (!ReadFile(sentSlot_, &buffer[0], next + 1, &got, nullptr)) break;
        buffer.resize(got);
        if (!buffer.empty() && buffer.back() == '\0') buffer.pop_back();
        for (char& c : buffer)
            if (c == '\0') c = '|';
        sent.push_back(buffer);
    }
    return sent;
}

void PartnerTest::Seconds(int count)
{
    for (int i = 0; i < count; ++i) {
        p.host.Advance(1);
        Partner_Tick();
    }
}

int PingEvents(const std::string& log) { return Occurrences(log, "   Ping: No response from "); }
