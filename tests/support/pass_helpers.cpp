#include "support/pass_helpers.h"
#include "core/service_table.h"
#include "core/passes.h"
#include "core/supervision.h"
#include "core/display.h"
#include "ui/service_list.h"
#include <windows.h>

std::string UniqueTitle(const char* prefix)
{
    static LONG serial = 0;
    return std::string(prefix) + " " + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(InterlockedIncrement(&serial));
}

int Occurrences(const std::string& log, const std::string& text)
{
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
}

std::string Upper(std::string text)
{
    if (!text.empty()) CharUpperA(&text[0]);
    return text;
}

void RunPasses(FakeHost& host, int seconds)
{
    for (int i = 0; i < seconds; ++i) {
        host.Advance(1);
        SupervisePass();
        ProbeMessageServices();
    }
}

std::string RowText(int row, int column)
{
    return g_serviceList ? g_serviceList->GetColumnText(row, column) : "";
}

int RowColour(int row) { return g_serviceList ? g_serviceList->GetColor(row) : -1; }

TestServiceList::TestServiceList()
{
    g_serviceList = new TOwnListWindow(nullptr, 0x18, 3, 42, 0, 0, 100, 100);
    ServiceList_InstallDisplay();
}

TestServiceList::~TestServiceList()
{
    Display_UseNone();
    delete g_serviceList;
    g_serviceList = nullptr;
}

UseServiceList::UseServiceList(TOwnListWindow* list)
{
    g_serviceList = list;
    ServiceList_InstallDisplay();
}

UseServiceList::~UseServiceList()
{
    Display_UseNone();
    g_serviceList = nullptr;
}
