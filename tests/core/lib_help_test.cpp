#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include "core/lib.h"
#include "support/fake_host.h"
#include "support/file_type.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"

namespace {

std::string ArgEchoPath() { return SiblingProgram("argecho.exe"); }

}  // namespace

TEST(LibHelpOpen, MissingFileNamesTheFullPath)
{
    FakeHost host;
    TempDir dir;
    EXPECT_EQ(0, LIB_HelpOpen(nullptr, dir.path(), "custor.htm", "Alarm", "Help",
                              "Help file not found"));
    ASSERT_EQ(1u, host.messageBoxes.size());
    EXPECT_EQ(std::string("Help file not found|") + dir.path() + "custor.htm",
              host.messageBoxes[0]);
}

TEST(LibHelpOpen, FileWithoutProgramNamesTheFile)
{
    FakeHost host;
    TempDir dir;
    dir.write("custor.custornoassoc", "<html></html>");
    EXPECT_EQ(0, LIB_HelpOpen(nullptr, dir.path(), "custor.custornoassoc", nullptr, "Help",
                              "Help file not found"));
    ASSERT_EQ(1u, host.messageBoxes.size());
    EXPECT_EQ("Help|custor.custornoassoc", host.messageBoxes[0]);
}

TEST(LibHelpOpen, BrowserGetsAFileUrlWithTheAnchor)
{
    FakeHost host;
    TempDir dir;
    const std::string browserDir = dir.file("Mozilla Firefox");
    CreateDirectoryA(browserDir.c_str(), nullptr);
    const std::string browser = browserDir + "\\firefox.exe";
    ASSERT_TRUE(CopyFileA(ArgEchoPath().c_str(), browser.c_str(), FALSE))
        << "build the tools first: " << ArgEchoPath();
    TestFileType type(browser);
    const std::string helpFile = "custor" + type.extension;
    dir.write(helpFile.c_str(), "<html></html>");
    const std::string out = dir.file("cmdline.txt");
    SetEnvironmentVariableA("CUSTOR_ARGECHO_OUT", out.c_str());

    // The directory without its closing backslash gets one.
    std::string directory = dir.path();
    directory.pop_back();
    EXPECT_EQ(1, LIB_HelpOpen(nullptr, directory.c_str(), helpFile.c_str(), "Alarm", "Help",
                              "Help file not found"));
    EXPECT_TRUE(host.messageBoxes.empty());
    EXPECT_EQ("\"" + browser + "\" \"file:///" + dir.path() + helpFile + "#Alarm\"",
              WaitForFile(out));
    DeleteWhenDone(browser);
}

TEST(LibHelpOpen, OtherProgramGetsThePlainPath)
{
    FakeHost host;
    TempDir dir;
    const std::string viewer = dir.file("viewer.exe");
    ASSERT_TRUE(CopyFileA(ArgEchoPath().c_str(), viewer.c_str(), FALSE))
        << "build the tools first: " << ArgEchoPath();
    TestFileType type(viewer);
    const std::string helpFile = "custor" + type.extension;
    dir.write(helpFile.c_str(), "<html></html>");
    const std::string out = dir.file("cmdline.txt");
    SetEnvironmentVariableA("CUSTOR_ARGECHO_OUT", out.c_str());

    EXPECT_EQ(1, LIB_HelpOpen(nullptr, dir.path(), helpFile.c_str(), "", "Help", "Missing"));
    EXPECT_TRUE(host.messageBoxes.empty());
    EXPECT_EQ(viewer + " \"" + dir.path() + helpFile + "\"", WaitForFile(out));
    DeleteWhenDone(viewer);
}
