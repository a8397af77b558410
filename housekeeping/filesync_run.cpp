// One FileSync run: every rule in turn, each mirroring its source directory tree into its
// destination.
//
// A mirror must never be destroyed by trouble on the source side. The delete pass trusts the
// source listing completely (whatever is not listed is removed), so a listing that fails for
// any reason but "nothing matches" - a share gone, access denied - ends the rule before it
// deletes anything. Copies go to a temporary name and are renamed into place only when
// complete (FILE_Copy), so a failed copy never leaves a cut-off file with the source's stamp.
// An optional limit on the files one run may remove catches the rest.
#include "housekeeping/filesync.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/host.h"
#include "core/str.h"
#include "housekeeping/file_basics.h"
#include "housekeeping/file_lib.h"
#include "housekeeping/tree.h"
#include <stdio.h>
#include <string.h>

void (*g_fileSyncSourceListed)(const char* directory) = nullptr;

namespace {

// Time stamps within this many seconds of each other count as equal: file systems keep
// times with different resolutions (two seconds on FAT).
const int32_t kEqualStampSeconds = 5;
// isDirectory of a listed junction or symbolic link to a directory. A link is never followed:
// in the source it could lead back into the tree without end, in the mirror it leads to data
// that is not the mirror's to change.
const BOOL kLinkedDirectory = 2;

bool IsLinkedDirectory(const WIN32_FIND_DATAA& found)
{
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}
const int kProgressLength = 60;

struct RUN {
    const FILESYNC_ORDER* order;
    FILESYNC_COUNTS counts;
    bool error;      // the run failed; no further rules
    bool abort;      // stop the rule at once: nothing more is deleted or copied
    bool alwaysLog;  // the error goes to the event log even after a failed run
    bool refused;    // a rule was refused; its own report wrote the event line
    char errorText[FILESYNC_TEXT_SIZE];
    char ruleName[16];
    const char* pattern;
    int tag;                  // progress tag: the short form's rule number, else 1
    uint64_t minimumAge;      // effective, seconds; 0 none
    uint64_t maximumAge;      // effective, seconds; 0 none
    int32_t lastProgress;     // seconds clock of the last progress text
};

// Seconds clock of a file time, on the local time scale the clock counts in.
int32_t SecondsOf(const FILETIME& time)
{
    FILETIME local;
    SYSTEMTIME broken;
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &broken))
        return 0;
    return Host_SecondsOf(broken);
}

// now minus the entry's time. Compared as an unsigned number, as the limits are: an entry
// stamped in the future counts as very old.
uint32_t AgeOf(const FILETIME& time) { return (uint32_t)(Host_Now() - SecondsOf(time)); }

void Fail(RUN& run, bool abort, const char* format, const char* path)
{
    snprintf(run.errorText, sizeof(run.errorText), format, run.ruleName, path);
    run.error = true;
    if (abort) run.abort = true;
}

void Progress(RUN& run, const char* path)
{
    const int32_t now = Host_Now();
    if (now <= run.lastProgress) return;
    run.lastProgress = now;
    char text[kProgressLength + 1];
    STR_ncpy(text, path, kProgressLength);
    FileSync_SetLine(text);
}

// directory + name (+ "\"); false when it does not fit in a path.
bool JoinPath(char* path, const char* directory, const char* name, bool asDirectory)
{
    const int n = snprintf(path, MAX_PATH, "%s%s%s", directory, name, asDirectory ? "\\" : "");
    return n >= 0 && n < MAX_PATH;
}

