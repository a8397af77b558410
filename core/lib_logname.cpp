// Where log files go: the installation may collect the logs of all the maker's programs in one
// directory, named by [Common] "LogDirectory" in the machine-wide TARNWELL.INI (Windows
// directory) or, taking precedence, in the tarnwell.ini beside the program.
#include "core/lib.h"

#include <stdio.h>

char* LIB_Logname(char* destination, const char* programDirectory, const char* logDirectory,
                  const char* fileName)
{
    if (!destination) return destination;
    if (!programDirectory) programDirectory = "";
    if (!logDirectory) logDirectory = "";
    if (!fileName) fileName = "";
    char common[MAX_PATH];
    GetPrivateProfileStringA("Common", "LogDirectory", "", common, sizeof(common),
                             "TARNWELL.INI");
    char localIni[MAX_PATH];
    char directory[MAX_PATH];
    const int n = snprintf(localIni, sizeof(localIni), "%starnwell.ini", programDirectory);
    if (n >= 0 && (size_t)n < sizeof(localIni)) {
        GetPrivateProfileStringA("Common", "LogDirectory", common, directory, sizeof(directory),
                                 localIni);
    } else {
        snprintf(directory, sizeof(directory), "%s", common);
    }
    // The configured directory ends with a backslash, as the configuration asks of it.
    snprintf(destination, MAX_PATH, "%s%s", directory[0] ? directory : logDirectory, fileName);
    return destination;
}
