// Painting the lines of a TOwnListWindow: colours from the colour word, the selection rules,
// bold text and texts shortened with ".." to fit their cells.
#include "ui/listwindow.h"

#include <commctrl.h>
#include <string.h>

#include "core/commands.h"
#include "core/str.h"
#include "ui/list_line.h"

// Pixels kept free beside a text, and the cell's inner margin on each side.
static const int kTextReserve = 4;
static const int kCellMargin = 2;

COLORREF ListColour_OfIndex(int index)
{
    static const COLORREF kTable[16] = {
        0,                   RGB(255, 0, 0),     RGB(0, 0, 255),     RGB(204, 0, 0),
        RGB(255, 255, 255),  RGB(255, 255, 0),   RGB(128, 128, 128), RGB(192, 192, 192),
        RGB(0, 100, 0),      RGB(255, 0, 255),   RGB(0, 127, 0),     RGB(255, 128, 64),
        RGB(128, 0, 128),    RGB(0, 0, 127),     RGB(90, 90, 255),   0,
    };
    index &= LIST_COLOUR_INDEX;
    if (index == 0 || index == 15)
        return GetSysColor(COLOR_WINDOWTEXT);
    return kTable[index];
}

static int TextWidth(HDC dc, const char* text, int length)
{
    SIZE size = {0, 0};
    if (length > 0)
        GetTextExtentPoint32A(dc, text, length, &size);
    return size.cx;
}

bool ListText_Fit(HDC dc, const char* text, int width, bool atFront, char* out, int outSize)
{
    if (!out || outSize <= 0)
        return false;
    out[0] = 0;
    if (!text)
        return false;
    const int length = (int)strlen(text);
    if (length == 0 || TextWidth(dc, text, length) + kTextReserve <= width) {
        STR_ncpy(out, text, outSize - 1);
        return false;
    }
    const int dots = TextWidth(dc, "..", 2);
    if (atFront) {
        int start = 0;
        while (start < length &&
               kTextReserve + TextWidth(dc, text + start, length - start) + dots > width)
            ++start;
        STR_ncpy(out, "..", outSize - 1);
        STR_ncpy(out + strlen(out), text + start, outSize - 1 - (int)strlen(out));
        return true;
    }
    int keep = length;
    while (keep > 1 && kTextReserve + TextWidth(dc, text, keep) + dots > width)
        --keep;
    const int room = outSize - 3;
    if (keep > room)
        keep = room > 0 ? room : 0;
    memcpy(out, text, (size_t)keep);
    out[keep] = 0;
    STR_ncpy(out + keep, "..", outSize - 1 - keep);
    return true;
}

