#pragma once
// The file library beyond the file basics: copies that keep times and verify sizes, tree
// removal, appending and the rest of the FILE_ family.
#include <windows.h>
#include <stdio.h>
#include <time.h>
#include "core/export.h"
#include "housekeeping/file_basics.h"

// Copies (or, with moveMode 1 or 2, moves) source to destination; keepTimes sets the source's
// times on the copy, scramble passes the bytes through LIB_xor, size receives the destination's
// size, append adds to the end of the destination. 0 failure, 1 copied, 2 moved by renaming.
CUSTOR_C int FILE_Copy(const char* destination, const char* source, int moveMode, BOOL keepTimes,
                       BOOL scramble, DWORD* size, BOOL append);
// Removes a file, clearing a read-only attribute if that is what stopped it. 0 on success.
CUSTOR_C int FILE_saveremove(const char* path);
// Removes the whole tree below directory and the directory itself; counts files (countFiles)
// or their bytes. directory may end with "\"; it is restored before returning.
CUSTOR_C int FILE_DelFullTree(char* directory, BOOL countFiles);
// Appends source to the end of destination (created when missing); true if source was read.
CUSTOR_C BOOL FILE_Append(const char* destination, const char* source);

// ---- Opening and closing -------------------------------------------------------------------

// Closes a non-null stream and sets it to null; always 0.
CUSTOR_C int FILE_fclose(FILE** stream);
// CreateFileA with access and sharing from a stream mode: "+" read and write, open or create;
// "r" read, open existing; "a" write, open or create, positioned at the end; anything else
// write, create always, never shared. Exclusive denies sharing ("a" and "w" aside, which
// share read and write when not exclusive / never). INVALID_HANDLE_VALUE on failure.
CUSTOR_C HANDLE FILE_CreateFile(const char* path, const char* mode, BOOL exclusive);
// Closes the handle unless it is invalid, then sets it invalid.
CUSTOR_C void FILE_CloseHandle(HANDLE* handle);
// Moves to the start / reports the current position; INVALID_SET_FILE_POINTER on failure.
CUSTOR_C DWORD FILE_rewind(HANDLE file);
CUSTOR_C DWORD FILE_ftell(HANDLE file);

// ---- Tests on files and directories --------------------------------------------------------

// True if the directory holds nothing besides "." and ".." (also false when it is missing).
CUSTOR_C BOOL FILE_IsDirectoryEmpty(const char* directory);
// True if the file (when given) and every file directly in the directory (when given) can be
// opened "rt" exclusively.
CUSTOR_C BOOL FILE_TestExclusive(const char* file, const char* directory);
// 0 equal, 1 different, -1 b not readable; a not readable gives 0. Compares 2048 bytes at a time.
CUSTOR_C int FILE_Compare(const char* a, const char* b);
// Word searches: the first line (upper-cased, pieces of at most 999 characters) holding word1
// gives 1, word2 gives 2, none 0; the words are given in upper case.
CUSTOR_C int FILE_ScanForWords(const char* path, const char* word1, const char* word2);
// Byte-wise, case-sensitive search of the file for word.
CUSTOR_C BOOL FILE_ScanForWord(const char* path, const char* word);

// ---- Changing files ------------------------------------------------------------------------

// Keeps the first count bytes of the file (through a copy named with the extension "TRU",
// which takes the source's stamp and then its name).
CUSTOR_C BOOL FILE_Truncate(const char* path, DWORD count);

// FILE_SetTime flags: set creation and last-write time through SetFileTime (else only the
// last-write time); and add the local time-zone delay to the stamp first.
enum { FILE_SETTIME_CREATION = 1, FILE_SETTIME_ADD_ZONE_DELAY = 2 };
// Sets the file's times from a packed DOS stamp (time word low, date word high, local time).
CUSTOR_C BOOL FILE_SetTime(const char* path, DWORD stamp, int flags);
// Sets the stamp to now + seconds; twoSecondField (0-29) and hour (0-23) replace those of the
// result unless -1.
CUSTOR_C BOOL FILE_SetRelativeTime(const char* path, long seconds, int twoSecondField, int hour);
// Replaces the stamp's 2-second field by seconds / 2; false if it had that value or on failure.
CUSTOR_C BOOL FILE_SetSeconds(const char* path, int seconds);
// Seconds (0-59) of the local last-write time; defaultValue when the file is not found.
CUSTOR_C int FILE_GetSeconds(const char* path, int defaultValue);
// Seconds since 1970 of the first match's stamp; 0 when there is none.
CUSTOR_C time_t FILE_GetUnixTime(const char* path);

// ---- Free names ----------------------------------------------------------------------------

// Counter-based free name: directory + prefix + the counter in upper-case hexadecimal filling
// the body (8 characters, or prefix + 3 when the prefix is longer than 6) + "." + extension.
// out holds MAX_PATH bytes. Null when the counter no longer fits or the name would be too long.
CUSTOR_C char* FILE_FindNewName(char* out, const char* directory, const char* prefix,
                                const char* extension, BOOL anyExtension, BOOL upperCase,
                                DWORD start);
// As FILE_FindNewName with one decimal digit; null once the counter needs two digits.
CUSTOR_C char* FILE_FindNewName_1(char* out, const char* directory, const char* prefix,
                                  const char* extension, int start);
// Time-based free name: a six-character prefix from the seconds (or the tick count), two
// hexadecimal counter digits. letter and secondLetter are 0 when not used.
CUSTOR_C char* FILE_FindNewNameT(char* out, const char* directory, const char* extension,
                                 BOOL anyExtension, char letter, char secondLetter,
                                 BOOL useTicks);
// "body.extension", else "body (1).extension", "body (2).extension" ... in directory; creates
// the directory first. out holds MAX_PATH bytes; "" when no name fits.
CUSTOR_C char* FILE_FindNewNameLong(char* out, const char* directory, const char* body,
                                    const char* extension);
// Replaces a short (8.3) last component by its long name; static buffer (the input when no
// entry matches).
CUSTOR_C char* FILE_GetFullName(const char* path);

// ---- Trees ---------------------------------------------------------------------------------

// Recursive size statistics. Files directly below a directory at depth countDepth - 1 are
// counted (fileCount, liveCount outside "daemon" and "\Antivirus" paths, oldestTime lowered to
// the packed DOS stamp); matchCount counts every file taken. Any counter may be null.
CUSTOR_C ULONGLONG FILE_GetTreeSize(const char* directory, int countDepth, int depth,
                                    DWORD* fileCount, DWORD* oldestTime, DWORD* liveCount,
                                    const char* excludedExtension, DWORD* matchCount,
                                    BOOL skipDollar, const char* tag);
// Sum over the files of the directory of their "$Z$" twin's size (when present and non-empty),
// else their own.
CUSTOR_C ULONGLONG FILE_GetCompressedDirSize(const char* directory);
// Copies the tree keeping times; true if nothing failed.
CUSTOR_C BOOL FILE_CopyTree(const char* destination, const char* source);
// Removes, bottom-up, every directory of the tree that holds no files; always true.
CUSTOR_C BOOL FILE_DelEmptyTree(const char* directory);
// Removes files matching directory + pattern last written more than days ago; the count.
CUSTOR_C int FILE_DelOldFiles(const char* directory, const char* pattern, int days);
// Deletes to the recycle bin; paths is a list of zero-terminated paths ending with an empty one.
CUSTOR_C int FILE_ShellRemove(HWND window, const char* paths);
