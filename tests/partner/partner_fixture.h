#pragma once
// Partner monitoring tests: a program directory with the fake clock, the machine named PCONE,
// the own slot and the partners' slot as local mailslots of this test only, and a recorder
// of the "MachineSync" line.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "support/program_dir.h"

class PartnerTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes custor.ini and reads it as the program does.
    void Configure(const std::string& ini);
    // A datagram as a partner's mailslot write makes it, into the own slot.
    void Deliver(const std::string& sender, const std::string& recipient,
                 const std::string& text);
    // What went out on the mailslot since the last call, each as "sender|recipient|text".
    std::vector<std::string> Sent();
    // One partner tick per fake second.
    void Seconds(int count);

    ProgramDir p;
    std::vector<std::string> lines;  // every text the "MachineSync" line was given
    std::string Line() const { return lines.empty() ? "" : lines.back(); }

private:
    HANDLE ownSlot_ = INVALID_HANDLE_VALUE;
    HANDLE sentSlot_ = INVALID_HANDLE_VALUE;
    std::string ownName_;
};

// The event-log lines of the partner problem.
int PingEvents(const std::string& log);
