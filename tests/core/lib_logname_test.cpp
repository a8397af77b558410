#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "core/lib.h"
#include "support/temp_dir.h"

namespace {

// TARNWELL.INI in the Windows directory, put back as it was (normally: absent) at the end.
struct WindowsTarnwellIni {
    WindowsTarnwellIni()
    {
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, sizeof(windows));
        path = std::string(windows) + "\\TARNWELL.INI";
        existed = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (existed) saved = ReadWholeFile(path);
    }
    ~WindowsTarnwellIni()
    {
        if (existed) {
            WriteWholeFile(path, saved);
        } else {
            DeleteFileA(path.c_str());
        }
    }
    void Write(const std::string& content) { WriteWholeFile(path, content); }
    void Remove() { DeleteFileA(path.c_str()); }
    std::string path;
    bool existed;
    std::string saved;
};

}  // namespace

// Every case that depends on TARNWELL.INI of the Windows directory is in this one test, so
// that no other test of this program sees the file while it exists.
TEST(LibLogname, ProgramDirectoryIniThenWindowsDirectoryIniThenTheGivenDirectory)
{
    TempDir program;
    WindowsTarnwellIni common;
    common.Remove();
    char destination[MAX_PATH];

    // Without a setting of the installation the given log directory is used.
    EXPECT_EQ(destination, LIB_Logname(destination, program.path(), "C:\\Custor\\LOGS.DIR\\",
                                       "custor.txt"));
    EXPECT_STREQ("C:\\Custor\\LOGS.DIR\\custor.txt", destination);

    program.write("tarnwell.ini", "[Common]\r\nOther=1\r\n");
    LIB_Logname(destination, program.path(), "C:\\Custor\\", "filesync.txt");
    EXPECT_STREQ("C:\\Custor\\filesync.txt", destination);

    program.write("tarnwell.ini", "[common]\r\nlogdirectory=D:\\Tarnwell\\Logs\\\r\n");
    LIB_Logname(destination, program.path(), "C:\\Custor\\", "custor.txt");
    EXPECT_STREQ("D:\\Tarnwell\\Logs\\custor.txt", destination);

    // The machine-wide file counts when the program directory's file has no value.
    common.Write("[Common]\r\nLogDirectory=E:\\AllLogs\\\r\n");
    LIB_Logname(destination, program.path(), "C:\\Custor\\", "custor.txt");
    EXPECT_STREQ("D:\\Tarnwell\\Logs\\custor.txt", destination);
    program.write("tarnwell.ini", "[Common]\r\nOther=1\r\n");
    LIB_Logname(destination, program.path(), "C:\\Custor\\", "custor.txt");
    EXPECT_STREQ("E:\\AllLogs\\custor.txt", destination);
    DeleteFileA(program.file("tarnwell.ini").c_str());
    LIB_Logname(destination, program.path(), "C:\\Custor\\", "custor.txt");
    EXPECT_STREQ("E:\\AllLogs\\custor.txt", destination);

    // Long paths are cut to MAX_PATH, never overrun.
    const std::string longProgram = "C:\\" + std::string(300, 'p') + "\\";
    LIB_Logname(destination, longProgram.c_str(), "C:\\Custor\\", "custor.txt");
    EXPECT_STREQ("E:\\AllLogs\\custor.txt", destination);
    common.Remove();
    // A program directory too long for its tarnwell.ini: the given directory is used.
    LIB_Logname(destination, longProgram.c_str(), "C:\\Custor\\", "custor.txt");
    EXPECT_STREQ("C:\\Custor\\custor.txt", destination);

    char guarded[MAX_PATH + 8];
    memset(guarded, 'X', sizeof(guarded));
    const std::string longDirectory = "C:\\" + std::string(300, 'd') + "\\";
    LIB_Logname(guarded, program.path(), longDirectory.c_str(), "custor.txt");
    EXPECT_EQ(longDirectory.substr(0, MAX_PATH - 1), guarded);
    for (size_t i = MAX_PATH; i < sizeof(guarded); ++i) EXPECT_EQ('X', guarded[i]);
}
