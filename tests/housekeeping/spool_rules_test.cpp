#include <gtest/gtest.h>
#include <string>

#include "housekeeping/spool_rules.h"

namespace {

struct ParseCase {
    const char* value;
    bool withArchive;
    SpoolRuleResult result;
    const char* sourceDir;
    const char* namePattern;
    const char* destination;
    const char* archive;
};

const ParseCase kParseCases[] = {
    {"C:\\spool\\*.*,D:\\out", false, RULE_OK, "C:\\spool\\", "*.*", "D:\\out\\", ""},
    {"C:\\spool\\*.fax,  D:\\out\\", false, RULE_OK, "C:\\spool\\", "*.fax", "D:\\out\\", ""},
    // Only the first comma splits a move rule: the rest belongs to the destination.
    {"C:\\a\\*.txt,D:\\b,c", false, RULE_OK, "C:\\a\\", "*.txt", "D:\\b,c\\", ""},
    {"C:\\logs\\*.log,D:\\collect, D:\\archive", true, RULE_OK, "C:\\logs\\", "*.log",
     "D:\\collect\\", "D:\\archive\\"},
    {"C:\\logs\\*.log,D:\\collect,", true, RULE_OK, "C:\\logs\\", "*.log", "D:\\collect\\", ""},
    {"C:\\spool\\*.*", false, RULE_NO_COMMA, "", "", "", ""},
    {"C:\\spool\\*.*,", false, RULE_NO_DESTINATION, "C:\\spool\\", "*.*", "\\", ""},
    {"C:\\spool\\*.*,   ", false, RULE_NO_DESTINATION, "C:\\spool\\", "*.*", "\\", ""},
    {"*.*,D:\\out", false, RULE_NO_SOURCE_DIR, "", "*.*", "D:\\out\\", ""},
    {"C:\\spool\\*.*,c:\\SPOOL", false, RULE_SOURCE_IS_DESTINATION, "C:\\spool\\", "*.*",
     "c:\\SPOOL\\", ""},
};

TEST(SpoolRule, ParsesSourceDestinationAndArchiveAndRefusesWhatWouldHarm)
{
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(c.value);
        SPOOL_RULE rule;
        EXPECT_EQ(c.result, SpoolRule_Parse(c.value, c.withArchive, &rule));
        if (c.result == RULE_NO_COMMA) continue;
        EXPECT_STREQ(c.sourceDir, rule.sourceDir);
        EXPECT_STREQ(c.namePattern, rule.namePattern);
        EXPECT_STREQ(c.destination, rule.destination);
        EXPECT_STREQ(c.archive, rule.archive);
    }
}

TEST(SpoolRule, APartTooLongForAPathIsRefusedWithoutOverrun)
{
    const std::string longPart(700, 'x');
    SPOOL_RULE rule;
    EXPECT_EQ(RULE_TOO_LONG, SpoolRule_Parse(("C:\\" + longPart + ",D:\\o").c_str(), false, &rule));
    EXPECT_EQ(RULE_TOO_LONG, SpoolRule_Parse(("C:\\a\\*,D:\\" + longPart).c_str(), false, &rule));
    EXPECT_EQ(RULE_TOO_LONG,
              SpoolRule_Parse(("C:\\a\\*,D:\\o,E:\\" + longPart).c_str(), true, &rule));
}

struct MatchCase {
    const char* name;
    const char* pattern;
    bool matches;
};

const MatchCase kMatchCases[] = {
    {"a.txt", "*.*", true},   {"README", "*.*", true},  {"README", "*", true},
    {"a.TXT", "*.txt", true}, {"a.txt", "*.log", false}, {"app", "app.*", true},
    {"app.log", "app?.log", false}, {"app1.log", "app?.log", true}, {"x.fax", "*.", false},
};

TEST(SpoolRule, NamesMatchAPatternAsADirectoryListingDoes)
{
    for (const MatchCase& c : kMatchCases) {
        SCOPED_TRACE(std::string(c.name) + " ~ " + c.pattern);
        EXPECT_EQ(c.matches, Spool_NameMatches(c.name, c.pattern));
    }
}

}  // namespace
