// Alarm jobs: GATEWAY.INI [Start] "Alarm" of the program directory chooses a voice call ("C")
// or an SMS ("S"); the registry value "Tonw32" names the directory of the maker's servers.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/eventlog.h"
#include "partner/alarm_job.h"
#include "support/process_runner.h"
#include "support/program_dir.h"

namespace {

// HKLM\Software\Tarnwell\Tarnwell is shared by every test process of the prefix. Tests that
// change "Tonw32" take turns through this mutex and put the value back as they found it.
const char kTonw32Turn[] = "Custor.Test.Tonw32";
const char kTarnwellKey[] = "Software\\Tarnwell\\Tarnwell";

class AlarmJob : public testing::Test {
protected:
    void SetUp() override
    {
        turn_ = CreateMutexA(nullptr, FALSE, kTonw32Turn);
        ASSERT_NE(nullptr, turn_);
        const DWORD wait = WaitForSingleObject(turn_, 60000);
        ASSERT_TRUE(wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED);
        owned_ = true;
        saved_ = Read(&savedValue_);
        SetTonw32(nullptr);
        senderOutput_ = p.dir.file("sender.txt");
        SetEnvironmentVariableA("CUSTOR_ARGECHO_OUT", senderOutput_.c_str());
    }

    void TearDown() override
    {
        for (const std::string& program : senders_) DeleteWhenDone(program);
        SetEnvironmentVariableA("CUSTOR_ARGECHO_OUT", nullptr);
        if (!owned_) return;
        SetTonw32(saved_ ? savedValue_.c_str() : nullptr);
        ReleaseMutex(turn_);
        CloseHandle(turn_);
    }

    // Sets (null: removes) the value "Tonw32".
    static void SetTonw32(const char* directory)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTarnwellKey, 0, nullptr, 0,
                                                 KEY_SET_VALUE, nullptr, &key, nullptr));
        if (directory)
            RegSetValueExA(key, "Tonw32", 0, REG_SZ, (const BYTE*)directory,
                           (DWORD)strlen(directory) + 1);
        else
            RegDeleteValueA(key, "Tonw32");
        RegCloseKey(key);
    }

    static bool Read(std::string* value)
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTarnwellKey, 0, KEY_QUERY_VALUE, &key) !=
            ERROR_SUCCESS)
            return false;
        char data[1024];
        DWORD size = sizeof(data) - 1;
        DWORD type = 0;
        const bool found =
            RegQueryValueExA(key, "Tonw32", nullptr, &type, (BYTE*)data, &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (!found) return false;
        data[size] = 0;
        *value = data;
        return true;
    }

    void Gateway(const std::string& alarm)
    {
        p.WriteConfig("[Start]\nAlarm=" + alarm + "\n", "GATEWAY.INI");
    }

    // A stand-in for the SMS sender (a copy of argecho, which writes its command line).
    void InstallSender(const TempDir& directory)
    {
        const std::string program = directory.file("TONSMS.EXE");
        ASSERT_TRUE(CopyFileA(SiblingProgram("argecho.exe").c_str(), program.c_str(), FALSE));
        senders_.push_back(program);
    }

    // The command line the sender was started with; "" when it did not start.
    std::string SenderCommandLine(DWORD milliseconds = 10000)
    {
        return WaitForFile(senderOutput_, milliseconds);
    }

    static std::string CallLine(const std::string& destination, const std::string& voice)
    {
        return "3,00.00.0000 00:00," + destination + ",Alarm," + g_paths.programDir + voice +
               ".PCM\r\n";
    }
    static std::string SmsLine(const std::string& destination, const std::string& name)
    {
        return "3,00.00.0000 00:00," + destination + ",SF:!Alarm,Custor: " + name +
               "-PC not responding\r\n";
    }

    ProgramDir p;
    TempDir server;  // the directory of the maker's servers, when a test names it
    std::string senderOutput_;

private:
    HANDLE turn_ = nullptr;
    bool owned_ = false;
    bool saved_ = false;
    std::string savedValue_;
    std::vector<std::string> senders_;
};

}  // namespace

