#include "support/second_drive.h"
#include "support/serial_line.h"
#include <windows.h>

SecondDrive::SecondDrive()
{
    unavailable_ = SerialLine::Unavailable();
    if (!unavailable_.empty()) return;
    const std::string driveC = SerialLine::UnixPath("C:\\");
    const std::string tail = "c:/";
    target_ = SerialLine::UnixPath(dir_.path());
    if (driveC.size() <= tail.size() || target_.empty()) {
        unavailable_ = "the Wine prefix's dosdevices folder is not found";
        return;
    }
    const std::string devices = driveC.substr(0, driveC.size() - tail.size());
    // A marker only this test's directory holds tells whether the letter leads there.
    const std::string marker = "drive_marker_" + std::to_string(GetCurrentProcessId());
    dir_.write(marker.c_str(), "x");
    for (char letter = 'r'; letter <= 'y'; ++letter) {
        const std::string link = devices + letter + ":";
        SerialLine::Shell("ln -s '" + target_ + "' '" + link + "'");
        const std::string root = std::string(1, (char)(letter - 'a' + 'A')) + ":\\";
        if (GetFileAttributesA((root + marker).c_str()) != INVALID_FILE_ATTRIBUTES) {
            root_ = root;
            link_ = link;
            DeleteFileA(dir_.file(marker.c_str()).c_str());
            return;
        }
    }
    unavailable_ = "no free drive letter between R: and Y:";
}

SecondDrive::~SecondDrive()
{
    if (link_.empty()) return;
    // Only our own link: another test may have made one of the same letter meanwhile.
    SerialLine::Shell("[ $(readlink '" + link_ + "') = '" + target_ + "' ] && rm -f '" + link_ +
                      "'");
}

std::string MakeFullDiskFile(const std::string& windowsPath)
{
    const std::string why = SerialLine::Unavailable();
    if (!why.empty()) return why;
    const size_t slash = windowsPath.rfind('\\');
    const std::string directory = SerialLine::UnixPath(windowsPath.substr(0, slash + 1));
    if (directory.empty()) return "the directory has no Unix path";
    const std::string link = directory + (directory.back() == '/' ? "" : "/") +
                             windowsPath.substr(slash + 1);
    if (!SerialLine::Shell("ln -s /dev/full '" + link + "'") ||
        GetFileAttributesA(windowsPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return "the link to /dev/full could not be made";
    return "";
}
