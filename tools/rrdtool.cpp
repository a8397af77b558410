// rrdtool.exe: the RRDtool command-line program for an installation that runs under Wine. It
// hands its arguments to the Linux program /usr/bin/rrdtool, with every argument that is a
// Windows path (a drive letter, a colon and a slash of either kind) translated to the Unix
// path Wine maps it to, and passes that program's output and exit code back as its own.
// Wine starts Linux programs but gives no process handle for them and passes arguments
// untranslated, so the program is run through Wine's own spawn call and a shell that writes
// its output and exit code to files. Test and demo helper; not shipped.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

typedef char*(CDECL* UnixFileName)(const WCHAR* dosPath);
typedef LONG(CDECL* UnixSpawn)(char* const argv[], int wait);

const char kProgram[] = "/usr/bin/rrdtool";
// $1 output file, $2 error file, $3 exit-code file, then rrdtool's own arguments.
const char kScript[] =
    "out=$1; err=$2; code=$3; shift 3; \"$0\" \"$@\" >\"$out\" 2>\"$err\"; echo $? >\"$code\"";

bool IsWindowsPath(const char* arg)
{
    return ((arg[0] >= 'A' && arg[0] <= 'Z') || (arg[0] >= 'a' && arg[0] <= 'z')) &&
           arg[1] == ':' && (arg[2] == '\\' || arg[2] == '/');
}

// The Unix path of a Windows path ("" when Wine cannot map it).
std::string UnixPath(UnixFileName toUnix, const char* path)
{
    WCHAR wide[MAX_PATH * 2];
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 2)) return "";
    char* unixPath = toUnix(wide);
    if (!unixPath) return "";
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// A fresh temporary file (Windows path); "" when none could be made.
std::string TempFile()
{
    char directory[MAX_PATH];
    char name[MAX_PATH];
    if (!GetTempPathA(sizeof(directory), directory)) return "";
    if (!GetTempFileNameA(directory, "rrd", 0, name)) return "";
    return name;
}

// Copies a file to a standard handle of this process (when it has one).
void Pass(const std::string& file, DWORD which)
{
    HANDLE out = GetStdHandle(which);
    FILE* in = fopen(file.c_str(), "rb");
    if (!in) return;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), in)) > 0) {
        DWORD written = 0;
        if (out && out != INVALID_HANDLE_VALUE) WriteFile(out, buffer, (DWORD)n, &written, nullptr);
    }
    fclose(in);
}

int Fail(const char* text)
{
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (err && err != INVALID_HANDLE_VALUE) WriteFile(err, text, (DWORD)strlen(text), &written, nullptr);
    return 2;
}

}  // namespace

// A console program: WinExec returns at once for it, where it would wait for a window
// program to become idle.
int main(int argc, char** argv)
{
    UnixFileName toUnix =
        (UnixFileName)(void*)GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    UnixSpawn spawn =
        (UnixSpawn)(void*)GetProcAddress(GetModuleHandleA("ntdll"), "__wine_unix_spawnvp");
    if (!toUnix || !spawn) return Fail("rrdtool.exe: runs only under Wine\n");

    const std::string files[3] = {TempFile(), TempFile(), TempFile()};
    std::vector<std::string> args = {"/bin/sh", "-c", kScript, kProgram};
    for (const std::string& file : files) {
        const std::string unixPath = file.empty() ? "" : UnixPath(toUnix, file.c_str());
        if (unixPath.empty()) return Fail("rrdtool.exe: no temporary file\n");
        args.push_back(unixPath);
    }
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        std::string translated = IsWindowsPath(arg) ? UnixPath(toUnix, arg) : std::string(arg);
        args.push_back(translated.empty() ? std::string(arg) : translated);
    }
    std::vector<char*> unixArgv;
    for (std::string& arg : args) unixArgv.push_back(&arg[0]);
    unixArgv.push_back(nullptr);

    int code = 2;
    if (spawn(unixArgv.data(), 1) == 0) {
        Pass(files[0], STD_OUTPUT_HANDLE);
        Pass(files[1], STD_ERROR_HANDLE);
        FILE* in = fopen(files[2].c_str(), "rb");
        if (in) {
            if (fscanf(in, "%d", &code) != 1) code = 2;
            fclose(in);
        }
    } else {
        Fail("rrdtool.exe: /usr/bin/rrdtool could not be started\n");
    }
    for (const std::string& file : files) DeleteFileA(file.c_str());
    return code;
}
