#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "housekeeping/file_lib.h"
#include "housekeeping/time_lib.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace {

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeDirs(const TempDir& dir, std::initializer_list<const char*> names)
{
    for (const char* name : names) CreateDirectoryA(dir.file(name).c_str(), nullptr);
}

// Last-write time as a local date and time (through the machine's own conversion).
void SetLocalWriteTime(const std::string& path, int year, int month, int day, int hour,
                       int minute, int second)
{
    SYSTEMTIME local = {(WORD)year, (WORD)month, 0, (WORD)day, (WORD)hour, (WORD)minute, (WORD)second, 0};
    FILETIME localTime, utc;
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    SetFileTime(file, &utc, nullptr, &utc);
    CloseHandle(file);
}

DWORD Packed(int year, int month, int day, int hour, int minute, int second)
{
    return ((DWORD)(year - 1980) << 25) | ((DWORD)month << 21) | ((DWORD)day << 16) |
           ((DWORD)hour << 11) | ((DWORD)minute << 5) | (DWORD)(second / 2);
}

}  // namespace

TEST(FileGetTreeSize, CountsAtTheCountDepthAndSkipsWhatIsExcluded)
{
    TempDir dir;
    MakeDirs(dir, {"root", "root\\sub", "root\\sub\\daemon", "root\\$skip", "root\\sub\\deep"});
    const struct {
        const char* name;
        size_t size;
    } files[] = {
        {"root\\a.txt", 10},         {"root\\b.bak", 20},            {"root\\$x.txt", 40},
        {"root\\sub\\c.txt", 100},   {"root\\sub\\d.BAK", 200},      {"root\\sub\\daemon\\e.txt", 1000},
        {"root\\$skip\\f.txt", 2000}, {"root\\sub\\deep\\g.txt", 4000}, {"root\\$T$one.txt", 8000},
    };
    for (const auto& f : files) dir.write(f.name, std::string(f.size, 'x'));
    SetLocalWriteTime(dir.file("root\\sub\\c.txt"), 2020, 1, 2, 3, 4, 6);
    SetLocalWriteTime(dir.file("root\\sub\\deep\\g.txt"), 2019, 1, 1, 0, 0, 0);

    struct Case {
        int countDepth, depth;
        const char* excluded;
        BOOL skipDollar;
        const char* tag;
        ULONGLONG bytes;
        DWORD files, live, matches;
    } cases[] = {
        // Everything: 15370 bytes; files directly below the depth-2 folders (sub, $skip)
        // counted.
        {3, 1, nullptr, FALSE, nullptr, 15370, 3, 3, 9},
        {3, 1, ".bak", FALSE, nullptr, 15150, 2, 2, 7},
        {3, 1, ".bak", TRUE, nullptr, 5110, 1, 1, 4},
        // The files of the daemon directory are counted but not live.
        {4, 1, ".bak", TRUE, nullptr, 5110, 2, 1, 4},
        {2, 1, nullptr, TRUE, nullptr, 5330, 2, 2, 6},  // at depth 1 "$" files and folders go
        {2, 1, nullptr, FALSE, "T", 8000, 1, 1, 1},     // only "$T$" entries at the top
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.countDepth << " " << (c.excluded ? c.excluded : "-")
                                        << " " << c.skipDollar << " " << (c.tag ? c.tag : "-"));
        DWORD count = 0, live = 0, matches = 0, oldest = 0xFFFFFFFF;
        std::string root = dir.file("root\\");
        EXPECT_EQ(c.bytes, FILE_GetTreeSize(root.c_str(), c.countDepth, c.depth, &count, &oldest,
                                            &live, c.excluded, &matches, c.skipDollar, c.tag));
        EXPECT_EQ(c.files, count);
        EXPECT_EQ(c.live, live);
        EXPECT_EQ(c.matches, matches);
        if (c.countDepth == 3 && !c.skipDollar && !c.excluded) {
            EXPECT_EQ(Packed(2020, 1, 2, 3, 4, 6), oldest);
        }
    }
    EXPECT_EQ(0u, FILE_GetTreeSize(dir.file("missing").c_str(), 1, 1, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, FALSE, nullptr));
}

