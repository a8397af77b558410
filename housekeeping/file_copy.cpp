// Copying, moving and appending files. A copy never leaves a destination that looks complete
// when it is not: it is written under a temporary name beside the destination and put in place
// only once its size is verified; an append that fails is cut back to where it started.
#include "housekeeping/file_lib.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "core/lib.h"
#include "core/str.h"
#include "housekeeping/file_path.h"

namespace {

const DWORD kLargeBuffer = 61440;
const DWORD kSmallBuffer = 512;

// Both paths begin with the same drive letter ("c:" and "C:" are one drive).
bool SameDriveLetter(const char* a, const char* b)
{
    return a[0] && a[1] == ':' && b[0] && b[1] == ':' &&
           toupper((unsigned char)a[0]) == toupper((unsigned char)b[0]);
}

// Both names lead to the same file: copying it onto itself would truncate it first.
bool SameFile(const char* a, const char* b)
{
    char fullA[MAX_PATH], fullB[MAX_PATH];
    const DWORD na = GetFullPathNameA(a, MAX_PATH, fullA, nullptr);
    const DWORD nb = GetFullPathNameA(b, MAX_PATH, fullB, nullptr);
    if (na == 0 || na >= MAX_PATH || nb == 0 || nb >= MAX_PATH) return false;
    return lstrcmpiA(fullA, fullB) == 0;
}

// Copies the rest of source into destination. Counts what was read and written; false on a
// read or write error (the counts then tell how far it came).
bool CopyBytes(HANDLE source, HANDLE destination, BOOL scramble, ULONGLONG* bytesRead,
               ULONGLONG* bytesWritten)
{
    DWORD bufferSize = kLargeBuffer;
    char* buffer = (char*)malloc(bufferSize);
    if (!buffer) {
        bufferSize = kSmallBuffer;
        buffer = (char*)malloc(bufferSize);
        if (!buffer) return false;
    }
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source, buffer, bufferSize, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        *bytesRead += got;
        if (scramble) LIB_xor(buffer, (int)got);
        DWORD put = 0;
        const BOOL wrote = WriteFile(destination, buffer, got, &put, nullptr);
        *bytesWritten += put;
        if (!wrote || put != got) {
            ok = false;
            break;
        }
    }
    free(buffer);
    return ok;
}

bool HandleSize(HANDLE file, ULONGLONG* size)
{
    LARGE_INTEGER value;
    if (!GetFileSizeEx(file, &value)) return false;
    *size = (ULONGLONG)value.QuadPart;
    return true;
}

// An empty file beside destination whose name ends in "$$$" (its path into temporary);
// INVALID_HANDLE_VALUE when none can be made. It is named after the destination, so a copy
// cut off by the end of the process leaves one file behind that the next copy to the same
// destination takes over, instead of a new one each time. While another copy to the same
// destination holds that name, a name of its own is made. Works on the caller's thread only
// (FileSync copies on its worker), so no static buffer of the library is used.
HANDLE CreateTemporaryBeside(const char* destination, char* temporary)
{
    const char* slash = strrchr(destination, '\\');
    const int directoryLength = slash ? (int)(slash + 1 - destination) : 0;
    const char* name = destination + directoryLength;
    if (FormatPath(temporary, "%.*s~%s.$$$", directoryLength, destination, name)) {
        HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
    }
    static LONG serial = 0;
    for (int attempt = 0; attempt < 50; ++attempt) {
        const DWORD tag = (GetCurrentProcessId() << 12) ^ (DWORD)InterlockedIncrement(&serial) ^
                          (GetTickCount() << 4);
        if (!FormatPath(temporary, "%.*s~%05lX.$$$", directoryLength, destination,
                        tag & 0xFFFFF))
            break;
        HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    temporary[0] = 0;
    return INVALID_HANDLE_VALUE;
}

// Move mode on one drive letter: a rename that replaces the destination in one step, so a
// failed rename leaves the destination as it was. Returns 2, 0 on failure, or -1 when the two
// names lie on different volumes after all (then the caller copies).
int MoveByRenaming(const char* destination, const char* source, int moveMode)
{
    const DWORD attributes = (moveMode == 2) ? GetFileAttributesA(source) : INVALID_FILE_ATTRIBUTES;
    if (!MoveFileExA(source, destination, MOVEFILE_REPLACE_EXISTING)) {
        return GetLastError() == ERROR_NOT_SAME_DEVICE ? -1 : 0;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_ARCHIVE)) {
        SetFileAttributesA(destination, attributes);
    }
    return 2;
}

// Adds source's bytes to the end of destination; on failure the destination is cut back to
// its old length. With checkSize the bytes read must also equal the source's size.
bool AppendFile(const char* destination, const char* source, BOOL keepTimes, BOOL scramble,
                DWORD* size, bool checkSize)
{
    HANDLE in = FILE_CreateFile(source, "rb", FALSE);
    if (in == INVALID_HANDLE_VALUE) return false;
    HANDLE out = FILE_CreateFile(destination, "ab", FALSE);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return false;
    }
    ULONGLONG sourceSize = 0, oldEnd = 0, bytesRead = 0, bytesWritten = 0;
    FILETIME created, accessed, written;
    bool ok = HandleSize(in, &sourceSize) && HandleSize(out, &oldEnd) &&
              GetFileTime(in, &created, &accessed, &written);
    if (ok) ok = CopyBytes(in, out, scramble, &bytesRead, &bytesWritten);
    ok = ok && bytesWritten == bytesRead && (!checkSize || bytesRead == sourceSize);
    CloseHandle(in);
    if (!ok) {
        LARGE_INTEGER start;
        start.QuadPart = (LONGLONG)oldEnd;
        if (SetFilePointerEx(out, start, nullptr, FILE_BEGIN)) SetEndOfFile(out);
    } else if (keepTimes) {
        SetFileTime(out, &created, &accessed, &written);
    }
    ULONGLONG newSize = 0;
    if (ok && size && HandleSize(out, &newSize)) *size = (DWORD)newSize;
    CloseHandle(out);
    return ok;
}

