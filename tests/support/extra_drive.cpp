#include "support/extra_drive.h"
#include "support/serial_line.h"
#include <windows.h>
#include <stdint.h>
#include <stdio.h>

namespace {

// "<prefix>/dosdevices/" from the link of drive C:.
std::string DeviceFolder()
{
    const std::string driveC = SerialLine::UnixPath("C:\\");
    const std::string tail = "/dosdevices/c:/";
    if (driveC.size() <= tail.size() ||
        driveC.compare(driveC.size() - tail.size(), tail.size(), tail) != 0)
        return "";
    return driveC.substr(0, driveC.size() - 3);
}

}  // namespace

ExtraDrive::ExtraDrive()
{
    const std::string folder = DeviceFolder();
    std::string target = SerialLine::UnixPath(dir.path());
    if (folder.empty() || target.empty()) return;
    if (target.back() == '/') target.pop_back();
    char marker[64];
    snprintf(marker, sizeof(marker), "drive_%lu_%p", GetCurrentProcessId(), (void*)this);
    dir.write(marker, "");
    for (char letter = 'p'; letter <= 'y'; ++letter) {
        const std::string link = folder + letter + ":";
        SerialLine::Shell("ln -s '" + target + "' '" + link + "'");
        const std::string root = std::string(1, (char)(letter - 'a' + 'A')) + ":\\";
        if (GetFileAttributesA((root + marker).c_str()) != INVALID_FILE_ATTRIBUTES) {
            link_ = link;
            root_ = root;
            return;
        }
    }
}

ExtraDrive::~ExtraDrive() { Disappear(); }

void ExtraDrive::Disappear()
{
    if (link_.empty()) return;
    const std::string root = root_;
    SerialLine::Shell("rm -f '" + link_ + "'");
    link_.clear();
    // The link is gone once its drive shows nothing.
    for (int i = 0; i < 100 && GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(20);
}

bool SetEntryTime(const std::string& path, int32_t seconds)
{
    // Seconds of the local clock since 1970, back to a UTC file time.
    const uint64_t kEpoch = 116444736000000000ull;  // 1970 in 100 ns since 1601
    const uint64_t local = kEpoch + (uint64_t)(int64_t)seconds * 10000000ull;
    FILETIME localTime = {(DWORD)local, (DWORD)(local >> 32)};
    FILETIME utc;
    if (!LocalFileTimeToFileTime(&localTime, &utc)) return false;
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = SetFileTime(h, &utc, nullptr, &utc);
    CloseHandle(h);
    return ok != 0;
}
