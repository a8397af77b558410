// Test helper: writes its own command line to the file named by the environment variable
// CUSTOR_ARGECHO_OUT and ends. Tests register it as the program that opens a file type to see
// exactly what command line the watchdog starts.
#include <windows.h>
#include <stdio.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char out[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("CUSTOR_ARGECHO_OUT", out, sizeof(out));
    if (n == 0 || n >= sizeof(out)) return 1;
    // Written under a temporary name and renamed, so a reader never sees half a line.
    char temporary[MAX_PATH + 8];
    snprintf(temporary, sizeof(temporary), "%s$$$", out);
    FILE* f = fopen(temporary, "wb");
    if (!f) return 1;
    fputs(GetCommandLineA(), f);
    fclose(f);
    return MoveFileExA(temporary, out, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
