#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "core/lib.h"
#include "support/fake_host.h"

TEST(LibXor, PrintableRangeMapsOntoItselfAndTwiceRestores)
{
    char all[256];
    for (int i = 0; i < 256; ++i) all[i] = (char)i;
    char scrambled[256];
    memcpy(scrambled, all, sizeof(all));
    EXPECT_EQ(scrambled, LIB_xor(scrambled, sizeof(scrambled)));
    for (int i = 0; i < 256; ++i) {
        const BYTE before = (BYTE)all[i];
        const BYTE after = (BYTE)scrambled[i];
        if (before >= 0x20 && before <= 0x7F) {
            // Every character of the range 0x20..0x7F becomes another one of that range.
            EXPECT_NE(before, after) << i;
            EXPECT_GE(after, 0x20) << i;
            EXPECT_LE(after, 0x7F) << i;
        } else {
            // Control characters (line feed!) and bytes from 0x80 (0xE4 a-umlaut) stay.
            EXPECT_EQ(before, after) << i;
        }
    }
    EXPECT_EQ('\n', scrambled['\n']);
    EXPECT_EQ((char)0xE4, scrambled[0xE4]);
    LIB_xor(scrambled, sizeof(scrambled));
    EXPECT_EQ(0, memcmp(all, scrambled, sizeof(all)));
}

TEST(LibXor, OnlyTheGivenLengthIsTouched)
{
    char text[] = "Password=geheim\nM\xe4rz";
    const std::string original = text;
    LIB_xor(text, 8);
    EXPECT_NE(original.substr(0, 8), std::string(text, 8));
    EXPECT_EQ(original.substr(8), std::string(text + 8));
    LIB_xor(text, 8);
    EXPECT_EQ(original, text);
    LIB_xor(text, 0);
    LIB_xor(text, -5);
    EXPECT_EQ(original, text);
}

namespace {

// The machine's "CountryCode" value, put back as it was (normally: absent) at the end.
struct SavedCountryCode {
    SavedCountryCode()
    {
        existed = LIB_GetRegistryString("Tarnwell", "CountryCode", "", value, sizeof(value),
                                        TRUE) != 0;
    }
    ~SavedCountryCode()
    {
        if (existed) {
            LIB_WriteRegistryString("Tarnwell", "CountryCode", value, TRUE, FALSE, FALSE);
        } else {
            Delete();
        }
    }
    static void Delete()
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tarnwell\\Tarnwell", 0, KEY_WRITE,
                          &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "CountryCode");
            RegCloseKey(key);
        }
    }
    bool existed;
    char value[64];
};

}  // namespace

TEST(LibSystem, CountryCodeReadAgainOnlyAfterAMinute)
{
    FakeHost host;
    SavedCountryCode saved;

    ASSERT_TRUE(LIB_WriteRegistryString("Tarnwell", "CountryCode", "41", TRUE, FALSE, FALSE));
    EXPECT_STREQ("41", LIB_GetCountryCode());
    ASSERT_TRUE(LIB_WriteRegistryString("Tarnwell", "CountryCode", "43", TRUE, FALSE, FALSE));
    host.AdvanceMs(59999);
    EXPECT_STREQ("41", LIB_GetCountryCode());
    host.AdvanceMs(1);
    EXPECT_STREQ("43", LIB_GetCountryCode());

    SavedCountryCode::Delete();
    host.Advance(60);
    EXPECT_STREQ("49", LIB_GetCountryCode());  // the default without a value
}
