// Splitting of paths into directory, file name, name body and extension. The results that are
// copies live in static buffers of MAX_PATH bytes; longer input is cut to fit.
#include "core/lib.h"

#include <string.h>

#include "core/str.h"

namespace {

char g_pathBuffer[MAX_PATH];
char g_bodyBuffer[MAX_PATH];
char g_extensionBuffer[MAX_PATH];

// The file name part: after the last backslash of the whole text (so for a command line with
// arguments, the name in the last argument).
const char* NamePart(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// The dot that starts the extension, or null. A dot in the first position begins a name such
// as ".ini" rather than an extension.
const char* ExtensionDot(const char* name)
{
    const char* dot = strrchr(name, '.');
    return (dot && dot != name) ? dot : nullptr;
}

int Bounded(size_t length) { return (int)(length < MAX_PATH - 1 ? length : MAX_PATH - 1); }

}  // namespace

const char* LIB_Filename(const char* path, char separator)
{
    if (!path) return "";
    const char* last = strrchr(path, separator);
    return last ? last + 1 : path;
}

char* LIB_sPath(const char* path)
{
    g_pathBuffer[0] = 0;
    if (!path) return g_pathBuffer;
    const char* slash = strrchr(path, '\\');
    if (slash) STR_ncpy(g_pathBuffer, path, Bounded((size_t)(slash - path) + 1));
    return g_pathBuffer;
}

char* LIB_FilenameBody(const char* path)
{
    g_bodyBuffer[0] = 0;
    if (!path) return g_bodyBuffer;
    const char* name = NamePart(path);
    const char* dot = ExtensionDot(name);
    const size_t length = dot ? (size_t)(dot - name) : strlen(name);
    STR_ncpy(g_bodyBuffer, name, Bounded(length));
    return g_bodyBuffer;
}

char* LIB_FilenameExtension(const char* path)
{
    g_extensionBuffer[0] = 0;
    if (!path) return g_extensionBuffer;
    const char* dot = ExtensionDot(NamePart(path));
    if (dot) STR_ncpy(g_extensionBuffer, dot + 1, MAX_PATH - 1);
    return g_extensionBuffer;
}
