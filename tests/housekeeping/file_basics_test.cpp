#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "housekeeping/file_basics.h"
#include "support/temp_dir.h"

namespace {

bool IsDir(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Sets the last-write time of a file to a local date and time. The conversion to UTC and the
// library's conversion back both use the machine's current bias, so the round trip gives the
// same fields in every time zone.
void SetLocalWriteTime(const std::string& path, int year, int month, int day, int hour,
                       int minute, int second)
{
    SYSTEMTIME local = {};
    local.wYear = (WORD)year;
    local.wMonth = (WORD)month;
    local.wDay = (WORD)day;
    local.wHour = (WORD)hour;
    local.wMinute = (WORD)minute;
    local.wSecond = (WORD)second;
    FILETIME localTime, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
    // A creation time with a non-zero low half, so the entry's times count as usable.
    FILETIME creation = utc;
    creation.dwLowDateTime |= 1;
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_TRUE(SetFileTime(file, &creation, nullptr, &utc));
    CloseHandle(file);
}

DWORD Packed(int year, int month, int day, int hour, int minute, int second)
{
    return ((DWORD)(year - 1980) << 25) | ((DWORD)month << 21) | ((DWORD)day << 16) |
           ((DWORD)hour << 11) | ((DWORD)minute << 5) | (DWORD)(second / 2);
}

}  // namespace

// ---- FILE_fopen ---------------------------------------------------------------------------

TEST(FileOpen, ExclusiveAppendDeniesOtherWritersButLetsReadersIn)
{
    TempDir dir;
    const std::string path = dir.file("CUSTOR.LOK");
    FILE* holder = FILE_fopen(path.c_str(), "ab", TRUE);
    ASSERT_NE(nullptr, holder);
    fputs("holder", holder);
    fflush(holder);

    EXPECT_EQ(nullptr, FILE_fopen(path.c_str(), "ab", FALSE));
    EXPECT_EQ(nullptr, FILE_fopen(path.c_str(), "ab", TRUE));
    EXPECT_EQ(nullptr, FILE_fopen(path.c_str(), "wb", FALSE));
    EXPECT_EQ(nullptr, FILE_fopen(path.c_str(), "rb+", FALSE));
    // An exclusive reader denies writing, which the holder already does.
    EXPECT_EQ(nullptr, FILE_fopen(path.c_str(), "rb", TRUE));

    FILE* reader = FILE_fopen(path.c_str(), "rb", FALSE);
    ASSERT_NE(nullptr, reader);
    char text[20] = {};
    EXPECT_EQ(6u, fread(text, 1, sizeof(text) - 1, reader));
    EXPECT_STREQ("holder", text);
    fclose(reader);
    fclose(holder);

    FILE* again = FILE_fopen(path.c_str(), "ab", TRUE);
    EXPECT_NE(nullptr, again);
    if (again) fclose(again);
}

TEST(FileOpen, SharedAppendDeniesNothingAndBothWritersAppend)
{
    TempDir dir;
    const std::string path = dir.file("shared.txt");
    FILE* first = FILE_fopen(path.c_str(), "ab", FALSE);
    FILE* second = FILE_fopen(path.c_str(), "ab", FALSE);
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    fputs("one,", first);
    fflush(first);
    fputs("two", second);
    fflush(second);
    FILE* reader = FILE_fopen(path.c_str(), "rb", FALSE);
    EXPECT_NE(nullptr, reader);
    if (reader) fclose(reader);
    fclose(first);
    fclose(second);
    EXPECT_EQ("one,two", dir.read("shared.txt"));
}

TEST(FileOpen, WriteModeTruncatesAndAlwaysDeniesEveryone)
{
    TempDir dir;
    dir.write("job.txt", "old content");
    FILE* writer = FILE_fopen(dir.file("job.txt").c_str(), "wb", FALSE);
    ASSERT_NE(nullptr, writer);
    EXPECT_EQ(0u, FILE_GetSize(dir.file("job.txt").c_str()));
    EXPECT_EQ(nullptr, FILE_fopen(dir.file("job.txt").c_str(), "rb", FALSE));
    fputs("new", writer);
    fclose(writer);
    EXPECT_EQ("new", dir.read("job.txt"));

    FILE* created = FILE_fopen(dir.file("fresh.txt").c_str(), "w", FALSE);
    ASSERT_NE(nullptr, created);
    fclose(created);
    EXPECT_TRUE(dir.exists("fresh.txt"));
}

TEST(FileOpen, ReadAndUpdateModesNeverCreateAndUpdateKeepsContent)
{
    TempDir dir;
    EXPECT_EQ(nullptr, FILE_fopen(dir.file("missing.txt").c_str(), "rb", FALSE));
    EXPECT_EQ(nullptr, FILE_fopen(dir.file("missing.txt").c_str(), "rb+", FALSE));
    EXPECT_FALSE(dir.exists("missing.txt"));

    dir.write("data.bin", "abcdef");
    FILE* update = FILE_fopen(dir.file("data.bin").c_str(), "rb+", TRUE);
    ASSERT_NE(nullptr, update);
    EXPECT_EQ(nullptr, FILE_fopen(dir.file("data.bin").c_str(), "rb", FALSE));
    fseek(update, 2, SEEK_SET);
    fputs("XY", update);
    fclose(update);
    EXPECT_EQ("abXYef", dir.read("data.bin"));
}

TEST(FileOpen, TextModeTranslatesLineEndsAndBinaryDoesNot)
{
    TempDir dir;
    FILE* text = FILE_fopen(dir.file("text.txt").c_str(), "at", FALSE);
    ASSERT_NE(nullptr, text);
    fputs("line\n", text);
    fclose(text);
    EXPECT_EQ("line\r\n", dir.read("text.txt"));

    FILE* binary = FILE_fopen(dir.file("binary.txt").c_str(), "ab", FALSE);
    ASSERT_NE(nullptr, binary);
    fputs("line\n", binary);
    fclose(binary);
    EXPECT_EQ("line\n", dir.read("binary.txt"));
}

TEST(FileOpen, BadModeOrPathGivesNullAndLeavesTheFileAlone)
{
    TempDir dir;
    dir.write("keep.txt", "precious");
    const std::string path = dir.file("keep.txt");
    const char* badModes[] = {"", "x", "q+", "wz", "bw", "r b"};
    for (const char* mode : badModes) {
        EXPECT_EQ(nullptr, FILE_fopen(path.c_str(), mode, FALSE)) << mode;
    }
    EXPECT_EQ(nullptr, FILE_fopen(path.c_str(), nullptr, FALSE));
    EXPECT_EQ(nullptr, FILE_fopen(nullptr, "rb", FALSE));
    EXPECT_EQ(nullptr, FILE_fopen("", "ab", FALSE));
    EXPECT_EQ("precious", dir.read("keep.txt"));
}

// ---- FILE_GetSize -------------------------------------------------------------------------

TEST(FileSize, SizeOfFileOrFirstPatternMatchAndZeroWhenMissing)
{
    TempDir dir;
    dir.write("config.ini", std::string(1234, 'x'));
    dir.write("other.txt", "12");
    EXPECT_EQ(1234u, FILE_GetSize(dir.file("config.ini").c_str()));
    EXPECT_EQ(1234u, FILE_GetSize(dir.file("*.ini").c_str()));
    EXPECT_EQ(0u, FILE_GetSize(dir.file("missing.ini").c_str()));
    EXPECT_EQ(0u, FILE_GetSize(dir.file("*.log").c_str()));
    EXPECT_EQ(0u, FILE_GetSize(nullptr));
    EXPECT_EQ(0u, FILE_GetSize(""));
}

// ---- FILE_GetTime -------------------------------------------------------------------------

TEST(FileTime, PacksTheLocalLastWriteTimeAndGivesTheSize)
{
    TempDir dir;
    dir.write("custor.ini", "[Timing]\r\n");
    const std::string path = dir.file("custor.ini");

    SetLocalWriteTime(path, 2023, 7, 14, 13, 45, 59);
    DWORD size = 999;
    EXPECT_EQ(Packed(2023, 7, 14, 13, 45, 59), FILE_GetTime(path.c_str(), &size));
    EXPECT_EQ(10u, size);

    // Every field at its widest: seconds are halved, the year counts from 1980.
    SetLocalWriteTime(path, 2099, 12, 31, 23, 59, 58);
    EXPECT_EQ(0xEF9FBF7Du, FILE_GetTime(path.c_str(), nullptr));
    EXPECT_EQ(Packed(2099, 12, 31, 23, 59, 58), FILE_GetTime(path.c_str(), nullptr));

    SetLocalWriteTime(path, 1980, 1, 1, 0, 0, 1);
    EXPECT_EQ(0x00210000u, FILE_GetTime(path.c_str(), nullptr));
}

TEST(FileTime, MissingFileGivesZeroTimeAndSize)
{
    TempDir dir;
    DWORD size = 77;
    EXPECT_EQ(0u, FILE_GetTime(dir.file("gone.ini").c_str(), &size));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(0u, FILE_GetTime(nullptr, nullptr));
}

TEST(FileTime, CreationTimeWithZeroLowHalfGivesZero)
{
    TempDir dir;
    dir.write("odd.ini", "x");
    HANDLE file = CreateFileA(dir.file("odd.ini").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    FILETIME noLowHalf;
    noLowHalf.dwHighDateTime = 0x01D90000;
    noLowHalf.dwLowDateTime = 0;
    // Wine keeps no creation time of its own and reports the last-write time instead, so both
    // are set alike.
    EXPECT_TRUE(SetFileTime(file, &noLowHalf, nullptr, &noLowHalf));
    CloseHandle(file);
    EXPECT_EQ(0u, FILE_GetTime(dir.file("odd.ini").c_str(), nullptr));
}

// ---- FILE_Exist ---------------------------------------------------------------------------

TEST(FileExist, CountsOnlyFilesAndAddsTheirSizes)
{
    TempDir dir;
    dir.write("a.txt", "123");
    dir.write("b.txt", "12345");
    dir.write("c.log", "1234567");
    ASSERT_TRUE(CreateDirectoryA(dir.file("d.txt").c_str(), nullptr));

    DWORD sum = 100;
    EXPECT_EQ(2, FILE_Exist(dir.path(), "*.txt", &sum));
    EXPECT_EQ(108u, sum);
    EXPECT_EQ(3, FILE_Exist(dir.file("*.*").c_str(), nullptr, nullptr));
    EXPECT_EQ(1, FILE_Exist(dir.file("c.log").c_str(), nullptr, nullptr));

    sum = 5;
    EXPECT_EQ(0, FILE_Exist(dir.path(), "d.txt", &sum));
    EXPECT_EQ(5u, sum);
    EXPECT_EQ(0, FILE_Exist(dir.path(), "*.bak", &sum));
    EXPECT_EQ(0, FILE_Exist(nullptr, "a.txt", &sum));
    EXPECT_EQ(5u, sum);
}

TEST(FileExist, AppendsTheNameWithOneBackslash)
{
    TempDir dir;
    dir.write("ERRORS.TXT", "x");
    std::string withSlash = dir.path();
    std::string without = withSlash.substr(0, withSlash.size() - 1);
    EXPECT_EQ(1, FILE_Exist(withSlash.c_str(), "ERRORS.TXT", nullptr));
    EXPECT_EQ(1, FILE_Exist(without.c_str(), "ERRORS.TXT", nullptr));
    EXPECT_EQ(1, FILE_Exist(without.c_str(), "errors.*", nullptr));
}

TEST(FileExist, JoinedPathOverTheLimitGivesZero)
{
    TempDir dir;
    const size_t base = strlen(dir.path());
    ASSERT_LT(base, 200u);
    // A file whose full path is exactly 259 characters is still counted.
    const std::string name = std::string(259 - base - 4, 'n') + ".txt";
    dir.write(name.c_str(), "abc");
    ASSERT_TRUE(dir.exists(name.c_str()));
    DWORD sum = 0;
    EXPECT_EQ(1, FILE_Exist(dir.path(), name.c_str(), &sum));
    EXPECT_EQ(3u, sum);
    // One character more, even a wildcard that would match, is refused.
    EXPECT_EQ(0, FILE_Exist(dir.path(), (name + "*").c_str(), &sum));
    EXPECT_EQ(0, FILE_Exist((dir.path() + name + "*").c_str(), nullptr, &sum));
    EXPECT_EQ(0, FILE_Exist(dir.path(), std::string(5000, 'z').c_str(), &sum));
    EXPECT_EQ(3u, sum);
}

// ---- FILE_DirectoryTest -------------------------------------------------------------------

TEST(DirectoryTest, ModeZeroTestsOnlyAndNeverCreates)
{
    TempDir dir;
    const std::string deep = dir.file("one\\two\\three");
    EXPECT_EQ(0, FILE_DirectoryTest(deep.c_str(), 0));
    EXPECT_FALSE(Exists(dir.file("one")));
    EXPECT_EQ(1, FILE_DirectoryTest(dir.path(), 0));
    std::string noSlash = dir.path();
    noSlash.pop_back();
    EXPECT_EQ(1, FILE_DirectoryTest(noSlash.c_str(), 0));

    dir.write("plain.txt", "x");
    EXPECT_EQ(0, FILE_DirectoryTest(dir.file("plain.txt").c_str(), 0));
}

TEST(DirectoryTest, ModeOneCreatesOnlyTheLastLevel)
{
    TempDir dir;
    EXPECT_EQ(0, FILE_DirectoryTest(dir.file("one\\two\\three").c_str(), 1));
    EXPECT_FALSE(Exists(dir.file("one")));
    EXPECT_EQ(1, FILE_DirectoryTest(dir.file("one\\").c_str(), 1));
    EXPECT_TRUE(IsDir(dir.file("one")));
}

TEST(DirectoryTest, ModeTwoCreatesEveryMissingLevelAndLeavesTheArgumentAlone)
{
    TempDir dir;
    const std::string deep = dir.file("one\\two\\three\\");
    char argument[MAX_PATH];
    snprintf(argument, sizeof(argument), "%s", deep.c_str());
    EXPECT_EQ(1, FILE_DirectoryTest(argument, 2));
    EXPECT_EQ(deep, argument);
    EXPECT_TRUE(IsDir(dir.file("one")));
    EXPECT_TRUE(IsDir(dir.file("one\\two")));
    EXPECT_TRUE(IsDir(dir.file("one\\two\\three")));
    EXPECT_EQ(1, FILE_DirectoryTest(argument, 0));
}

TEST(DirectoryTest, ModeThreeRemovesAFileInTheWay)
{
    TempDir dir;
    dir.write("logs", "not a directory");
    const std::string target = dir.file("logs\\2024\\march");
    EXPECT_EQ(0, FILE_DirectoryTest(target.c_str(), 2));
    EXPECT_EQ("not a directory", dir.read("logs"));

    EXPECT_EQ(1, FILE_DirectoryTest(target.c_str(), 3));
    EXPECT_TRUE(IsDir(dir.file("logs")));
    EXPECT_TRUE(IsDir(target));
}

TEST(DirectoryTest, DriveRootsAndBadArgumentsGiveSaneResults)
{
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof(windows)), 2u);
    const char root[4] = {windows[0], ':', '\\', 0};
    EXPECT_EQ(1, FILE_DirectoryTest(root, 0));
    const char bare[3] = {windows[0], ':', 0};
    EXPECT_EQ(1, FILE_DirectoryTest(bare, 0));

