#include <gtest/gtest.h>
#include "filesync_fixture.h"
#include "housekeeping/filesync.h"
#include "support/serial_line.h"
#include <windows.h>
#include <string>

namespace {
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
}  // namespace

TEST(FileSyncMirror, FirstMirrorThenAnUnchangedRunCopiesNothing)
{
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok()) << m.source.error() << m.backup.error();
    m.Write(m.source.file("data\\a.txt"), "alpha");
    m.Write(m.source.file("data\\sub\\b.txt"), "beta");
    m.Write(m.source.file("data\\sub\\deeper\\c.txt"), std::string(3000, 'c'));
    CreateDirectoryA(m.source.file("data\\empty").c_str(), nullptr);
    m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");

    ASSERT_TRUE(m.Run(Manual()));
    EXPECT_EQ(Mirror::Tree(m.source.file("data\\")), Mirror::Tree(m.backup.file("mirror\\")));
    EXPECT_EQ(3, m.counts.copied);
    EXPECT_EQ(3009u, m.counts.bytesCopied);
    EXPECT_FALSE(Exists(m.backup.file("mirror\\empty")));  // made only to hold a copy
    EXPECT_EQ("14:07 Sync 1s Files: 3 -0 +3 2 KB", m.Line());

    ASSERT_TRUE(m.Run(Manual()));
    EXPECT_EQ(0, m.counts.copied);
    EXPECT_EQ(0, m.counts.deleted);
    EXPECT_EQ(3, m.counts.filesSeen);
    EXPECT_EQ("14:07 Sync 1s Files: 3 -0 +0 0 KB", m.Line());
}

TEST(FileSyncMirror, StampsWithinFiveSecondsCountAsEqual)
{
    static const struct { int destinationLater; bool copied; } kCases[] = {
        {-6, true}, {-5, false}, {0, false}, {5, false}, {6, true},
    };
    for (const auto& c : kCases) {
        Mirror m;
        ASSERT_TRUE(m.source.ok() && m.backup.ok());
        m.Write(m.source.file("data\\f.txt"), "new", 3600);
        m.Write(m.backup.file("mirror\\f.txt"), "old", 3600 - c.destinationLater);
        m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");
        ASSERT_TRUE(m.Run(Manual()));
        EXPECT_EQ(c.copied ? "new" : "old", ReadWholeFile(m.backup.file("mirror\\f.txt")))
            << c.destinationLater;
    }
}

TEST(FileSyncMirror, EntriesGoneFromTheSourceOrChangedInKindAreRemoved)
{
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok());
    m.Write(m.source.file("data\\keep.txt"), "k");
    m.Write(m.source.file("data\\nowdir\\inside.txt"), "i");    // was a file in the mirror
    m.Write(m.source.file("data\\nowfile"), "f");               // was a directory
    m.Write(m.backup.file("mirror\\keep.txt"), "k");
    m.Write(m.backup.file("mirror\\nowdir"), "old file");
    m.Write(m.backup.file("mirror\\nowfile\\x.txt"), "x");
    m.Write(m.backup.file("mirror\\nowfile\\y\\z.txt"), "z");
    m.Write(m.backup.file("mirror\\gone.txt"), "g");
    m.Write(m.backup.file("mirror\\gonedir\\1.txt"), "1");
    m.Write(m.backup.file("mirror\\gonedir\\2.txt"), "2");
    m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");

    ASSERT_TRUE(m.Run(Manual()));
    EXPECT_EQ(Mirror::Tree(m.source.file("data\\")), Mirror::Tree(m.backup.file("mirror\\")));
    EXPECT_EQ(1 + 2 + 1 + 2, m.counts.deleted);
    EXPECT_EQ(2, m.counts.copied);
}

TEST(FileSyncMirror, ADeleteRunRemovesOnlyTopLevelEntriesAndCopiesNothing)
{
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok());
    m.Write(m.source.file("data\\sub\\new.txt"), "n");
    m.Write(m.source.file("data\\top.txt"), "t");
    m.Write(m.backup.file("mirror\\gone.txt"), "g");
    m.Write(m.backup.file("mirror\\sub\\stale.txt"), "s");
    m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");

    ASSERT_TRUE(m.Run(Automatic(true)));
    EXPECT_EQ("sub\\stale.txt=s\n", Mirror::Tree(m.backup.file("mirror\\")));
    EXPECT_EQ(1, m.counts.deleted);
    EXPECT_EQ(0, m.counts.copied);
    EXPECT_EQ("14:07 Del 1s Files: 1 -1", m.Line());
}

