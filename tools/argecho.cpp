// Test helper: writes its own command line to the file named by the environment variable
// CUSTOR_ARGECHO_OUT and ends. Tests register it as the program that opens a file type to see
// exactly what command line the watchdog starts.
// Optional, also through the environment (a started program inherits it):
//   CUSTOR_ARGECHO_CWD   a second file that receives the current directory it was started in
//   CUSTOR_ARGECHO_EXIT  its exit code (decimal) when everything was written
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

// Writes text under a temporary name and renames it, so a reader never sees half a line.
static bool WriteWhole(const char* path, const char* text)
{
    char temporary[MAX_PATH + 8];
    snprintf(temporary, sizeof(temporary), "%s$$$", path);
    FILE* f = fopen(temporary, "wb");
    if (!f) return false;
    fputs(text, f);
    fclose(f);
    return MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING) != 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char out[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("CUSTOR_ARGECHO_OUT", out, sizeof(out));
    if (n == 0 || n >= sizeof(out)) return 1;

    char cwdFile[MAX_PATH];
    const DWORD c = GetEnvironmentVariableA("CUSTOR_ARGECHO_CWD", cwdFile, sizeof(cwdFile));
    if (c > 0 && c < sizeof(cwdFile)) {
        char directory[MAX_PATH] = "";
        const DWORD d = GetCurrentDirectoryA(sizeof(directory), directory);
        if (d == 0 || d >= sizeof(directory) || !WriteWhole(cwdFile, directory)) return 1;
    }
    // The command line last: a test that sees it knows the other file is complete.
    if (!WriteWhole(out, GetCommandLineA())) return 1;

    char exitText[16];
    const DWORD e = GetEnvironmentVariableA("CUSTOR_ARGECHO_EXIT", exitText, sizeof(exitText));
    if (e > 0 && e < sizeof(exitText)) return (int)strtoul(exitText, nullptr, 10);
    return 0;
}
