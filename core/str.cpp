// String helpers of the library: case-insensitive search and comparison by the Windows ANSI
// code page, bounded copies, wildcard matching, blank removal and code-page conversion.
#include "core/str.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// A heap copy of at most n characters of text, upper-cased by the ANSI code page; null when
// the memory cannot be had. The caller frees it.
static char* UpperCopy(const char* text, size_t n)
{
    if (!text) text = "";
    const size_t length = strnlen(text, n);
    char* copy = (char*)malloc(length + 1);
    if (!copy) return nullptr;
    memcpy(copy, text, length);
    copy[length] = 0;
    if (length > 0) CharUpperBuffA(copy, (DWORD)length);
    return copy;
}

static char UpperChar(char c)
{
    // CharUpperA takes a single character in the low word of its argument.
    return (char)(BYTE)(ULONG_PTR)CharUpperA((LPSTR)(ULONG_PTR)(BYTE)c);
}

char* STR_str(const char* text, const char* part)
{
    if (!text || !part) return nullptr;
    char* upperText = UpperCopy(text, (size_t)-1);
    char* upperPart = UpperCopy(part, (size_t)-1);
    char* result = nullptr;
    if (upperText && upperPart) {
        const char* hit = strstr(upperText, upperPart);
        // Upper-casing keeps every character in place, so the offset holds for the original.
        if (hit) result = (char*)text + (hit - upperText);
    }
    free(upperText);
    free(upperPart);
    return result;
}

static int CompareUpper(const char* a, const char* b, size_t n)
{
    char* upperA = UpperCopy(a, n);
    char* upperB = UpperCopy(b, n);
    int result = -1;
    if (upperA && upperB) result = lstrcmpA(upperA, upperB);
    free(upperA);
    free(upperB);
    return result;
}

int STR_cmp(const char* a, const char* b) { return CompareUpper(a, b, (size_t)-1); }

int STR_ncmp(const char* a, const char* b, int n)
{
    return CompareUpper(a, b, n > 0 ? (size_t)n : 0);
}

char* STR_ncpy(char* dest, const char* source, int n)
{
    if (!dest) return dest;
    if (n < 0) n = 0;
    if (!source) source = "";
    // Like strncpy: the rest up to n is zero; unlike it, position n is always the terminator.
    size_t i = 0;
    for (; i < (size_t)n && source[i]; ++i) dest[i] = source[i];
    for (; i <= (size_t)n; ++i) dest[i] = 0;
    return dest;
}

int STR_wildcmp(const char* text, const char* pattern)
{
    if (!text || !pattern) return -1;
    for (; *text && *pattern; ++text, ++pattern) {
        if (*pattern != '?' && *pattern != *text) return -1;
    }
    return (*text == 0 && *pattern == 0) ? 0 : -1;
}

// "?" takes one character, "*" any run (also none), every other character must equal the
// text's character after upper-casing. The scan keeps only the most recent "*" to fall back
// to: a later star can cover everything an earlier one could, so this gives the same answer
// as trying every split recursively, but in time proportional to text times pattern length
// and with no recursion depth that a long text or a pattern full of stars could exhaust.
int STR_WildcardMatch(const char* text, const char* pattern)
{
    if (!text || !pattern) return 0;
    const char* t = text;
    const char* p = pattern;
    const char* starPattern = nullptr;  // the pattern just after the last "*"
    const char* starText = nullptr;     // where the text stood when that star took nothing
    while (*t) {
        if (*p == '*') {
            starPattern = ++p;
            starText = t;
        } else if (*p && (*p == '?' || UpperChar(*p) == UpperChar(*t))) {
            ++p;
            ++t;
        } else if (starPattern) {
            // The last star takes one more character of the text.
            p = starPattern;
            t = ++starText;
        } else {
            return 0;
        }
    }
    while (*p == '*') ++p;
    return *p == 0 ? 1 : 0;
}

char* STR_RemoveSpaces(char* buffer, int mode)
{
    if (!buffer) return buffer;
    const size_t length = strlen(buffer);
    size_t out = 0;
    if (mode == 0) {
        for (size_t i = 0; i < length; ++i) {
            if (buffer[i] != ' ') buffer[out++] = buffer[i];
        }
        buffer[out] = 0;
        return buffer;
    }
    // A run of blanks goes when it starts or ends the text, follows a comma or precedes one;
    // that is the result of trimming and then deleting blanks of " ," and ", " until none is
    // left, done in one pass.
    size_t i = 0;
    while (i < length) {
        if (buffer[i] != ' ') {
            buffer[out++] = buffer[i++];
            continue;
        }
        size_t end = i;
        while (end < length && buffer[end] == ' ') ++end;
        const bool atStart = (i == 0);
        const bool atEnd = (end == length);
        const bool afterComma = (i > 0 && buffer[i - 1] == ',');
        const bool beforeComma = (end < length && buffer[end] == ',');
        if (!atStart && !atEnd && !afterComma && !beforeComma) {
            for (size_t k = i; k < end; ++k) buffer[out++] = ' ';
        }
        i = end;
    }
    buffer[out] = 0;
    return buffer;
}