    EXPECT_EQ(0, FILE_DirectoryTest(nullptr, 2));
    EXPECT_EQ(0, FILE_DirectoryTest("", 2));
    EXPECT_EQ(0, FILE_DirectoryTest("\\", 0));

    TempDir dir;
    const std::string tooLong = dir.file(std::string(300, 'L').c_str());
    EXPECT_EQ(0, FILE_DirectoryTest(tooLong.c_str(), 2));
    EXPECT_EQ(0, FILE_Exist(dir.path(), "L*", nullptr));
}

// Wine serves \\server\share from $WINEPREFIX\dosdevices\unc\server\share, so a share root
// can be made in the test. (Unlike Windows, Wine's directory search also finds a share root,
// so this shows the share branch succeeds and cleans up rather than that it is needed.)
TEST(DirectoryTest, WritableShareRootPassesAndKeepsNoTestFile)
{
    char prefix[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
    if (n == 0 || n >= sizeof(prefix) || prefix[0] != '/') {
        GTEST_SKIP() << "needs Wine with WINEPREFIX set to make a share";
    }
    char server[64];
    snprintf(server, sizeof(server), "custortest%lu", GetCurrentProcessId());
    std::string unc = std::string("Z:") + prefix + "/dosdevices/unc";
    for (char& c : unc) {
        if (c == '/') c = '\\';
    }
    CreateDirectoryA(unc.c_str(), nullptr);
    const std::string serverDir = unc + "\\" + server;
    ASSERT_TRUE(CreateDirectoryA(serverDir.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((serverDir + "\\share").c_str(), nullptr));

    const std::string share = std::string("\\\\") + server + "\\share";
    EXPECT_EQ(1, FILE_DirectoryTest(share.c_str(), 0));
    EXPECT_EQ(1, FILE_DirectoryTest((share + "\\").c_str(), 0));
    EXPECT_FALSE(Exists(serverDir + "\\share\\dircheck.$$1"));
    // Below the share root the ordinary test and creation apply.
    EXPECT_EQ(1, FILE_DirectoryTest((share + "\\in\\deep").c_str(), 2));
    EXPECT_TRUE(IsDir(serverDir + "\\share\\in\\deep"));
    RemoveTree(serverDir);
}
