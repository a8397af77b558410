// A program of another installation component: it links only against Custor.exe's import
// library and calls the file and time families through the program's exports. Usage:
//   exportclient <work directory> <result file>
// It writes one line per call to the result file; the export test compares them.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "housekeeping/file_lib.h"
#include "housekeeping/time_lib.h"

namespace {

// Wine maps an EXE that another program imports from, but leaves that EXE's own imports
// unresolved (Windows resolves them). Fills them in the way the loader would, once.
void ResolveImportsOf(HMODULE module)
{
    BYTE* base = (BYTE*)module;
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress) return;
    const ULONGLONG imageSize = nt->OptionalHeader.SizeOfImage;
    for (IMAGE_IMPORT_DESCRIPTOR* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + directory.VirtualAddress);
         d->Name; ++d) {
        HMODULE dll = LoadLibraryA((const char*)(base + d->Name));
        if (!dll) continue;
        IMAGE_THUNK_DATA* names =
            (IMAGE_THUNK_DATA*)(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        IMAGE_THUNK_DATA* slots = (IMAGE_THUNK_DATA*)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            // Resolved slots hold addresses far outside the image's own range.
            if (slots->u1.Function >= imageSize) continue;
            FARPROC function = IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)
                                   ? GetProcAddress(dll, (LPCSTR)IMAGE_ORDINAL(names->u1.Ordinal))
                                   : GetProcAddress(dll, (const char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name);
            if (!function) continue;
            DWORD old;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old);
            slots->u1.Function = (ULONGLONG)function;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
        }
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 3) return 2;
    ResolveImportsOf(GetModuleHandleA("Custor.exe"));
    const char* work = __argv[1];
    FILE* result = fopen(__argv[2], "wb");
    if (!result) return 3;

    char folder[MAX_PATH], source[MAX_PATH], copy[MAX_PATH];
    snprintf(folder, sizeof(folder), "%s\\made\\by\\client", work);
    fprintf(result, "DirectoryTest %d\n", FILE_DirectoryTest(folder, 2));
    snprintf(source, sizeof(source), "%s\\source.txt", folder);
    FILE* stream = FILE_fopen(source, "wb", TRUE);
    if (stream) fputs("written by the client", stream);
    FILE_fclose(&stream);
    fprintf(result, "GetSize %lu\n", FILE_GetSize(source));
    snprintf(copy, sizeof(copy), "%s\\copy.txt", folder);
    DWORD size = 0;
    const int copied = FILE_Copy(copy, source, 0, TRUE, FALSE, &size, FALSE);
    fprintf(result, "Copy %d %lu\n", copied, size);
    fprintf(result, "Compare %d\n", FILE_Compare(copy, source));
    char name[MAX_PATH];
    FILE_FindNewNameLong(name, folder, "copy", "txt");
    fprintf(result, "FindNewNameLong %s\n", strrchr(name, '\\') ? strrchr(name, '\\') + 1 : name);
    fprintf(result, "DelFullTree %d\n", FILE_DelFullTree(folder, TRUE));

    TIME_FTIME stamp = {0, 0};
    const BOOL decoded = TIME_DecodeRFCDate(&stamp, "Tue, 5 Mar 2024 14:07:09 EST", FALSE, FALSE);
    TIME_DATE date;
    TIME_TIME time;
    TIME_ffblk2struct(&date, &time, stamp.date, stamp.time);
    char text[TIME_TEXT_SIZE];
    fprintf(result, "DecodeRFCDate %d %s\n", decoded, TIME_struct2string(0x03, text, &date, &time));
    fprintf(result, "struct2string %s\n", TIME_struct2string(0x61, text, &date, &time));
    fprintf(result, "GetEnglishMonth %s\n", TIME_GetEnglishMonth(12));
    // 2024-03-05 13:07:10 UTC as a FILETIME, through the export with the decorated name.
    const ULONGLONG ticks = 1709644030ULL * 10000000ULL + 116444736000000000ULL;
    FILETIME fileTime = {(DWORD)ticks, (DWORD)(ticks >> 32)};
    TIME_filetime2ftime(&stamp, &fileTime);
    fprintf(result, "filetime2ftime %lld\n", (long long)TIME_ftime2unix(&stamp));
    fprintf(result, "zoneDelay %d\n", TIME_zoneDelay == TIME_GetMyTimeZoneDelay());
    fclose(result);
    return 0;
}