// Lists directory + pattern into *tree. On the source side it counts the files seen, the
// boxes of a delete run and the directories older than MaximumAge (left out), and fails
// when the listing could not be read to its end; the destination side never fails (what
// cannot be listed there is simply absent, so copies go ahead and nothing is deleted).
bool ListDirectory(RUN& run, const char* directory, bool source, int depth, TREE_ITEM** tree)
{
    *tree = nullptr;
    char path[MAX_PATH];
    if (!JoinPath(path, directory, run.pattern, false)) return !source;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return !source || error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
    }
    const bool topSource = source && depth == 0;
    do {
        const char* name = found.cFileName;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (topSource && run.maximumAge != 0) {
                // A creation time in the future is a wrong clock, not an old directory: it
                // is kept rather than losing its mirror.
                const int32_t age = Host_Now() - SecondsOf(found.ftCreationTime);
                if (age > 0 && (uint64_t)age > run.maximumAge) {
                    run.counts.oldIgnored++;
                    continue;
                }
            }
            *tree = TREE_insert(*tree, name, found.ftCreationTime,
                                IsLinkedDirectory(found) ? kLinkedDirectory : TRUE);
            if (topSource && run.order->deleteRun) run.counts.boxes++;
        } else {
            *tree = TREE_insert(*tree, name, found.ftLastWriteTime, FALSE);
            if (source) run.counts.filesSeen++;
        }
    } while (FindNextFileA(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    return !source || error == ERROR_NO_MORE_FILES;
}

// Files in the tree below directory (ends with "\"), for the deletion limit.
int CountFiles(const char* directory)
{
    char path[MAX_PATH];
    if (!JoinPath(path, directory, "*", false)) return 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        const char* name = found.cFileName;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
        if (IsLinkedDirectory(found)) continue;  // removed as a link, its files stay
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            char below[MAX_PATH];
            if (JoinPath(below, directory, name, true)) count += CountFiles(below);
        } else {
            ++count;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// False (and the rule ends with an error) when removing files more would take the run past
// [FileSync] "MaxDelete".
bool WithinDeleteLimit(RUN& run, int files, const char* path)
{
    const int32_t limit = run.order->maxDelete;
    if (limit <= 0 || run.counts.deleted + files <= limit) return true;
    char text[FILESYNC_TEXT_SIZE];
    snprintf(text, sizeof(text), "Deletion limit %d reached in rule %%s, not deleted: %%s",
             (int)limit);
    Fail(run, true, text, path);
    run.alwaysLog = true;
    return false;
}

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Whether the destination entry d stays beside the source entry s (null: none).
bool Keeps(const TREE_ITEM* s, const TREE_ITEM* d)
{
    if (!s) return false;
    // A linked source directory is not mirrored, so its mirror entry is left as it is.
    if (s->isDirectory == kLinkedDirectory) return d->isDirectory != 0;
    // A link in the mirror goes (as a link): mirroring into it would change its target.
    if (d->isDirectory == kLinkedDirectory) return false;
    return (s->isDirectory != 0) == (d->isDirectory != 0);
}

// Removes destination entries that are gone from the source, or changed between file and
// directory, and links.
void DeletePass(RUN& run, TREE_ITEM* source, TREE_ITEM* destination, const char* D)
{
    for (TREE_ITEM* d = destination; d && !run.abort; d = d->next) {
        const TREE_ITEM* s = TREE_find(source, d->name);
        if (Keeps(s, d)) continue;
        char path[MAX_PATH];
        if (!JoinPath(path, D, d->name, d->isDirectory != 0)) continue;
        if (d->isDirectory == kLinkedDirectory) {
            // Only the link goes. Where the system cannot remove it (Wine 8 cannot remove a
            // link to a directory) it stays, and the copy pass keeps out of it.
            FILE_DelFullTree(path, TRUE);
            if (Exists(path)) Fail(run, false, "Cannot remove a link in the mirror of rule %s: %s", path);
        } else if (d->isDirectory) {
            if (run.order->maxDelete > 0 && !WithinDeleteLimit(run, CountFiles(path), path))
                return;
            run.counts.deleted += FILE_DelFullTree(path, TRUE);
        } else {
            if (!WithinDeleteLimit(run, 1, path)) return;
            FILE_saveremove(path);
            run.counts.deleted++;
        }
    }
}

bool SyncPair(RUN& run, const char* S, const char* D, int depth);

// Copies what is missing or differs, and descends into the source's directories.
void CopyPass(RUN& run, TREE_ITEM* source, TREE_ITEM* destination, const char* S,
              const char* D, int depth)
{
    const uint64_t minimumAge = run.minimumAge;
    for (TREE_ITEM* s = source; s && !run.abort; s = s->next) {
        if (s->isDirectory == kLinkedDirectory) continue;
        if (s->isDirectory) {
            if (AgeOf(s->time) > minimumAge) {
                char subSource[MAX_PATH];
                char subDestination[MAX_PATH];
                if (!JoinPath(subSource, S, s->name, true) ||
                    !JoinPath(subDestination, D, s->name, true))
                    continue;
                // A link of the mirror that could not be removed is never mirrored into.
                const TREE_ITEM* d = TREE_find(destination, s->name);
                if (d && d->isDirectory == kLinkedDirectory && Exists(subDestination)) continue;
                SyncPair(run, subSource, subDestination, depth + 1);
                if (depth + 1 == 1) run.counts.boxes++;
            } else if (depth + 1 == 1) {
                run.counts.youngIgnored++;
            }
            continue;
        }
        if (AgeOf(s->time) <= minimumAge) continue;
        const TREE_ITEM* d = TREE_find(destination, s->name);
        // A directory of that name was removed by the delete pass: the file is absent.
        const int32_t difference =
            (d && !d->isDirectory) ? SecondsOf(s->time) - SecondsOf(d->time) : -100;
        if (difference >= -kEqualStampSeconds && difference <= kEqualStampSeconds) continue;

        char from[MAX_PATH];
        char to[MAX_PATH];
        if (!JoinPath(from, S, s->name, false) || !JoinPath(to, D, s->name, false)) continue;
        if (FILE_DirectoryTest(D, 2) != 1) {
            run.error = true;
            continue;
        }
        if (run.tag != 1) Progress(run, to);
        DWORD size = 0;
        const int copied = FILE_Copy(to, from, 0, TRUE, FALSE, &size, FALSE);
        run.counts.copied++;
        if (copied == 1) run.counts.bytesCopied += size;
    }
}

// Mirrors S into D (both end with "\"); depth 0 is the rule's own directory.
bool SyncPair(RUN& run, const char* S, const char* D, int depth)
{
    TREE_ITEM* source = nullptr;
    TREE_ITEM* destination = nullptr;
    if (!ListDirectory(run, S, true, depth, &source)) {
        TREE_free(source);
        Fail(run, true, "Cannot list the source of rule %s: %s", S);
        return false;
    }
    if (g_fileSyncSourceListed) g_fileSyncSourceListed(S);
    ListDirectory(run, D, false, depth, &destination);
    if (depth <= 1) Progress(run, D);

    DeletePass(run, source, destination, D);
    if (!run.order->deleteRun && !run.abort) CopyPass(run, source, destination, S, D, depth);
    TREE_free(source);
    TREE_free(destination);
    return !run.error;
}

// Ages in minutes as seconds, without wrapping: a limit of more than 2^32 seconds must not
// turn into a few seconds (every old directory's mirror would go). Negative counts as none.
uint64_t SecondsOfMinutes(int32_t minutes) { return minutes > 0 ? (uint64_t)minutes * 60u : 0; }

// The long form's source test. It only looks: writing a test file into the source (as the
// test of a share root does) would fail on a read-only share, and the listing guard already
// stops a run whose source cannot be read.
bool SourceExists(const char* source)
{
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, source, "*", false)) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        FindClose(search);
        return true;
    }
    // An empty drive root lists nothing, not even "." entries.
    const DWORD attributes = GetFileAttributesA(source);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The short form's checks: the source exists, and the destination can be created, written
