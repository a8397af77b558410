#include <gtest/gtest.h>
#include "core/lib.h"
#include "support/fake_host.h"
#include "support/file_type.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"
#include "window_recorder.h"

namespace {

// A viewer (a copy of argecho) registered for a file type of the test's own, and a document
// of that type.
struct Viewer {
    Viewer() : program(dir.file("viewer.exe")), out(dir.file("cmdline.txt"))
    {
        CopyFileA(SiblingProgram("argecho.exe").c_str(), program.c_str(), FALSE);
        type = new TestFileType(program);
        document = dir.file(("doc" + type->extension).c_str());
        dir.write(("doc" + type->extension).c_str(), "text\n");
        SetEnvironmentVariableA("CUSTOR_ARGECHO_OUT", out.c_str());
    }
    ~Viewer()
    {
        delete type;
        DeleteWhenDone(program);
    }
    TempDir dir;
    std::string program;
    std::string out;
    std::string document;
    TestFileType* type;
};

}  // namespace

TEST(LibExecuteFile, RunsProgramsAndOpensDocumentsWithTheirProgram)
{
    FakeHost host;
    Viewer viewer;
    const std::string program = "\"" + SiblingProgram("argecho.exe") + "\" --direct";
    EXPECT_EQ(1, LIB_ExecuteFile(nullptr, program.c_str(), "no program", "missing"));
    EXPECT_EQ(program, WaitForFile(viewer.out));
    DeleteFileA(viewer.out.c_str());

    EXPECT_EQ(1, LIB_ExecuteFile(nullptr, viewer.document.c_str(), "no program", "missing"));
    EXPECT_EQ("\"" + viewer.program + "\" \"" + viewer.document + "\"", WaitForFile(viewer.out));
    EXPECT_TRUE(host.messageBoxes.empty());
}

TEST(LibExecuteFile, MissingFilesAndFilesWithoutProgramAreReported)
{
    FakeHost host;
    TempDir dir;
    const std::string missing = dir.file("gone.custornoassoc");
    EXPECT_EQ(0, LIB_ExecuteFile(nullptr, missing.c_str(), "no program", "missing"));
    EXPECT_EQ(0, LIB_ExecuteFile(nullptr, missing.c_str(), "no program", nullptr));
    dir.write("here.custornoassoc", "x");
    const std::string here = dir.file("here.custornoassoc");
    EXPECT_EQ(0, LIB_ExecuteFile(nullptr, here.c_str(), "no program", "missing"));
    EXPECT_EQ(0, LIB_ExecuteFile(nullptr, here.c_str(), nullptr, "missing"));
    EXPECT_EQ(0, LIB_ExecuteFile(nullptr, nullptr, "no program", "missing"));
    EXPECT_EQ((std::vector<std::string>{missing + "|missing", here + "|no program"}),
              host.messageBoxes);
}

TEST(LibFileStarter, ProgramsNeedNoStarterDocumentsTheirAssociatedOne)
{
    FakeHost host;
    Viewer viewer;
    EXPECT_STREQ("", LIB_GetFileStarter("C:\\x\\setup.Exe"));
    EXPECT_STREQ("", LIB_GetFileStarter("C:\\x\\old.com"));
    EXPECT_STRCASEEQ(viewer.program.c_str(), LIB_GetFileStarter(viewer.document.c_str()));
    EXPECT_STREQ("", LIB_GetFileStarter(viewer.dir.file("x.custornoassoc").c_str()));

    EXPECT_EQ(1, LIB_TestExecuteFile(nullptr, "C:\\x\\setup.EXE", "cannot run"));
    EXPECT_EQ(1, LIB_TestExecuteFile(nullptr, viewer.document.c_str(), "cannot run"));
    EXPECT_TRUE(host.messageBoxes.empty());
    const std::string none = viewer.dir.file("x.custornoassoc");
    viewer.dir.write("x.custornoassoc", "x");
    EXPECT_EQ(0, LIB_TestExecuteFile(nullptr, none.c_str(), "cannot run"));
    EXPECT_EQ(0, LIB_TestExecuteFile(nullptr, none.c_str(), nullptr));
    EXPECT_EQ(std::vector<std::string>{none + "|cannot run"}, host.messageBoxes);
}

