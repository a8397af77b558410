#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "core/lib.h"

TEST(LibFilename, PartAfterTheLastSeparator)
{
    const char* path = "C:\\FAX\\FAXSRV.EXE";
    EXPECT_EQ(path + 7, LIB_Filename(path, '\\'));
    EXPECT_STREQ("FAXSRV.EXE", LIB_Filename(path, '\\'));
    EXPECT_STREQ("EXE", LIB_Filename(path, '.'));
    EXPECT_EQ(path, LIB_Filename(path, '/'));
    EXPECT_STREQ("", LIB_Filename("C:\\LOGS\\", '\\'));
}

TEST(LibFilename, DirectoryWithItsBackslash)
{
    EXPECT_STREQ("C:\\FAX\\", LIB_sPath("C:\\FAX\\FAXSRV.EXE"));
    EXPECT_STREQ("\\\\SERVER\\SHARE\\", LIB_sPath("\\\\SERVER\\SHARE\\x"));
    EXPECT_STREQ("", LIB_sPath("FAXSRV.EXE"));
    EXPECT_STREQ("C:\\LOGS\\", LIB_sPath("C:\\LOGS\\"));
    // Each call returns the same static buffer, overwritten by the next call.
    char* first = LIB_sPath("A:\\x");
    EXPECT_EQ(first, LIB_sPath("B:\\y"));
    EXPECT_STREQ("B:\\", first);
}

TEST(LibFilename, BodyAndExtension)
{
    EXPECT_STREQ("FAXSRV", LIB_FilenameBody("C:\\FAX\\FAXSRV.EXE"));
    EXPECT_STREQ("EXE", LIB_FilenameExtension("C:\\FAX\\FAXSRV.EXE"));
    // In a command line the last backslash of the whole text counts.
    EXPECT_STREQ("E", LIB_FilenameBody("C:\\A\\B.EXE C:\\D\\E.TXT"));
    EXPECT_STREQ("TXT", LIB_FilenameExtension("C:\\A\\B.EXE C:\\D\\E.TXT"));
    // A leading dot begins the name, it is no extension.
    EXPECT_STREQ(".ini", LIB_FilenameBody(".ini"));
    EXPECT_STREQ(".ini", LIB_FilenameBody("C:\\X\\.ini"));
    EXPECT_STREQ("", LIB_FilenameExtension("C:\\X\\.ini"));
    // Only the last dot counts, and only within the name.
    EXPECT_STREQ("log.2024", LIB_FilenameBody("D:\\old.dir\\log.2024.txt"));
    EXPECT_STREQ("txt", LIB_FilenameExtension("D:\\old.dir\\log.2024.txt"));
    EXPECT_STREQ("README", LIB_FilenameBody("D:\\old.dir\\README"));
    EXPECT_STREQ("", LIB_FilenameExtension("D:\\old.dir\\README"));
    EXPECT_STREQ("name", LIB_FilenameBody("name."));
    EXPECT_STREQ("", LIB_FilenameExtension("name."));
}

TEST(LibFilename, LongInputIsCutNotOverrun)
{
    const std::string dir = "C:\\" + std::string(400, 'd') + "\\";
    const std::string path = dir + std::string(300, 'n') + "." + std::string(300, 'e');
    EXPECT_EQ(dir.substr(0, MAX_PATH - 1), LIB_sPath(path.c_str()));
    EXPECT_EQ(std::string(MAX_PATH - 1, 'n'), LIB_FilenameBody(path.c_str()));
    EXPECT_EQ(std::string(MAX_PATH - 1, 'e'), LIB_FilenameExtension(path.c_str()));
    EXPECT_STREQ("", LIB_FilenameBody(nullptr));
    EXPECT_STREQ("", LIB_sPath(nullptr));
}