TEST(FileSyncMirror, AgeLimitsApplyToRuleOneAndMinimumAgeNotToManualRuns)
{
    static const struct {
        const char* name; bool manual; bool active; int rule;  // the rule holding the entries
        bool youngFileCopied; bool youngDirCopied; bool oldDirKept; bool futureDirKept;
    } kCases[] = {
        {"automatic, rule 1", false, true, 1, false, false, false, true},
        {"manual, rule 1", true, true, 1, true, true, false, true},
        {"inactive, rule 1", false, false, 1, true, true, false, true},
        {"automatic, rule 2", false, true, 2, true, true, true, true},
    };
    for (const auto& c : kCases) {
        Mirror m;
        ASSERT_TRUE(m.source.ok() && m.backup.ok());
        // MinimumAge 10 minutes, MaximumAge 60 minutes.
        m.Write(m.source.file("data\\young.txt"), "y", 300);
        m.Write(m.source.file("data\\ripe.txt"), "r", 900);
        m.Write(m.source.file("data\\youngdir\\f.txt"), "f", 900);
        m.Stamp(m.source.file("data\\youngdir"), 300);
        m.Write(m.source.file("data\\olddir\\f.txt"), "o", 900);
        m.Stamp(m.source.file("data\\olddir"), 7200);
        m.Write(m.backup.file("mirror\\olddir\\f.txt"), "o", 900);
        m.Write(m.source.file("data\\futuredir\\f.txt"), "u", 900);
        m.Stamp(m.source.file("data\\futuredir"), -7200);
        m.Write(m.backup.file("mirror\\futuredir\\f.txt"), "u", 900);
        std::string rules = "1=" + m.ShortRule(c.rule == 1 ? "data" : "other", "first") + "\n";
        if (c.rule == 2) {
            CreateDirectoryA(m.source.file("other").c_str(), nullptr);
            rules += "2=" + m.ShortRule("data", "mirror") + "\n";
        } else {
            rules = "1=" + m.ShortRule("data", "mirror") + "\n";
        }
        m.Rules(rules);
        FILESYNC_ORDER o = c.manual ? Manual() : Automatic();
        o.active = c.active;
        o.minimumAge = 10;
        o.maximumAge = 60;
        ASSERT_TRUE(m.Run(o)) << c.name << m.Line();
        EXPECT_TRUE(Exists(m.backup.file("mirror\\ripe.txt"))) << c.name;
        EXPECT_EQ(c.youngFileCopied, Exists(m.backup.file("mirror\\young.txt"))) << c.name;
        EXPECT_EQ(c.youngDirCopied, Exists(m.backup.file("mirror\\youngdir\\f.txt"))) << c.name;
        EXPECT_EQ(c.oldDirKept, Exists(m.backup.file("mirror\\olddir\\f.txt"))) << c.name;
        EXPECT_EQ(c.futureDirKept, Exists(m.backup.file("mirror\\futuredir\\f.txt"))) << c.name;
        if (c.rule == 1) EXPECT_EQ(1 + (c.youngDirCopied ? 0 : 1),
                                   m.counts.oldIgnored + m.counts.youngIgnored) << c.name;
    }
}

// Faults on the source side: the mirror keeps every file it had.
TEST(FileSyncFaults, ASourceShareThatDisappearsMidRunDeletesNothing)
{
    static SecondDrive* s_source;
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok());
    for (const char* f : {"data\\a\\1.txt", "data\\a\\2.txt", "data\\b\\3.txt", "data\\4.txt"}) {
        m.Write(m.source.file(f), f);
        m.Write(m.backup.file((std::string("mirror") + (f + 4)).c_str()), f);
    }
    const std::string before = Mirror::Tree(m.backup.file("mirror\\"));
    m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");
    s_source = &m.source;
    // Gone after the top level was listed, before its subdirectories are.
    g_fileSyncSourceListed = [](const char*) { s_source->Disappear(); };

    EXPECT_FALSE(m.Run(Manual()));
    EXPECT_EQ(before, Mirror::Tree(m.backup.file("mirror\\")));
    EXPECT_NE(std::string::npos, m.Line().find("Cannot list the source of rule 1: "));
    EXPECT_NE(std::string::npos, m.p.EventLog().find("FileSync: Cannot list the source"));
}

