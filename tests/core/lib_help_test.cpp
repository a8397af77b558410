#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include "core/lib.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace {

// A file type of this test's own (under the classes root, where the shell looks it up), opened
// by a copy of the argecho tool under a chosen name; the association is removed at the end.
struct TestFileType {
    explicit TestFileType(const std::string& programPath)
    {
        char name[64];
        snprintf(name, sizeof(name), ".custorhelp%lu", GetCurrentProcessId());
        extension = name;
        progId = "Custor.HelpTest" + std::to_string(GetCurrentProcessId());
        const std::string command = "\"" + programPath + "\" \"%1\"";
        HKEY key;
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, extension.c_str(), 0,
                            nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE*)progId.c_str(),
                           (DWORD)progId.size() + 1);
            RegCloseKey(key);
        }
        const std::string commandKey = progId + "\\shell\\open\\command";
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, commandKey.c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE*)command.c_str(),
                           (DWORD)command.size() + 1);
            RegCloseKey(key);
        }
    }
    ~TestFileType()
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, extension.c_str());
        RegDeleteTreeA(HKEY_CLASSES_ROOT, progId.c_str());
    }
    std::string extension;
    std::string progId;
};

std::string ArgEchoPath()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof(self));
    std::string path = self;
    return path.substr(0, path.rfind('\\') + 1) + "argecho.exe";
}

// Waits for the started program to write its command line.
std::string WaitForFile(const std::string& path)
{
    for (int i = 0; i < 200; ++i) {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return ReadWholeFile(path);
        }
        Sleep(50);
    }
    return "";
}

// The started copy may still be ending when its output is there; its file is deleted once it
// has, so that the test directory can go.
void DeleteWhenDone(const std::string& program)
{
    for (int i = 0; i < 100 && !DeleteFileA(program.c_str()); ++i) Sleep(50);
}

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