// and cleaned. false with the error set.
bool TestShortForm(RUN& run, const FILESYNC_RULE& rule)
{
    if (FILE_DirectoryTest(rule.source, 0) != 1) {
        Fail(run, false, "Access error on source of rule %s: %s", rule.source);
        return false;
    }
    char testFile[MAX_PATH];
    if (!JoinPath(testFile, rule.destination, "custor.$$$", false)) {
        Fail(run, false, "No write access on destination of rule %s: %s", rule.destination);
        return false;
    }
    FILE* f = FILE_fopen(testFile, "wb", FALSE);
    if (f) fclose(f);
    DeleteFileA(testFile);
    FILE_DirectoryTest(rule.destination, 2);
    f = FILE_fopen(testFile, "wb", FALSE);
    if (!f) {
        Fail(run, false, "No write access on destination of rule %s: %s", rule.destination);
        return false;
    }
    fclose(f);
    DeleteFileA(testFile);
    if (FILE_Exist(testFile, nullptr, nullptr)) {
        Fail(run, false, "Cannot delete files in destination of rule %s: %s",
             rule.destination);
        return false;
    }
    return true;
}

void RunRules(RUN& run)
{
    for (int n = 1; !run.error; ++n) {
        FILESYNC_RULE rule;
        const int read = FileSync_ReadRule(g_paths.configFile, n, &rule);
        if (read == FILESYNC_RULE_END) break;
        snprintf(run.ruleName, sizeof(run.ruleName), "%d", n);
        const char* refusal = read == FILESYNC_RULE_OK ? FileSync_RefusalOf(rule) : nullptr;
        if (refusal) {
            snprintf(run.errorText, sizeof(run.errorText), "Rule %d refused, %s: %s", n,
                     refusal, rule.destination);
            run.error = true;
            run.refused = true;
            FileSync_ReportRefusal(n, refusal, rule.destination);
        } else if (read == FILESYNC_RULE_OK) {
            bool tested;
            if (rule.shortForm) {
                tested = TestShortForm(run, rule);
            } else {
                // The long form gets the same guard of its source: a source that is not
                // there must not empty the mirror.
                tested = SourceExists(rule.source);
                if (!tested) Fail(run, false, "Access error on source of rule %s: %s",
                                  rule.source);
            }
            // An empty pattern lists nothing: the rule changes nothing.
            if (tested && rule.pattern[0]) {
                run.pattern = rule.pattern;
                run.tag = rule.shortForm ? n : 1;
                run.abort = false;
                if (!SyncPair(run, rule.source, rule.destination, 0)) run.error = true;
            }
        }
        // Both age limits apply to rule 1 only.
        run.minimumAge = 0;
        run.maximumAge = 0;
    }
}

}  // namespace