TEST(FileSyncFaults, ASourceThatCannotBeListedDeletesNothing)
{
    static const struct { const char* name; const char* rules; } kCases[] = {
        // the long form's source is not there (a share not mounted)
        {"long form", "1_Source=%SNOSUCH\n1_Destination=%Dmirror\n"},
        // a subdirectory that turned into a file while the run was listing
        {"subdirectory", "1=%Sdata\\*.*, %Dmirror\n"},
    };
    for (const auto& c : kCases) {
        static Mirror* s_m;
        Mirror m;
        s_m = &m;
        ASSERT_TRUE(m.source.ok() && m.backup.ok());
        m.Write(m.source.file("data\\sub\\1.txt"), "1");
        m.Write(m.backup.file("mirror\\sub\\1.txt"), "1");
        const std::string before = Mirror::Tree(m.backup.file("mirror\\"));
        std::string rules = c.rules;
        for (size_t at; (at = rules.find("%S")) != std::string::npos;)
            rules.replace(at, 2, m.source.root());
        for (size_t at; (at = rules.find("%D")) != std::string::npos;)
            rules.replace(at, 2, m.backup.root());
        m.Rules(rules);
        g_fileSyncSourceListed = [](const char* directory) {
            if (std::string(directory).find("\\sub\\") != std::string::npos) return;
            RemoveTree(s_m->source.file("data\\sub"));
            WriteWholeFile(s_m->source.file("data\\sub"), "a file now");
        };
        EXPECT_FALSE(m.Run(Manual())) << c.name;
        EXPECT_EQ(before, Mirror::Tree(m.backup.file("mirror\\"))) << c.name;
        EXPECT_NE(std::string::npos, m.p.EventLog().find(" rule 1: ")) << c.name;
    }
}

TEST(FileSyncFaults, ACopyThatFailsPartWayKeepsThePreviousFile)
{
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok());
    m.Write(m.source.file("data\\keep.txt"), "k");
    m.Write(m.backup.file("mirror\\big.bin"), "previous", 7200);
    m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");
    // A file that gives more bytes than its size says (a kernel file shows size 0): the copy
    // reads on past the size and must not be taken for complete.
    const std::string unixData = SerialLine::UnixPath(m.source.file("data"));
    ASSERT_FALSE(unixData.empty());
    ASSERT_TRUE(SerialLine::Shell("ln -s /proc/version '" + unixData + "/big.bin'"));
    ASSERT_TRUE(Exists(m.source.file("data\\big.bin")));
    WIN32_FILE_ATTRIBUTE_DATA before = {};
    GetFileAttributesExA(m.backup.file("mirror\\big.bin").c_str(), GetFileExInfoStandard, &before);

    ASSERT_TRUE(m.Run(Manual()));  // a failed copy is counted, not an error
    EXPECT_EQ(2, m.counts.copied);
    EXPECT_EQ(1u, m.counts.bytesCopied);
    EXPECT_EQ("big.bin=previous\nkeep.txt=k\n", Mirror::Tree(m.backup.file("mirror\\")));
    WIN32_FILE_ATTRIBUTE_DATA after = {};
    GetFileAttributesExA(m.backup.file("mirror\\big.bin").c_str(), GetFileExInfoStandard, &after);
    EXPECT_EQ(0, CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime));

    // The old stamp stayed, so a later run copies the file once it can be read whole.
    ASSERT_TRUE(SerialLine::Shell("rm -f '" + unixData + "/big.bin'"));
    m.Write(m.source.file("data\\big.bin"), std::string(200000, 'n'), 60);
    ASSERT_TRUE(m.Run(Manual()));
    EXPECT_EQ(200000u, m.counts.bytesCopied);
    EXPECT_TRUE(std::string(200000, 'n') == ReadWholeFile(m.backup.file("mirror\\big.bin")));
}

TEST(FileSyncFaults, TheDeletionLimitStopsTheRunAndIsAlwaysLogged)
{
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok());
    m.Write(m.source.file("data\\keep.txt"), "k");
    m.Write(m.backup.file("mirror\\gone1.txt"), "1");
    m.Write(m.backup.file("mirror\\gonedir\\a.txt"), "a");
    m.Write(m.backup.file("mirror\\gonedir\\b.txt"), "b");
    m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");
    FILESYNC_ORDER o = Manual();
    o.maxDelete = 1;  // the single file fits, the directory's two files never do

    m.previousFailed = true;  // logged even after a failed run
    EXPECT_FALSE(m.Run(o));
    EXPECT_LE(m.counts.deleted, 1);
    EXPECT_TRUE(Exists(m.backup.file("mirror\\gonedir\\a.txt")) &&
                Exists(m.backup.file("mirror\\gonedir\\b.txt")));
    EXPECT_NE(std::string::npos, m.Line().find("Deletion limit 1 reached in rule 1"));
    EXPECT_NE(std::string::npos, m.p.EventLog().find("FileSync: Deletion limit 1 reached"));

    o.maxDelete = 3;
    EXPECT_TRUE(m.Run(o));
    EXPECT_EQ(Mirror::Tree(m.source.file("data\\")), Mirror::Tree(m.backup.file("mirror\\")));
}
