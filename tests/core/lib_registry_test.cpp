#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include "core/lib.h"
#include "support/fake_host.h"

namespace {

// A sub-key of "Software\Tarnwell" that only this test uses, removed with everything below it
// at the end. "Software\Tarnwell" itself stays: tests running beside this one may be using it.
struct TestKey {
    TestKey()
    {
        char name[64];
        snprintf(name, sizeof(name), "CustorTest_%lu_%lu", GetCurrentProcessId(),
                 GetTickCount());
        sub = name;
        path = "Software\\Tarnwell\\" + sub;
    }
    ~TestKey()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
        WriteProfileStringA(sub.c_str(), nullptr, nullptr);
    }
    bool Exists(HKEY root) const
    {
        HKEY key;
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    std::string sub;
    std::string path;
};

}  // namespace

TEST(LibRegistry, WriteAndReadBackUnderCurrentUser)
{
    FakeHost host;
    TestKey key;
    char buffer[100];

    // Nothing there yet: the default, and false.
    strcpy(buffer, "old");
    EXPECT_FALSE(LIB_GetRegistryString(key.sub.c_str(), "Name", "dflt", buffer, 100, FALSE));
    EXPECT_STREQ("dflt", buffer);

    // The first write creates the key, the second goes into the existing one.
    EXPECT_TRUE(LIB_WriteRegistryString(key.sub.c_str(), "Name", "Fax 1", FALSE, FALSE, TRUE));
    EXPECT_TRUE(key.Exists(HKEY_CURRENT_USER));
    EXPECT_TRUE(LIB_GetRegistryString(key.sub.c_str(), "Name", "dflt", buffer, 100, FALSE));
    EXPECT_STREQ("Fax 1", buffer);
    EXPECT_TRUE(LIB_WriteRegistryString(key.sub.c_str(), "Name", "M\xe4rz", FALSE, FALSE, TRUE));
    EXPECT_TRUE(LIB_GetRegistryString(key.sub.c_str(), "Name", "dflt", buffer, 100, FALSE));
    EXPECT_STREQ("M\xe4rz", buffer);
    EXPECT_TRUE(LIB_GetGeneralRegistryString(FALSE, key.path.c_str(), "Name", "d", buffer, 100));
    EXPECT_STREQ("M\xe4rz", buffer);

    // The key exists but the value does not.
    EXPECT_FALSE(LIB_GetRegistryString(key.sub.c_str(), "Other", "dflt", buffer, 100, FALSE));
    EXPECT_STREQ("dflt", buffer);
    // The machine root is a different place.
    EXPECT_FALSE(LIB_GetRegistryString(key.sub.c_str(), "Name", "m", buffer, 100, TRUE));
    EXPECT_STREQ("m", buffer);

    // Without a value the call only tests the access (and creates nothing new it needs not).
    EXPECT_TRUE(LIB_WriteRegistryString(key.sub.c_str(), "Name", nullptr, FALSE, FALSE, TRUE));
    EXPECT_TRUE(LIB_GetRegistryString(key.sub.c_str(), "Name", "dflt", buffer, 100, FALSE));
    EXPECT_STREQ("M\xe4rz", buffer);
    EXPECT_TRUE(host.messageBoxes.empty());
}

TEST(LibRegistry, LongValuesAndDefaultsAreCutToTheBuffer)
{
    FakeHost host;
    TestKey key;
    const std::string longValue(300, 'v');
    ASSERT_TRUE(LIB_WriteRegistryString(key.sub.c_str(), "Long", longValue.c_str(), FALSE, FALSE,
                                        FALSE));
    char buffer[12];
    memset(buffer, 'X', sizeof(buffer));
    EXPECT_TRUE(LIB_GetRegistryString(key.sub.c_str(), "Long", "", buffer, 8, FALSE));
    EXPECT_STREQ("vvvvvvv", buffer);
    EXPECT_EQ('X', buffer[8]);

    memset(buffer, 'X', sizeof(buffer));
    EXPECT_FALSE(LIB_GetRegistryString(key.sub.c_str(), "None", "a long default", buffer, 8,
                                       FALSE));
    EXPECT_STREQ("a long ", buffer);
    EXPECT_EQ('X', buffer[8]);
}

