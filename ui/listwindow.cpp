#include "ui/listwindow.h"

#include <commctrl.h>

#include "ui/list_line.h"

namespace {

// List flags given at construction.
const unsigned LIST_FLAG_SINGLE_SELECTION = 0x08;

const char* TextOrEmpty(const char* text)
{
    return text ? text : "";
}

}  // namespace

TOwnListWindow::TOwnListWindow(HWND parent, unsigned flags, int columns, int id, int x, int y,
                               int width, int height)
    : parent_(parent), flags_(flags), columns_(columns), id_(id), x_(x), y_(y), width_(width),
      height_(height)
{
    if (columns_ < 0)
        columns_ = 0;
    if (columns_ > LIST_MAX_COLUMNS)
        columns_ = LIST_MAX_COLUMNS;
}

TOwnListWindow::~TOwnListWindow()
{
    ListLine_FreeChain(first_);
    first_ = last_ = nullptr;
    lineCount_ = 0;
    // The parent may have taken the control with it already.
    if (hwnd_ && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

HWND TOwnListWindow::Create()
{
    if (hwnd_)
        return hwnd_;
    if (!parent_ || !IsWindow(parent_))
        return nullptr;
    // The list-view class is registered by the common controls; doing it here keeps the list
    // usable by any program that forgot to.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT;
    if (flags_ & LIST_FLAG_SINGLE_SELECTION)
        style |= LVS_SINGLESEL;
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(parent_, GWLP_HINSTANCE);
    hwnd_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", style, x_, y_, width_, height_,
                            parent_, (HMENU)(INT_PTR)id_, instance, nullptr);
    if (!hwnd_)
        return nullptr;
    // Lines kept while there was no control are shown now, in the order they came.
    for (const OWN_LIST_LINE* line = first_; line; line = line->next)
        InsertItem(line);
    return hwnd_;
}

bool TOwnListWindow::InsertColumn(int column, const char* header, int width)
{
    if (!hwnd_ || column < 0 || column >= columns_)
        return false;
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = LVCFMT_LEFT;
    info.cx = width > 0 ? width : 0;
    info.pszText = const_cast<char*>(TextOrEmpty(header));
    info.iSubItem = column;
    return SendMessageA(hwnd_, LVM_INSERTCOLUMNA, (WPARAM)column, (LPARAM)&info) >= 0;
}

bool TOwnListWindow::InsertLine(int key, int logLine, unsigned short colourWord,
                                const char* const* texts, int textCount)
{
    OWN_LIST_LINE* line = ListLine_New(key, logLine, colourWord, texts, textCount);
    if (!line)
        return false;
    if (last_)
        last_->next = line;
    else
        first_ = line;
    last_ = line;
    lineCount_++;
    // Finding the clicked column later counts over the texts of the newest line.
    lastTextCount_ = ListLine_CountTexts(line);
    InsertItem(line);
    return true;
}

bool TOwnListWindow::InsertLine(int key, int logLine, unsigned short colourWord,
                                const char* text0, const char* text1, const char* text2)
{
    const char* texts[3] = {text0, text1, text2};
    return InsertLine(key, logLine, colourWord, texts, 3);
}

bool TOwnListWindow::DeleteAllItems()
{
    ListLine_FreeChain(first_);
    first_ = last_ = nullptr;
    lineCount_ = 0;
    lastSelection_ = -1;
    if (!hwnd_)
        return true;
    return SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0) != 0;
}

const char* TOwnListWindow::GetColumnText(int index, int column) const
{
    const OWN_LIST_LINE* line = LineAt(index);
    if (!line || column < 0 || column >= LIST_MAX_COLUMNS)
        return "";
    return TextOrEmpty(line->texts[column]);
}

bool TOwnListWindow::SetColumnText(int index, int column, const char* text)
{
    OWN_LIST_LINE* line = LineAt(index);
    if (!line)
        return false;
    // A column the line cannot hold changes nothing; it is reported as not set.
    if (!ListLine_SetText(line, column, text)) {
        RepaintLine(index, false);
        return false;
    }
    if (column < columns_)
        SetItemText(line, column);
    RepaintLine(index, false);
    return true;
}

bool TOwnListWindow::SetColor(int index, unsigned short colourWord, bool adjustBlank)
{
    OWN_LIST_LINE* line = LineAt(index);
    if (!line)
        return false;
    line->colourWord = colourWord;
    // The control's item text follows text 0, blank included, so both always agree.
    if (adjustBlank && ListLine_AdjustBlank(line, colourWord))
        SetItemText(line, 0);
    RepaintLine(index, true);
    return true;
}

unsigned short TOwnListWindow::GetColor(int index) const
{
    const OWN_LIST_LINE* line = LineAt(index);
    return line ? line->colourWord : 0;
}

OWN_LIST_LINE* TOwnListWindow::LineAt(int index) const
{
    if (index < 0)
        return nullptr;
    OWN_LIST_LINE* line = first_;
    while (line && index-- > 0)
        line = line->next;
    return line;
}

void TOwnListWindow::RepaintLine(int index, bool erase)
{
    const OWN_LIST_LINE* line = LineAt(index);
    int row = line ? RowOf(line) : -1;
    if (row < 0)
        return;
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    if (SendMessageA(hwnd_, LVM_GETITEMRECT, (WPARAM)row, (LPARAM)&bounds))
        InvalidateRect(hwnd_, &bounds, erase);
}

void TOwnListWindow::InsertItem(const OWN_LIST_LINE* line)
{
    if (!hwnd_)
        return;
    // The item goes to row = key; a key past the end (or a negative one, which the control
    // would refuse) appends it, so every line has its item.
    int count = (int)SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0);
    int row = line->lineKey;
    if (row < 0 || row > count)
        row = count;
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<char*>(TextOrEmpty(line->texts[0]));
    item.lParam = (LPARAM)line->lineKey;
    const int inserted = (int)SendMessageA(hwnd_, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (inserted < 0)
        return;
    // The control shows the other columns' texts as well.
    for (int column = 1; column < columns_; ++column)
        if (line->texts[column])
            SetItemText(line, column);
}

// The row whose item data is the line's key; keys are meant to be unique, the first row wins.
int TOwnListWindow::RowOf(const OWN_LIST_LINE* line) const
{
    if (!hwnd_)
        return -1;
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = (LPARAM)line->lineKey;
    return (int)SendMessageA(hwnd_, LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find);
}

void TOwnListWindow::SetItemText(const OWN_LIST_LINE* line, int column)
{
    int row = RowOf(line);
    if (row < 0 || column < 0 || column >= LIST_MAX_COLUMNS)
        return;
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(TextOrEmpty(line->texts[column]));
    SendMessageA(hwnd_, LVM_SETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
}
