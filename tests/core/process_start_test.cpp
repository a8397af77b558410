#include <gtest/gtest.h>
#include "core/config.h"
#include "core/process_control.h"
#include "core/window_search.h"
#include "window_recorder.h"
#include "support/process_runner.h"
#include "support/program_dir.h"
#include <string.h>

namespace {

std::string DirectoryOf(const char* command)
{
    char directory[MAX_PATH];
    memset(directory, 'x', sizeof(directory));
    StartProgram_WorkingDirectory(command, directory, sizeof(directory));
    return directory;
}

// Points argecho's two output files into the test directory.
struct EchoFiles {
    explicit EchoFiles(const TempDir& dir)
        : commandLine(dir.file("cmdline.txt")), directory(dir.file("cwd.txt"))
    {
        SetEnvironmentVariableA("CUSTOR_ARGECHO_OUT", commandLine.c_str());
        SetEnvironmentVariableA("CUSTOR_ARGECHO_CWD", directory.c_str());
    }
    std::string commandLine;
    std::string directory;
};

}  // namespace

TEST(StartProgram, WorkingDirectoryIsTheProgramsOwnDirectory)
{
    ProgramDir pd;
    EXPECT_EQ("C:\\FAX", DirectoryOf("C:\\FAX\\FAXSRV.EXE /x C:\\other\\y.txt"));
    EXPECT_EQ("C:\\Program Files\\X", DirectoryOf("\"C:\\Program Files\\X\\x.exe\" -a C:\\b\\"));
    // An unterminated quote takes the rest of the line as the program.
    EXPECT_EQ("C:\\A B\\x.exe -a C:\\other", DirectoryOf("\"C:\\A B\\x.exe -a C:\\other\\y"));
    // Roots keep their backslash; without it "C:" would be the drive's current directory.
    EXPECT_EQ("C:\\", DirectoryOf("C:\\x.exe -a"));
    EXPECT_EQ("\\", DirectoryOf("\\x.exe"));
    EXPECT_EQ("\\\\srv\\share", DirectoryOf("\\\\srv\\share\\x.exe"));

    // A bare name runs in the watchdog's directory, a backslash in its arguments does not count.
    std::string own = pd.dir.path();
    own.pop_back();
    EXPECT_EQ(own, DirectoryOf("fakesvc.exe --log C:\\logs\\x.txt"));
    EXPECT_EQ(own, DirectoryOf("\"fake svc.exe\" -a"));
    // Only the first 259 characters count: this one has no backslash in them.
    EXPECT_EQ(own, DirectoryOf((std::string(300, 'p') + "\\x.exe").c_str()));
    char small[12];
    memset(small, 'x', sizeof(small));
    StartProgram_WorkingDirectory(("C:\\" + std::string(200, 'd') + "\\x.exe").c_str(), small, 8);
    EXPECT_STREQ("C:\\dddd", small);
    EXPECT_EQ('x', small[8]);

    g_paths.programDir[0] = 0;
    EXPECT_EQ("", DirectoryOf("fakesvc.exe"));
    EXPECT_EQ("", DirectoryOf(nullptr));
}

TEST(StartProgram, ChildRunsInTheDirectoryOfItsQuotedPathOrInTheWatchdogs)
{
    ProgramDir pd;
    const std::string directory = pd.dir.file("Program Files X");
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
    const std::string program = directory + "\\argecho.exe";
    ASSERT_TRUE(CopyFileA(SiblingProgram("argecho.exe").c_str(), program.c_str(), FALSE));
    EchoFiles echo(pd.dir);
    const std::string command = "\"" + program + "\" -a";
    DWORD error = 12345;
    ASSERT_TRUE(StartProgram(command.c_str(), SW_MINIMIZE, &error));
    EXPECT_EQ(0u, error);
    EXPECT_EQ(command, WaitForFile(echo.commandLine));
    EXPECT_EQ(directory, ReadWholeFile(echo.directory));
    DeleteWhenDone(program);

    // A bare name is found beside the running program (the test here, the watchdog in
    // service), yet it works in the watchdog's directory, where its files are.
    DeleteFileA(echo.commandLine.c_str());
    ASSERT_TRUE(StartProgram("argecho.exe --x", SW_SHOWNORMAL));
    EXPECT_EQ("argecho.exe --x", WaitForFile(echo.commandLine));
    std::string own = pd.dir.path();
    own.pop_back();
    EXPECT_EQ(own, ReadWholeFile(echo.directory));

    // Only the first 259 characters of a long command line are run.
    DeleteFileA(echo.commandLine.c_str());
    const std::string longer = "\"" + SiblingProgram("argecho.exe") + "\" " + std::string(400, 'a');
    ASSERT_TRUE(StartProgram(longer.c_str(), SW_MINIMIZE));
    EXPECT_EQ(longer.substr(0, 259), WaitForFile(echo.commandLine));
}

TEST(StartProgram, AFailedStartReturnsFalseWithTheSystemsError)
{
    ProgramDir pd;
    DWORD error = 0;
    EXPECT_FALSE(StartProgram(pd.dir.file("missing.exe").c_str(), SW_MINIMIZE, &error));
    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, error);
    EXPECT_FALSE(StartProgram("", SW_MINIMIZE, &error));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, error);
    EXPECT_FALSE(StartProgram(nullptr, SW_MINIMIZE));
}

TEST(StartProgram, TheProgramGetsTheShowState)
{
    ProgramDir pd;
    const std::string title = Unique("MINIMISED ");
    const std::string command = "fakesvc.exe --title \"" + title + "\"";
    ASSERT_TRUE(StartProgram(command.c_str(), SW_MINIMIZE)) << "build the tools first";
    HWND window = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (window = FindWindowA(nullptr, title.c_str())) != nullptr; },
                          10000));
    EXPECT_TRUE(window && IsIconic(window));
    EXPECT_TRUE(TerminateWindowProcess(window));
}
