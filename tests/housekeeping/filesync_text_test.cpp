#include <gtest/gtest.h>
#include "core/config.h"
#include "filesync_fixture.h"
#include "housekeeping/filesync.h"
#include "housekeeping/tree.h"
#include <string>
#include <vector>

TEST(FileSyncResult, LinesOfEveryKindWithSizesAndBlanksReduced)
{
    static const struct {
        bool deleteRun; int mailBox; int seen, copied, deleted, boxes, old, young;
        uint64_t bytes; const char* status; const char* statistics;
    } kCases[] = {
        {false, 0, 12, 3, 0, 2, 0, 0, 1048576, "14:07 Sync 1s Files: 12 -0 +3 1024 KB",
         "14:07 Sync   1s     2     0     0     -0    +3 1024 KB"},
        {false, 0, 12, 3, 0, 2, 0, 0, 1048577, "14:07 Sync 1s Files: 12 -0 +3 1 MB",
         "14:07 Sync   1s     2     0     0     -0    +3   1 MB"},
        {false, 0, 20000, 12345, 9999, 0, 0, 0, 0, "14:07 Sync 1s Files: 20000 -9999+12345 0 KB",
         "14:07 Sync   1s     0     0     0  -9999+12345   0 KB"},
        {false, 1, 9, 1, 2, 4, 1, 2, 2048, "14:07 Sync 1s Boxes: 4 (3 ignored) Files: -2 +1 2 KB",
         "14:07 Sync   1s     4     1     2     -2    +1   2 KB"},
        {true, 0, 7, 0, 5, 3, 1, 0, 0, "14:07 Del 1s Files: 7 -5",
         "14:07 Del    1s     3     1     0     -5"},
        {true, 1, 7, 0, 5, 3, 1, 0, 0, "14:07 Del 1s Boxes: 3 (1 ignored) Files: -5",
         "14:07 Del    1s     3     1           -5"},
    };
    for (const auto& c : kCases) {
        FILESYNC_ORDER o = Automatic(c.deleteRun);
        o.mailBox = c.mailBox;
        FILESYNC_COUNTS n = {};
        n.filesSeen = c.seen;
        n.copied = c.copied;
        n.deleted = c.deleted;
        n.boxes = c.boxes;
        n.oldIgnored = c.old;
        n.youngIgnored = c.young;
        n.bytesCopied = c.bytes;
        char status[FILESYNC_TEXT_SIZE];
        char statistics[FILESYNC_TEXT_SIZE];
        FileSync_FormatResult(o, n, 1, 14, 7, status, statistics, sizeof(status));
        EXPECT_STREQ(c.status, status);
        EXPECT_STREQ(c.statistics, statistics);
    }
}

TEST(FileSyncResult, TheStatisticsLineGoesToTheFileSyncLogWithoutTimeAndKind)
{
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok());
    m.Write(m.source.file("data\\a.txt"), "a");
    m.Rules("1=" + m.ShortRule("data", "mirror") + "\n");
    FILESYNC_ORDER o = Manual();
    o.writeLog = 1;
    ASSERT_TRUE(m.Run(o));
    EXPECT_EQ("05.03.24 14:07:09    1s     0     0     0     -0    +1   0 KB\r\n",
              ReadWholeFile(g_paths.fileSyncLog));
}

TEST(FileSyncRules, ShortAndLongFormsSkippedRulesAndTheListsEnd)
{
    Mirror m;
    m.Rules("1=C:\\src\\*.txt,   E:\\dst\n"
            "2=no comma here\n"
            "3_Source=C:\\long\n3_Destination=E:\\back\\\n"
            "4_Source=C:\\x\n"  // no destination: skipped
            "5=C:\\a\\b\\,E:\\d\n"
            "6=nobackslash,E:\\d\n"
            "8=after the gap\n");
    static const struct { int n; int result; const char* source; const char* pattern;
                          const char* destination; bool shortForm; } kCases[] = {
        {1, FILESYNC_RULE_OK, "C:\\src\\", "*.txt", "E:\\dst\\", true},
        {2, FILESYNC_RULE_SKIP, "", "", "", false},
        {3, FILESYNC_RULE_OK, "C:\\long\\", "*.*", "E:\\back\\", false},
        {4, FILESYNC_RULE_SKIP, "", "", "", false},
        {5, FILESYNC_RULE_OK, "C:\\a\\b\\", "", "E:\\d\\", true},
        {6, FILESYNC_RULE_OK, "", "nobackslash", "E:\\d\\", true},
        {7, FILESYNC_RULE_END, "", "", "", false},
    };
    for (const auto& c : kCases) {
        FILESYNC_RULE r;
        EXPECT_EQ(c.result, FileSync_ReadRule(g_paths.configFile, c.n, &r)) << c.n;
        if (c.result != FILESYNC_RULE_OK) continue;
        EXPECT_STREQ(c.source, r.source) << c.n;
        EXPECT_STREQ(c.pattern, r.pattern) << c.n;
        EXPECT_STREQ(c.destination, r.destination) << c.n;
        EXPECT_EQ(c.shortForm, r.shortForm) << c.n;
    }
}

