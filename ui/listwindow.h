#pragma once
// TOwnListWindow: the library's multi-column list over a report-style list-view control that
// it paints itself. It keeps its own copy of every line (column texts, key, log-line number,
// colour word) in a chain in insertion order; the chain position is the line's index, the
// list-view position the row. It tells its parent about clicks and keys with posted notices
// (wParam the list's identifier): MSG_LIST_SELECT, _ACTIVATE, _CONTEXT, _DELETE, _FOCUS, _SIZED.
//
// The list-view control sends its drawing requests to its parent: the parent's window
// procedure hands WM_DRAWITEM for the list's identifier to DrawItem.
#include <windows.h>
#include "core/export.h"

enum { LIST_MAX_COLUMNS = 20, LIST_TEXT_SIZE = 260, LIST_MARKER_SIZE = 100 };

// List flags given at construction.
enum {
    LIST_FLAG_KEYBOARD_HOOK = 0x01,   // Delete, F1 and F5 through a thread keyboard hook
    LIST_FLAG_STRIPED = 0x02,         // lines alternate in pairs with the button face colour
    LIST_FLAG_ALTERNATE_BIT = 0x04,   // colour bit 0x40 gives the button face background
    LIST_FLAG_SINGLE_SELECTION = 0x08,
    LIST_FLAG_STORE_WIDTHS = 0x10,    // column widths kept in the registry
    LIST_FLAG_DELETE_TARGET = 0x20,   // the parent gets the hook's Delete notice, no hook
};

// Colour word: text colour index in the low four bits, then the style bits.
enum {
    LIST_COLOUR_INDEX = 0x000F,
    LIST_BLUE_BACKGROUND = 0x0010,
    LIST_RED_BACKGROUND = 0x0020,
    LIST_ALTERNATE_BACKGROUND = 0x0040,
    LIST_BOLD = 0x0080,
    LIST_MARKED = 0x0100,  // set while painting when the marker text is in the line
};

// The text colour of a colour index (0 and 15: the system's window text colour).
COLORREF ListColour_OfIndex(int index);
// Fits text into width pixels of dc's font, keeping 4 pixels spare: unchanged when it fits,
// else shortened at the end (or, atFront, at the front) with "..". True when shortened.
bool ListText_Fit(HDC dc, const char* text, int width, bool atFront, char* out, int outSize);

struct OWN_LIST_LINE;

class CUSTOR_API TOwnListWindow {
public:
    TOwnListWindow(HWND parent, unsigned flags, int columns, int id, int x, int y, int width,
                   int height);
    virtual ~TOwnListWindow();

    // Creates the list-view control as a child of the parent and sets it up; null on failure.
    HWND Create();
    HWND GetHandle() const { return hwnd_; }
    bool InsertColumn(int column, const char* header, int width, int format = 0);

    void SetupWindow();
    void SetHookHwnd(HWND target, HWND watched1, HWND watched2);
    // Stores the column widths (flag 0x10); always agrees to close.
    virtual bool CanClose();
    void LoadColumnWidth();
    // Paints one line; the parent calls it for WM_DRAWITEM of this list.
    void DrawItem(const DRAWITEMSTRUCT* item);

    // Inserts a line at row = key with the given texts (null texts allowed); false when a copy
    // could not be allocated (nothing is inserted then).
    bool InsertLine(int key, int logLine, unsigned short colourWord, const char* const* texts,
                    int textCount);
    bool InsertLine(int key, int logLine, unsigned short colourWord, const char* text0,
                    const char* text1 = nullptr, const char* text2 = nullptr);
    bool InsertImageLine(int key, const char* text0, int image, const char* text1);
    bool DeleteAllItems();
    bool DeleteAnItem(int key);
    bool DeleteFiveItem();
    int GetLineCount() const { return lineCount_; }

    // The stored text; "" when the line, the column or the text does not exist.
    const char* GetColumnText(int index, int column) const;
    bool SetColumnText(int index, int column, const char* text);
    bool SetColor(int index, unsigned short colourWord, bool adjustBlank = false);
    unsigned short GetColor(int index) const;
    unsigned short GetColorbyIndex(int index) const;
    unsigned short GetFocusColor() const;  // 255 when no row has the focus

    int GetIndexbyData(int key) const;
    int GetLogLine(int key) const;
    int GetIndexbyLine(int row) const;
    int GetLinebyIndex(int index) const;
    int GetLinebyContent(int column, const char* text) const;
    int GetLastLinebyContent(int column, const char* text) const;
    int GetIndexbyContent(int column, const char* text) const;
    int GetString_(char* buffer, int size, int row, int column) const;

    BOOL SetSel(int row, bool ensureVisible, bool focusOnly, bool select);
    int GetSelIndexes(int* rows, int maximum) const;
    void SetSelIndexes(const int* rows, int count);
    int GetSelCount() const;
    int GetSelIndex(int startRow, int* row) const;
    int GetFocusIndex(int* row) const;

    void SetMarkText(const char* text);

private:
    OWN_LIST_LINE* LineAt(int index) const;
    OWN_LIST_LINE* LineOfKey(int key, int* index) const;
    void RepaintLine(int index, bool erase);
    // The list-view side of a line; each does nothing while there is no control.
    void InsertItem(const OWN_LIST_LINE* line, int image = -1);
    int RowOf(const OWN_LIST_LINE* line) const;
    bool KeyOfRow(int row, int* key) const;
    void SetItemText(const OWN_LIST_LINE* line, int column);
    bool AppendLine(OWN_LIST_LINE* line, int image);
    // Re-inserts the lines that keep() accepts, in chain order, keyed 0, 1 ...; frees the rest.
    void Rebuild(bool (*keep)(const OWN_LIST_LINE* line, int index, int count, int arg), int arg);

    // Messages of the control itself (list_input.cpp).
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void Notify(UINT notice, WPARAM wParam, LPARAM lParam) const;
    int ColumnAtX(int x, int columnLimit) const;
    void RepaintSelection();
    void UpdateTooltip(int x, int y);
    void RemoveTooltip();
    static LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam);

    HWND parent_;
    HWND hwnd_ = nullptr;
    WNDPROC controlProc_ = nullptr;
    unsigned flags_;
    int columns_;
    int id_;
    int x_, y_, width_, height_;
    COLORREF normalBackground_, alternateBackground_;
    OWN_LIST_LINE* first_ = nullptr;
    OWN_LIST_LINE* last_ = nullptr;
    int lineCount_ = 0;
    int lastTextCount_ = 0;
    int lastSelection_ = -1;
    char marker_[LIST_MARKER_SIZE] = "";
    int tipIndex_ = -1, tipColumn_ = -1;
    char tipText_[LIST_TEXT_SIZE] = "";
    HWND tooltip_ = nullptr;
    bool isXP_ = false;
    HWND deleteTarget_ = nullptr;
    HWND hookTarget_ = nullptr, hookWatched1_ = nullptr, hookWatched2_ = nullptr;
};
