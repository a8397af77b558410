#include "filesync_fixture.h"
#include <windows.h>
#include <algorithm>
#include <vector>

namespace {

void MakeParents(const std::string& path)
{
    for (size_t i = 3; i < path.size(); ++i) {
        if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

void Collect(const std::string& directory, const std::string& prefix,
             std::vector<std::string>* lines)
{
    WIN32_FIND_DATAA f;
    HANDLE h = FindFirstFileA((directory + "*").c_str(), &f);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = f.cFileName;
        if (name == "." || name == ".." || name == "drive_marker.txt") continue;
        if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Collect(directory + name + "\\", prefix + name + "\\", lines);
        else
            lines->push_back(prefix + name + "=" + ReadWholeFile(directory + name));
    } while (FindNextFileA(h, &f));
    FindClose(h);
}

}  // namespace

Mirror::Mirror()
{
    FileSync_ResetState();
    g_fileSyncSourceListed = nullptr;
}

Mirror::~Mirror() { g_fileSyncSourceListed = nullptr; }

void Mirror::Rules(const std::string& lines) const { p.WriteConfig("[FileSync]\n" + lines); }

std::string Mirror::ShortRule(const char* from, const char* to) const
{
    return source.root() + from + "\\*.*, " + backup.root() + to;
}

void Mirror::Write(const std::string& path, const std::string& content, int secondsAgo) const
{
    MakeParents(path);
    WriteWholeFile(path, content);
    Stamp(path, secondsAgo);
}

void Mirror::Stamp(const std::string& path, int secondsAgo) const
{
    // The watchdog's clock counts local seconds since 1970; back to a UTC file time.
    const int64_t seconds = (int64_t)p.host.Now() - secondsAgo;
    const uint64_t local = 116444736000000000ull + (uint64_t)(seconds * 10000000);
    FILETIME localTime = {(DWORD)local, (DWORD)(local >> 32)};
    FILETIME utc;
    LocalFileTimeToFileTime(&localTime, &utc);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    SetFileTime(h, &utc, nullptr, &utc);
    CloseHandle(h);
}

bool Mirror::Run(FILESYNC_ORDER order)
{
    const bool ok = FileSync_Run(order, previousFailed, &counts);
    previousFailed = !ok;
    return ok;
}

std::string Mirror::Line() const
{
    char text[FILESYNC_TEXT_SIZE];
    FileSync_GetLine(text, sizeof(text));
    return text;
}

std::string Mirror::Tree(const std::string& directory)
{
    std::vector<std::string> lines;
    Collect(directory, "", &lines);
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}

FILESYNC_ORDER Manual()
{
    FILESYNC_ORDER o = {};
    o.kind = 2;
    o.active = true;
    return o;
}

FILESYNC_ORDER Automatic(bool deleteRun)
{
    FILESYNC_ORDER o = Manual();
    o.kind = 1;
    o.deleteRun = deleteRun;
    return o;
}
