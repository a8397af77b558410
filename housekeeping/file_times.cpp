// Setting and reading the time stamps of files as packed DOS date/times and seconds.
#include "housekeeping/file_lib.h"

#include "housekeeping/file_path.h"
#include "housekeeping/time_internal.h"
#include "housekeeping/time_lib.h"

namespace {

TIME_FTIME ToStamp(DWORD packed)
{
    TIME_FTIME stamp;
    stamp.time = (WORD)(packed & 0xFFFF);
    stamp.date = (WORD)(packed >> 16);
    return stamp;
}

DWORD ToPacked(const TIME_FTIME& stamp) { return ((DWORD)stamp.date << 16) | stamp.time; }

FILETIME ToFileTime(time_t seconds)
{
    const long long ticks = (long long)seconds * 10000000LL + 116444736000000000LL;
    FILETIME time = {(DWORD)ticks, (DWORD)(ticks >> 32)};
    return time;
}

}  // namespace

BOOL FILE_SetTime(const char* path, DWORD stamp, int flags)
{
    if (!path || !path[0] || strlen(path) > FILE_MAX_PATH_LENGTH) return FALSE;
    const TIME_FTIME record = ToStamp(stamp);
    time_t moment = TIME_ftime2unix(&record);
    if (flags & FILE_SETTIME_ADD_ZONE_DELAY) moment += TIME_GetMyTimeZoneDelay() * 60;
    const FILETIME time = ToFileTime(moment);
    HANDLE file = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    const BOOL ok = SetFileTime(file, (flags & FILE_SETTIME_CREATION) ? &time : nullptr, nullptr,
                                &time);
    CloseHandle(file);
    return ok;
}

BOOL FILE_SetRelativeTime(const char* path, long seconds, int twoSecondField, int hour)
{
    TIME_FTIME stamp;
    TIME_unix2ftime(&stamp, TimeNow() + seconds);
    if (twoSecondField >= 0 && twoSecondField <= 29) {
        stamp.time = (WORD)((stamp.time & ~0x1F) | twoSecondField);
    }
    if (hour >= 0 && hour <= 23) stamp.time = (WORD)((stamp.time & 0x07FF) | (hour << 11));
    return FILE_SetTime(path, ToPacked(stamp), 0);
}

BOOL FILE_SetSeconds(const char* path, int seconds)
{
    if (seconds < 0 || seconds > 59) return FALSE;
    const DWORD stamp = FILE_GetTime(path, nullptr);
    if (!stamp) return FALSE;
    const DWORD changed = (stamp & ~0x1Fu) | (DWORD)(seconds / 2);
    if (changed == stamp) return FALSE;
    return FILE_SetTime(path, changed, 0);
}

int FILE_GetSeconds(const char* path, int defaultValue)
{
    if (!path || !path[0]) return defaultValue;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return defaultValue;
    FindClose(search);
    SYSTEMTIME local;
    if (!TimeUnixToLocal(TimeFileTimeToUnix(found.ftLastWriteTime), &local)) return defaultValue;
    return local.wSecond;
}

time_t FILE_GetUnixTime(const char* path)
{
    const DWORD stamp = FILE_GetTime(path, nullptr);
    if (!stamp) return 0;
    const TIME_FTIME record = ToStamp(stamp);
    return TIME_ftime2unix(&record);
}
