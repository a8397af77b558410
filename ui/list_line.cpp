#include "ui/list_line.h"

#include <stdlib.h>
#include <string.h>

LIST_LINE_MEMORY g_listLineMemory = {malloc, free};

void ListLine_UseDefaultMemory()
{
    g_listLineMemory.allocate = malloc;
    g_listLineMemory.release = free;
}

namespace {

// A copy of text in a block two bytes longer than the text; null when it cannot be made.
char* CopyText(const char* text, size_t* size)
{
    size_t length = strlen(text);
    if (length > (size_t)-1 - 2)
        return nullptr;
    char* copy = (char*)g_listLineMemory.allocate(length + 2);
    if (!copy)
        return nullptr;
    memcpy(copy, text, length + 1);
    copy[length + 1] = '\0';
    *size = length + 2;
    return copy;
}

bool ValidColumn(int column)
{
    return column >= 0 && column < LIST_MAX_COLUMNS;
}

}  // namespace

OWN_LIST_LINE* ListLine_New(int key, int logLine, unsigned short colourWord,
                            const char* const* texts, int textCount)
{
    OWN_LIST_LINE* line = (OWN_LIST_LINE*)g_listLineMemory.allocate(sizeof(OWN_LIST_LINE));
    if (!line)
        return nullptr;
    memset(line, 0, sizeof(*line));
    line->lineKey = key;
    line->logLine = logLine;
    line->colourWord = colourWord;
    if (!texts || textCount < 0)
        textCount = 0;
    if (textCount > LIST_MAX_COLUMNS)
        textCount = LIST_MAX_COLUMNS;
    for (int column = 0; column < textCount; column++) {
        if (!texts[column])
            continue;
        line->texts[column] = CopyText(texts[column], &line->textSizes[column]);
        if (!line->texts[column]) {
            ListLine_Free(line);
            return nullptr;
        }
    }
    return line;
}

void ListLine_Free(OWN_LIST_LINE* line)
{
    if (!line)
        return;
    for (int column = 0; column < LIST_MAX_COLUMNS; column++)
        if (line->texts[column])
            g_listLineMemory.release(line->texts[column]);
    g_listLineMemory.release(line);
}

void ListLine_FreeChain(OWN_LIST_LINE* first)
{
    while (first) {
        OWN_LIST_LINE* next = first->next;
        ListLine_Free(first);
        first = next;
    }
}

bool ListLine_SetText(OWN_LIST_LINE* line, int column, const char* text)
{
    if (!line || !ValidColumn(column))
        return false;
    char* copy = nullptr;
    size_t size = 0;
    if (text) {
        copy = CopyText(text, &size);
        if (!copy)
            return false;
    }
    if (line->texts[column])
        g_listLineMemory.release(line->texts[column]);
    line->texts[column] = copy;
    line->textSizes[column] = size;
    return true;
}

int ListLine_CountTexts(const OWN_LIST_LINE* line)
{
    int count = 0;
    for (int column = 0; line && column < LIST_MAX_COLUMNS; column++)
        if (line->texts[column] && line->texts[column][0])
            count++;
    return count;
}

bool ListLine_AdjustBlank(OWN_LIST_LINE* line, unsigned short colourWord)
{
    if (!line || !line->texts[0])
        return false;
    char* text = line->texts[0];
    size_t length = strlen(text);
    bool endsWithBlank = length > 0 && text[length - 1] == ' ';
    if (colourWord == LIST_COLOUR_APPEND_BLANK && !endsWithBlank) {
        // The copy was made two bytes longer than its text; removing blanks only shortens
        // it, so the room for this one blank is always there. Checked all the same.
        if (length + 2 > line->textSizes[0])
            return false;
        text[length] = ' ';
        text[length + 1] = '\0';
        return true;
    }
    if (colourWord == LIST_COLOUR_REMOVE_BLANK && endsWithBlank) {
        text[length - 1] = '\0';
        return true;
    }
    return false;
}
