// The texts of a successful FileSync run: the "FileSync" line and the statistics line.
#include "housekeeping/filesync.h"
#include <stdio.h>
#include <string.h>

namespace {

// "-12" or "+3": below 10000 right-aligned in six characters, larger numbers unpadded.
void CountText(char* text, int size, char sign, int32_t number)
{
    if (number < 10000) {
        char wide[32];
        snprintf(wide, sizeof(wide), "       %c%d", sign, (int)number);
        const size_t length = strlen(wide);
        snprintf(text, (size_t)size, "%s", wide + (length > 6 ? length - 6 : 0));
    } else {
        snprintf(text, (size_t)size, "%c%d", sign, (int)number);
    }
}

}  // namespace

void FileSync_ReduceBlanks(char* text)
{
    char* out = text;
    for (const char* in = text; *in; ++in) {
        if (*in == ' ' && out > text && out[-1] == ' ') continue;
        *out++ = *in;
    }
    *out = 0;
}

void FileSync_FormatResult(const FILESYNC_ORDER& order, const FILESYNC_COUNTS& counts,
                           int seconds, int hour, int minute, char* statusLine,
                           char* statisticsLine, int size)
{
    char deleted[32];
    char copied[32];
    char ignored[64] = "";
    char sizeText[32];
    CountText(deleted, sizeof(deleted), '-', counts.deleted);
    CountText(copied, sizeof(copied), '+', counts.copied);
    const int32_t ignoredSum = counts.oldIgnored + counts.youngIgnored;
    if (ignoredSum > 0) snprintf(ignored, sizeof(ignored), "(%d ignored) ", (int)ignoredSum);
    if (counts.bytesCopied <= 1048576)
        snprintf(sizeText, sizeof(sizeText), "%3d KB", (int)(counts.bytesCopied / 1024));
    else
        snprintf(sizeText, sizeof(sizeText), "%3d MB", (int)(counts.bytesCopied / 1048576));

    const size_t n = (size_t)size;
    const bool boxes = order.mailBox != 0;
    if (order.deleteRun && boxes)
        snprintf(statusLine, n, "%02d:%02d Del  %ds Boxes: %d %sFiles: %s", hour, minute,
                 seconds, (int)counts.boxes, ignored, deleted);
    else if (order.deleteRun)
        snprintf(statusLine, n, "%02d:%02d Del  %ds Files: %d %s", hour, minute, seconds,
                 (int)counts.filesSeen, deleted);
    else if (boxes)
        snprintf(statusLine, n, "%02d:%02d Sync %ds Boxes: %d %sFiles: %s%s %s", hour, minute,
                 seconds, (int)counts.boxes, ignored, deleted, copied, sizeText);
    else
        snprintf(statusLine, n, "%02d:%02d Sync %ds Files: %d %s%s %s", hour, minute, seconds,
                 (int)counts.filesSeen, deleted, copied, sizeText);
    FileSync_ReduceBlanks(statusLine);

    if (order.deleteRun && boxes)
        snprintf(statisticsLine, n, "%02d:%02d Del  %3ds %5d %5d       %s", hour, minute,
                 seconds, (int)counts.boxes, (int)counts.oldIgnored, deleted);
    else if (order.deleteRun)
        snprintf(statisticsLine, n, "%02d:%02d Del  %3ds %5d %5d %5d %s", hour, minute, seconds,
                 (int)counts.boxes, (int)counts.oldIgnored, (int)counts.youngIgnored, deleted);
    else
        snprintf(statisticsLine, n, "%02d:%02d Sync %3ds %5d %5d %5d %s%s %s", hour, minute,
                 seconds, (int)counts.boxes, (int)counts.oldIgnored, (int)counts.youngIgnored,
                 deleted, copied, sizeText);
}