// Opens the source of a move that has to copy: no other program may write to it meanwhile (a
// tail written after the last read would be lost with the source), so one still open for
// writing is not opened and waits for the next run; DELETE access lets the source go through
// this very handle once the copy is in place, before anyone can open it again.
HANDLE OpenSourceOfMove(const char* source)
{
    return CreateFileA(source, GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Removes the source of a move through its handle, and closes it; a source the handle cannot
// remove (read-only) is removed by name.
void RemoveSourceOfMove(HANDLE in, const char* source)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    const bool marked =
        SetFileInformationByHandle(in, FileDispositionInfo, &disposition, sizeof(disposition)) != 0;
    CloseHandle(in);
    if (!marked) FILE_saveremove(source);
}

// Copies source to a temporary file beside destination, verifies the size and puts it in
// place of destination. Nothing is left behind on failure. A move keeps the source open until
// it is removed.
bool CopyReplacing(const char* destination, const char* source, BOOL keepTimes, BOOL scramble,
                   DWORD* size, bool move)
{
    HANDLE in = move ? OpenSourceOfMove(source) : FILE_CreateFile(source, "rb", FALSE);
    if (in == INVALID_HANDLE_VALUE) return false;
    ULONGLONG sourceSize = 0;
    FILETIME created, accessed, written;
    // Files above 4 GB are not handled: their size does not fit the library's sizes.
    if (!HandleSize(in, &sourceSize) || sourceSize > 0xFFFFFFFFull ||
        !GetFileTime(in, &created, &accessed, &written)) {
        CloseHandle(in);
        return false;
    }
    // A destination that cannot be replaced (a directory, read-only) fails before any work.
    const DWORD oldAttributes = GetFileAttributesA(destination);
    if (oldAttributes != INVALID_FILE_ATTRIBUTES &&
        (oldAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
        CloseHandle(in);
        return false;
    }
    char temporary[MAX_PATH];
    HANDLE out = CreateTemporaryBeside(destination, temporary);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return false;
    }
    ULONGLONG bytesRead = 0, bytesWritten = 0;
    bool ok = CopyBytes(in, out, scramble, &bytesRead, &bytesWritten);
    if (!move) CloseHandle(in);
    if (ok && keepTimes) SetFileTime(out, &created, &accessed, &written);
    ULONGLONG copySize = 0;
    ok = ok && HandleSize(out, &copySize);
    CloseHandle(out);
    ok = ok && bytesRead == sourceSize && bytesWritten == bytesRead && copySize == sourceSize;
    if (ok) ok = MoveFileExA(temporary, destination, MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok) {
        if (move) CloseHandle(in);
        DeleteFileA(temporary);
        return false;
    }
    if (move) RemoveSourceOfMove(in, source);
    if (oldAttributes != INVALID_FILE_ATTRIBUTES && oldAttributes != FILE_ATTRIBUTE_NORMAL) {
        SetFileAttributesA(destination, oldAttributes);
    }
    if (size) *size = (DWORD)sourceSize;
    return true;
}

}  // namespace

HANDLE FILE_CreateFile(const char* path, const char* mode, BOOL exclusive)
{
    if (!path || !path[0] || !mode || strlen(path) > FILE_MAX_PATH_LENGTH) {
        return INVALID_HANDLE_VALUE;
    }
    const DWORD shared = exclusive ? 0 : (FILE_SHARE_READ | FILE_SHARE_WRITE);
    DWORD access, sharing = shared, disposition;
    bool toEnd = false;
    if (strchr(mode, '+')) {
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_ALWAYS;
    } else if (strchr(mode, 'r')) {
        access = GENERIC_READ;
        disposition = OPEN_EXISTING;
    } else if (strchr(mode, 'a')) {
        access = GENERIC_WRITE;
        disposition = OPEN_ALWAYS;
        toEnd = true;
    } else {
        access = GENERIC_WRITE;
        sharing = 0;
        disposition = CREATE_ALWAYS;
    }
    HANDLE file = CreateFileA(path, access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE && toEnd) SetFilePointer(file, 0, nullptr, FILE_END);
    return file;
}

int FILE_Copy(const char* destination, const char* source, int moveMode, BOOL keepTimes,
              BOOL scramble, DWORD* size, BOOL append)
{
    if (!destination || !source || !destination[0] || !source[0]) return 0;
    if (strlen(destination) > FILE_MAX_PATH_LENGTH || strlen(source) > FILE_MAX_PATH_LENGTH) {
        return 0;
    }
    if (SameFile(destination, source)) return 0;

    if (moveMode && !append && SameDriveLetter(destination, source)) {
        const int moved = MoveByRenaming(destination, source, moveMode);
        if (moved >= 0) return moved;
    }
    if (!append) return CopyReplacing(destination, source, keepTimes, scramble, size, moveMode != 0) ? 1 : 0;
    if (!AppendFile(destination, source, keepTimes, scramble, size, true)) return 0;
    // A move that had to append removes the source, now that the copy is verified.
    if (moveMode) FILE_saveremove(source);
    return 1;
}

BOOL FILE_Append(const char* destination, const char* source)
{
    if (!destination || !source || !destination[0] || !source[0]) return FALSE;
    if (SameFile(destination, source)) return FALSE;
    return AppendFile(destination, source, FALSE, FALSE, nullptr, false) ? TRUE : FALSE;
}
