// Looking at and changing a file's content: comparison, word searches and truncation.
#include "housekeeping/file_lib.h"

#include <string.h>

#include "core/lib.h"
#include "core/str.h"
#include "housekeeping/file_path.h"

namespace {

const size_t kCompareChunk = 2048;

// Reads as much as fits (fread may return short counts only at the end or on an error).
size_t ReadChunk(FILE* stream, char* buffer, size_t size)
{
    size_t total = 0;
    while (total < size) {
        const size_t got = fread(buffer + total, 1, size - total, stream);
        if (got == 0) break;
        total += got;
    }
    return total;
}

}  // namespace

int FILE_Compare(const char* a, const char* b)
{
    FILE* first = (a && a[0]) ? fopen(a, "rb") : nullptr;
    if (!first) return 0;
    FILE* second = (b && b[0]) ? fopen(b, "rb") : nullptr;
    if (!second) {
        fclose(first);
        return -1;
    }
    static char chunkA[kCompareChunk], chunkB[kCompareChunk];
    int result = 0;
    for (;;) {
        const size_t gotA = ReadChunk(first, chunkA, kCompareChunk);
        const size_t gotB = ReadChunk(second, chunkB, kCompareChunk);
        if (gotA != gotB || memcmp(chunkA, chunkB, gotA) != 0) {
            result = 1;
            break;
        }
        if (gotA < kCompareChunk) break;
    }
    fclose(first);
    fclose(second);
    return result;
}

int FILE_ScanForWords(const char* path, const char* word1, const char* word2)
{
    if (!path || !path[0]) return 0;
    FILE* stream = fopen(path, "rt");
    if (!stream) return 0;
    char line[1000];
    int result = 0;
    while (!result && fgets(line, sizeof(line), stream)) {
        CharUpperA(line);
        if (word1 && word1[0] && strstr(line, word1)) {
            result = 1;
        } else if (word2 && word2[0] && strstr(line, word2)) {
            result = 2;
        }
    }
    fclose(stream);
    return result;
}

BOOL FILE_ScanForWord(const char* path, const char* word)
{
    if (!path || !path[0] || !word || !word[0]) return FALSE;
    FILE* stream = fopen(path, "rb");
    if (!stream) return FALSE;
    const long length = (long)strlen(word);
    long matched = 0;
    long matchStart = 0;
    long position = 0;
    BOOL found = FALSE;
    int c;
    while ((c = fgetc(stream)) != EOF) {
        if ((char)c == word[matched]) {
            if (matched == 0) matchStart = position;
            ++position;
            if (++matched == length) {
                found = TRUE;
                break;
            }
            continue;
        }
        if (matched >= 2) {
            // Resume one byte after the start of the partial match, so overlapping
            // beginnings ("aab" in "aaab") are not missed.
            position = matchStart + 1;
            matched = 0;
            if (fseek(stream, position, SEEK_SET) != 0) break;
            continue;
        }
        const bool restart = matched == 1;
        matched = 0;
        if (restart && (char)c == word[0]) {
            matchStart = position;
            matched = 1;
            if (length == 1) {
                found = TRUE;
                break;
            }
        }
        ++position;
    }
    fclose(stream);
    return found;
}

BOOL FILE_Truncate(const char* path, DWORD count)
{
    char copy[MAX_PATH];
    if (!path || !path[0] || strlen(path) > FILE_MAX_PATH_LENGTH) return FALSE;
    // Same name with the extension replaced by "TRU" (added when there is none).
    const char* name = LIB_Filename(path, '\\');
    const char* dot = strrchr(name, '.');
    const size_t stem = dot && dot != name ? (size_t)(dot - path) : strlen(path);
    if (!FormatPath(copy, "%.*s.TRU", (int)stem, path)) return FALSE;

    HANDLE in = FILE_CreateFile(path, "rb", FALSE);
    if (in == INVALID_HANDLE_VALUE) return FALSE;
    HANDLE out = FILE_CreateFile(copy, "wb", TRUE);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return FALSE;
    }
    FILETIME created, accessed, written;
    bool ok = GetFileTime(in, &created, &accessed, &written) != 0;
    char buffer[4096];
    DWORD left = count;
    while (ok && left > 0) {
        const DWORD want = left < sizeof(buffer) ? left : (DWORD)sizeof(buffer);
        DWORD got = 0, put = 0;
        if (!ReadFile(in, buffer, want, &got, nullptr)) ok = false;
        if (!ok || got == 0) break;
        if (!WriteFile(out, buffer, got, &put, nullptr) || put != got) ok = false;
        left -= got;
    }
    CloseHandle(in);
    if (ok) SetFileTime(out, &created, &accessed, &written);
    CloseHandle(out);
    // The original goes only once its shortened copy is complete.
    if (ok) ok = MoveFileExA(copy, path, MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok) DeleteFileA(copy);
    return ok ? TRUE : FALSE;
}