bool FileSync_Run(const FILESYNC_ORDER& order, bool previousFailed, FILESYNC_COUNTS* counts)
{
    RUN run = {};
    run.order = &order;
    run.minimumAge = (order.active && order.kind != 2) ? SecondsOfMinutes(order.minimumAge) : 0;
    run.maximumAge = SecondsOfMinutes(order.maximumAge);
    const int32_t start = Host_Now();
    RunRules(run);
    if (counts) *counts = run.counts;

    const int32_t end = Host_Now();
    SYSTEMTIME t;
    g_host.getLocalTime(&t);
    char line[FILESYNC_TEXT_SIZE];
    if (run.error) {
        char clock[16];
        snprintf(clock, sizeof(clock), "%02d:%02d:%02d", t.wHour, t.wMinute, t.wSecond);
        snprintf(line, sizeof(line), "FileSync: (%s) %s", clock,
                 run.errorText[0] ? run.errorText : "Error");
        FileSync_SetLine(line);
        if (run.errorText[0] && !run.refused && (!previousFailed || run.alwaysLog)) {
            snprintf(line, sizeof(line), "FileSync: %s", run.errorText);
            EventLog(EVENT_FILESYNC, line, false, 0);
        }
        return false;
    }
    char statistics[FILESYNC_TEXT_SIZE];
    FileSync_FormatResult(order, run.counts, (int)(end - start + 1), t.wHour, t.wMinute, line,
                          statistics, sizeof(line));
    FileSync_SetLine(line);
    // Without the time of day and the word Sync or Del: the log line has its own stamp.
    if (order.writeLog != 0 && strlen(statistics) > 10)
        EventLog(EVENT_FILESYNC, statistics + 10, true, 0);
    return true;
}
