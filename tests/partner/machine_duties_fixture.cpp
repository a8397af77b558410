#include "machine_duties_fixture.h"
#include "core/display.h"
#include "partner/machine_duties.h"

std::vector<std::string> MachineDutiesTest::uptimeTexts;
int MachineDutiesTest::fits = 0;

void MachineDutiesTest::SetUp()
{
    MailslotTest::SetUp();
    common = MakeSlot("tarnwell");
    MAILSLOT_Start("Custor", 0, 0, 0);
    MachineDuties_Reset();
    SelfUpdate_Reset();
    uptimeTexts.clear();
    fits = 0;
    g_display.uptimeText = [](const char* text) { uptimeTexts.push_back(text); };
    g_display.fitWindowToList = [](bool) { ++fits; };
    // The program directory's clock is the one the duties see.
    FakeHost::current = &p.host;
}

void MachineDutiesTest::TearDown()
{
    Display_UseNone();
    MachineDuties_Reset();
    SelfUpdate_Reset();
    MailslotTest::TearDown();
}

std::vector<std::string> MachineDutiesTest::Notices()
{
    std::vector<std::string> texts;
    std::string datagram;
    while (Receive(common, &datagram)) {
        // Sender, recipient and text, each ending in a zero.
        const size_t first = datagram.find('\0');
        const size_t second = datagram.find('\0', first + 1);
        const size_t end = datagram.find('\0', second + 1);
        texts.push_back(datagram.substr(second + 1, end - second - 1));
    }
    return texts;
}
