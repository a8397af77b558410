#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "housekeeping/jobs.h"
#include "support/program_dir.h"
#include "support/second_drive.h"
#include "support/temp_dir.h"

namespace {

struct MoveCase {
    const char* what;
    bool otherDrive;
    bool destinationExists;
};

const MoveCase kMoveCases[] = {
    {"same drive: renamed", false, false},
    {"same drive: an existing destination is replaced", false, true},
    {"another drive: copied and removed", true, false},
    {"another drive: an existing destination is overwritten", true, true},
};

TEST(FileMove, MovesEveryFileIntoTheDestinationOnTheSameOrAnotherDrive)
{
    for (const MoveCase& c : kMoveCases) {
        SCOPED_TRACE(c.what);
        SecondDrive drive;
        ASSERT_TRUE(drive.ok()) << drive.error();
        ProgramDir program;
        CreateDirectoryA(program.dir.file("in").c_str(), nullptr);
        CreateDirectoryA(program.dir.file("out").c_str(), nullptr);
        const std::string destination = c.otherDrive ? drive.root() : program.dir.file("out");
        // Where the moved files are, by their destination names.
        auto moved = [&](const char* name) {
            return c.otherDrive ? drive.file(name) : program.dir.file(("out\\" + std::string(name)).c_str());
        };
        program.WriteConfig("[FileMove]\n1=" + program.dir.file("in") + "\\*.fax," + destination + "\n");
        program.dir.write("in\\1.fax", "fax one");
        program.dir.write("in\\2.fax", std::string(100000, 'z'));
        program.dir.write("in\\note.txt", "not a fax");
        if (c.destinationExists) WriteWholeFile(moved("1.fax"), "an older fax one");

        EXPECT_TRUE(FileMove_Run());
        EXPECT_EQ("fax one", ReadWholeFile(moved("1.fax")));
        EXPECT_EQ(std::string(100000, 'z'), ReadWholeFile(moved("2.fax")));
        EXPECT_FALSE(program.dir.exists("in\\1.fax"));
        EXPECT_FALSE(program.dir.exists("in\\2.fax"));
        EXPECT_TRUE(program.dir.exists("in\\note.txt"));
    }
}

TEST(FileMove, AFailingMoveStopsTheListAndTheAppendJobs)
{
    ProgramDir program;
    CreateDirectoryA(program.dir.file("in").c_str(), nullptr);
    CreateDirectoryA(program.dir.file("out").c_str(), nullptr);
    program.dir.write("in\\1.fax", "one");
    program.dir.write("in\\2.fax", "two");
    program.dir.write("in\\3.txt", "three");
    // Rule 1's destination does not exist: its first move fails.
    program.WriteConfig("[FileMove]\n1=" + program.dir.file("in") + "\\*.fax," +
                        program.dir.file("missing") + "\n2=" + program.dir.file("in") + "\\*.txt," +
                        program.dir.file("out") + "\n");
    EXPECT_FALSE(FileMove_Run());
    EXPECT_TRUE(program.dir.exists("in\\1.fax"));
    EXPECT_TRUE(program.dir.exists("in\\2.fax"));
    EXPECT_TRUE(program.dir.exists("in\\3.txt"));
}

TEST(FileMove, AMissingSourceDirectoryRefusesAndAnEmptyListSucceeds)
{
    ProgramDir program;
    program.WriteConfig("[FileMove]\n1=" + program.dir.file("none") + "\\*.*," +
                        program.dir.file("out") + "\n");
    EXPECT_FALSE(FileMove_Run());
    program.WriteConfig("[FileMove]\n1=no comma here\n");
    EXPECT_TRUE(FileMove_Run());
}

TEST(FileMove, ASourceItsProducerStillWritesStaysWholeAndArrivesCompleteLater)
{
    // However freely the producer shares its file, the move to another drive waits for it.
    for (const DWORD sharing : {DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE),
                                DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)}) {
        SCOPED_TRACE(sharing);
        SecondDrive in, out;
        ASSERT_TRUE(in.ok() && out.ok()) << in.error() << out.error();
        ProgramDir program;
        program.WriteConfig("[FileMove]\n1=" + in.root() + "*.cdr," + out.root() + "\n");
        const std::string source = in.file("calls.cdr");
        HANDLE producer = CreateFileA(source.c_str(), GENERIC_WRITE, sharing, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, producer);
        DWORD written = 0;
        WriteFile(producer, "first call\n", 11, &written, nullptr);

        EXPECT_FALSE(FileMove_Run());
        EXPECT_EQ("first call\n", ReadWholeFile(source));
        EXPECT_FALSE(FileExists(out.file("calls.cdr")));

        WriteFile(producer, "second call\n", 12, &written, nullptr);
        CloseHandle(producer);
        EXPECT_TRUE(FileMove_Run());
        EXPECT_EQ("first call\nsecond call\n", ReadWholeFile(out.file("calls.cdr")));
        EXPECT_FALSE(FileExists(source));
    }
}

}  // namespace
