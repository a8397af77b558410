#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "housekeeping/handover.h"
#include "support/full_disk.h"
#include "support/temp_dir.h"

namespace {

std::string Record(int stage, size_t length, const std::string& destination)
{
    return std::to_string(stage) + " " + std::to_string(length) + " " + destination + "\n";
}

// One way the program may have been ended during a hand-over, and what must come of it.
struct ResumeCase {
    const char* what;
    std::string destinationBefore;  // the collecting file as the end left it
    bool withRecord;                // the record of the hand-over exists
    size_t notedLength;             // its noted length of the collecting file
    int stage;              // the record's stage
    int appendStage;        // the stage of the append that finds it
    bool recordForOtherFile;
    std::string expected;
};

const std::string kOld = "old content\n";
const std::string kNew = "new lines 1\nnew lines 2\n";

const ResumeCase kResumeCases[] = {
    {"ended before the record: nothing there yet", kOld, false, 0, 1, 1, false, kOld + kNew},
    {"ended after the record, before any byte", kOld, true, kOld.size(), 1, 1, false, kOld + kNew},
    {"ended part-way", kOld + kNew.substr(0, 7), true, kOld.size(), 1, 1, false, kOld + kNew},
    {"ended after the last byte, before T went", kOld + kNew, true, kOld.size(), 1, 1,
     false, kOld + kNew},
    {"another writer added after T was complete", kOld + kNew + "more\n", true, kOld.size(), 1,
     1, false, kOld + kNew + "more\n"},
    {"the collecting file was emptied meanwhile", "", true, kOld.size(), 1, 1, false, kNew},
    {"the collecting file was rewritten meanwhile", "XXXXXXXXXXXXXXXXXXXX", true, 3, 1, 1, false,
     "XXXXXXXXXXXXXXXXXXXX" + kNew},
    {"record of an earlier stage: nothing here yet", kOld, true, 0, 1, 2, false, kOld + kNew},
    {"record naming another file: nothing here yet", kOld + "new", true, kOld.size(), 1, 1,
     true, kOld + "new" + kNew},
};

TEST(HandOver, AnEndAtAnyMomentLeavesEveryByteInTheDestinationOnce)
{
    for (const ResumeCase& c : kResumeCases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string handOver = dir.file("a.txt.$$$");
        const std::string destination = dir.file("collect.txt");
        dir.write("a.txt.$$$", kNew);
        dir.write("collect.txt", c.destinationBefore);
        const int stage = c.appendStage;
        if (c.withRecord)
            dir.write("a.txt.$$$.rec$$$",
                      Record(c.stage, c.notedLength,
                             c.recordForOtherFile ? dir.file("other.txt") : destination));
        HANDLE file = HandOver_OpenDestination(destination.c_str());
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        EXPECT_EQ(HANDOVER_DONE,
                  HandOver_Append(file, destination.c_str(), handOver.c_str(), stage, nullptr));
        CloseHandle(file);
        EXPECT_TRUE(HandOver_Finish(handOver.c_str()));
        EXPECT_EQ(c.expected, dir.read("collect.txt"));
        EXPECT_FALSE(dir.exists("a.txt.$$$"));
        EXPECT_FALSE(dir.exists("a.txt.$$$.rec$$$"));
    }
}

TEST(HandOver, AHandOverStillOpenForWritingWaitsAndChangesNothing)
{
    TempDir dir;
    dir.write("a.txt.$$$", kNew);
    dir.write("collect.txt", kOld);
    const std::string handOver = dir.file("a.txt.$$$");
    // A producer that let the rename happen (it shares removal) and still writes.
    HANDLE writer = CreateFileA(handOver.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    HANDLE file = HandOver_OpenDestination(dir.file("collect.txt").c_str());
    EXPECT_EQ(HANDOVER_NOT_NOW,
              HandOver_Append(file, dir.file("collect.txt").c_str(), handOver.c_str(), 1, nullptr));
    CloseHandle(file);
    CloseHandle(writer);
    EXPECT_EQ(kOld, dir.read("collect.txt"));
    EXPECT_EQ(kNew, dir.read("a.txt.$$$"));
}

// A destination on a full disk: under Wine a file linked to /dev/full, where every write fails
// with "disk full".
TEST(HandOver, AFailedAppendLeavesTheDestinationAsItWasAndKeepsTheHandOver)
{
    TempDir dir;
    dir.write("a.txt.$$$", kNew);
    const std::string why = MakeFullDiskFile(dir.file("full.txt"));
    if (!why.empty()) GTEST_SKIP() << why;
    const std::string handOver = dir.file("a.txt.$$$");
    const std::string destination = dir.file("full.txt");
    HANDLE file = HandOver_OpenDestination(destination.c_str());
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(HANDOVER_FAILED,
              HandOver_Append(file, destination.c_str(), handOver.c_str(), 1, nullptr));
    CloseHandle(file);
    EXPECT_EQ(kNew, dir.read("a.txt.$$$"));
    // Nothing of it reached the destination: no record is left that would have it resumed.
    EXPECT_EQ(0, HandOver_ReadRecord(handOver.c_str(), nullptr, 0));
    DeleteFileA(destination.c_str());
}

TEST(HandOver, ADestinationThatCannotBeReadBackKeepsTheHandOverInsteadOfAppendingItTwice)
{
    TempDir dir;
    // Half of T reached the destination before the end; the record says so.
    dir.write("a.txt.$$$", kNew);
    dir.write("a.txt", kOld + kNew.substr(0, 7));
    const std::string handOver = dir.file("a.txt.$$$");
    const std::string destination = dir.file("a.txt");
    dir.write("a.txt.$$$.rec$$$", Record(1, kOld.size(), destination));
    // Opened for writing only, the destination's bytes cannot be read to compare them.
    HANDLE file = CreateFileA(destination.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(HANDOVER_NOT_NOW,
              HandOver_Append(file, destination.c_str(), handOver.c_str(), 1, nullptr));
    CloseHandle(file);
    EXPECT_EQ(kOld + kNew.substr(0, 7), dir.read("a.txt"));
    EXPECT_EQ(kNew, dir.read("a.txt.$$$"));
    EXPECT_EQ(1, HandOver_ReadRecord(handOver.c_str(), nullptr, 0));

    // Readable again, the rest follows once.
    file = HandOver_OpenDestination(destination.c_str());
    EXPECT_EQ(HANDOVER_DONE, HandOver_Append(file, destination.c_str(), handOver.c_str(), 1, nullptr));
    CloseHandle(file);
    EXPECT_EQ(kOld + kNew, dir.read("a.txt"));
}

}  // namespace