TEST_F(AlarmJob, NoJobWithoutAUsableAlarmValue)
{
    InstallSender(p.dir);
    EXPECT_EQ(0, AlarmJob_Start("PC7"));  // no GATEWAY.INI
    p.WriteConfig("[Start]\nOther=C,0123\n[Alarm]\nAlarm=C,0123\n", "GATEWAY.INI");
    EXPECT_EQ(0, AlarmJob_Start("PC7"));
    for (const char* alarm : {"", "C0123", "S0123", "c,0123", "s,0123", "X,0123", ",0123",
                              "\" C,0123\""}) {
        Gateway(alarm);
        EXPECT_EQ(0, AlarmJob_Start("PC7")) << alarm;
    }
    EXPECT_FALSE(p.dir.exists("CALL.JOB"));
    EXPECT_FALSE(p.dir.exists("SMS.JOB"));
    EXPECT_EQ("", SenderCommandLine(500));
}

TEST_F(AlarmJob, CallJobInTheProgramDirectoryWhenTonw32IsUnset)
{
    Gateway("C,0123456");
    EXPECT_EQ(1, AlarmJob_Start("PC7"));
    EXPECT_EQ(CallLine("0123456", "PC7"), p.dir.read("CALL.JOB"));
    EXPECT_FALSE(p.dir.exists("SMS.JOB"));
}

TEST_F(AlarmJob, TheDestinationIsEverythingAfterTheFirstComma)
{
    Gateway("C,0123,456");
    EXPECT_EQ(1, AlarmJob_Start("Alarm"));
    EXPECT_EQ(CallLine("0123,456", "Alarm"), p.dir.read("CALL.JOB"));

    Gateway("S,+49 170,99,x");
    AlarmJob_Start("PC7");
    EXPECT_EQ(SmsLine("+49 170,99,x", "PC7"), p.dir.read("SMS.JOB"));
}

TEST_F(AlarmJob, CallJobForTheVoiceServerWhereTheRegistrySays)
{
    server.write("TW_SERV.EXE", "");
    SetTonw32(server.path());
    Gateway("C,0123");
    EXPECT_EQ(1, AlarmJob_Start("PC7"));
    EXPECT_EQ(CallLine("0123", "PC7"), server.read("CALL.JOB"));  // voice file: program dir
    EXPECT_FALSE(p.dir.exists("CALL.JOB"));
}

TEST_F(AlarmJob, NoCallJobWhenTheVoiceServerIsNotWhereTheRegistrySays)
{
    p.dir.write("TW_SERV.EXE", "");
    SetTonw32(server.path());
    Gateway("C,0123");
    EXPECT_EQ(0, AlarmJob_Start("PC7"));
    EXPECT_FALSE(server.exists("CALL.JOB"));
    EXPECT_FALSE(p.dir.exists("CALL.JOB"));
}

TEST_F(AlarmJob, SmsJobAndItsSenderInTheProgramDirectoryWhenTonw32IsUnset)
{
    InstallSender(p.dir);
    Gateway("S,0170123");
    EXPECT_LT(31, AlarmJob_Start("PC7"));  // the result of WinExec: started
    EXPECT_EQ(SmsLine("0170123", "PC7"), p.dir.read("SMS.JOB"));
    EXPECT_EQ(std::string(g_paths.programDir) + "tonsms.exe autoend", SenderCommandLine());
    EXPECT_FALSE(p.dir.exists("CALL.JOB"));
}

TEST_F(AlarmJob, SmsJobFallsBackToTheProgramDirectoryWithoutTheSenderWhereTheRegistrySays)
{
    server.write("TW_SERV.EXE", "");
    SetTonw32(server.path());
    InstallSender(p.dir);
    Gateway("S,0170123");
    EXPECT_LT(31, AlarmJob_Start("PC7"));
    EXPECT_EQ(SmsLine("0170123", "PC7"), p.dir.read("SMS.JOB"));
    EXPECT_FALSE(server.exists("SMS.JOB"));
    EXPECT_EQ(std::string(g_paths.programDir) + "tonsms.exe autoend", SenderCommandLine());
}

