// Custor is killed at random moments (seeded, so every run of the test kills at the same
// offsets) while it moves and appends a few hundred spool files, and is then let run again:
// every byte of every source must be in its destination exactly once.
#include <gtest/gtest.h>
#include <windows.h>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "installation.h"
#include "support/second_drive.h"

namespace {

const int kKills = 5;                 // runs ended by a kill; one more run finishes the work
const int kMoveFilesPerRound = 40;    // per move rule and run
const int kAppendNames = 80;          // collecting files
const unsigned kSeed = 20240305;

struct Expected {
    std::map<std::string, std::string> files;  // destination path -> exact content
};

std::string Content(std::mt19937& random, const std::string& label, int maxSize)
{
    std::uniform_int_distribution<int> size(1, maxSize);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::string text = label + ":";
    const int n = size(random);
    for (int i = 0; i < n; ++i) text += (char)(i % 64 == 63 ? '\n' : letter(random));
    return text + "\n";
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Names in a directory matching a pattern.
std::vector<std::string> List(const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(pattern.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return names;
}

struct SpoolFarm {
    SpoolFarm(Installation& inst, const SecondDrive& drive) : inst(inst), drive(drive)
    {
        for (const char* d : {"spool", "spool\\move", "spool\\far", "spool\\append", "moved",
                              "collected"})
            CreateDirectoryA(inst.dir.file(d).c_str(), nullptr);
        CreateDirectoryA((drive.root() + "far").c_str(), nullptr);
        inst.dir.write("custor.ini",
                       "[FileMove]\n1=" + inst.dir.file("spool\\move") + "\\*.fax," +
                           inst.dir.file("moved") + "\n2=" + inst.dir.file("spool\\far") +
                           "\\*.fax," + drive.root() + "far\n[FileAppend]\n1=" +
                           inst.dir.file("spool\\append") + "\\*.cdr," +
                           inst.dir.file("collected") + "\n");
        for (int n = 0; n < kAppendNames; ++n) {
            const std::string name = "calls" + std::to_string(n) + ".cdr";
            const std::string header = "header of " + name + "\n";
            inst.dir.write(("collected\\" + name).c_str(), header);
            expected.files[inst.dir.file(("collected\\" + name).c_str())] = header;
        }
    }

    // The producers: new faxes, and a new generation of every call record already taken.
    void Produce(int round)
    {
        for (int n = 0; n < kMoveFilesPerRound; ++n) {
            const std::string name = "r" + std::to_string(round) + "_" + std::to_string(n) + ".fax";
            const std::string sameDrive = Content(random, name, 30000);
            inst.dir.write(("spool\\move\\" + name).c_str(), sameDrive);
            expected.files[inst.dir.file(("moved\\" + name).c_str())] = sameDrive;
            const std::string otherDrive = Content(random, "far " + name, 30000);
            inst.dir.write(("spool\\far\\" + name).c_str(), otherDrive);
            expected.files[drive.root() + "far\\" + name] = otherDrive;
            files += 2;
        }
        for (int n = 0; n < kAppendNames; ++n) {
            const std::string name = "calls" + std::to_string(n) + ".cdr";
            const std::string source = inst.dir.file(("spool\\append\\" + name).c_str());
            if (Exists(source)) continue;  // not taken yet
            const std::string generation =
                Content(random, name + " generation " + std::to_string(round), 12000);
            inst.dir.write(("spool\\append\\" + name).c_str(), generation);
            expected.files[inst.dir.file(("collected\\" + name).c_str())] += generation;
            files += 1;
        }
    }

    // Sources not yet taken (hand-overs count as taken).
    int Waiting() const
    {
        int n = 0;
        for (const char* d : {"spool\\move\\*.fax", "spool\\far\\*.fax", "spool\\append\\*.cdr"})
            n += (int)List(inst.dir.file(d)).size();
        return n;
    }

    // Hand-overs, records and copies a kill left unfinished.
    int Unfinished() const
    {
        return (int)(List(inst.dir.file("spool\\append\\*$$$")).size() +
                     List(drive.root() + "far\\*$$$").size());
    }

    bool Drained() const
    {
        return List(inst.dir.file("spool\\move\\*")).empty() &&
               List(inst.dir.file("spool\\far\\*")).empty() &&
               List(inst.dir.file("spool\\append\\*")).empty();
    }

    Installation& inst;
    const SecondDrive& drive;
    std::mt19937 random{kSeed};
    Expected expected;
    int files = 0;
};

// Polls (without pause: the pass is short) until at most `left` sources are waiting.
void WaitUntilTaken(const SpoolFarm& farm, int left)
{
    const DWORD start = GetTickCount();
    while (farm.Waiting() > left && GetTickCount() - start < 20000) {
    }
}

TEST(CustorSpoolJobs, KilledAtRandomMomentsNoByteIsLostOrAppendedTwice)
{
    SecondDrive drive;
    ASSERT_TRUE(drive.ok()) << drive.error();
    Installation inst;
    SpoolFarm farm(inst, drive);
    // Each kill comes when a seeded share of the run's sources has been taken, so that it
    // falls inside the pass however fast the machine is; where exactly (inside which copy or
    // append) is left to the timing.
    std::mt19937 killRandom(kSeed + 1);
    std::uniform_int_distribution<int> killShare(5, 95);

    int killedMidPass = 0, killsLeavingWork = 0;
    for (int run = 0; run <= kKills; ++run) {
        farm.Produce(run);
        const int waiting = farm.Waiting();
        const int share = killShare(killRandom);
        HANDLE change = FindFirstChangeNotificationA(inst.dir.file("spool").c_str(), TRUE,
                                                     FILE_NOTIFY_CHANGE_FILE_NAME);
        ASSERT_NE(INVALID_HANDLE_VALUE, change);
        ASSERT_TRUE(inst.Start()) << "run " << run;
        // The first pass comes with the first slow block, ten seconds after the start.
        const bool passBegan = WaitForSingleObject(change, 30000) == WAIT_OBJECT_0;
        FindCloseChangeNotification(change);
        ASSERT_TRUE(passBegan) << "run " << run;
        if (run == kKills) break;
        WaitUntilTaken(farm, waiting - waiting * share / 100);
        inst.custor.Kill();
        const int left = farm.Waiting();
        killedMidPass += left > 0 ? 1 : 0;
        killsLeavingWork += farm.Unfinished() > 0 ? 1 : 0;
    }
    // The last run goes on until everything is taken.
    EXPECT_TRUE(WaitUntil([&] { return farm.Drained(); }, 60000));
    EXPECT_EQ(0, inst.End());

    long long bytesChecked = 0, bytesLost = 0, bytesExtra = 0;
    int wrong = 0;
    for (const auto& e : farm.expected.files) {
        const std::string actual = ReadWholeFile(e.first);
        bytesChecked += (long long)e.second.size();
        if (actual == e.second) continue;
        ++wrong;
        ADD_FAILURE() << e.first << ": " << actual.size() << " bytes instead of " << e.second.size();
        if (actual.size() < e.second.size()) bytesLost += (long long)(e.second.size() - actual.size());
        else bytesExtra += (long long)(actual.size() - e.second.size());
    }
    // No hand-over or temporary file is left anywhere.
    EXPECT_TRUE(List(inst.dir.file("spool\\append\\*$$$")).empty());
    EXPECT_TRUE(List(inst.dir.file("collected\\*$$$")).empty());
    EXPECT_TRUE(List(inst.dir.file("moved\\*$$$")).empty());
    // A copy to another drive is written under a temporary name of the file library
    // ("~XXXXX.$$$") and renamed into place when complete; a kill during the copy leaves that
    // temporary behind. It is counted, and nothing else may be there.
    int strayCopies = 0;
    for (const std::string& name : List(drive.root() + "far\\*$$$")) {
        const bool copyTemporary = name.size() == 10 && name[0] == '~';
        EXPECT_TRUE(copyTemporary) << name;
        strayCopies += copyTemporary ? 1 : 0;
    }
    EXPECT_EQ(0, wrong);
    printf("spool kill test: %d runs (%d killed, %d of them during a pass, %d leaving a hand-over "
           "or copy unfinished), %d source files, %d destination files, %lld bytes checked, "
           "%lld bytes lost, %lld bytes extra, %d unfinished copy temporaries left\n",
           kKills + 1, kKills, killedMidPass, killsLeavingWork, farm.files, (int)farm.expected.files.size(),
           bytesChecked, bytesLost, bytesExtra, strayCopies);
    RecordProperty("bytes_checked", std::to_string(bytesChecked));
    RecordProperty("bytes_lost", std::to_string(bytesLost));
}

}  // namespace
