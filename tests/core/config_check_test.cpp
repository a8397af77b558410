#include <gtest/gtest.h>
#include "core/config.h"
#include "core/config_check.h"
#include "support/program_dir.h"
#include <string>
#include <vector>

namespace {

struct CheckRun {
    int status = -1;
    CONFIG_CHECK check = {};
    std::vector<std::string> lines;
};

void Collect(void* context, const char* text) { ((std::vector<std::string>*)context)->push_back(text); }

CheckRun RunCheck(bool fileRequired = false)
{
    CheckRun run;
    run.check.line = Collect;
    run.check.context = &run.lines;
    run.status = ConfigCheck_Run(run.check, fileRequired);
    return run;
}

// Every "%DIR%" becomes the program directory (with its trailing backslash).
std::string WithDir(std::string text, const std::string& dir)
{
    for (size_t at; (at = text.find("%DIR%")) != std::string::npos;) text.replace(at, 5, dir);
    return text;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}

std::string ManyServices(int count)
{
    std::string text = "[ByTitle]\n";
    for (int i = 0; i < count; ++i) text += "SERVICE" + std::to_string(i) + "=%DIR%prog.exe\n";
    return text;
}

}  // namespace

TEST(ConfigCheck, EveryKindOfMistakeGivesItsLine)
{
    struct Case {
        const char* what;
        std::string ini;
        std::string expected;  // the whole finding, after %DIR% is replaced
        int errors;
        int warnings;
    };
    const std::string longName(120, 'N');
    const Case cases[] = {
        {"unknown key", "[Timing]\nNoResponseEror=5\n",
         "line 2: warning: [Timing] NoResponseEror: unknown key, did you mean \"NoResponseError\"?", 0, 1},
        {"unknown section", "[Timming]\na=1\n",
         "line 1: warning: [Timming]: unknown section, did you mean [Timing]?", 0, 1},
        {"not a number", "[Timing]\nExternOn=abc\n",
         "line 2: error: [Timing] ExternOn: \"abc\" is not a number (read as 0)", 1, 0},
        {"empty number", "[Common]\nAutoRebootPeriod=\n",
         "line 2: error: [Common] AutoRebootPeriod: \"\" is not a number (read as 0)", 1, 0},
        {"text after a number", "[Timing]\nNoResponseError=60 s\n",
         "line 2: warning: [Timing] NoResponseError: only the leading number 60 of \"60 s\" is read", 0, 1},
        {"start period 0", "[Timing]\nNotRunningError=0\n",
         "line 2: warning: [Timing] NotRunningError: 0 is too small, 1 is used", 0, 1},
        {"error period 1", "[Timing]\nNoResponseError=1\n",
         "line 2: warning: [Timing] NoResponseError: 1 is too small, 2 is used", 0, 1},
        {"16 bits", "[Timing]\nNoResponseWarning=70000\n",
         "line 2: warning: [Timing] NoResponseWarning: 70000 does not fit in 16 bits and is read as 4464", 0, 1},
        {"hour out of range", "[FileSync]\nSyncStart=25\n",
         "line 2: warning: [FileSync] SyncStart: 25 is outside 0..23", 0, 1},
        {"long service name", "[ByTitle]\n" + longName + "=%DIR%prog.exe\n",
         "line 2: warning: [ByTitle] " + longName + ": the name is longer than 99 characters and is cut", 0, 1},
        {"more than 50 programs", ManyServices(51),
         "line 1: warning: [ByTitle]: holds 51 programs; only the first 50 are supervised", 0, 1},
        {"more than 10 partners", "[Common]\nPing=P1,P2,P3,P4,P5,P6,P7,P8,P9,P10,P11\n",
         "line 2: warning: [Common] Ping: lists 11 partners; only the first 10 are watched", 0, 1},
        {"blank in a partner name", "[Common]\nPing=PCTWO, PCTHREE\n",
         "line 2: warning: [Common] Ping: the partner name \" PCTHREE\" has a blank at its start or end, which is part of the name", 0, 1},
        {"missing program", "[ByTitle]\nFAX=\"%DIR%no such.exe\" -a\n",
         "line 2: error: [ByTitle] FAX: the program file \"%DIR%no such.exe\" does not exist", 1, 0},
        {"no command line", "[ByMessage]\nVOICE=\n",
         "line 2: error: [ByMessage] VOICE: has no command line, so the program cannot be started", 1, 0},
        {"command line cut", "[ByTitle]\nFAX=%DIR%prog.exe " + std::string(300, 'x') + "\n",
         "line 2: warning: [ByTitle] FAX: the command line is longer than 259 characters and is cut", 0, 1},
        {"no COM port", "[Common]\nWatchCom=LPT1\n",
         "line 2: error: [Common] WatchCom: \"LPT1\" names no COM port (COM1, COM2, ...)", 1, 0},
        {"rule without comma", "[FileMove]\n1=%DIR%*.*\n",
         "line 2: error: [FileMove] 1: the rule has no comma between source and destination, so it is skipped", 1, 0},
        {"FileSync source missing", "[FileSync]\n1=%DIR%gone\\*.*,%DIR%mirror\n",
         "line 2: warning: [FileSync] 1: the source directory \"%DIR%gone\\\" does not exist", 0, 1},
        {"FileSync destination holds the source", "[FileSync]\n1=%DIR%in\\*.*,%DIR%\n",
         "line 2: error: [FileSync] 1: the rule is refused (the destination holds the source), so it copies and deletes nothing", 1, 1},
        {"FileSync long form into its source", "[FileSync]\n1_Source=%DIR%\n1_Destination=%DIR%mirror\n",
         "line 2: error: [FileSync] 1_Source: the rule is refused (the destination is inside the source)", 1, 0},
        {"age beyond ten years", "[FileSync]\nMaximumAge=71582789\n",
         "line 2: warning: [FileSync] MaximumAge: 71582789 minutes is more than ten years", 0, 1},
        {"FileSync long form without destination", "[FileSync]\n1_Source=%DIR%\n",
         "line 2: error: [FileSync] 1_Source: the rule has no 1_Destination, so it is skipped", 1, 0},
        {"FileMove source missing", "[FileMove]\n1=%DIR%gone\\*.*,%DIR%\n",
         "line 2: warning: [FileMove] 1: the source directory \"%DIR%gone\\\" does not exist", 0, 1},
        {"LogMove source missing", "[LogMove]\n1=%DIR%gone\\*.log,%DIR%\n",
         "line 2: warning: [LogMove] 1: the source directory \"%DIR%gone\\\" does not exist", 0, 1},
        {"rule after a gap", "[FileMove]\n1=%DIR%*.*,%DIR%\n3=%DIR%*.*,%DIR%\n",
         "line 3: warning: [FileMove] 3: is never read: the rules end at 2, which is missing", 0, 1},
        {"Time without a number", "[LogMove]\nTime=x,7,22\n",
         "line 2: error: [LogMove] Time: part 1, \"x\", holds no number", 1, 0},
        {"slot letter", "[Common]\nrrderrorindex=c\n",
         "line 2: warning: [Common] rrderrorindex: \"c\" names no statistics slot (one of ABSDEFGHIJKLMNOPQRTU), so none is fed", 0, 1},
        {"flag that reads as off", "[Common]\nrrdtool=yes\n",
         "line 2: warning: [Common] rrdtool: \"yes\" reads as off: only a leading 1 switches it on", 0, 1},
        {"job partner not in Ping", "[Common]\nPing=PCTWO\n[FileSync]\nPing=PCX\n",
         "line 4: error: [FileSync] Ping: \"PCX\" is not a partner of [Common] Ping, so it never counts as answering and the jobs never run", 1, 0},
        {"partner address", "[Common]\nPing=PCTWO\n[PartnerLink]\nPort=7000\nPCTWO=1.2.3\n",
         "line 5: error: [PartnerLink] PCTWO: \"1.2.3\" is not an address a.b.c.d or a.b.c.d:port", 1, 0},
        {"partner port", "[Common]\nPing=PCTWO\n[PartnerLink]\nPort=7000\nPCTWO=1.2.3.4:0\n",
         "line 5: error: [PartnerLink] PCTWO: \"1.2.3.4:0\" is not an address a.b.c.d or a.b.c.d:port", 1, 0},
        {"partner not in Ping", "[Common]\nPing=PCTWO\n[PartnerLink]\nPort=7000\nPCX=1.2.3.4:7001\n",
         "line 5: error: [PartnerLink] PCX: is not a partner of [Common] Ping, so the address is never used", 1, 0},
        {"link port", "[PartnerLink]\nPort=70000\n",
         "line 2: warning: [PartnerLink] Port: 70000 is outside 0..65535", 0, 1},
        {"link address", "[PartnerLink]\nListen=localhost\n",
         "line 2: error: [PartnerLink] Listen: \"localhost\" is not an IPv4 address (a.b.c.d)", 1, 0},
        {"link off", "[Common]\nPing=PCTWO\n[PartnerLink]\nPCTWO=1.2.3.4\n",
         "line 4: warning: [PartnerLink] PCTWO: the link is off (Port is missing or 0), so this partner is not used", 0, 1},
        {"metrics directory", "[Common]\nMetricsFile=gone\\m.prom\n",
         "line 2: error: [Common] MetricsFile: the directory of \"%DIR%gone\\m.prom\" does not exist, so no metrics are written", 1, 0},
        {"key twice", "[Timing]\nExternOn=100\nExternOn=200\n",
         "line 3: warning: [Timing] ExternOn: appears again (first at line 2); only the first value is read", 0, 1},
        {"section twice", "[Timing]\nExternOn=100\n[Timing]\nNotRunningError=5\n",
         "line 3: warning: [Timing]: appears again (first at line 1); only the keys of its first appearance are read", 0, 1},
        {"key before any section", "ExternOn=100\n[Timing]\n",
         "line 1: warning: \"ExternOn\" stands before the first section and is never read", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProgramDir p;
        p.dir.write("prog.exe", "MZ");
        p.WriteConfig(WithDir(c.ini, p.dir.path()));
        const CheckRun run = RunCheck();
        const std::string expected = WithDir(c.expected, p.dir.path());
        bool found = false;
        for (const std::string& line : run.lines) found = found || line.find(expected) != std::string::npos;
        EXPECT_TRUE(found) << "expected: " << expected << "\ngot:\n" << Joined(run.lines);
        EXPECT_EQ(c.errors, run.check.errors) << Joined(run.lines);
        EXPECT_EQ(c.warnings, run.check.warnings) << Joined(run.lines);
        EXPECT_EQ(c.errors > 0 ? CHECK_ERRORS : CHECK_WARNINGS, run.status);
    }
}

TEST(ConfigCheck, ACleanConfigurationPassesWithoutFindings)
{
    ProgramDir p;
    p.dir.write("prog.exe", "MZ");
    CreateDirectoryA(p.dir.file("spool").c_str(), nullptr);
    p.WriteConfig(WithDir("; a comment\n[Common]\nPing=PCTWO\nWatchCom=com2\nrrdtool=1\nrrderrorindex=S\n"
                          "MetricsFile=custor.prom\nActive=1\n"
                          "[Timing]\nNoResponseWarning=30\nNoResponseError=55\nNotRunningError=30\n"
                          "[ByTitle]\nFAX=\"%DIR%prog.exe\" -min\n[ByMessage_Stopped]\nVOICE=%DIR%prog -x\n"
                          "[FileSync]\nPing=PCTWO\nSyncStart=6\n1=%DIR%spool\\*.*, %DIR%mirror\n2_Source=%DIR%spool\n"
                          "2_Destination=%DIR%mirror\nMaxDelete=100\n"
                          "[FileMove]\n1=%DIR%spool\\*.*,%DIR%\n[LogMove]\nTime=10,7,22\n"
                          "1=%DIR%spool\\*.log,%DIR%,%DIR%\n[FileRename]\n1=%DIR%spool\\a*.txt,%DIR%a.txt\n"
                          "[PartnerLink]\nPort=7000\nListen=0.0.0.0\nSecret=s3cret\nPCTWO=10.0.0.2:7001\n",
                          p.dir.path()));
    const CheckRun run = RunCheck(true);
    EXPECT_EQ(CHECK_CLEAN, run.status) << Joined(run.lines);
    ASSERT_EQ(2u, run.lines.size()) << Joined(run.lines);
    EXPECT_EQ("Checking " + p.dir.file("custor.ini"), run.lines[0]);
    EXPECT_EQ("0 errors, 0 warnings", run.lines[1]);
}

TEST(ConfigCheck, AGarbageFileIsAnErrorAndTheReportStaysShort)
{
    ProgramDir p;
    std::string garbage;
    unsigned seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage += (char)(seed >> 16);
    }
    p.WriteConfig(garbage);
    const CheckRun run = RunCheck(true);
    EXPECT_EQ(CHECK_ERRORS, run.status);
    EXPECT_GT(run.check.errors, 200);
    EXPECT_LE(run.lines.size(), 204u);
    EXPECT_NE(std::string::npos, Joined(run.lines).find("control characters or zero bytes"));
    EXPECT_NE(std::string::npos, run.lines[run.lines.size() - 2].find("more findings not shown"));
    // The check wrote nothing beside the file.
    EXPECT_FALSE(p.dir.exists("custor.txt"));
    EXPECT_FALSE(p.dir.exists("ERRORS.TXT"));
}