TEST(LibRegistry, IntegersFromRegistryTextWinIniAndDwords)
{
    FakeHost host;
    TestKey key;
    const char* sub = key.sub.c_str();

    EXPECT_EQ(17, LIB_GetRegistryInt(sub, "Count", 17));
    // The old WIN.INI place counts while the registry has nothing.
    ASSERT_TRUE(WriteProfileStringA(sub, "Count", "5"));
    EXPECT_EQ(5, LIB_GetRegistryInt(sub, "Count", 17));

    ASSERT_TRUE(LIB_WriteRegistryString(sub, "Other", "x", FALSE, FALSE, FALSE));
    // Writing into the existing key moves the value over and drops the WIN.INI copy.
    ASSERT_TRUE(LIB_WriteRegistryString(sub, "Count", "  -42 apples", FALSE, FALSE, FALSE));
    EXPECT_EQ(-1, (int)GetProfileIntA(sub, "Count", -1));
    EXPECT_EQ(-42, LIB_GetRegistryInt(sub, "Count", 17));
    ASSERT_TRUE(LIB_WriteRegistryString(sub, "Count", "none", FALSE, FALSE, FALSE));
    EXPECT_EQ(0, LIB_GetRegistryInt(sub, "Count", 17));  // no digits give 0
    ASSERT_TRUE(LIB_WriteRegistryString(sub, "Count", "99999999999", FALSE, FALSE, FALSE));
    EXPECT_EQ(2147483647, LIB_GetRegistryInt(sub, "Count", 17));

    HKEY handle;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, key.path.c_str(), 0, KEY_WRITE, &handle));
    const DWORD dword = 123456;
    RegSetValueExA(handle, "Dword", 0, REG_DWORD, (const BYTE*)&dword, sizeof(dword));
    RegCloseKey(handle);
    EXPECT_EQ(123456, LIB_GetGeneralRegistryInt(FALSE, key.path.c_str(), "Dword", -1));
    EXPECT_EQ(-1, LIB_GetGeneralRegistryInt(FALSE, key.path.c_str(), "Missing", -1));
    EXPECT_EQ(-1, LIB_GetGeneralRegistryInt(FALSE, key.path.c_str(), "Other", -1));  // text
    EXPECT_EQ(-1, LIB_GetGeneralRegistryInt(FALSE, "Software\\Tarnwell\\NoSuchKey_Custor",
                                            "Dword", -1));
}

TEST(LibRegistry, MachineRootRoundTrip)
{
    // Wine runs the tests with administrator rights, so the machine root is writable here.
    FakeHost host;
    TestKey key;
    ASSERT_TRUE(LIB_WriteRegistryString(key.sub.c_str(), "CountryCode", "41", TRUE, FALSE, TRUE));
    EXPECT_TRUE(key.Exists(HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(key.Exists(HKEY_CURRENT_USER));
    char buffer[20];
    EXPECT_TRUE(LIB_GetRegistryString(key.sub.c_str(), "CountryCode", "49", buffer, 20, TRUE));
    EXPECT_STREQ("41", buffer);
    EXPECT_TRUE(host.messageBoxes.empty());
}

TEST(LibRegistry, FailedWriteShowsMessageAtMostOnceASecond)
{
    // A persistent key cannot be created below a volatile one: a real refusal by the registry.
    FakeHost host;
    TestKey key;
    HKEY maker, volatileKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tarnwell", 0, nullptr,
                                             0, KEY_ALL_ACCESS, nullptr, &maker, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(maker, key.sub.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr));
    RegCloseKey(volatileKey);
    RegCloseKey(maker);

    const std::string sub = key.sub + "\\Child";
    EXPECT_FALSE(LIB_WriteRegistryString(sub.c_str(), "Value", "x", FALSE, FALSE, FALSE));
    EXPECT_TRUE(host.messageBoxes.empty());

    EXPECT_FALSE(LIB_WriteRegistryString(sub.c_str(), "Value", "x", FALSE, FALSE, TRUE));
    ASSERT_EQ(1u, host.messageBoxes.size());
    EXPECT_EQ(sub + "|Ihre Benutzerrechte erlauben nicht das Speichern der Konfiguration.\n"
                    "Bitte wenden Sie sich an Ihren Administrator.\n\n"
                    "(HKEY_CURRENT_USER\\Software\\Tarnwell\\" + sub + "\\Value)",
              host.messageBoxes[0]);

    host.AdvanceMs(1000);
    EXPECT_FALSE(LIB_WriteRegistryString(sub.c_str(), "Value", "x", FALSE, FALSE, TRUE));
    EXPECT_EQ(1u, host.messageBoxes.size());
    host.AdvanceMs(1);
    EXPECT_FALSE(LIB_WriteRegistryString(sub.c_str(), "Value", "x", FALSE, FALSE, TRUE));
    EXPECT_EQ(2u, host.messageBoxes.size());
}