// The name of a conversion failure, for the error text.
static void FormatConversionError(char* errorText, const char* function, UINT codePage)
{
    if (!errorText) return;
    const DWORD error = GetLastError();
    char number[16];
    const char* name;
    switch (error) {
    case ERROR_INVALID_PARAMETER: name = "missing"; break;
    case ERROR_INSUFFICIENT_BUFFER: name = "ERROR_INSUFFICIENT_BUFFER"; break;
    case ERROR_INVALID_FLAGS: name = "ERROR_INVALID_FLAGS"; break;
    case ERROR_NO_UNICODE_TRANSLATION: name = "ERROR_NO_UNICODE_TRANSLATION"; break;
    default:
        snprintf(number, sizeof(number), "%d", (int)error);
        name = number;
        break;
    }
    snprintf(errorText, STR_ERROR_TEXT_SIZE, "%s error %s codepage %d", function, name,
             (int)codePage);
}

wchar_t* STR_c2w(wchar_t* wide, int wideSize, const char* text, int length, UINT codePage,
                 char* errorText)
{
    if (!wide) return wide;
    if (!text) text = "";
    const size_t count = length > 0 ? strnlen(text, (size_t)length) : strlen(text);
    char* copy = (char*)malloc(count + 1);
    int converted = 0;
    if (copy) {
        memcpy(copy, text, count);
        copy[count] = 0;
        // Invalid input is reported rather than silently replaced, so that STR_c2c can keep
        // a text that is not in the code page it was said to be in.
        converted = wideSize > 0 ? MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, copy,
                                                       -1, wide, wideSize)
                                 : 0;
        if (converted == 0) {
            if (wideSize <= 0) SetLastError(ERROR_INSUFFICIENT_BUFFER);
            FormatConversionError(errorText, "MultiByteToWideChar", codePage);
        }
        free(copy);
    } else {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        FormatConversionError(errorText, "MultiByteToWideChar", codePage);
    }
    if (converted == 0 && wideSize > 0) wide[0] = 0;
    return wide;
}

char* STR_w2c(char* buffer, int size, const wchar_t* wide, int length, UINT codePage,
              char* errorText)
{
    if (!buffer || size <= 0) return buffer;
    if (!wide) wide = L"";
    const size_t count = length > 0 ? wcsnlen(wide, (size_t)length) : wcslen(wide);
    buffer[0] = 0;
    if (count == 0) return buffer;
    wchar_t* copy = (wchar_t*)malloc((count + 1) * sizeof(wchar_t));
    if (!copy) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        FormatConversionError(errorText, "WideCharToMultiByte", codePage);
        return buffer;
    }
    memcpy(copy, wide, count * sizeof(wchar_t));
    copy[count] = 0;
    int written = 0;
    if (size > 1) {
        written = WideCharToMultiByte(codePage, 0, copy, (int)count, buffer, size - 1, nullptr,
                                      nullptr);
    } else {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    }
    if (written <= 0) {
        FormatConversionError(errorText, "WideCharToMultiByte", codePage);
        written = 0;
    }
    buffer[written] = 0;
    free(copy);
    return buffer;
}

char* STR_c2c(char* output, int size, UINT outCodePage, const char* input, UINT inCodePage,
              char* errorText)
{
    if (!input) input = "";
    if (!output || size <= 0) return (char*)input;
    if (outCodePage == inCodePage) {
        if (output != input) STR_ncpy(output, input, size - 1);
        return output;
    }
    // Work on copies so that a conversion in place, or one that fails half-way, never leaves
    // the caller's text half-written.
    const size_t length = strlen(input);
    char* source = (char*)malloc(length + 1);
    wchar_t* wide = (wchar_t*)malloc(2 * length + 4);
    char* converted = (char*)malloc((size_t)size);
    char ownError[STR_ERROR_TEXT_SIZE];
    char* error = errorText ? errorText : ownError;
    error[0] = 0;
    bool ok = false;
    if (source && wide && converted) {
        memcpy(source, input, length + 1);
        STR_c2w(wide, (int)(length + 2), source, 0, inCodePage, error);
        if (error[0] == 0) {
            STR_w2c(converted, size, wide, 0, outCodePage, error);
            ok = (error[0] == 0);
        }
    } else {
        snprintf(error, STR_ERROR_TEXT_SIZE, "out of memory");
    }
    char* result;
    if (ok) {
        memcpy(output, converted, strlen(converted) + 1);
        result = output;
    } else {
        STR_ncpy(output, source ? source : input, size - 1);
        result = (char*)input;
    }
    free(source);
    free(wide);
    free(converted);
    return result;
}

int STR_isUTF8(const char* text)
{
    if (!text) return 0;
    int expected = 0;  // continuation bytes still to come in the current sequence
    int complete = 0;
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
        const unsigned char c = *p;
        if (expected == 0) {
            if ((c & 0xE0) == 0xC0) expected = 1;
            else if ((c & 0xF0) == 0xE0) expected = 2;
            else if ((c & 0xF8) == 0xF0) expected = 3;
            continue;
        }
        if ((c & 0xC0) != 0x80) return 0;
        if (--expected == 0) complete = 1;
    }
    return complete;
}
