#pragma once
// Tests of the machine duties: a program directory with its fake clock, the common mailslot
// "tarnwell" kept on this machine and read back, and recorders for what the duties show.
#include "mailslot_fixture.h"
#include "support/program_dir.h"
#include <string>
#include <vector>

class MachineDutiesTest : public MailslotTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Texts of the notices sent to the common slot since the last call.
    std::vector<std::string> Notices();

    ProgramDir p;
    HANDLE common = INVALID_HANDLE_VALUE;
    static std::vector<std::string> uptimeTexts;
    static int fits;
};
