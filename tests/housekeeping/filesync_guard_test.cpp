// Rules whose destination would make the mirror delete what it guards, and links in the
// trees. Every path, and the current directory, lies on the test's own drive letters, so even
// a faulty guard can reach nothing else.
#include <gtest/gtest.h>
#include "filesync_fixture.h"
#include "core/config.h"
#include "housekeeping/filesync.h"
#include "housekeeping/file_lib.h"
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

namespace {

bool IsLinkEntry(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Makes link a symbolic link to the directory target: the system's call where it works,
// else (Wine 8 answers the call with success and makes nothing) a link of the host file
// system, which Wine lists as a directory with a reparse point.
bool MakeDirectoryLink(const std::string& link, const std::string& target)
{
    if (CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
        IsLinkEntry(link))
        return true;
    const std::string unixLink = WineUnixPath(link), unixTarget = WineUnixPath(target);
    if (unixLink.empty() || unixTarget.empty()) return false;
    const std::string command = "Z:\\bin\\ln -s " + unixTarget + " " + unixLink;
    if (WinExec(command.c_str(), SW_HIDE) <= 31) return false;
    return WaitUntil([&] { return IsLinkEntry(link); }, 10000);
}

// Removes a link the system's calls could not remove, from the host side (Wine only).
void RemoveLinkOnHost(const std::string& link)
{
    const std::string unixLink = WineUnixPath(link);
    if (!IsLinkEntry(link) || unixLink.empty()) return;
    if (WinExec(("Z:\\bin\\rm -f " + unixLink).c_str(), SW_HIDE) > 31)
        WaitUntil([&] { return !IsLinkEntry(link); }, 10000);
}

}  // namespace

TEST(FileSyncLinks, ALinkInTheMirrorGoesAsALinkAndItsTargetIsNeverChanged)
{
    // The link's name is gone from the source, or the source has a real directory of that name
    // (which must not be mirrored into the link's target).
    for (const bool sourceHasDirectory : {false, true}) {
        Mirror m;
        ASSERT_TRUE(m.source.ok() && m.backup.ok());
        m.Write(m.source.file("data\\a.txt"), "a");
        if (sourceHasDirectory) m.Write(m.source.file("data\\linked\\new.txt"), "new");
        m.Write(m.backup.file("outside\\keep.txt"), "keep");
        m.Write(m.backup.file("outside\\deeper\\keep2.txt"), "keep2");
        CreateDirectoryA(m.backup.file("mirror").c_str(), nullptr);
        const std::string link = m.backup.file("mirror\\linked");
        ASSERT_TRUE(MakeDirectoryLink(link, m.backup.file("outside")));
        const std::string outside = Mirror::Tree(m.backup.file("outside\\"));
        m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");

        const bool succeeded = m.Run(Manual());
        EXPECT_EQ(outside, Mirror::Tree(m.backup.file("outside\\"))) << sourceHasDirectory;
        if (IsLinkEntry(link)) {
            // The system cannot remove links to directories (Wine 8): the run says so.
            EXPECT_FALSE(succeeded);
            EXPECT_NE(std::string::npos, m.Line().find("Cannot remove a link in the mirror of rule 1"))
                << m.Line();
            RemoveLinkOnHost(link);
        } else {
            EXPECT_TRUE(succeeded) << m.Line();
            EXPECT_EQ(Mirror::Tree(m.source.file("data\\")), Mirror::Tree(m.backup.file("mirror\\")));
        }
    }
}

TEST(FileSyncLinks, FileDelFullTreeOfALinkNeverEmptiesItsTarget)
{
    Mirror m;
    ASSERT_TRUE(m.backup.ok());
    m.Write(m.backup.file("outside\\keep.txt"), "keep");
    const std::string link = m.backup.file("link");
    ASSERT_TRUE(MakeDirectoryLink(link, m.backup.file("outside")));
    char path[MAX_PATH];
    snprintf(path, sizeof(path), "%s", (link + "\\").c_str());
    EXPECT_EQ(0, FILE_DelFullTree(path, TRUE));
    EXPECT_STREQ((link + "\\").c_str(), path);  // the caller's text is given back
    EXPECT_EQ("keep", ReadWholeFile(m.backup.file("outside\\keep.txt")));
    RemoveLinkOnHost(link);
}

TEST(FileSyncLinks, ALinkInTheSourceIsNotFollowedSoALoopEnds)
{
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok());
    m.Write(m.source.file("data\\a.txt"), "a");
    m.Write(m.source.file("data\\sub\\b.txt"), "b");
    // A link back to the rule's own source: followed, it would nest without end.
    ASSERT_TRUE(MakeDirectoryLink(m.source.file("data\\sub\\loop"), m.source.file("data")));
    // What the mirror holds under a linked source name is left as it is.
    m.Write(m.backup.file("mirror\\sub\\loop\\old.txt"), "old");
    m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");

    ASSERT_TRUE(m.Run(Manual())) << m.Line();
    EXPECT_EQ("a.txt=a\nsub\\b.txt=b\nsub\\loop\\old.txt=old\n",
              Mirror::Tree(m.backup.file("mirror\\")));
    EXPECT_EQ(2, m.counts.copied);
    RemoveLinkOnHost(m.source.file("data\\sub\\loop"));
}

TEST(FileSyncGuard, AgeLimitsTooLargeForThirtyTwoBitsDoNotWrap)
{
    // 71582789 minutes in seconds wraps to 44 s in 32 bits: every directory older than that
    // would count as "old" (its mirror deleted), every file as ripe.
    static const struct { const char* name; int32_t minimumAge, maximumAge; bool fileCopied; } kCases[] = {
        {"MaximumAge", 0, 71582789, true},
        {"MinimumAge", 71582789, 0, false},
    };
    for (const auto& c : kCases) {
        Mirror m;
        ASSERT_TRUE(m.source.ok() && m.backup.ok());
        m.Write(m.source.file("data\\box\\f.txt"), "f", 3600);
        m.Stamp(m.source.file("data\\box"), 3600);
        m.Write(m.backup.file("mirror\\box\\old.txt"), "kept", 3600);
        m.Write(m.source.file("data\\box\\old.txt"), "kept", 3600);
        m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");
        FILESYNC_ORDER o = Automatic();
        o.minimumAge = c.minimumAge;
        o.maximumAge = c.maximumAge;
        ASSERT_TRUE(m.Run(o)) << c.name << m.Line();
        EXPECT_EQ("kept", ReadWholeFile(m.backup.file("mirror\\box\\old.txt"))) << c.name;
        EXPECT_EQ(c.fileCopied, FileExists(m.backup.file("mirror\\box\\f.txt"))) << c.name;
        EXPECT_EQ(0, m.counts.oldIgnored) << c.name;
    }
}
