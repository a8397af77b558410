#include "ui/listwindow.h"

#include <commctrl.h>

#include "core/lib.h"
#include "core/str.h"
#include "ui/list_line.h"

#include <string.h>

namespace {

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
    normalBackground_ = GetSysColor(COLOR_WINDOW);
    alternateBackground_ = (flags_ & (LIST_FLAG_STRIPED | LIST_FLAG_ALTERNATE_BIT))
                               ? GetSysColor(COLOR_BTNFACE)
                               : normalBackground_;
    isXP_ = LIB_isXP() != FALSE;
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

    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDRAWFIXED;
    if (flags_ & LIST_FLAG_SINGLE_SELECTION)
        style |= LVS_SINGLESEL;
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(parent_, GWLP_HINSTANCE);
    hwnd_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", style, x_, y_, width_, height_,
                            parent_, (HMENU)(INT_PTR)id_, instance, nullptr);
    if (!hwnd_)
        return nullptr;
    SetPropA(hwnd_, "TOwnListWindow", (HANDLE)this);
    controlProc_ = (WNDPROC)SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, (LONG_PTR)ControlProc);
    SetupWindow();
    // Lines kept while there was no control are shown now, in the order they came.
    for (const OWN_LIST_LINE* line = first_; line; line = line->next)
        InsertItem(line);
    return hwnd_;
}

bool TOwnListWindow::InsertColumn(int column, const char* header, int width, int format)
{
    if (!hwnd_ || column < 0 || column >= columns_)
        return false;
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = format;
    info.cx = width > 0 ? width : 0;
    info.pszText = const_cast<char*>(TextOrEmpty(header));
    info.iSubItem = column;
    return SendMessageA(hwnd_, LVM_INSERTCOLUMNA, (WPARAM)column, (LPARAM)&info) >= 0;
}

bool TOwnListWindow::AppendLine(OWN_LIST_LINE* line, int image)
{
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
    InsertItem(line, image);
    return true;
}

bool TOwnListWindow::InsertLine(int key, int logLine, unsigned short colourWord,
                                const char* const* texts, int textCount)
{
    return AppendLine(ListLine_New(key, logLine, colourWord, texts, textCount), -1);
}

bool TOwnListWindow::InsertLine(int key, int logLine, unsigned short colourWord,
                                const char* text0, const char* text1, const char* text2)
{
    const char* texts[3] = {text0, text1, text2};
    return InsertLine(key, logLine, colourWord, texts, 3);
}

bool TOwnListWindow::InsertImageLine(int key, const char* text0, int image, const char* text1)
{
    const char* texts[2] = {text0, text1};
    return AppendLine(ListLine_New(key, 0, 0, texts, 2), image);
}

bool TOwnListWindow::DeleteAllItems()
{
    ListLine_FreeChain(first_);
    first_ = last_ = nullptr;
    lineCount_ = 0;
    lastSelection_ = -1;
    RemoveTooltip();
    if (!hwnd_)
        return true;
    return SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0) != 0;
}

void TOwnListWindow::Rebuild(bool (*keep)(const OWN_LIST_LINE*, int, int, int), int arg)
{
    OWN_LIST_LINE* old = first_;
    const int count = lineCount_;
    first_ = last_ = nullptr;
    lineCount_ = 0;
    lastSelection_ = -1;
    RemoveTooltip();
    if (hwnd_)
        SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0);
    int index = 0, key = 0;
    OWN_LIST_LINE* line = old;
    while (line) {
        OWN_LIST_LINE* next = line->next;
        if (keep(line, index, count, arg)) {
            // The record itself moves over: its texts, log line and colour stay as they were.
            line->next = nullptr;
            line->lineKey = key++;
            AppendLine(line, -1);
        } else {
            ListLine_Free(line);
        }
        line = next;
        ++index;
    }
}

bool TOwnListWindow::DeleteAnItem(int key)
{
    Rebuild([](const OWN_LIST_LINE* line, int, int, int k) { return line->lineKey != k; }, key);
    return true;
}

bool TOwnListWindow::DeleteFiveItem()
{
    if (lineCount_ <= 1)
        return true;
    // The oldest lines go: from index 51 on stay, or only the newest in a short list.
    Rebuild([](const OWN_LIST_LINE*, int index, int count, int) {
        return count > 51 ? index >= 51 : index == count - 1;
    }, 0);
    return true;
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

unsigned short TOwnListWindow::GetColorbyIndex(int index) const
{
    const int rows = hwnd_ ? (int)SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0) : 0;
    for (int row = 0; row < rows; ++row)
        if (GetIndexbyLine(row) == index)
            return GetColor(index);
    return 0;
}

unsigned short TOwnListWindow::GetFocusColor() const
{
    int row = -1;
    const int index = GetFocusIndex(&row);
    return row < 0 ? 255 : GetColor(index);
}

int TOwnListWindow::GetIndexbyData(int key) const
{
    int index = -1;
    return LineOfKey(key, &index) ? index : -1;
}

int TOwnListWindow::GetLogLine(int key) const
{
    const OWN_LIST_LINE* line = LineOfKey(key, nullptr);
    return line ? line->logLine : -1;
}

int TOwnListWindow::GetIndexbyLine(int row) const
{
    int key = 0;
    return KeyOfRow(row, &key) ? GetIndexbyData(key) : -1;
}

