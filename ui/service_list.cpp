#include "ui/service_list.h"
#include "core/display.h"
#include <commctrl.h>

TOwnListWindow* g_serviceList = nullptr;

static void ClearRows()
{
    if (g_serviceList) g_serviceList->DeleteAllItems();
}

static void InsertRow(int row, int colour, const char* program, const char* state,
                      const char* info)
{
    if (g_serviceList) g_serviceList->InsertLine(row, 0, (unsigned short)colour, program, state, info);
}

static void RowText(int row, int column, const char* text)
{
    if (g_serviceList) g_serviceList->SetColumnText(row, column, text);
}

static void RowColour(int row, int colour)
{
    if (g_serviceList) g_serviceList->SetColor(row, (unsigned short)colour);
}

static HWND Control() { return g_serviceList ? g_serviceList->GetHandle() : nullptr; }

static void MakeRowVisible(int row)
{
    HWND list = Control();
    if (list && row >= 0) SendMessageA(list, LVM_ENSUREVISIBLE, (WPARAM)row, FALSE);
}

static int SelectedRow()
{
    HWND list = Control();
    if (!list) return -1;
    return (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, MAKELPARAM(LVNI_SELECTED, 0));
}

void ServiceList_InstallDisplay()
{
    g_display.clearRows = ClearRows;
    g_display.insertRow = InsertRow;
    g_display.rowText = RowText;
    g_display.rowColour = RowColour;
    g_display.makeRowVisible = MakeRowVisible;
    g_display.selectedRow = SelectedRow;
}
