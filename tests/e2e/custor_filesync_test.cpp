#include <gtest/gtest.h>
#include "installation.h"
#include "support/second_drive.h"
#include <string>

namespace {

// Puts an entry's creation and last-write time ten minutes back: entries of the current second
// count as too young to copy.
void Backdate(const std::string& path)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= 600ull * 10000000ull;
    const FILETIME past = {t.LowPart, t.HighPart};
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    SetFileTime(h, &past, nullptr, &past);
    CloseHandle(h);
}

// An installation whose FileSync rule 1 mirrors its "data" folder (a.txt, sub\b.txt) to
// "mirror" on the backup drive; schedule holds the [FileSync] timing keys.
void WriteMirrorSetup(Installation& inst, SecondDrive& backup, const std::string& schedule)
{
    CreateDirectoryA(inst.dir.file("data").c_str(), nullptr);
    CreateDirectoryA(inst.dir.file("data\\sub").c_str(), nullptr);
    inst.dir.write("data\\a.txt", "alpha");
    inst.dir.write("data\\sub\\b.txt", "beta");
    for (const char* entry : {"data\\a.txt", "data\\sub\\b.txt", "data\\sub", "data"})
        Backdate(inst.dir.file(entry));
    inst.dir.write("custor.ini", "[FileSync]\n" + schedule + "WriteLog=1\n1=" +
                                     inst.dir.path() + "data\\*.*, " + backup.file("mirror") +
                                     "\n");
}

// The mirror holds both files and the statistics line counts the two copies.
void ExpectMirrored(Installation& inst, SecondDrive& backup)
{
    EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(backup.file("mirror\\sub\\b.txt")) == "beta"; },
                          40000))
        << inst.Log();
    EXPECT_EQ("alpha", ReadWholeFile(backup.file("mirror\\a.txt")));
    EXPECT_TRUE(WaitUntil([&] { return inst.dir.read("filesync.txt").find("+2") !=
                                       std::string::npos; }, 10000))
        << inst.dir.read("filesync.txt");
}

}  // namespace

// The scheduled transfer in the real program: the worker mirrors the folder to the backup
// drive beside the running supervision and writes its statistics line.
TEST(CustorFileSync, TheScheduleMirrorsToTheBackupDriveOnTheWorker)
{
    Installation inst;
    SecondDrive backup;
    ASSERT_TRUE(backup.ok()) << backup.error();
    // Due at the first slow block: the times start five minutes back, AutoTime is a minute.
    WriteMirrorSetup(inst, backup, "SyncStart=0\nSyncStop=24\nAutoTime=1\n");
    ASSERT_TRUE(inst.Start());
    ExpectMirrored(inst, backup);
    // Supervision went on meanwhile and the program ends normally.
    EXPECT_EQ(0, inst.End());
}

// The operator's transfer command, outside the daily window and with the schedule off: the
// window thread hands the request to the worker, which mirrors the folder.
TEST(CustorFileSync, TheTransferCommandMirrorsOutsideTheSchedule)
{
    Installation inst;
    SecondDrive backup;
    ASSERT_TRUE(backup.ok()) << backup.error();
    // No automatic runs at all: only the command can start one.
    WriteMirrorSetup(inst, backup, "SyncStart=0\nSyncStop=0\nAutoTime=0\nAutoTimeDel=0\n");
    ASSERT_TRUE(inst.Start());
    // The command is there once the configuration has been read: the "FileSync" line shows.
    ASSERT_TRUE(WaitUntil([&] {
        HWND client = FindWindowExA(inst.frame, nullptr, "CustorMain", nullptr);
        HWND line = client ? FindWindowExA(client, nullptr, "Static", "FileSync") : nullptr;
        return line && (GetWindowLongA(line, GWL_STYLE) & WS_VISIBLE);
    }, 15000));
    PostMessageA(inst.frame, WM_COMMAND, 5, 0);
    ExpectMirrored(inst, backup);
    EXPECT_EQ(0, inst.End());
}
