#pragma once
// String helpers of the library: case-insensitive search and comparison by the Windows ANSI
// code page (CharUpperA), bounded copies, wildcard matching and code-page conversion.
#include <windows.h>
#include "core/export.h"

// Case-insensitive search of part in text; points into text at the match, or null.
CUSTOR_C char* STR_str(const char* text, const char* part);
// Case-insensitive comparison (lstrcmpA of upper-cased copies); -1 when a copy cannot be made.
CUSTOR_C int STR_cmp(const char* a, const char* b);
// STR_cmp on the first n characters of each.
CUSTOR_C int STR_ncmp(const char* a, const char* b, int n);
// Copies at most n characters and always terminates at position n: dest holds n + 1 bytes.
CUSTOR_C char* STR_ncpy(char* dest, const char* source, int n);
// 0 when text and pattern have the same length and every pattern character is equal or "?".
CUSTOR_C int STR_wildcmp(const char* text, const char* pattern);
// 1 when the whole text matches the pattern of "?" and "*" (case-insensitive), else 0.
CUSTOR_C int STR_WildcardMatch(const char* text, const char* pattern);
// mode != 0: trims blanks and blanks around commas; mode 0: removes every blank.
CUSTOR_C char* STR_RemoveSpaces(char* buffer, int mode);

// Error texts of the conversions are written with at most STR_ERROR_TEXT_SIZE bytes.
enum { STR_ERROR_TEXT_SIZE = 100 };
CUSTOR_C wchar_t* STR_c2w(wchar_t* wide, int wideSize, const char* text, int length,
                          UINT codePage, char* errorText);
CUSTOR_C char* STR_w2c(char* buffer, int size, const wchar_t* wide, int length, UINT codePage,
                       char* errorText);
CUSTOR_C char* STR_c2c(char* output, int size, UINT outCodePage, const char* input,
                       UINT inCodePage, char* errorText);
// 1 when the text holds a complete UTF-8 multi-byte sequence and nothing that breaks one.
CUSTOR_C int STR_isUTF8(const char* text);
