// Times one FileSync run of the engine: sync_bench SOURCE DESTINATION mirrors SOURCE\*.*
// into DESTINATION with one rule and prints "seconds copied deleted files" on one line.
#include "core/config.h"
#include "core/host.h"
#include "housekeeping/filesync.h"
#include <windows.h>
#include <stdio.h>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: sync_bench SOURCE DESTINATION\n");
        return 2;
    }
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    char directory[MAX_PATH];
    snprintf(directory, sizeof(directory), "%ssyncbench_%lu\\", temp, GetCurrentProcessId());
    CreateDirectoryA(directory, nullptr);
    Paths_Init((std::string(directory) + "Custor.exe").c_str());
    const std::string ini = std::string("[FileSync]\r\n1=") + argv[1] + "\\*.*, " + argv[2] +
                            "\r\n";
    FILE* f = fopen(g_paths.configFile, "wb");
    if (!f) return 1;
    fputs(ini.c_str(), f);
    fclose(f);

    FILESYNC_ORDER order = {};
    order.kind = 2;
    order.active = true;
    FILESYNC_COUNTS counts = {};
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const bool ok = FileSync_Run(order, false, &counts);
    QueryPerformanceCounter(&end);
    printf("%.2f %d %d %d\n", (double)(end.QuadPart - start.QuadPart) / frequency.QuadPart,
           (int)counts.copied, (int)counts.deleted, (int)counts.filesSeen);
    DeleteFileA(g_paths.configFile);
    RemoveDirectoryA(directory);
    return ok ? 0 : 1;
}
