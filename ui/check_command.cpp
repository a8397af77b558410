#include "ui/check_command.h"
#include "core/config.h"
#include "core/config_check.h"
#include "core/str.h"
#include <windows.h>
#include <string.h>

static const char kSwitch[] = "/check";

static const char* SkipBlanks(const char* p)
{
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

bool CheckCommand_Requested(const char* arguments)
{
    const char* p = SkipBlanks(arguments ? arguments : "");
    const size_t n = sizeof(kSwitch) - 1;
    return _strnicmp(p, kSwitch, n) == 0 && (p[n] == 0 || p[n] == ' ' || p[n] == '\t');
}

// The file named after the switch, without its quotes; "" when none is named.
static void FileArgument(const char* arguments, char* file, int size)
{
    const char* p = SkipBlanks(SkipBlanks(arguments) + sizeof(kSwitch) - 1);
    if (*p == '"') {
        ++p;
        const char* quote = strchr(p, '"');
        const size_t length = quote ? (size_t)(quote - p) : strlen(p);
        STR_ncpy(file, p, (int)(length < (size_t)size - 1 ? length : (size_t)size - 1));
    } else {
        STR_ncpy(file, p, size - 1);
        for (size_t n = strlen(file); n > 0 && (file[n - 1] == ' ' || file[n - 1] == '\t'); --n)
            file[n - 1] = 0;
    }
}

struct REPORT_OUTPUT {
    HANDLE handle;
};

static void WriteLine(void* context, const char* text)
{
    REPORT_OUTPUT* out = (REPORT_OUTPUT*)context;
    if (!out->handle) return;
    DWORD written = 0;
    WriteFile(out->handle, text, (DWORD)strlen(text), &written, nullptr);
    WriteFile(out->handle, "\r\n", 2, &written, nullptr);
}

// A redirected standard output (a file or a pipe) takes the report; otherwise the console of
// the command prompt that started the program, which a windowed program must attach to.
static HANDLE OpenOutput(bool* console)
{
    *console = false;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN) return out;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return nullptr;
    out = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return nullptr;
    *console = true;
    return out;
}

int CheckCommand_Run(const char* programPath, const char* arguments)
{
    Paths_Init(programPath);
    char file[CONFIG_PATH_SIZE];
    FileArgument(arguments ? arguments : "", file, sizeof(file));
    if (file[0]) {
        // The profile functions look for a name without a directory in the Windows directory.
        char full[CONFIG_PATH_SIZE];
        const DWORD n = GetFullPathNameA(file, sizeof(full), full, nullptr);
        STR_ncpy(g_paths.configFile, n > 0 && n < sizeof(full) ? full : file,
                 CONFIG_PATH_SIZE - 1);
    }

    bool console = false;
    REPORT_OUTPUT out = {OpenOutput(&console)};
    // The prompt has already come back when a windowed program writes to its console.
    if (console) WriteLine(&out, "");
    CONFIG_CHECK check = {};
    check.line = WriteLine;
    check.context = &out;
    const int status = ConfigCheck_Run(check, file[0] != 0);
    if (console && out.handle) CloseHandle(out.handle);
    return status;
}
