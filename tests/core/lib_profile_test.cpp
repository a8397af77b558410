#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "core/lib.h"
#include "support/temp_dir.h"

TEST(LibProfileWalk, FirstReturnsTheLastKeyOfTheSection)
{
    TempDir dir;
    dir.write("jobs.ini",
              "[FileMove]\r\nA=first\r\nB=second\r\n\r\n[Empty]\r\n\r\n[Other]\r\nC=third\r\n");
    const std::string file = dir.file("jobs.ini");
    char key[LIB_KEY_SIZE];
    char value[100];

    strcpy(key, "junk");
    EXPECT_TRUE(LIB_GetFirstPrivateProfileString("FileMove", key, "dflt", value, sizeof(value),
                                                 file.c_str()));
    EXPECT_STREQ("B", key);
    EXPECT_STREQ("second", value);

    // Section names are case-insensitive.
    EXPECT_TRUE(LIB_GetFirstPrivateProfileString("other", key, "dflt", value, sizeof(value),
                                                 file.c_str()));
    EXPECT_STREQ("C", key);
    EXPECT_STREQ("third", value);

    strcpy(key, "junk");
    EXPECT_TRUE(LIB_GetFirstPrivateProfileString("Empty", key, "dflt", value, sizeof(value),
                                                 file.c_str()));
    EXPECT_STREQ("", key);
    EXPECT_STREQ("dflt", value);
    EXPECT_TRUE(LIB_GetFirstPrivateProfileString("Missing", key, "d2", value, sizeof(value),
                                                 dir.file("none.ini").c_str()));
    EXPECT_STREQ("d2", value);
}

TEST(LibProfileWalk, LastTellsWhetherAKeyWasFound)
{
    TempDir dir;
    dir.write("jobs.ini", "[Rename]\r\nx1=C:\\a.txt\r\nx2=\r\nx3=C:\\c.txt\r\n[None]\r\n");
    const std::string file = dir.file("jobs.ini");
    char key[LIB_KEY_SIZE];
    char value[100];

    EXPECT_TRUE(LIB_GetLastPrivateProfileString("Rename", key, value, sizeof(value),
                                                file.c_str()));
    EXPECT_STREQ("x3", key);
    EXPECT_STREQ("C:\\c.txt", value);

    dir.write("jobs.ini", "[Rename]\r\nx1=C:\\a.txt\r\nx2=\r\n");
    EXPECT_TRUE(LIB_GetLastPrivateProfileString("Rename", key, value, sizeof(value),
                                                file.c_str()));
    EXPECT_STREQ("x2", key);
    EXPECT_STREQ("", value);  // the last key's empty value, not an earlier one

    strcpy(key, "junk");
    strcpy(value, "junk");
    EXPECT_FALSE(LIB_GetLastPrivateProfileString("None", key, value, sizeof(value),
                                                 file.c_str()));
    EXPECT_STREQ("", key);
    EXPECT_STREQ("", value);
}

TEST(LibProfileWalk, LongNamesAndValuesAreCutToTheBuffers)
{
    TempDir dir;
    const std::string longKey(150, 'k');
    const std::string longValue(80, 'v');
    dir.write("long.ini", "[S]\r\n" + longKey + "=" + longValue + "\r\n");
    const std::string file = dir.file("long.ini");
    char key[LIB_KEY_SIZE + 8];
    char value[20];
    memset(key, 'X', sizeof(key));
    memset(value, 'X', sizeof(value));

    EXPECT_TRUE(LIB_GetLastPrivateProfileString("S", key, value, 10, file.c_str()));
    EXPECT_EQ(std::string(LIB_KEY_SIZE - 1, 'k'), key);
    for (size_t i = LIB_KEY_SIZE; i < sizeof(key); ++i) EXPECT_EQ('X', key[i]) << i;
    EXPECT_EQ(std::string(9, 'v'), value);
    EXPECT_EQ('X', value[10]);

    memset(key, 'X', sizeof(key));
    EXPECT_TRUE(LIB_GetFirstPrivateProfileString("S", key, "", value, 10, file.c_str()));
    EXPECT_EQ(std::string(LIB_KEY_SIZE - 1, 'k'), key);
    EXPECT_EQ('X', key[LIB_KEY_SIZE]);
}
