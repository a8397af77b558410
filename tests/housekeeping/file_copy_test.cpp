#include <gtest/gtest.h>
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

#include "core/lib.h"
#include "housekeeping/file_lib.h"
#include "support/second_drive.h"
#include "support/temp_dir.h"

namespace {

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Bytes that differ from position to position, so a shifted or cut copy shows.
std::string Pattern(size_t size, int seed = 0)
{
    std::string text(size, 0);
    for (size_t i = 0; i < size; ++i) text[i] = (char)((i * 7 + seed + i / 251) & 0xFF);
    return text;
}

FILETIME WriteTime(const std::string& path)
{
    FILETIME created = {}, accessed = {}, written = {};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        GetFileTime(file, &created, &accessed, &written);
        CloseHandle(file);
    }
    return written;
}

// Puts a file's last-write (and creation) time two days into the past, so a kept time cannot
// be mistaken for the time of the copy.
FILETIME BackdateFile(const std::string& path)
{
    SYSTEMTIME past = {2021, 6, 0, 14, 8, 30, 42, 0};
    FILETIME stamp;
    SystemTimeToFileTime(&past, &stamp);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    SetFileTime(file, &stamp, nullptr, &stamp);
    CloseHandle(file);
    return stamp;
}

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// Names in the directory that end in "$$$": what a copy leaves behind if it does not clean up.
std::vector<std::string> TemporaryFiles(const std::string& directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((directory + "*$$$").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

// Sources whose content does not match the size they report when opened, as with a file
// cut short or extended by its writer while it is copied: kernel files seen through Wine's
// drive Z:. The first ends short of its size, the second reads more than its size of 0.
const char* const kShortSource = "Z:\\sys\\devices\\system\\cpu\\online";
const char* const kLongSource = "Z:\\proc\\self\\status";

// True when path reports reportedSize but reads differently (the premise of the test).
bool ReadsOtherThanItsSize(const char* path, DWORD reportedSize)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    CloseHandle(file);
    const std::string content = ReadWholeFile(path);
    return size.QuadPart == reportedSize && !content.empty() && content.size() != reportedSize;
}

}  // namespace

// ---- FILE_Copy ----------------------------------------------------------------------------

