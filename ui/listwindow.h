#pragma once
// TOwnListWindow: the library's multi-column list over a report-style list-view control. It
// keeps its own copy of every line (column texts, key, log-line number, colour word) in a
// chain in insertion order; the chain position is the line's index.
#include <windows.h>
#include "core/export.h"

enum { LIST_MAX_COLUMNS = 20 };

struct OWN_LIST_LINE;

class CUSTOR_API TOwnListWindow {
public:
    TOwnListWindow(HWND parent, unsigned flags, int columns, int id, int x, int y, int width,
                   int height);
    ~TOwnListWindow();

    // Creates the list-view control as a child of the parent; null on failure.
    HWND Create();
    HWND GetHandle() const { return hwnd_; }
    bool InsertColumn(int column, const char* header, int width);

    // Inserts a line at row = key with the given texts (null texts allowed); false when a copy
    // could not be allocated (nothing is inserted then).
    bool InsertLine(int key, int logLine, unsigned short colourWord, const char* const* texts,
                    int textCount);
    bool InsertLine(int key, int logLine, unsigned short colourWord, const char* text0,
                    const char* text1 = nullptr, const char* text2 = nullptr);
    bool DeleteAllItems();
    int GetLineCount() const { return lineCount_; }
    // The stored text; "" when the line, the column or the text does not exist.
    const char* GetColumnText(int index, int column) const;
    bool SetColumnText(int index, int column, const char* text);
    bool SetColor(int index, unsigned short colourWord, bool adjustBlank = false);
    unsigned short GetColor(int index) const;

private:
    OWN_LIST_LINE* LineAt(int index) const;
    void RepaintLine(int index, bool erase);
    // The list-view side of a line; each does nothing while there is no control.
    void InsertItem(const OWN_LIST_LINE* line);
    int RowOf(const OWN_LIST_LINE* line) const;
    // Shows a column's text in the control's row of the line.
    void SetItemText(const OWN_LIST_LINE* line, int column);

    HWND parent_;
    HWND hwnd_ = nullptr;
    unsigned flags_;
    int columns_;
    int id_;
    int x_, y_, width_, height_;
    OWN_LIST_LINE* first_ = nullptr;
    OWN_LIST_LINE* last_ = nullptr;
    int lineCount_ = 0;
    int lastTextCount_ = 0;
    int lastSelection_ = -1;
};
