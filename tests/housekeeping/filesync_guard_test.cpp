// Rules whose destination would make the mirror delete what it guards, and links in the
// trees. Every path, and the current directory, lies on the test's own drive letters, so even
// a faulty guard can reach nothing else.
#include <gtest/gtest.h>
#include "filesync_fixture.h"
#include "core/config.h"
#include "housekeeping/filesync.h"
#include "housekeeping/jobs.h"
#include "support/process_runner.h"
#include "support/temp_dir.h"
#include "support/wine_path.h"
#include <windows.h>
#include <string>

namespace {

// %S and %D stand for the roots of the source and the backup drive.
std::string Expand(std::string text, const Mirror& m)
{
    for (size_t at; (at = text.find("%S")) != std::string::npos;) text.replace(at, 2, m.source.root());
    for (size_t at; (at = text.find("%D")) != std::string::npos;) text.replace(at, 2, m.backup.root());
    return text;
}

const struct {
    const char* name;
    const char* rules;
    const char* refusal;  // null: the rule runs
} kRules[] = {
    {"empty destination", "1=%Sarea\\src\\*.*,\n", "no destination"},
    {"blank destination", "1=%Sarea\\src\\*.*,  \n", "no destination"},
    {"backslash alone", "1=%Sarea\\src\\*.*, \\\n", "no destination"},
    {"drive root", "1=%Sarea\\src\\*.*, %S\n", "the destination is the root of a drive or share"},
    {"root by dots", "1=%Sarea\\src\\*.*, %Sarea\\..\n",
     "the destination is the root of a drive or share"},
    {"equal", "1=%Sarea\\src\\*.*, %Sarea\\src\n", "the destination is the source"},
    {"equal spelt otherwise", "1=%Sarea\\src\\*.*, %SAREA\\.\\Src\\..\\SRC\\\\\n",
     "the destination is the source"},
    {"parent", "1=%Sarea\\src\\*.*, %Sarea\n", "the destination holds the source"},
    {"child", "1=%Sarea\\src\\*.*, %Sarea\\src\\inner\n", "the destination is inside the source"},
    {"long form parent", "1_Source=%Sarea\\src\n1_Destination=%Sarea\\\n",
     "the destination holds the source"},
    {"long form child", "1_Source=%Sarea\\src\\\n1_Destination=%Sarea\\src\\mirror\n",
     "the destination is inside the source"},
    {"neighbour with a longer name", "1=%Sarea\\src\\*.*, %Sarea\\src2\n", nullptr},
    {"other drive", "1=%Sarea\\src\\*.*, %Dmirror\n", nullptr},
};

int CountOccurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The source, its neighbours and a file on the backup drive's root, as "path=content" lines.
void Populate(const Mirror& m)
{
    m.Write(m.source.file("area\\src\\a.txt"), "a");
    m.Write(m.source.file("area\\src\\sub\\b.txt"), "b");
    m.Write(m.source.file("area\\neighbour.txt"), "n");
    m.Write(m.source.file("area\\src2\\c.txt"), "c");
    m.Write(m.source.file("top.txt"), "t");
    m.Write(m.backup.file("top.txt"), "T");
}

}  // namespace

TEST(FileSyncGuard, RulesThatWouldDeleteWhatTheyGuardAreRefusedWhenRead)
{
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok()) << m.source.error() << m.backup.error();
    ASSERT_TRUE(SetCurrentDirectoryA(m.source.root().c_str()));
    for (const auto& c : kRules) {
        m.Rules(Expand(c.rules, m));
        FILESYNC_RULE rule;
        ASSERT_EQ(FILESYNC_RULE_OK, FileSync_ReadRule(g_paths.configFile, 1, &rule)) << c.name;
        const char* refusal = FileSync_RefusalOf(rule);
        EXPECT_STREQ(c.refusal, refusal) << c.name;
    }
}

TEST(FileSyncGuard, ARefusedRuleCopiesAndDeletesNothingAndIsLoggedOncePerReading)
{
    for (const auto& c : kRules) {
        if (!c.refusal) continue;
        Mirror m;
        ASSERT_TRUE(m.source.ok() && m.backup.ok()) << m.source.error() << m.backup.error();
        // A destination without a drive is taken on the current drive: the source's own.
        ASSERT_TRUE(SetCurrentDirectoryA(m.source.root().c_str()));
        Populate(m);
        const std::string source = Mirror::Tree(m.source.root());
        const std::string backup = Mirror::Tree(m.backup.root());
        m.Rules(Expand(c.rules, m));
        FileSync_ConfigurationRead();

        for (int run = 0; run < 2; ++run) {
            EXPECT_FALSE(m.Run(Manual())) << c.name;
            EXPECT_EQ(source, Mirror::Tree(m.source.root())) << c.name;
            EXPECT_EQ(backup, Mirror::Tree(m.backup.root())) << c.name;
            EXPECT_NE(std::string::npos, m.Line().find(std::string("Rule 1 refused, ") + c.refusal))
                << c.name << ": " << m.Line();
        }
        const std::string line = std::string("FileSync: rule 1 refused, ") + c.refusal;
        EXPECT_EQ(1, CountOccurrences(m.p.EventLog(), line)) << c.name << "\n" << m.p.EventLog();
        FileSync_ConfigurationRead();
        EXPECT_FALSE(m.Run(Manual())) << c.name;
        EXPECT_EQ(2, CountOccurrences(m.p.EventLog(), line)) << c.name;
    }
}