static void DrawCell(HDC dc, const char* text, RECT cell, int width, int format)
{
    char fitted[LIST_TEXT_SIZE];
    const bool right = (format & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT;
    const bool centred = (format & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER;
    const bool shortened = ListText_Fit(dc, text, width, right, fitted, sizeof(fitted));
    UINT align = DT_LEFT;
    if (right)
        align = DT_RIGHT;
    else if (centred && !shortened)
        align = DT_CENTER;
    InflateRect(&cell, -kCellMargin, 0);
    DrawTextA(dc, fitted, -1, &cell, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
}

void TOwnListWindow::DrawItem(const DRAWITEMSTRUCT* draw)
{
    if (!draw || !hwnd_ || (int)draw->itemID < 0)
        return;
    const int row = (int)draw->itemID;
    LVITEMA item = {};
    item.mask = LVIF_PARAM | LVIF_STATE | LVIF_IMAGE;
    item.iItem = row;
    item.stateMask = (UINT)-1;
    if (!SendMessageA(hwnd_, LVM_GETITEMA, 0, (LPARAM)&item))
        return;
    int index = -1;
    const OWN_LIST_LINE* line = LineOfKey((int)item.lParam, &index);
    if (!line)
        return;
    HDC dc = draw->hDC;
    RECT bounds = draw->rcItem;
    RECT label = {};
    label.left = LVIR_LABEL;
    SendMessageA(hwnd_, LVM_GETITEMRECT, (WPARAM)row, (LPARAM)&label);

    unsigned style = line->colourWord;
    if (strlen(marker_) > 1) {
        for (int c = 0; c < columns_; ++c)
            if (line->texts[c] && STR_str(line->texts[c], marker_)) style |= LIST_MARKED;
    }

    HFONT boldFont = nullptr;
    HGDIOBJ oldFont = nullptr;
    if (style & LIST_BOLD) {
        LOGFONTA font = {};
        GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof(font), &font);
        font.lfWeight = FW_BOLD;
        boldFont = CreateFontIndirectA(&font);
        if (boldFont) oldFont = SelectObject(dc, boldFont);
    }

    const bool focused = GetFocus() == hwnd_;
    const bool selected = (item.state & LVIS_SELECTED) || (draw->itemState & ODS_SELECTED);
    COLORREF background, text;
    if (selected) {
        if (index != lastSelection_) {
            lastSelection_ = index;
            Notify(MSG_LIST_SELECT, (WPARAM)id_, (LPARAM)index);
        }
        // A red line stays red while selected, so a stopped program is never hidden.
        const bool red = style == 1;
        background = red ? RGB(255, 0, 0) : GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
        text = GetSysColor((focused || red) ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    } else {
        text = ListColour_OfIndex((int)(style & LIST_COLOUR_INDEX));
        if (flags_ & LIST_FLAG_STRIPED)
            background = (index % 4 >= 2) ? alternateBackground_ : normalBackground_;
        else if (flags_ & LIST_FLAG_ALTERNATE_BIT)
            background = (style & LIST_ALTERNATE_BACKGROUND) ? alternateBackground_ : normalBackground_;
        else if (style & LIST_RED_BACKGROUND)
            background = RGB(200, 0, 0);
        else if (style & LIST_BLUE_BACKGROUND)
            background = RGB(0, 0, 200);
        else if (style & LIST_MARKED)
            background = RGB(255, 255, 0);
        else
            background = normalBackground_;
        lastSelection_ = -1;
    }

    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &bounds, brush);
    DeleteObject(brush);
    const COLORREF oldText = SetTextColor(dc, text);
    const COLORREF oldBack = SetBkColor(dc, background);
    const int oldMode = SetBkMode(dc, TRANSPARENT);

    const UINT stateImage = (item.state & LVIS_STATEIMAGEMASK) >> 12;
    HIMAGELIST states = (HIMAGELIST)SendMessageA(hwnd_, LVM_GETIMAGELIST, LVSIL_STATE, 0);
    if (states && stateImage >= 1 && stateImage <= 15)
        ImageList_Draw(states, (int)stateImage - 1, dc, bounds.left, bounds.top, ILD_TRANSPARENT);
    HIMAGELIST small = (HIMAGELIST)SendMessageA(hwnd_, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    if (small && item.iImage >= 0) {
        RECT icon = {};
        icon.left = LVIR_ICON;
        SendMessageA(hwnd_, LVM_GETITEMRECT, (WPARAM)row, (LPARAM)&icon);
        ImageList_DrawEx(small, item.iImage, dc, icon.left, icon.top, 16, 16, CLR_NONE,
                         CLR_NONE, ILD_TRANSPARENT);
    }

    DrawCell(dc, line->texts[0] ? line->texts[0] : "", label, label.right - label.left,
             LVCFMT_LEFT);
    int x = bounds.left + (int)SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, 0, 0);
    for (int column = 1; column < columns_; ++column) {
        LVCOLUMNA info = {};
        info.mask = LVCF_FMT | LVCF_WIDTH;
        if (!SendMessageA(hwnd_, LVM_GETCOLUMNA, (WPARAM)column, (LPARAM)&info))
            break;
        RECT cell = {x, bounds.top, x + info.cx, bounds.bottom};
        DrawCell(dc, line->texts[column] ? line->texts[column] : "", cell, info.cx, info.fmt);
        x += info.cx;
    }

    if (focused && (item.state & LVIS_FOCUSED))
        DrawFocusRect(dc, &bounds);
    SetBkMode(dc, oldMode);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    if (boldFont) {
        SelectObject(dc, oldFont);
        DeleteObject(boldFont);
    }
}
