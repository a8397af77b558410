#pragma once
// One line of a TOwnListWindow: its own copies of up to 20 column texts, the key it carries as
// list-view item data, the owner's log-line number and the colour word. Lines form a singly
// linked chain in insertion order.
#include <stddef.h>
#include "ui/listwindow.h"

struct OWN_LIST_LINE {
    // Absent texts are null. Every copy is two bytes longer than its text, so one blank can
    // be appended in place; textSizes holds the bytes allocated for each copy.
    char* texts[LIST_MAX_COLUMNS];
    size_t textSizes[LIST_MAX_COLUMNS];
    int lineKey;
    int logLine;
    unsigned short colourWord;
    OWN_LIST_LINE* next;
};

// Where line records and text copies come from. Tests replace it to make an allocation fail
// or to check that every copy is released; ListLine_UseDefaultMemory puts malloc/free back.
struct LIST_LINE_MEMORY {
    void* (*allocate)(size_t size);
    void (*release)(void* block);
};
extern LIST_LINE_MEMORY g_listLineMemory;
void ListLine_UseDefaultMemory();

// The colour words that make SetColor add or remove the trailing blank when asked to.
enum {
    LIST_COLOUR_APPEND_BLANK = 0,
    LIST_COLOUR_REMOVE_BLANK = 0x80
};

// A new line with copies of texts[0 .. textCount - 1] (null entries and a null array are
// allowed; texts beyond the 20th are ignored). Null when any allocation fails: whatever was
// copied by then is released.
OWN_LIST_LINE* ListLine_New(int key, int logLine, unsigned short colourWord,
                            const char* const* texts, int textCount);
void ListLine_Free(OWN_LIST_LINE* line);
void ListLine_FreeChain(OWN_LIST_LINE* first);

// Replaces the copy of one column's text (null makes it absent). False when the column is
// outside 0 .. 19 or the new copy cannot be allocated; the old text stays then.
bool ListLine_SetText(OWN_LIST_LINE* line, int column, const char* text);
// Number of texts that are present and not empty.
int ListLine_CountTexts(const OWN_LIST_LINE* line);
// Colour word 0 appends one blank to text 0 unless it already ends with one; colour word
// 0x80 removes one trailing blank. True when text 0 changed.
bool ListLine_AdjustBlank(OWN_LIST_LINE* line, unsigned short colourWord);