int TOwnListWindow::GetLinebyIndex(int index) const
{
    const OWN_LIST_LINE* line = LineAt(index);
    return line ? RowOf(line) : -1;
}

int TOwnListWindow::GetLinebyContent(int column, const char* text) const
{
    const int rows = hwnd_ ? (int)SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0) : 0;
    for (int row = 0; row < rows; ++row)
        if (STR_cmp(GetColumnText(GetIndexbyLine(row), column), TextOrEmpty(text)) == 0)
            return row;
    return -1;
}

int TOwnListWindow::GetLastLinebyContent(int column, const char* text) const
{
    const int rows = hwnd_ ? (int)SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0) : 0;
    for (int row = rows - 1; row >= 0; --row) {
        const int index = GetIndexbyLine(row);
        for (int c = 1; c <= column + 1 && c < LIST_MAX_COLUMNS; ++c)
            if (STR_str(GetColumnText(index, c), TextOrEmpty(text)))
                return row;
    }
    return -1;
}

int TOwnListWindow::GetIndexbyContent(int column, const char* text) const
{
    const int rows = hwnd_ ? (int)SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0) : 0;
    for (int row = 0; row < rows; ++row) {
        const int index = GetIndexbyLine(row);
        if (index >= 0 && strcmp(GetColumnText(index, column), TextOrEmpty(text)) == 0)
            return index;
    }
    return -1;
}

int TOwnListWindow::GetString_(char* buffer, int size, int row, int column) const
{
    if (!buffer || size <= 0)
        return 0;
    STR_ncpy(buffer, GetColumnText(GetIndexbyLine(row), column), size - 1);
    return (int)strlen(buffer);
}

BOOL TOwnListWindow::SetSel(int row, bool ensureVisible, bool focusOnly, bool select)
{
    if (!hwnd_)
        return FALSE;
    LVITEMA item = {};
    if (select && focusOnly) {
        item.stateMask = LVIS_FOCUSED;
        item.state = LVIS_FOCUSED;
    } else {
        item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
        item.state = select ? (LVIS_FOCUSED | LVIS_SELECTED) : 0;
    }
    BOOL result = (BOOL)SendMessageA(hwnd_, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
    if (ensureVisible)
        result = (BOOL)SendMessageA(hwnd_, LVM_ENSUREVISIBLE, (WPARAM)row, FALSE);
    return result;
}

int TOwnListWindow::GetSelIndexes(int* rows, int maximum) const
{
    int count = 0;
    for (int row = -1; hwnd_ && count < maximum;) {
        row = (int)SendMessageA(hwnd_, LVM_GETNEXTITEM, (WPARAM)row, MAKELPARAM(LVNI_SELECTED, 0));
        if (row < 0)
            break;
        if (rows)
            rows[count] = row;
        ++count;
    }
    return count;
}

void TOwnListWindow::SetSelIndexes(const int* rows, int count)
{
    for (int i = 0; rows && i < count; ++i)
        SetSel(rows[i], true, false, true);
}

int TOwnListWindow::GetSelCount() const
{
    return hwnd_ ? (int)SendMessageA(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0) : 0;
}

int TOwnListWindow::GetSelIndex(int startRow, int* row) const
{
    const int found = hwnd_ ? (int)SendMessageA(hwnd_, LVM_GETNEXTITEM, (WPARAM)startRow,
                                                MAKELPARAM(LVNI_SELECTED, 0))
                            : -1;
    if (row)
        *row = found;
    return found < 0 ? -1 : GetIndexbyLine(found);
}

int TOwnListWindow::GetFocusIndex(int* row) const
{
    const int found = hwnd_ ? (int)SendMessageA(hwnd_, LVM_GETNEXTITEM, (WPARAM)-1,
                                                MAKELPARAM(LVNI_FOCUSED, 0))
                            : -1;
    if (row)
        *row = found;
    return found < 0 ? -1 : GetIndexbyLine(found);
}

void TOwnListWindow::SetMarkText(const char* text)
{
    STR_ncpy(marker_, TextOrEmpty(text), LIST_MARKER_SIZE - 1);
    if (hwnd_)
        InvalidateRect(hwnd_, nullptr, TRUE);
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

OWN_LIST_LINE* TOwnListWindow::LineOfKey(int key, int* index) const
{
    int i = 0;
    for (OWN_LIST_LINE* line = first_; line; line = line->next, ++i) {
        if (line->lineKey == key) {
            if (index)
                *index = i;
            return line;
        }
    }
    return nullptr;
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

void TOwnListWindow::InsertItem(const OWN_LIST_LINE* line, int image)
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
    item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = row;
    item.pszText = const_cast<char*>(TextOrEmpty(line->texts[0]));
    item.lParam = (LPARAM)line->lineKey;
    item.iImage = image;
    const int inserted = (int)SendMessageA(hwnd_, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (inserted < 0)
        return;
    // The control keeps the other columns' texts as well (for readers of the control).
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

// The key (item data) of a row; false when there is no such row.
bool TOwnListWindow::KeyOfRow(int row, int* key) const
{
    if (!hwnd_ || row < 0)
        return false;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(hwnd_, LVM_GETITEMA, 0, (LPARAM)&item))
        return false;
    *key = (int)item.lParam;
    return true;
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
