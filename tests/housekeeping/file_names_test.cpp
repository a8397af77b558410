#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

#include "housekeeping/file_lib.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

namespace {

void Touch(const std::string& path) { WriteWholeFile(path, "x"); }

}  // namespace

TEST(FileFindNewName, CounterSequencesFillTheBodyAndEndWhenTheCounterNoLongerFits)
{
    struct Case {
        const char* prefix;
        DWORD start;
        BOOL upperCase;
        std::vector<std::string> expected;  // successive names, each created in turn; "" null
    } cases[] = {
        {"FAX", 0, FALSE, {"FAX00000.tif", "FAX00001.tif", "FAX00002.tif"}},
        {"fax", 9, TRUE, {"FAX00009.TIF", "FAX0000A.TIF", "FAX0000B.TIF"}},
        {"FAX", 0xFFFFE, FALSE, {"FAXFFFFE.tif", "FAXFFFFF.tif", ""}},
        {"", 0xFFFFFFFE, FALSE, {"FFFFFFFE.tif", "FFFFFFFF.tif", ""}},
        {"PREFIX7", 0xFFE, FALSE, {"PREFIX7FFE.tif", "PREFIX7FFF.tif", ""}},
        {"SIXSIX", 0xFE, FALSE, {"SIXSIXFE.tif", "SIXSIXFF.tif", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        TempDir dir;
        const std::string folder = dir.file("out\\new");  // created by the call, no backslash
        for (const std::string& name : c.expected) {
            char out[MAX_PATH] = "unchanged";
            char* result = FILE_FindNewName(out, folder.c_str(), c.prefix, "tif", FALSE,
                                            c.upperCase, c.start);
            if (name.empty()) {
                EXPECT_EQ(nullptr, result);
                break;
            }
            ASSERT_EQ(out, result);
            EXPECT_STRCASEEQ((folder + "\\" + name).c_str(), out);
            EXPECT_EQ(std::string(folder + "\\" + name).substr(folder.size()),
                      std::string(out).substr(folder.size()));
            Touch(out);
        }
    }
}

TEST(FileFindNewName, AnyExtensionCountsEveryFileOfTheBody)
{
    TempDir dir;
    Touch(dir.file("JOB00000.job"));
    Touch(dir.file("JOB00001.tmp"));
    CreateDirectoryA(dir.file("JOB00002.txt").c_str(), nullptr);
    char out[MAX_PATH];
    ASSERT_NE(nullptr, FILE_FindNewName(out, dir.path(), "JOB", "txt", TRUE, FALSE, 0));
    EXPECT_EQ(dir.file("JOB00003.txt"), out);  // a directory of the name is no free name
    ASSERT_NE(nullptr, FILE_FindNewName(out, dir.path(), "JOB", "txt", FALSE, FALSE, 0));
    EXPECT_EQ(dir.file("JOB00000.txt"), out);
    // A name that would not fit a path fails instead of being cut.
    const std::string deep = dir.file("") + std::string(250, 'd');
    EXPECT_EQ(nullptr, FILE_FindNewName(out, deep.c_str(), "JOB", "txt", FALSE, FALSE, 0));
}

TEST(FileFindNewName, OneDigitAndTimeBasedNames)
{
    TempDir dir;
    char out[MAX_PATH];
    for (int i = 0; i < 10; ++i) {
        ASSERT_NE(nullptr, FILE_FindNewName_1(out, dir.path(), "LOG", "txt", 0));
        EXPECT_EQ(dir.file(("LOG" + std::to_string(i) + ".txt").c_str()), out);
        Touch(out);
    }
    EXPECT_EQ(nullptr, FILE_FindNewName_1(out, dir.path(), "LOG", "txt", 0));

    FakeHost host;
    host.ticks = 0x12345678;
    struct Case {
        char letter, second;
        BOOL ticks;
        const char* expected;
    } cases[] = {
        {'S', 'M', TRUE, "SM567800.sms"},
        {'F', 0, TRUE, "F4567800.sms"},
        {0, 0, TRUE, "34567800.sms"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        ASSERT_NE(nullptr, FILE_FindNewNameT(out, dir.path(), "sms", FALSE, c.letter, c.second,
                                             c.ticks));
        EXPECT_EQ(dir.file(c.expected), out);
    }
    // All 256 names of a seed taken: the next seed follows.
    for (int i = 0; i < 256; ++i) {
        char name[32];
        snprintf(name, sizeof(name), "SM5678%02X.sms", i);
        Touch(dir.file(name));
    }
    ASSERT_NE(nullptr, FILE_FindNewNameT(out, dir.path(), "sms", FALSE, 'S', 'M', TRUE));
    EXPECT_EQ(dir.file("SM567900.sms"), out);
    // From the seconds clock instead of the ticks: a name of the same form.
    ASSERT_NE(nullptr, FILE_FindNewNameT(out, dir.path(), "sms", FALSE, 0, 0, FALSE));
    EXPECT_EQ(dir.file("").size() + 12, strlen(out));
}

TEST(FileFindNewNameLong, NumbersInBracketsUntilFree)
{
    TempDir dir;
    const std::string folder = dir.file("reports");
    const char* expected[] = {"report.txt", "report (1).txt", "report (2).txt", "report (3).txt"};
    for (const char* name : expected) {
        char out[MAX_PATH];
        FILE_FindNewNameLong(out, folder.c_str(), "report", "txt");
        EXPECT_EQ(folder + "\\" + name, out);
        Touch(out);
    }
    char out[MAX_PATH];
    const std::string deep = dir.file("") + std::string(250, 'd');
    EXPECT_STREQ("", FILE_FindNewNameLong(out, deep.c_str(), "report", "txt"));
}

TEST(FileGetFullName, ShortNamesGiveTheLongOne)
{
    TempDir dir;
    const std::string longName = dir.file("A rather long file name.text");
    Touch(longName);
    char shortPath[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameA(longName.c_str(), shortPath, sizeof(shortPath)));
    // The long name of the file, in the directory as the short path writes it.
    const std::string result = FILE_GetFullName(shortPath);
    EXPECT_STREQ("A rather long file name.text", strrchr(result.c_str(), '\\') + 1);
    EXPECT_STREQ(dir.file("none.txt").c_str(), FILE_GetFullName(dir.file("none.txt").c_str()));
}