TEST(FileTrees, CompressedSizeCopyTreeAndEmptyTreeRemoval)
{
    TempDir dir;
    MakeDirs(dir, {"z"});
    dir.write("z\\big.dat", std::string(1000, 'b'));
    dir.write("z\\big.dat.$Z$", std::string(100, 'c'));
    dir.write("z\\plain.dat", std::string(50, 'p'));
    dir.write("z\\empty.dat", std::string(70, 'e'));
    dir.write("z\\empty.dat.$Z$", "");
    EXPECT_EQ(220u, FILE_GetCompressedDirSize(dir.file("z").c_str()));

    MakeDirs(dir, {"src", "src\\one", "src\\one\\two", "src\\none"});
    dir.write("src\\top.txt", "top");
    dir.write("src\\one\\two\\deep.txt", "deep");
    SetLocalWriteTime(dir.file("src\\one\\two\\deep.txt"), 2021, 5, 6, 7, 8, 10);
    EXPECT_TRUE(FILE_CopyTree(dir.file("copy\\of\\src").c_str(), dir.file("src\\").c_str()));
    EXPECT_EQ("deep", dir.read("copy\\of\\src\\one\\two\\deep.txt"));
    EXPECT_EQ("top", dir.read("copy\\of\\src\\top.txt"));
    EXPECT_TRUE(Exists(dir.file("copy\\of\\src\\none")));
    EXPECT_EQ(Packed(2021, 5, 6, 7, 8, 10),
              FILE_GetTime(dir.file("copy\\of\\src\\one\\two\\deep.txt").c_str(), nullptr));
    // Into itself it would never end.
    EXPECT_FALSE(FILE_CopyTree(dir.file("src\\one\\inner").c_str(), dir.file("src").c_str()));
    EXPECT_FALSE(Exists(dir.file("src\\one\\inner")));

    DeleteFileA(dir.file("src\\one\\two\\deep.txt").c_str());
    EXPECT_TRUE(FILE_DelEmptyTree(dir.file("src").c_str()));
    EXPECT_FALSE(Exists(dir.file("src\\one")));
    EXPECT_FALSE(Exists(dir.file("src\\none")));
    EXPECT_TRUE(Exists(dir.file("src\\top.txt")));

    EXPECT_FALSE(FILE_IsDirectoryEmpty(dir.file("src").c_str()));
    MakeDirs(dir, {"void"});
    EXPECT_TRUE(FILE_IsDirectoryEmpty(dir.file("void\\").c_str()));
    EXPECT_FALSE(FILE_IsDirectoryEmpty(dir.file("missing").c_str()));
}

TEST(FileTimes, StampsSetReadAndAged)
{
    TempDir dir;
    dir.write("f.txt", "x");
    const std::string f = dir.file("f.txt");
    EXPECT_TRUE(FILE_SetTime(f.c_str(), Packed(2023, 8, 9, 10, 11, 12), 0));
    EXPECT_EQ(Packed(2023, 8, 9, 10, 11, 12), FILE_GetTime(f.c_str(), nullptr));
    EXPECT_EQ(12, FILE_GetSeconds(f.c_str(), -1));
    EXPECT_EQ(-1, FILE_GetSeconds(dir.file("missing").c_str(), -1));
    TIME_FTIME stamp = {(WORD)Packed(2023, 8, 9, 10, 11, 12), (WORD)(Packed(2023, 8, 9, 10, 11, 12) >> 16)};
    EXPECT_EQ(TIME_ftime2unix(&stamp), FILE_GetUnixTime(f.c_str()));
    EXPECT_EQ(0, FILE_GetUnixTime(dir.file("missing").c_str()));

    EXPECT_TRUE(FILE_SetSeconds(f.c_str(), 40));
    EXPECT_EQ(Packed(2023, 8, 9, 10, 11, 40), FILE_GetTime(f.c_str(), nullptr));
    EXPECT_FALSE(FILE_SetSeconds(f.c_str(), 41));  // the same 2-second field
    EXPECT_FALSE(FILE_SetSeconds(dir.file("missing").c_str(), 4));

    {
        FakeHost host;  // 05.03.2024 14:07:09
        EXPECT_TRUE(FILE_SetRelativeTime(f.c_str(), -86400, -1, -1));
        EXPECT_EQ(Packed(2024, 3, 4, 14, 7, 8), FILE_GetTime(f.c_str(), nullptr));
        EXPECT_TRUE(FILE_SetRelativeTime(f.c_str(), 3600, 15, 6));
        EXPECT_EQ(Packed(2024, 3, 5, 6, 7, 30), FILE_GetTime(f.c_str(), nullptr));

        // Older than two days goes; younger stays.
        dir.write("old.log", "o");
        dir.write("new.log", "n");
        dir.write("old.txt", "o");
        SetLocalWriteTime(dir.file("old.log"), 2024, 3, 3, 14, 0, 0);
        SetLocalWriteTime(dir.file("new.log"), 2024, 3, 3, 14, 10, 0);
        SetLocalWriteTime(dir.file("old.txt"), 2020, 1, 1, 0, 0, 0);
        EXPECT_EQ(1, FILE_DelOldFiles(dir.path(), "*.log", 2));
        EXPECT_FALSE(dir.exists("old.log"));
        EXPECT_TRUE(dir.exists("new.log"));
        EXPECT_TRUE(dir.exists("old.txt"));
    }
}

