#include <gtest/gtest.h>
#include "core/config.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "support/program_dir.h"
#include "support/pass_helpers.h"
#include "ui/listwindow.h"
#include <string>

static std::string Repeat(char c, size_t n) { return std::string(n, c); }

TEST(ConfigPaths, MachineFileTakesPrecedenceAndCommonFileIsIgnored)
{
    ProgramDir p;
    p.WriteConfig("[ByTitle]\nCOMMONONLY=c:\\a.exe\n[Timing]\nNotRunningError=7\n");
    p.WriteConfig("[ByTitle]\nMACHINE=c:\\m.exe\n", ("CU_" + ComputerName() + ".ini").c_str());
    p.InitPaths();
    EXPECT_EQ(p.dir.file(("CU_" + ComputerName() + ".ini").c_str()), g_paths.configFile);
    ASSERT_EQ(1, ReadConfiguration(nullptr, true));
    EXPECT_STREQ("MACHINE", g_titleTable.entries[0].name);
    EXPECT_EQ(30, g_config.notRunningError);  // nothing of custor.ini, not even [Timing]
}

TEST(ConfigPaths, CommonFileAndLogDirectory)
{
    ProgramDir p;
    EXPECT_EQ(p.dir.file("custor.ini"), g_paths.configFile);
    EXPECT_EQ(std::string(p.dir.path()), g_paths.logDir);
    EXPECT_EQ(p.dir.file("custor.txt"), g_paths.eventLog);
    EXPECT_EQ(p.dir.file("filesync.txt"), g_paths.fileSyncLog);
    EXPECT_EQ(p.dir.file("ERRORS.TXT"), g_paths.errorLog);

    CreateDirectoryA(p.dir.file("LOGS.DIR").c_str(), nullptr);
    p.WriteConfig("[Common]\nLogName=watch.log\n");
    p.InitPaths();
    EXPECT_EQ(p.dir.file("LOGS.DIR\\"), g_paths.logDir);
    EXPECT_EQ(p.dir.file("LOGS.DIR\\watch.log"), g_paths.eventLog);
    EXPECT_EQ(p.dir.file("LOGS.DIR\\ERRORS.TXT"), g_paths.errorLog);
}

TEST(ConfigValues, DefaultsWithoutAFile)
{
    ProgramDir p;
    EXPECT_EQ(0, ReadConfiguration(nullptr, true));
    EXPECT_EQ(30, g_config.noResponseWarning);
    EXPECT_EQ(55, g_config.noResponseError);
    EXPECT_EQ(30, g_config.notRunningError);
    EXPECT_EQ(120, g_config.externOn);
    EXPECT_EQ(30, g_config.updateWaittime);
    EXPECT_EQ(15, g_config.maxBusyAnz);
    EXPECT_EQ(42, g_config.autoRebootPeriod);
    EXPECT_EQ(6, g_config.syncStart);
    EXPECT_EQ(21, g_config.syncStop);
    EXPECT_EQ(-1, g_config.rrdErrorSlot);
    EXPECT_FALSE(g_config.rrdtool);
    EXPECT_EQ(0u, g_config.configFileTime);
    EXPECT_EQ(0, g_pingList.count);
}

TEST(ConfigValues, DecimalConversionAndSixteenBitTiming)
{
    EXPECT_EQ(45, Config_ParseInt("  +45abc"));
    EXPECT_EQ(-12, Config_ParseInt("\t-12"));
    EXPECT_EQ(0, Config_ParseInt("abc"));
    EXPECT_EQ(0, Config_ParseInt(""));
    EXPECT_EQ(0, Config_ParseInt("0x20"));
    EXPECT_EQ(INT32_MAX, Config_ParseInt(Repeat('9', 5000).c_str()));

    ProgramDir p;
    p.WriteConfig("[Timing]\nNoResponseWarning=70000\nNoResponseError= 60 s\n"
                  "ExternOn=-1\nUpdate_Waittime=70000\nMAXBUSYANZ=x\n"
                  "[FileSync]\nAutoTime=5\nAutoTimeDel=2\nMailBox=3\n"
                  "[Common]\nrrdtool=1yes\nrrderrorindex=S\nModemProblemLimit=4\n");
    ReadConfiguration(nullptr, true);
    EXPECT_EQ(70000 % 65536, g_config.noResponseWarning);
    EXPECT_EQ(60, g_config.noResponseError);
    EXPECT_EQ(65535, g_config.externOn);
    EXPECT_EQ(70000, g_config.updateWaittime);  // 32-bit values are not cut
    EXPECT_EQ(0, g_config.maxBusyAnz);
    EXPECT_EQ(300, g_config.autoTime);
    EXPECT_EQ(120, g_config.autoTimeDel);
    EXPECT_EQ(3, g_config.mailBox);
    EXPECT_TRUE(g_config.rrdtool);
    EXPECT_EQ(2, g_config.rrdErrorSlot);
    EXPECT_EQ(4, g_config.modemProblemLimit);
    EXPECT_NE(0u, g_config.configFileTime);
}