TEST_F(AlarmJob, SmsJobForTheSenderWhereTheRegistrySays)
{
    InstallSender(server);
    SetTonw32(server.path());
    Gateway("S,0170123");
    EXPECT_LT(31, AlarmJob_Start("PC7"));
    EXPECT_EQ(SmsLine("0170123", "PC7"), server.read("SMS.JOB"));
    EXPECT_FALSE(p.dir.exists("SMS.JOB"));
    EXPECT_EQ(std::string(server.path()) + "tonsms.exe autoend", SenderCommandLine());
}

TEST_F(AlarmJob, SmsLineIsWrittenWhenTheSenderCannotStartAndTheSenderStartsWithoutTheLine)
{
    Gateway("S,0170123");
    const int result = AlarmJob_Start("PC7");  // no sender anywhere
    EXPECT_GE(31, result);
    EXPECT_LE(0, result);
    EXPECT_EQ(SmsLine("0170123", "PC7"), p.dir.read("SMS.JOB"));

    // A job file that cannot be opened (a folder of that name): no line, the sender starts.
    DeleteFileA(p.dir.file("SMS.JOB").c_str());
    ASSERT_TRUE(CreateDirectoryA(p.dir.file("SMS.JOB").c_str(), nullptr));
    InstallSender(p.dir);
    EXPECT_LT(31, AlarmJob_Start("PC7"));
    EXPECT_EQ(std::string(g_paths.programDir) + "tonsms.exe autoend", SenderCommandLine());
    RemoveDirectoryA(p.dir.file("SMS.JOB").c_str());
}

TEST_F(AlarmJob, CallJobFileThatCannotBeOpenedGivesNoJob)
{
    ASSERT_TRUE(CreateDirectoryA(p.dir.file("CALL.JOB").c_str(), nullptr));
    Gateway("C,0123");
    EXPECT_EQ(0, AlarmJob_Start("PC7"));
    RemoveDirectoryA(p.dir.file("CALL.JOB").c_str());
}

TEST_F(AlarmJob, TenAlarmsAppendTenLines)
{
    p.dir.write("CALL.JOB", "3,00.00.0000 00:00,1,Alarm,C:\\OLD.PCM\r\n");
    Gateway("C,0123");
    std::string expected = p.dir.read("CALL.JOB");
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(1, AlarmJob_Start("Alarm"));
        expected += CallLine("0123", "Alarm");
    }
    EXPECT_EQ(expected, p.dir.read("CALL.JOB"));

    Gateway("S,0170");  // no sender: the lines all the same
    expected = "";
    for (int i = 0; i < 10; ++i) {
        AlarmJob_Start("PC7");
        expected += SmsLine("0170", "PC7");
    }
    EXPECT_EQ(expected, p.dir.read("SMS.JOB"));
}

TEST_F(AlarmJob, StartedByTheEventLogForAPartnerAndForTheTenthKill)
{
    Gateway("C,0123");
    // Code 10: the partner's name, and the event log returns the job's result.
    EXPECT_EQ(1, EventLog(EVENT_PING, "PC7", false, 0));
    EXPECT_EQ(CallLine("0123", "PC7"), p.dir.read("CALL.JOB"));
    EXPECT_NE(std::string::npos, p.EventLog().find("   Ping: No response from PC7\r\n"));

    // Code 4: only the tenth kill in a row calls, with the name "Alarm".
    EXPECT_EQ(1, EventLog(EVENT_KILL, "FAXSRV", false, 9));
    EXPECT_EQ(1, EventLog(EVENT_KILL, "FAXSRV", false, 11));
    EXPECT_EQ(CallLine("0123", "PC7"), p.dir.read("CALL.JOB"));
    EXPECT_EQ(1, EventLog(EVENT_KILL, "FAXSRV", false, 10));
    EXPECT_EQ(CallLine("0123", "PC7") + CallLine("0123", "Alarm"), p.dir.read("CALL.JOB"));

    Gateway("");
    EXPECT_EQ(0, EventLog(EVENT_PING, "PC8", false, 0));  // no job: the result 0
}