TEST(FileContent, WordScansTruncationAndExclusiveTests)
{
    TempDir dir;
    dir.write("log.txt", "first line\nan Error here\nand a warning\n");
    dir.write("long.txt", std::string(5000, 'a') + "\nwarning\n");
    struct Case {
        const char* file;
        const char* word1;
        const char* word2;
        int expected;
    } cases[] = {
        {"log.txt", "ERROR", "WARNING", 1}, {"log.txt", "WARNING", "ERROR", 2},
        {"log.txt", "FATAL", "WARNING", 2}, {"log.txt", "FATAL", "PANIC", 0},
        {"long.txt", "AAAAB", "WARNING", 2}, {"missing.txt", "ERROR", "WARNING", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " " << c.word1);
        EXPECT_EQ(c.expected, FILE_ScanForWords(dir.file(c.file).c_str(), c.word1, c.word2));
    }
    dir.write("bytes.bin", std::string("xxaaab\0zz", 9));
    struct WordCase {
        const char* word;
        BOOL expected;
    } words[] = {{"aab", TRUE}, {"aaab", TRUE}, {"xaa", TRUE}, {"b", TRUE}, {"zz", TRUE},
                 {"AAB", FALSE}, {"aaaab", FALSE}, {"bz", FALSE}};
    for (const WordCase& w : words) {
        SCOPED_TRACE(w.word);
        EXPECT_EQ(w.expected, FILE_ScanForWord(dir.file("bytes.bin").c_str(), w.word));
    }

    dir.write("cut.log", "0123456789");
    SetLocalWriteTime(dir.file("cut.log"), 2022, 2, 3, 4, 5, 6);
    EXPECT_TRUE(FILE_Truncate(dir.file("cut.log").c_str(), 4));
    EXPECT_EQ("0123", dir.read("cut.log"));
    EXPECT_EQ(Packed(2022, 2, 3, 4, 5, 6), FILE_GetTime(dir.file("cut.log").c_str(), nullptr));
    EXPECT_FALSE(dir.exists("cut.TRU"));
    EXPECT_FALSE(FILE_Truncate(dir.file("missing.log").c_str(), 4));

    MakeDirs(dir, {"busy"});
    dir.write("busy\\a.txt", "a");
    dir.write("busy\\b.txt", "b");
    EXPECT_TRUE(FILE_TestExclusive(dir.file("log.txt").c_str(), dir.file("busy").c_str()));
    FILE* held = fopen(dir.file("busy\\b.txt").c_str(), "rb");
    EXPECT_FALSE(FILE_TestExclusive(nullptr, dir.file("busy\\").c_str()));
    EXPECT_FALSE(FILE_TestExclusive(dir.file("busy\\b.txt").c_str(), nullptr));
    EXPECT_TRUE(FILE_TestExclusive(dir.file("busy\\a.txt").c_str(), nullptr));
    fclose(held);
    FILE* stream = fopen(dir.file("log.txt").c_str(), "rb");
    EXPECT_EQ(0, FILE_fclose(&stream));
    EXPECT_EQ(nullptr, stream);
    EXPECT_EQ(0, FILE_fclose(&stream));
}