TEST(LibSpawnSynchronized, WaitsForTheEndAndReturnsTheExitCode)
{
    TempDir dir;
    SetEnvironmentVariableA("CUSTOR_ARGECHO_OUT", dir.file("cmdline.txt").c_str());
    const std::string program = "\"" + SiblingProgram("argecho.exe") + "\" --sync";
    SetEnvironmentVariableA("CUSTOR_ARGECHO_EXIT", "7");
    EXPECT_EQ(7u, LIB_SpawnSynchronized(program.c_str()));
    EXPECT_EQ(program, dir.read("cmdline.txt"));
    // The exit code that equals STILL_ACTIVE still ends the wait.
    SetEnvironmentVariableA("CUSTOR_ARGECHO_EXIT", "259");
    EXPECT_EQ(259u, LIB_SpawnSynchronized(program.c_str()));
    SetEnvironmentVariableA("CUSTOR_ARGECHO_EXIT", nullptr);

    EXPECT_EQ((DWORD)ERROR_FILE_NOT_FOUND, LIB_SpawnSynchronized(dir.file("none.exe").c_str()));
    EXPECT_EQ((DWORD)ERROR_INVALID_PARAMETER, LIB_SpawnSynchronized(nullptr));
}

TEST(LibTestRunning, FindsOnlyFrameworkWindowsByTitlePart)
{
    const std::string title = Unique("Mail Server ");
    HWND plain = CreateRecordingWindow("CustorTestPlain", (title + " plain").c_str());
    EXPECT_FALSE(LIB_TestRunning(title.c_str(), 2));
    EXPECT_FALSE(LIB_IsOWLWindow(plain));

    HWND owl = CreateRecordingWindow("OWL_Window", ("[" + title + "]").c_str(), true);
    EXPECT_TRUE(LIB_IsOWLWindow(owl));
    EXPECT_TRUE(LIB_TestRunning(title.c_str(), 2));
    EXPECT_TRUE(TakeRecorded(owl).empty());
    // The case of the title part counts.
    EXPECT_FALSE(LIB_TestRunning(Unique("MAIL SERVER ").c_str(), 1));

    EXPECT_TRUE(LIB_TestRunning(title.c_str(), 1));
    std::vector<RECORDED_MESSAGE> got = TakeRecorded(owl);
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ((UINT)WM_CLOSE, got[0].message);
    EXPECT_TRUE(TakeRecorded(plain).empty());

    // Mode 0 brings it forward: minimised and restored, so it ends up not minimised.
    EXPECT_TRUE(LIB_TestRunning(title.c_str(), 0));
    EXPECT_FALSE(IsIconic(owl));
    EXPECT_FALSE(LIB_TestRunning(nullptr, 1));
    DestroyWindow(owl);
    DestroyWindow(plain);
}

TEST(LibIsNetworkDrive, SharesAreRemoteLocalDrivesAreNotARunningProgramWins)
{
    EXPECT_TRUE(LIB_IsNetworkDrive("\\\\server\\share\\x", nullptr));
    EXPECT_TRUE(LIB_IsNetworkDrive("\\\\server\\share\\x", ""));
    EXPECT_FALSE(LIB_IsNetworkDrive("C:\\windows", nullptr));
    EXPECT_FALSE(LIB_IsNetworkDrive("relative\\path", nullptr));
    EXPECT_FALSE(LIB_IsNetworkDrive("", nullptr));
    EXPECT_FALSE(LIB_IsNetworkDrive(nullptr, nullptr));
    const std::string title = Unique("Sync Server ");
    HWND window = CreateRecordingWindow("CustorTestPlain", title.c_str());
    EXPECT_FALSE(LIB_IsNetworkDrive("\\\\server\\share\\x", title.c_str()));
    DestroyWindow(window);
}