TEST(FileSyncRules, ErrorRunsAreLoggedOnceUntilASuccess)
{
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok());
    const std::string missing = "1=" + m.ShortRule("missing", "mirror") + "\n";
    const std::string good = "1=" + m.ShortRule("data", "mirror") + "\n";
    CreateDirectoryA(m.source.file("data").c_str(), nullptr);
    static const struct { bool good; int logLines; } kRuns[] = {
        {false, 1}, {false, 1}, {true, 1}, {false, 2},
    };
    for (const auto& r : kRuns) {
        m.Rules(r.good ? good : missing);
        EXPECT_EQ(r.good, m.Run(Manual()));
        EXPECT_EQ(r.logLines, CountLines(m.p.EventLog()));
    }
    EXPECT_EQ("FileSync: (14:07:09) Access error on source of rule 1: " +
                  m.source.file("missing\\"),
              m.Line());
    EXPECT_NE(std::string::npos,
              m.p.EventLog().find("14:07:09 FileSync: Access error on source of rule 1: "));
}

TEST(FileSyncRules, ASkippedRuleLetsTheNextRunAndAnEmptyPatternChangesNothing)
{
    Mirror m;
    ASSERT_TRUE(m.source.ok() && m.backup.ok());
    m.Write(m.source.file("data\\a.txt"), "a");
    m.Write(m.backup.file("kept\\old.txt"), "o");
    m.Rules("1=no comma\n2=" + m.source.file("data\\") + ", " + m.backup.file("kept") +
            "\n3=" + m.ShortRule("data", "mirror") + "\n");
    ASSERT_TRUE(m.Run(Manual()));
    EXPECT_EQ("old.txt=o\n", Mirror::Tree(m.backup.file("kept\\")));
    EXPECT_EQ("a.txt=a\n", Mirror::Tree(m.backup.file("mirror\\")));
}

TEST(Tree, ReversedNameOrderInsertionChainAndLookups)
{
    static const char* kNames[] = {"file0001", "file0002", "b", "ab", "File0001", "file0001",
                                   "", "zzz"};
    TREE_ITEM* root = nullptr;
    FILETIME t = {1, 2};
    for (const char* name : kNames) root = TREE_insert(root, name, t, name[0] == 'z');
    root = TREE_insert(root, nullptr, t, FALSE);
    std::string chain;
    for (TREE_ITEM* i = root; i; i = i->next) chain += std::string(i->name) + "|";
    EXPECT_EQ("file0001|file0002|b|ab|File0001||zzz|", chain);  // the duplicate is left out
    for (const char* name : kNames) {
        TREE_ITEM* found = TREE_find(root, name);
        ASSERT_NE(nullptr, found) << name;
        EXPECT_STREQ(name, found->name);
    }
    EXPECT_EQ(nullptr, TREE_find(root, "FILE0002"));  // case counts
    EXPECT_EQ(nullptr, TREE_find(root, "a"));
    EXPECT_TRUE(TREE_find(root, "zzz")->isDirectory);
    TREE_free(root);

    // The tree is ordered as lstrcmpA orders the reversed names, for every character of the
    // code page: each left subtree below, each right subtree above its node.
    root = nullptr;
    std::vector<std::string> names;
    for (int c = 1; c < 256; ++c) {
        names.push_back(std::string(1, (char)c));
        names.push_back(std::string(1, (char)c) + "x");
        names.push_back("a" + std::string(1, (char)(256 - c)));
    }
    for (const std::string& n : names) root = TREE_insert(root, n.c_str(), t, FALSE);
    auto reference = [](const std::string& a, const std::string& b) {
        size_t i = a.size(), j = b.size();
        while (i > 0 && j > 0) {
            const char x[2] = {a[--i], 0}, y[2] = {b[--j], 0};
            const int c = lstrcmpA(x, y);
            if (c != 0) return c;
        }
        return i == j ? 0 : (i > 0 ? 1 : -1);
    };
    std::vector<std::pair<const TREE_ITEM*, const TREE_ITEM*>> bounds;  // (below, above)
    std::vector<const TREE_ITEM*> stack = {root};
    bounds.push_back({nullptr, nullptr});
    int visited = 0;
    while (!stack.empty()) {
        const TREE_ITEM* node = stack.back();
        const auto bound = bounds.back();
        stack.pop_back();
        bounds.pop_back();
        if (!node) continue;
        ++visited;
        if (bound.first) EXPECT_GT(reference(node->name, bound.first->name), 0) << node->name;
        if (bound.second) EXPECT_LT(reference(node->name, bound.second->name), 0) << node->name;
        stack.push_back(node->left);
        bounds.push_back({bound.first, node});
        stack.push_back(node->right);
        bounds.push_back({node, bound.second});
    }
    int distinct = 0;
    for (TREE_ITEM* i = root; i; i = i->next) ++distinct;
    EXPECT_EQ(distinct, visited);
    for (const std::string& n : names) EXPECT_NE(nullptr, TREE_find(root, n.c_str())) << n;
    TREE_free(root);

    // A long listing of names alike at the end stays correct (and fast).
    root = nullptr;
    char name[32];
    for (int i = 0; i < 20000; ++i) {
        snprintf(name, sizeof(name), "%05d.txt", i);
        root = TREE_insert(root, name, t, FALSE);
    }
    int count = 0;
    for (TREE_ITEM* i = root; i; i = i->next) ++count;
    EXPECT_EQ(20000, count);
    EXPECT_NE(nullptr, TREE_find(root, "12345.txt"));
    TREE_free(root);
}