TEST(ConfigCheck, AMissingFileIsAnErrorOnlyWhenNamed)
{
    ProgramDir p;
    EXPECT_EQ(CHECK_WARNINGS, RunCheck(false).status);
    EXPECT_EQ(CHECK_ERRORS, RunCheck(true).status);
}

TEST(ConfigCheck, TheDuplicateSectionRuleMatchesTheReader)
{
    ProgramDir p;
    p.WriteConfig("[Timing]\nExternOn=100\n[Timing]\nNotRunningError=5\n");
    EXPECT_EQ(100, Config_GetInt("Timing", "ExternOn", "0"));
    EXPECT_EQ(30, Config_GetInt("Timing", "NotRunningError", "30"));
}

TEST(ConfigCheck, NearestNameIsASlipOfTheKeyboard)
{
    const char* const names[] = {"NoResponseWarning", "NoResponseError", "NotRunningError", "Ping", "Port"};
    struct Case {
        const char* typed;
        const char* nearest;  // null: none
    } cases[] = {
        {"NoResponseEror", "NoResponseError"}, {"noresponseerror", "NoResponseError"},
        {"NotRuningErorr", "NotRunningError"}, {"Pong", "Ping"}, {"Prt", "Port"},
        {"Colour", nullptr}, {"", nullptr}, {"NoResponseTime", nullptr},
    };
    for (const Case& c : cases) {
        const char* got = ConfigCheck_NearestName(c.typed, names, 5);
        if (c.nearest)
            EXPECT_STREQ(c.nearest, got) << c.typed;
        else
            EXPECT_EQ(nullptr, got) << c.typed << " -> " << got;
    }
    EXPECT_EQ(0, ConfigCheck_EditDistance("Timing", "TIMING"));
    EXPECT_EQ(3, ConfigCheck_EditDistance("kitten", "sitting"));
}

