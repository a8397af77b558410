// Bounded path building for the file library.
#include "housekeeping/file_path.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

bool FormatPath(char* out, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const int n = vsnprintf(out, MAX_PATH, format, arguments);
    va_end(arguments);
    if (n < 0 || n > FILE_MAX_PATH_LENGTH) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool CopyPathChecked(char* out, const char* path)
{
    out[0] = 0;
    if (!path) return false;
    const size_t length = strlen(path);
    if (length > FILE_MAX_PATH_LENGTH) return false;
    memcpy(out, path, length + 1);
    return true;
}

char* StripTrailingBackslash(char* directory)
{
    if (!directory) return nullptr;
    const size_t length = strlen(directory);
    if (length == 0 || directory[length - 1] != '\\') return nullptr;
    directory[length - 1] = 0;
    return directory + length - 1;
}

bool IsDotEntry(const char* name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}