TEST(FileCopy, CopiesVerifiesAndKeepsTimesOnRequest)
{
    struct Case {
        size_t size;
        BOOL keepTimes;
        BOOL scramble;
    } cases[] = {
        {0, TRUE, FALSE}, {1, FALSE, FALSE}, {61440, TRUE, FALSE}, {61441 * 3, TRUE, FALSE},
        {5000, FALSE, TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        TempDir dir;
        const std::string content = Pattern(c.size);
        dir.write("source.dat", content);
        const FILETIME stamp = BackdateFile(dir.file("source.dat"));
        dir.write("dest.dat", "old destination");
        DWORD size = 12345;
        EXPECT_EQ(1, FILE_Copy(dir.file("dest.dat").c_str(), dir.file("source.dat").c_str(), 0,
                               c.keepTimes, c.scramble, &size, FALSE));
        EXPECT_EQ(c.size, size);
        std::string expected = content;
        if (c.scramble) LIB_xor(&expected[0], (int)expected.size());
        EXPECT_TRUE(expected == dir.read("dest.dat"));
        EXPECT_TRUE(content == dir.read("source.dat"));
        EXPECT_EQ(c.keepTimes != FALSE, SameTime(stamp, WriteTime(dir.file("dest.dat"))));
        EXPECT_TRUE(TemporaryFiles(dir.path()).empty());
    }
}

// A copy cut off by the end of the process leaves its temporary; the next copy to the same
// destination takes it over. One held open by another copy is left to that copy.
TEST(FileCopy, TheNextCopyTakesOverATemporaryLeftBehind)
{
    for (const bool heldOpen : {false, true}) {
        SCOPED_TRACE(heldOpen);
        TempDir dir;
        const std::string content = Pattern(70000, 3);
        dir.write("source.dat", content);
        dir.write("~dest.dat.$$$", "half a copy");
        HANDLE held = INVALID_HANDLE_VALUE;
        if (heldOpen)
            held = CreateFileA(dir.file("~dest.dat.$$$").c_str(), GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(1, FILE_Copy(dir.file("dest.dat").c_str(), dir.file("source.dat").c_str(), 0,
                               TRUE, FALSE, nullptr, FALSE));
        EXPECT_TRUE(content == dir.read("dest.dat"));
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        const std::vector<std::string> left = TemporaryFiles(dir.path());
        EXPECT_EQ(heldOpen ? 1u : 0u, left.size());
        if (heldOpen && left.size() == 1) EXPECT_EQ("half a copy", dir.read("~dest.dat.$$$"));
    }
}

TEST(FileCopy, MoveOnOneDriveLetterRenamesWhateverTheLetterCase)
{
    for (bool lowerDestination : {false, true}) {
        TempDir dir;
        dir.write("moved.txt", "payload");
        dir.write("target.txt", "old");
        std::string destination = dir.file("target.txt");
        destination[0] = (char)(lowerDestination ? tolower(destination[0]) : toupper(destination[0]));
        std::string source = dir.file("moved.txt");
        source[0] = (char)toupper(source[0]);
        EXPECT_EQ(2, FILE_Copy(destination.c_str(), source.c_str(), 1, TRUE, FALSE, nullptr, FALSE));
        EXPECT_EQ("payload", dir.read("target.txt"));
        EXPECT_FALSE(dir.exists("moved.txt"));
    }
}

TEST(FileCopy, MoveToAnotherDriveLetterCopiesThenRemovesTheSource)
{
    SecondDrive drive;
    ASSERT_TRUE(drive.ok()) << drive.error();
    TempDir dir;
    const std::string content = Pattern(100000, 3);
    dir.write("report.dat", content);
    const FILETIME stamp = BackdateFile(dir.file("report.dat"));
    const std::string destination = drive.file("report.dat");
    DWORD size = 0;
    EXPECT_EQ(1, FILE_Copy(destination.c_str(), dir.file("report.dat").c_str(), 1, TRUE, FALSE,
                           &size, FALSE));
    EXPECT_TRUE(content == ReadWholeFile(destination));
    EXPECT_EQ(100000u, size);
    EXPECT_TRUE(SameTime(stamp, WriteTime(destination)));
    EXPECT_FALSE(dir.exists("report.dat"));
    EXPECT_TRUE(TemporaryFiles(drive.root()).empty());
}

TEST(FileCopy, AppendModeAddsToTheEndAndSucceedsWithALargerDestination)
{
    TempDir dir;
    dir.write("archive.log", "first part\n");
    dir.write("today.log", "second\n");
    const FILETIME stamp = BackdateFile(dir.file("today.log"));
    DWORD size = 0;
    EXPECT_EQ(1, FILE_Copy(dir.file("archive.log").c_str(), dir.file("today.log").c_str(), 0,
                           TRUE, FALSE, &size, TRUE));
    EXPECT_EQ("first part\nsecond\n", dir.read("archive.log"));
    EXPECT_EQ(18u, size);
    EXPECT_TRUE(SameTime(stamp, WriteTime(dir.file("archive.log"))));
    // Appending to a missing destination creates it.
    EXPECT_EQ(1, FILE_Copy(dir.file("new.log").c_str(), dir.file("today.log").c_str(), 0, FALSE,
                           FALSE, nullptr, TRUE));
    EXPECT_EQ("second\n", dir.read("new.log"));
}

TEST(FileCopy, ASourceThatChangesSizeWhileCopiedLeavesTheOldDestination)
{
    if (!ReadsOtherThanItsSize(kShortSource, 4096) || !ReadsOtherThanItsSize(kLongSource, 0)) {
        GTEST_SKIP() << "no kernel files that read other than their size";
    }
    struct Case {
        const char* source;
        int moveMode;
        BOOL append;
        bool otherDrive;
    } cases[] = {
        {kShortSource, 0, FALSE, false}, {kLongSource, 0, FALSE, false},
        {kShortSource, 1, FALSE, true},  {kLongSource, 2, FALSE, false},
        {kShortSource, 0, TRUE, false},  {kShortSource, 1, TRUE, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << " move " << c.moveMode << " append "
                                        << c.append << " other drive " << c.otherDrive);
        TempDir dir;
        std::unique_ptr<SecondDrive> drive(c.otherDrive ? new SecondDrive : nullptr);
        if (drive) {
            ASSERT_TRUE(drive->ok()) << drive->error();
        }
        const std::string target = drive ? drive->file("target.dat") : dir.file("target.dat");
        WriteWholeFile(target, "the previous, complete destination");
        const std::string before = ReadWholeFile(c.source);
        DWORD size = 77;
        EXPECT_EQ(0, FILE_Copy(target.c_str(), c.source, c.moveMode, TRUE, FALSE, &size,
                               c.append));
        EXPECT_EQ("the previous, complete destination", ReadWholeFile(target));
        EXPECT_EQ(77u, size);
        EXPECT_TRUE(TemporaryFiles(drive ? drive->root() : dir.path()).empty());
        EXPECT_FALSE(ReadWholeFile(c.source).empty());
    }
}

TEST(FileCopy, RefusesWhatWouldLoseData)
{
    TempDir dir;
    dir.write("keep.txt", "keep me");
    const std::string keep = dir.file("keep.txt");
    std::string keepOtherCase = keep;
    keepOtherCase[keepOtherCase.size() - 5] = 'P';  // "keeP.txt": the same file
    const std::string longName = dir.file("") + std::string(260, 'n');
    dir.write("readonly.txt", "read only");
    SetFileAttributesA(dir.file("readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    struct Case {
        std::string destination, source;
        int moveMode;
    } cases[] = {
        {keepOtherCase, keep, 0},                 // onto itself: would truncate it
        {keep, keepOtherCase, 1},                 // moved onto itself
        {longName, keep, 0},                      // a destination that would have to be cut
        {dir.file("copy.txt"), longName, 0},      // a source that would have to be cut
        {dir.file("copy.txt"), dir.file("missing.txt"), 0},
        {dir.file("readonly.txt"), keep, 0},      // a read-only destination stays
        {dir.path(), keep, 0},                    // a directory is no destination
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination + " <- " + c.source);
        EXPECT_EQ(0, FILE_Copy(c.destination.c_str(), c.source.c_str(), c.moveMode, FALSE, FALSE,
                               nullptr, FALSE));
        EXPECT_EQ("keep me", dir.read("keep.txt"));
        EXPECT_EQ("read only", dir.read("readonly.txt"));
        EXPECT_FALSE(dir.exists("copy.txt"));
    }
    SetFileAttributesA(dir.file("readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(0, FILE_Copy(nullptr, keep.c_str(), 0, FALSE, FALSE, nullptr, FALSE));
    EXPECT_EQ(0, FILE_Copy("", keep.c_str(), 0, FALSE, FALSE, nullptr, FALSE));
}

// ---- FILE_Append, FILE_saveremove, FILE_DelFullTree ----------------------------------------

TEST(FileAppend, AppendsCreatesAndLeavesTheDestinationAloneWithoutASource)
{
    TempDir dir;
    dir.write("part.txt", Pattern(3000));
    EXPECT_TRUE(FILE_Append(dir.file("all.txt").c_str(), dir.file("part.txt").c_str()));
    EXPECT_TRUE(FILE_Append(dir.file("all.txt").c_str(), dir.file("part.txt").c_str()));
    EXPECT_TRUE(Pattern(3000) + Pattern(3000) == dir.read("all.txt"));
    EXPECT_FALSE(FILE_Append(dir.file("other.txt").c_str(), dir.file("missing.txt").c_str()));
    EXPECT_FALSE(dir.exists("other.txt"));
    EXPECT_FALSE(FILE_Append(dir.file("part.txt").c_str(), dir.file("part.txt").c_str()));
    EXPECT_TRUE(Pattern(3000) == dir.read("part.txt"));
}

TEST(FileSaveRemove, RemovesReadOnlyFilesAndReportsWhatItCannotRemove)
{
    TempDir dir;
    struct Case {
        const char* name;
        DWORD attributes;  // 0: do not create
        int expected;
    } cases[] = {
        {"plain.txt", FILE_ATTRIBUTE_NORMAL, 0},
        {"readonly.txt", FILE_ATTRIBUTE_READONLY, 0},
        {"hidden.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, 0},
        {"missing.txt", 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.attributes) {
            dir.write(c.name, "x");
            SetFileAttributesA(dir.file(c.name).c_str(), c.attributes);
        }
        EXPECT_EQ(c.expected, FILE_saveremove(dir.file(c.name).c_str()));
        EXPECT_FALSE(dir.exists(c.name));
    }
    CreateDirectoryA(dir.file("sub").c_str(), nullptr);
    EXPECT_NE(0, FILE_saveremove(dir.file("sub").c_str()));
    EXPECT_TRUE(dir.exists("sub"));
}

TEST(FileDelFullTree, CountsFilesOrBytesOfARealTreeWithReadOnlyFiles)
{
    for (BOOL countFiles : {TRUE, FALSE}) {
        TempDir dir;
        const std::string root = dir.file("tree");
        CreateDirectoryA(root.c_str(), nullptr);
        CreateDirectoryA((root + "\\a").c_str(), nullptr);
        CreateDirectoryA((root + "\\a\\deep").c_str(), nullptr);
        CreateDirectoryA((root + "\\empty").c_str(), nullptr);
        const struct {
            const char* name;
            size_t size;
            bool readOnly;
        } files[] = {
            {"\\top.txt", 10, false},      {"\\ro.txt", 20, true},
            {"\\a\\one.bin", 300, false},  {"\\a\\deep\\ro.bin", 4000, true},
            {"\\a\\deep\\two.bin", 5, false},
        };
        for (const auto& f : files) {
            WriteWholeFile(root + f.name, Pattern(f.size));
            if (f.readOnly) SetFileAttributesA((root + f.name).c_str(), FILE_ATTRIBUTE_READONLY);
        }
        char directory[MAX_PATH];
        snprintf(directory, sizeof(directory), "%s\\", root.c_str());
        EXPECT_EQ(countFiles ? 5 : 4335, FILE_DelFullTree(directory, countFiles));
        EXPECT_EQ(root + "\\", directory);
        EXPECT_FALSE(Exists(root));
    }
    char missing[] = "C:\\no\\such\\tree";
    EXPECT_EQ(0, FILE_DelFullTree(missing, TRUE));
}

// ---- FILE_Compare, FILE_CreateFile ----------------------------------------------------------

TEST(FileCompare, ComparesAcrossThe2048ByteChunks)
{
    struct Case {
        size_t sizeA, sizeB;
        long flipInB;  // position of a changed byte in B, -1 none
        int expected;
    } cases[] = {
        {0, 0, -1, 0},       {2048, 2048, -1, 0},  {4096, 4096, -1, 0},  {2048, 2049, -1, 1},
        {2049, 2048, -1, 1}, {4096, 4095, -1, 1},  {2047, 2048, -1, 1},  {4096, 6144, -1, 1},
        {2048, 0, -1, 1},    {4096, 4096, 2047, 1}, {4096, 4096, 2048, 1}, {5000, 5000, 4999, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sizeA << " / " << c.sizeB << " / " << c.flipInB);
        TempDir dir;
        dir.write("a", Pattern(c.sizeA));
        std::string b = Pattern(c.sizeB);
        if (c.flipInB >= 0) b[(size_t)c.flipInB] ^= 1;
        dir.write("b", b);
        EXPECT_EQ(c.expected, FILE_Compare(dir.file("a").c_str(), dir.file("b").c_str()));
    }
    TempDir dir;
    dir.write("a", "x");
    EXPECT_EQ(-1, FILE_Compare(dir.file("a").c_str(), dir.file("missing").c_str()));
    EXPECT_EQ(0, FILE_Compare(dir.file("missing").c_str(), dir.file("a").c_str()));
}

TEST(FileCreateFile, AccessAndSharingFollowTheMode)
{
    struct Case {
        const char* mode;
        BOOL exclusive;
        bool createsMissing;
        bool othersMayRead;
        bool truncates;
    } cases[] = {
        {"rb", FALSE, false, true, false}, {"rb", TRUE, false, false, false},
        {"rb+", FALSE, true, true, false}, {"rb+", TRUE, true, false, false},
        {"ab", FALSE, true, true, false},  {"ab", TRUE, true, false, false},
        {"wb", FALSE, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << " " << c.exclusive);
        TempDir dir;
        const std::string missing = dir.file("missing.dat");
        HANDLE created = FILE_CreateFile(missing.c_str(), c.mode, c.exclusive);
        EXPECT_EQ(c.createsMissing, created != INVALID_HANDLE_VALUE);
        FILE_CloseHandle(&created);
        EXPECT_EQ(INVALID_HANDLE_VALUE, created);

        dir.write("file.dat", "12345");
        HANDLE file = FILE_CreateFile(dir.file("file.dat").c_str(), c.mode, c.exclusive);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        const DWORD position = FILE_ftell(file);
        EXPECT_EQ(strchr(c.mode, 'a') ? 5u : 0u, position);
        FILE* other = fopen(dir.file("file.dat").c_str(), "rb");
        EXPECT_EQ(c.othersMayRead, other != nullptr);
        if (other) fclose(other);
        FILE_CloseHandle(&file);
        EXPECT_EQ(c.truncates ? "" : "12345", dir.read("file.dat"));
    }
}
