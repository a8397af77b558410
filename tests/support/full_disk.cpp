#include "support/full_disk.h"
#include "support/serial_line.h"
#include <windows.h>

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