TEST(ConfigCheck, ErrorsAtReadingGiveOneEventLine)
{
    struct Case {
        bool enabled;
        const char* ini;
        const char* line;  // null: no line
    } cases[] = {
        {true, "[Timing]\nExternOn=abc\n[Common]\nWatchCom=LPT1\n", " Custor: configuration has 2 errors, run Custor.exe /check\r\n"},
        {true, "[Timing]\nNoResponseEror=5\n", nullptr},
        {false, "[Timing]\nExternOn=abc\n", nullptr},
    };
    for (const Case& c : cases) {
        ProgramDir p;
        p.WriteConfig(c.ini);
        g_configCheckAtReading = c.enabled;
        ReadConfiguration(nullptr, true);
        g_configCheckAtReading = false;
        const std::string log = p.EventLog();
        if (c.line) {
            EXPECT_NE(std::string::npos, log.find(c.line)) << log;
            EXPECT_EQ(1, CountLines(log)) << log;
        } else {
            EXPECT_EQ(std::string::npos, log.find("configuration has")) << log;
        }
    }
}

// A re-read of the running program never looks at the files and folders the configuration
// names (a share that does not answer would hold the window thread); /check looks at all.
TEST(ConfigCheck, AReadingLooksAtNoFileTheConfigurationNames)
{
    ProgramDir p;
    const std::string share = "\\\\backupserver\\spool\\";
    std::string ini = "[ByTitle]\n";
    for (int i = 0; i < 50; ++i)
        ini += "SERVICE " + std::to_string(i) + "=" + share + "bin" + std::to_string(i) + "\\prog.exe\n";
    ini += "[FileSync]\n";
    for (int i = 1; i <= 20; ++i)
        ini += std::to_string(i) + "=" + share + "in" + std::to_string(i) + "\\*.*, D:\\mirror" +
               std::to_string(i) + "\n";
    ini += "[FileMove]\n1=" + share + "fax\\*.*,D:\\fax\n[Common]\nMetricsFile=" + share + "m.prom\n";
    p.WriteConfig(ini);

    g_configCheckAtReading = true;
    ReadConfiguration(nullptr, true);
    g_configCheckAtReading = false;
    EXPECT_EQ(0, ConfigCheck_LastAtReading().fileLooks);

    CONFIG_CHECK full = {};
    ConfigCheck_Run(full, true);
    EXPECT_GE(full.fileLooks, 50 + 20 + 20 + 1 + 1);
}