TEST(ConfigValues, DivisorsBelowTheirMinimumAreRaisedAndReported)
{
    ProgramDir p;
    p.WriteConfig("[Timing]\nNotRunningError=0\nNoResponseError=65537\n[ByTitle]\nA=a.exe\n");
    ReadConfiguration(nullptr, true);
    EXPECT_EQ(1, g_config.notRunningError);
    EXPECT_EQ(2, g_config.noResponseError);
    EXPECT_EQ(1u, g_titleTable.entries[0].counter);  // 1 - (15 mod 1)
    const std::string log = p.EventLog();
    EXPECT_NE(std::string::npos, log.find(" Custor: [Timing] NotRunningError 0 is too small, 1 is used"));
    EXPECT_NE(std::string::npos, log.find(" Custor: [Timing] NoResponseError 1 is too small, 2 is used"));
}

TEST(ServiceTables, EntriesCountersAndPatterns)
{
    ProgramDir p;
    p.WriteConfig("[ByTitle]\nFaxserver=\"C:\\Fax Dir\\FAXSRV.EXE\" -x\nEXACT|=c:\\e.exe\nthird=t.exe\n"
                  "[ByMessage]\nZephyra-Transfer A=z.exe\nzephyra-transfer s=z.exe\n"
                  "ZEPHYRA-TRANSFER=z.exe\nTEST-CUSTOR C=t.exe\nplain b=p.exe\n");
    ASSERT_EQ(8, ReadConfiguration(nullptr, true));
    ASSERT_EQ(3, g_titleTable.count);
    ASSERT_EQ(5, g_messageTable.count);
    const SERVICE_ENTRY& fax = g_titleTable.entries[0];
    EXPECT_STREQ("Faxserver", fax.name);
    EXPECT_STREQ("FAXSERVER", fax.pattern);
    EXPECT_STREQ("\"C:\\Fax Dir\\FAXSRV.EXE\" -x", fax.command);
    EXPECT_STREQ("EXACT|", g_titleTable.entries[1].pattern);
    // Starts are staggered: title entries after 15, 16, 17 s, message entries after 20, 21 s.
    EXPECT_EQ(15u, g_titleTable.entries[0].counter);
    EXPECT_EQ(14u, g_titleTable.entries[1].counter);
    EXPECT_EQ(13u, g_titleTable.entries[2].counter);
    EXPECT_EQ(10u, g_messageTable.entries[0].counter);
    EXPECT_EQ(9u, g_messageTable.entries[1].counter);
    EXPECT_EQ(p.host.Now(), fax.lastAnswer);

    EXPECT_TRUE(g_messageTable.entries[0].multiChannel);
    EXPECT_EQ(0, g_messageTable.entries[0].statSlot);
    EXPECT_EQ(2, g_messageTable.entries[1].statSlot);   // lower case is upper-cased first
    EXPECT_TRUE(g_messageTable.entries[2].multiChannel);  // no blank: no slot
    EXPECT_EQ(-1, g_messageTable.entries[2].statSlot);
    EXPECT_TRUE(g_messageTable.entries[3].multiChannel);  // C is not a slot letter
    EXPECT_EQ(-1, g_messageTable.entries[3].statSlot);
    EXPECT_FALSE(g_messageTable.entries[4].multiChannel);
    EXPECT_EQ(-1, g_messageTable.entries[4].statSlot);
    EXPECT_EQ(-50, g_messageTable.entries[4].lastStatus);
}

TEST(ServiceTables, StoppedSectionsOnAnInactiveMachine)
{
    ProgramDir p;
    p.WriteConfig("[ByTitle]\nACTIVE=a.exe\n[ByTitle_Stopped]\nSTANDBY=s.exe\n"
                  "[ByMessage_Stopped]\nMSG=m.exe\n");
    g_supervision.active = false;
    ASSERT_EQ(2, ReadConfiguration(nullptr, true));
    EXPECT_STREQ("STANDBY", g_titleTable.entries[0].name);
    EXPECT_STREQ("MSG", g_messageTable.entries[0].name);
}

TEST(ServiceTables, DisabledMarksFollowPositionsOnReRead)
{
    ProgramDir p;
    p.WriteConfig("[ByTitle]\nA=a.exe\nB=b.exe\n");
    ReadConfiguration(nullptr, true);
    g_titleTable.entries[1].disabled = 2;
    g_titleTable.entries[1].stopAttempts = 3;

    p.WriteConfig("[ByTitle]\nNEW=n.exe\nA=a.exe\nB=b.exe\n");
    ReadConfiguration(nullptr, false);
    EXPECT_STREQ("A", g_titleTable.entries[1].name);
    EXPECT_EQ(2, g_titleTable.entries[1].disabled);  // the mark stayed at position 1
    EXPECT_EQ(3, g_titleTable.entries[1].stopAttempts);
    EXPECT_EQ(0, g_titleTable.entries[2].disabled);

    ReadConfiguration(nullptr, true);
    EXPECT_EQ(0, g_titleTable.entries[1].disabled);
}

