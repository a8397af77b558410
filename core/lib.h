#pragma once
// Profile, registry, file-name and system helpers of the library. Functions that return a
// static buffer are meant for the window thread only; the next call overwrites the buffer.
#include <windows.h>
#include "core/export.h"

// Registry values live under "Software\Tarnwell\<subKey>" below HKLM (machine) or HKCU.
CUSTOR_C BOOL LIB_WriteRegistryString(const char* subKey, const char* valueName,
                                      const char* value, BOOL machine, BOOL spare,
                                      BOOL showError);
CUSTOR_C BOOL LIB_GetRegistryString(const char* subKey, const char* valueName,
                                    const char* defaultValue, char* buffer, int size,
                                    BOOL machine);
CUSTOR_C BOOL LIB_GetGeneralRegistryString(BOOL machine, const char* keyPath,
                                           const char* valueName, const char* defaultValue,
                                           char* buffer, int size);
CUSTOR_C int LIB_GetGeneralRegistryInt(BOOL machine, const char* keyPath, const char* valueName,
                                       int defaultValue);
CUSTOR_C int LIB_GetRegistryInt(const char* subKey, const char* valueName, int defaultValue);

// Key buffers of the two profile walkers hold LIB_KEY_SIZE bytes (names are cut to fit).
enum { LIB_KEY_SIZE = 100 };
CUSTOR_C BOOL LIB_GetFirstPrivateProfileString(const char* section, char* key,
                                               const char* defaultValue, char* value, int size,
                                               const char* file);
CUSTOR_C BOOL LIB_GetLastPrivateProfileString(const char* section, char* key, char* value,
                                              int size, const char* file);

// The part after the last separator (a pointer into path), or path itself.
CUSTOR_C const char* LIB_Filename(const char* path, char separator);
// Static copy of path up to and including its last "\"; "" without one.
CUSTOR_C char* LIB_sPath(const char* path);
// Static copy of the file name without its extension: C:\FAX\FAXSRV.EXE gives FAXSRV.
CUSTOR_C char* LIB_FilenameBody(const char* path);
// Static copy of the extension of the file name, "" when there is none.
CUSTOR_C char* LIB_FilenameExtension(const char* path);
CUSTOR_C WORD* LIB_memset(WORD* buffer, WORD value, int count);
// Scrambles or unscrambles printable bytes in place (applying it twice restores the text).
CUSTOR_C char* LIB_xor(char* buffer, int length);
CUSTOR_C const char* LIB_GetCountryCode(void);
CUSTOR_C BOOL LIB_isXP(void);
CUSTOR_C DWORD LIB_GetTickCount(void);
// Text of a Win32 or Internet error code (0 = last error); shown in a box unless window is -1.
CUSTOR_C char* LIB_WinApiErrorString(HWND window, DWORD code);
CUSTOR_C int LIB_HelpOpen(HWND window, const char* directory, const char* file,
                          const char* anchor, const char* caption, const char* missingCaption);
// Full path of a log file: the installation's LogDirectory when set, else logDirectory.
// destination holds MAX_PATH bytes.
CUSTOR_C char* LIB_Logname(char* destination, const char* programDirectory,
                           const char* logDirectory, const char* fileName);

// Process helpers of the library.
CUSTOR_C int LIB_ExecuteFile(HWND window, const char* file, const char* noAssocText,
                             const char* notFoundText);
CUSTOR_C int LIB_TestExecuteFile(HWND window, const char* file, const char* text);
// Static buffer: the associated program of the file, "" for EXE and COM files or none.
CUSTOR_C char* LIB_GetFileStarter(const char* file);
CUSTOR_C DWORD LIB_SpawnSynchronized(const char* commandLine);
CUSTOR_C BOOL LIB_TestRunning(const char* titlePart, int mode);
CUSTOR_C BOOL LIB_IsOWLWindow(HWND window);
CUSTOR_C int LIB_SetForegroundWindowHack(HWND window);
CUSTOR_C BOOL LIB_IsNetworkDrive(const char* path, const char* windowTitle);
