#include "housekeeping/handover.h"
#include "core/str.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char kRecordSuffix[] = ".rec$$$";
static const char kRecordTemporarySuffix[] = ".new$$$";
static const DWORD kChunk = 61440;

static bool WithSuffix(char* out, const char* path, const char* suffix)
{
    const int written = snprintf(out, MAX_PATH, "%s%s", path, suffix);
    return written > 0 && written < MAX_PATH;
}

bool HandOver_RecordPath(char* out, const char* handOver)
{
    return WithSuffix(out, handOver, kRecordSuffix);
}

// Record: "<stage> <length> <destination>\n". Written beside and then renamed over the old
// one, so a record is always complete: the old one or the new one.
static bool WriteRecord(const char* handOver, int stage, ULONGLONG length, const char* destination)
{
    char record[MAX_PATH], temporary[MAX_PATH];
    if (!WithSuffix(record, handOver, kRecordSuffix) ||
        !WithSuffix(temporary, handOver, kRecordTemporarySuffix))
        return false;
    char text[MAX_PATH + 48];
    char number[24];
    _ui64toa(length, number, 10);
    const int size = snprintf(text, sizeof(text), "%d %s %s\n", stage, number, destination);
    if (size <= 0 || size >= (int)sizeof(text)) return false;
    HANDLE h = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(h, text, (DWORD)size, &written, nullptr) && written == (DWORD)size;
    CloseHandle(h);
    if (ok && MoveFileExA(temporary, record, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(temporary);
    return false;
}

// Parses the record; stage 0 when missing or unusable.
static int ReadRecord(const char* handOver, ULONGLONG* length, char* destination, int size)
{
    char record[MAX_PATH];
    if (!WithSuffix(record, handOver, kRecordSuffix)) return 0;
    HANDLE h = CreateFileA(record, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    char text[MAX_PATH + 48];
    DWORD got = 0;
    const BOOL read = ReadFile(h, text, sizeof(text) - 1, &got, nullptr);
    CloseHandle(h);
    if (!read) return 0;
    text[got] = 0;
    char* end = strchr(text, '\n');
    if (!end) return 0;
    *end = 0;
    char* p = text;
    const int stage = (int)strtol(p, &p, 10);
    if (stage <= 0 || *p != ' ') return 0;
    ++p;
    if (*p < '0' || *p > '9') return 0;
    const ULONGLONG value = _strtoui64(p, &p, 10);
    if (*p != ' ') return 0;
    ++p;
    if (length) *length = value;
    if (destination) STR_ncpy(destination, p, size - 1);
    return stage;
}

int HandOver_ReadRecord(const char* handOver, char* destination, int size)
{
    return ReadRecord(handOver, nullptr, destination, size);
}

void HandOver_ForgetRecord(const char* handOver)
{
    char path[MAX_PATH];
    if (WithSuffix(path, handOver, kRecordSuffix)) DeleteFileA(path);
    if (WithSuffix(path, handOver, kRecordTemporarySuffix)) DeleteFileA(path);
}

HANDLE HandOver_OpenDestination(const char* path)
{
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

static bool SizeOf(HANDLE h, ULONGLONG* size)
{
    LARGE_INTEGER value;
    if (!GetFileSizeEx(h, &value)) return false;
    *size = (ULONGLONG)value.QuadPart;
    return true;
}

static bool SeekTo(HANDLE h, ULONGLONG position)
{
    LARGE_INTEGER to;
    to.QuadPart = (LONGLONG)position;
    return SetFilePointerEx(h, to, nullptr, FILE_BEGIN) != 0;
}

static bool ReadExactly(HANDLE h, char* buffer, DWORD count)
{
    DWORD got = 0;
    return ReadFile(h, buffer, count, &got, nullptr) && got == count;
}

// How many bytes of T's beginning the destination already holds from position start on:
// all that is there if it equals T's beginning, else none (someone else changed it). False
// when the comparison could not be read to its end: that says nothing about what is there,
// and appending T again could put it in twice.
static bool BytesAlreadyThere(HANDLE destination, ULONGLONG destinationSize, HANDLE source,
                              ULONGLONG sourceSize, ULONGLONG start, char* buffer,
                              ULONGLONG* already)
{
    *already = 0;
    if (destinationSize <= start) return true;
    ULONGLONG count = destinationSize - start;
    if (count > sourceSize) count = sourceSize;
    const DWORD half = kChunk / 2;
    ULONGLONG done = 0;
    if (!SeekTo(destination, start) || !SeekTo(source, 0)) return false;
    while (done < count) {
        const DWORD piece = (DWORD)(count - done < half ? count - done : half);
        if (!ReadExactly(destination, buffer, piece) || !ReadExactly(source, buffer + half, piece))
            return false;
        if (memcmp(buffer, buffer + half, piece) != 0) return true;
        done += piece;
    }
    *already = count;
    return true;
}

// Cuts the destination back to length; true when it is that long afterwards.
static bool CutBack(HANDLE destination, ULONGLONG length)
{
    ULONGLONG size = 0;
    if (SeekTo(destination, length) && SetEndOfFile(destination)) return true;
    return SizeOf(destination, &size) && size == length;
}

HandOverResult HandOver_Append(HANDLE destination, const char* destinationPath,
                               const char* handOver, int stage, HANDOVER_TIMES* times)
{
    // Denying writers and removal: a producer that still writes into T (one that let the
    // rename happen) keeps it for a later run, and nobody adds to T while it is appended.
    HANDLE source = CreateFileA(handOver, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE) return HANDOVER_NOT_NOW;
    char* buffer = (char*)malloc(kChunk);
    ULONGLONG sourceSize = 0, destinationSize = 0;
    if (!buffer || !SizeOf(source, &sourceSize) || !SizeOf(destination, &destinationSize)) {
        free(buffer);
        CloseHandle(source);
        return HANDOVER_NOT_NOW;
    }
    if (times) GetFileTime(source, &times->creation, &times->lastAccess, &times->lastWrite);

    // Where T's first byte belongs, and how much of T is there already.
    char noted[MAX_PATH] = "";
    ULONGLONG start = destinationSize;
    ULONGLONG already = 0;
    const int recordStage = ReadRecord(handOver, &start, noted, sizeof(noted));
    const bool resuming = recordStage == stage && STR_cmp(noted, destinationPath) == 0;
    if (resuming &&
        !BytesAlreadyThere(destination, destinationSize, source, sourceSize, start, buffer,
                           &already)) {
        free(buffer);
        CloseHandle(source);
        return HANDOVER_NOT_NOW;
    }
    if (!resuming || (already == 0 && destinationSize != start)) {
        // Nothing of T there yet (or the destination was changed meanwhile): T goes to the end.
        start = destinationSize;
        already = 0;
        if (!WriteRecord(handOver, stage, start, destinationPath)) {
            free(buffer);
            CloseHandle(source);
            return HANDOVER_NOT_NOW;
        }
    }

    ULONGLONG read = 0, written = 0;
    const ULONGLONG wanted = sourceSize - already;
    bool ok = SeekTo(source, already) && SeekTo(destination, start + already);
    while (ok && read < wanted) {
        DWORD got = 0, put = 0;
        if (!ReadFile(source, buffer, kChunk, &got, nullptr)) ok = false;
        if (!ok || got == 0) break;
        read += got;
        if (!WriteFile(destination, buffer, got, &put, nullptr) || put != got) ok = false;
        written += put;
    }
    ULONGLONG finalSize = 0;
    ok = ok && read == wanted && written == wanted && SizeOf(destination, &finalSize) &&
         finalSize >= start + sourceSize;
    // T is removed after this: its bytes must be on the disk first, not only the new length,
    // or a power cut could leave the destination longer but without them.
    ok = ok && FlushFileBuffers(destination);
    free(buffer);
    CloseHandle(source);
    if (ok) return HANDOVER_DONE;

    // Back to where this append began; when that leaves none of T in the destination, the
    // record goes too (T may then be given back to the producer's name).
    if (CutBack(destination, start + already) && already == 0) HandOver_ForgetRecord(handOver);
    return HANDOVER_FAILED;
}

bool HandOver_Finish(const char* handOver)
{
    if (!DeleteFileA(handOver) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    HandOver_ForgetRecord(handOver);
    return true;
}