TEST(ServiceTables, RowsOfTheServiceList)
{
    ProgramDir p;
    TOwnListWindow list(nullptr, 0x18, 3, 42, 0, 0, 100, 100);
    {
        UseServiceList shown(&list);
        p.WriteConfig("[ByTitle]\nA=a.exe\nB=b.exe\n[ByMessage]\nM=m.exe\n");
        ReadConfiguration(nullptr, true);
        g_titleTable.entries[1].disabled = 2;
        ReadConfiguration(nullptr, false);
    }

    ASSERT_EQ(3, list.GetLineCount());
    EXPECT_STREQ("A", list.GetColumnText(0, 0));
    EXPECT_STREQ("Init", list.GetColumnText(0, 1));
    EXPECT_EQ(0, list.GetColor(0));
    EXPECT_STREQ("disabled", list.GetColumnText(1, 1));
    EXPECT_EQ(11, list.GetColor(1));
    EXPECT_STREQ("M", list.GetColumnText(2, 0));
    EXPECT_STREQ("", list.GetColumnText(2, 2));
}

TEST(ServiceTables, MoreThanFiftyEntriesKeepTheFirstFiftyAndSaySo)
{
    ProgramDir p;
    std::string ini = "[ByMessage]\n";
    for (int i = 0; i < 10000; ++i) ini += "key" + std::to_string(i) + "=prog.exe\n";
    p.WriteConfig(ini);
    EXPECT_EQ(50, ReadConfiguration(nullptr, true));
    EXPECT_STREQ("key49", g_messageTable.entries[49].name);
    EXPECT_NE(std::string::npos, p.EventLog().find("[ByMessage] holds more than 50 programs"));
}

TEST(ServiceTables, OverlongNamesAndValuesAreCut)
{
    ProgramDir p;
    const std::string longName = Repeat('N', 300);
    p.WriteConfig("[ByTitle]\n" + longName + "=" + Repeat('v', 5000) + "\n" +
                  "[Common]\nPing=" + Repeat('p', 5000) + "\n[FileSync]\nPing=" +
                  Repeat('f', 5000) + "\n1=" + Repeat('r', 5000) + "\n");
    ASSERT_EQ(1, ReadConfiguration(nullptr, true));
    const SERVICE_ENTRY& e = g_titleTable.entries[0];
    EXPECT_EQ(Repeat('N', 99), e.name);
    EXPECT_EQ(Repeat('N', 99), e.pattern);
    // The command is read with the full key, cut to the buffer.
    EXPECT_EQ(259u, strlen(e.command));
    EXPECT_EQ(99u, strlen(g_config.ping));
    EXPECT_EQ(29u, strlen(g_config.fileSyncPing));
    EXPECT_EQ(259u, strlen(g_config.fileSyncRule1));
    ASSERT_EQ(1, g_pingList.count);
    EXPECT_EQ(49u, strlen(g_pingList.entries[0].name));
}

TEST(ServiceTables, RandomBytesAndMissingSections)
{
    ProgramDir p;
    std::string junk;
    unsigned seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        junk += (char)(seed >> 16);
    }
    p.WriteConfig(junk);
    const int n = ReadConfiguration(nullptr, true);
    EXPECT_GE(n, 0);
    EXPECT_LE(g_titleTable.count, 50);
    EXPECT_LE(g_messageTable.count, 50);
    EXPECT_GE(g_config.notRunningError, 1);
    EXPECT_GE(g_config.noResponseError, 2);

    p.WriteConfig("[Other]\nx=1\n");
    EXPECT_EQ(0, ReadConfiguration(nullptr, true));
    EXPECT_EQ(55, g_config.noResponseError);
}

TEST(PingList, SplitOnCommasKeepingBlanksAtMostTen)
{
    ProgramDir p;
    p.WriteConfig("[Common]\nPing=PC1,,PC2, PC3,\n");
    ReadConfiguration(nullptr, true);
    ASSERT_EQ(3, g_pingList.count);
    EXPECT_STREQ("PC1", g_pingList.entries[0].name);
    EXPECT_STREQ("PC2", g_pingList.entries[1].name);
    EXPECT_STREQ(" PC3", g_pingList.entries[2].name);
    EXPECT_EQ(p.host.Now(), g_pingList.entries[2].lastHeard);

    p.WriteConfig("[Common]\nPing=a,b,c,d,e,f,g,h,i,j,k,l\n");
    ReadConfiguration(nullptr, true);
    EXPECT_EQ(10, g_pingList.count);
    EXPECT_STREQ("j", g_pingList.entries[9].name);
    EXPECT_NE(std::string::npos, p.EventLog().find("Ping lists more than 10 partners, 2 ignored"));
}
