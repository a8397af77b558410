#include "mailslot_fixture.h"

#include <stdio.h>

static const char kRegistryKey[] = "Software\\Tarnwell\\Tarnwell";

void MailslotTest::SetUp()
{
    turn_ = CreateMutexA(NULL, FALSE, MAILSLOT_TEST_TURN);
    ASSERT_NE(WAIT_TIMEOUT, WaitForSingleObject(turn_, 60000));
    SetRegistry("NotePop", NULL);
    SetRegistry("SlotProxy_Force", NULL);
    MAILSLOT_ResetState();
    MAILSLOT_SetTargetPrefix("\\\\.\\mailslot\\");
    char folder[64];
    snprintf(folder, sizeof(folder), "custor_test_%lu", GetCurrentProcessId());
    folder_ = folder;
}

void MailslotTest::TearDown()
{
    for (HANDLE slot : slots_)
        CloseHandle(slot);
    SetRegistry("NotePop", NULL);
    SetRegistry("SlotProxy_Force", NULL);
    MAILSLOT_ResetState();
    ReleaseMutex(turn_);
    CloseHandle(turn_);
}

std::string MailslotTest::Unique(const char* name) const { return folder_ + "\\" + name; }

HANDLE MailslotTest::MakeSlot(const std::string& name)
{
    HANDLE slot = CreateMailslotA(("\\\\.\\mailslot\\" + name).c_str(), 0, 0, NULL);
    EXPECT_NE(INVALID_HANDLE_VALUE, slot) << name;
    if (slot != INVALID_HANDLE_VALUE)
        slots_.push_back(slot);
    return slot;
}

void MailslotTest::SetRegistry(const char* value, const char* data)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRegistryKey, 0, NULL, 0,
                                             KEY_SET_VALUE, NULL, &key, NULL));
    if (data)
        RegSetValueExA(key, value, 0, REG_SZ, (const BYTE*)data, (DWORD)strlen(data) + 1);
    else
        RegDeleteValueA(key, value);
    RegCloseKey(key);
}

bool MailslotTest::Receive(HANDLE slot, std::string* message)
{
    DWORD next = 0, count = 0;
    if (!GetMailslotInfo(slot, NULL, &next, &count, NULL) || next == MAILSLOT_NO_MESSAGE)
        return false;
    std::string buffer(next + 1, '\0');
    DWORD got = 0;
    if (!ReadFile(slot, &buffer[0], next + 1, &got, NULL))
        return false;
    *message = buffer.substr(0, got);
    return true;
}

bool MailslotTest::Nothing(HANDLE slot)
{
    std::string ignored;
    return !Receive(slot, &ignored);
}

bool MailslotTest::Send(const std::string& name, const std::string& bytes)
{
    HANDLE target = CreateFileA(("\\\\.\\mailslot\\" + name).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (target == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(target, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(target);
    return ok && written == bytes.size();
}

std::string MailslotTest::ComputerSender()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof(name);
    if (!GetComputerNameA(name, &size))
        return "";
    std::string result = name;
    for (size_t i = 1; i < result.size(); ++i)
        result[i] = (char)tolower((unsigned char)result[i]);
    return result;
}

std::string MailslotTest::UserName()
{
    char name[256];
    DWORD size = sizeof(name);
    return GetUserNameA(name, &size) ? name : "";
}
