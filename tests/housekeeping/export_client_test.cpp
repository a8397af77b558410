#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "support/process_runner.h"
#include "support/temp_dir.h"

// A separate program linked only against Custor.exe's import library calls both library
// families through the exports (the decorated name of TIME_filetime2ftime and the exported
// zone delay included) and writes what it got.
TEST(ExportClient, CallsTheFileAndTimeFamiliesThroughTheImportLibrary)
{
    TempDir dir;
    const std::string work = dir.file("work");
    CreateDirectoryA(work.c_str(), nullptr);
    const std::string resultFile = dir.file("result.txt");
    ChildProcess client;
    ASSERT_TRUE(client.Start("\"" + SiblingProgram("exportclient") + "\" \"" + work + "\" \"" +
                                 resultFile + "\"",
                             dir.path()));
    ASSERT_EQ(0, client.Wait(60000));
    EXPECT_EQ("DirectoryTest 1\n"
              "GetSize 21\n"
              "Copy 1 21\n"
              "Compare 0\n"
              "FindNewNameLong copy (1).txt\n"
              "DelFullTree 2\n"
              "DecodeRFCDate 1 05.03.2024 19:07:08\n"
              "struct2string 05 Mar. 2024\n"
              "GetEnglishMonth Dec\n"
              "filetime2ftime 1709644030\n"
              "zoneDelay 1\n",
              ReadWholeFile(resultFile));
    EXPECT_FALSE(GetFileAttributesA((work + "\\made\\by\\client").c_str()) !=
                 INVALID_FILE_ATTRIBUTES);
}
