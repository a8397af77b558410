#pragma once
// Mailslot tests keep all traffic on this machine: the library's targets are local slots
// ("\\.\mailslot\<slot>"), read back here. The common slots ("tarnwell", "talkgw") and the
// library's registry values are shared by every test process of the machine, so tests that
// use them take turns through one named mutex (MAILSLOT_TEST_TURN) for the whole test.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

#include "partner/mailslot.h"
#include "support/fake_host.h"

#define MAILSLOT_TEST_TURN "Custor.Test.CommonMailslots"

class MailslotTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A slot name of this test process only: "<unique folder>\<name>".
    std::string Unique(const char* name) const;
    // Creates "\\.\mailslot\<name>", closed when the test ends.
    HANDLE MakeSlot(const std::string& name);
    // Sets or (data null) removes a value under HKLM\Software\Tarnwell\Tarnwell.
    static void SetRegistry(const char* value, const char* data);

    // Takes the next whole message out of a slot; false when none is waiting.
    static bool Receive(HANDLE slot, std::string* message);
    static bool Nothing(HANDLE slot);
    // Writes one message of exactly these bytes to "\\.\mailslot\<name>".
    static bool Send(const std::string& name, const std::string& bytes);

    // The sender names the library must use: the computer name with all but its first
    // character in lower case, and the user name.
    static std::string ComputerSender();
    static std::string UserName();

    FakeHost host;

private:
    std::string folder_;
    std::vector<HANDLE> slots_;
    HANDLE turn_ = NULL;
};
