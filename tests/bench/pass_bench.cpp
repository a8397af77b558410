// Cost of one supervision pass (50 title and 50 message entries, all running, among 300
// foreign top-level windows of another process), next to one bare enumeration of the
// desktop, once with the one-snapshot-per-pass search and once with a desktop enumeration per
// entry. Run with scripts/bench.
#include "core/config.h"
#include "core/passes.h"
#include "core/service_table.h"
#include "core/supervision.h"
#include "core/window_search.h"
#include "support/pass_helpers.h"
#include "support/process_runner.h"
#include <stdio.h>
#include <algorithm>
#include <vector>

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return (double)(to.QuadPart - from.QuadPart) * 1000.0 / (double)f.QuadPart;
}

static BOOL CALLBACK CountWindow(HWND window, LPARAM count)
{
    char title[200];
    GetWindowTextA(window, title, sizeof(title));
    ++*(int*)count;
    return TRUE;
}

static bool StartWindows(ChildProcess& child, const char* prefix, int count)
{
    char line[400];
    snprintf(line, sizeof(line), "\"%smanywindows.exe\" \"%s\" %d 300", BinDirectory().c_str(),
             prefix, count);
    if (!child.Start(line, "")) return false;
    char last[300];
    snprintf(last, sizeof(last), "%s %d", prefix, count);
    return WaitForWindow(child.Id(), last, 30000) != nullptr;
}

struct PassCost {
    double mean;    // with the passes that probe the title entries
    double median;  // a pass without probes
};

// Cost of `passes` passes; the fake clock moves one second per pass, so the title entries
// are probed (all at once, as after a start) every eleventh pass.
static PassCost TimePasses(FakeHost& host, int passes, bool snapshot)
{
    std::vector<double> costs;
    double total = 0;
    for (int i = 0; i < passes; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        host.Advance(1);
        SUPERVISION_STATE& s = g_supervision;
        s.previousAppProblem = s.appProblem;
        s.appProblem = s.notOk = false;
        s.modemProblems = 0;
        if (snapshot) Desktop_TakeSnapshot();
        TitlePass();
        MessagePass();
        Desktop_ForgetSnapshot();
        ProbeMessageServices();
        QueryPerformanceCounter(&end);
        costs.push_back(Milliseconds(start, end));
        total += costs.back();
    }
    std::sort(costs.begin(), costs.end());
    return PassCost{total / passes, costs[costs.size() / 2]};
}

int main()
{
    ChildProcess foreign, titled, messaged;
    if (!StartWindows(foreign, "FOREIGN WINDOW", 300) || !StartWindows(titled, "BENCH TITLE", 50) ||
        !StartWindows(messaged, "BENCH MESSAGE", 50)) {
        fprintf(stderr, "could not start the window programs\n");
        return 1;
    }
    ProgramDir p;
    std::string ini = "[ByTitle]\n";
    for (int i = 1; i <= 50; ++i) ini += "BENCH TITLE " + std::to_string(i) + "|=c:\\x\\t.exe\n";
    ini += "[ByMessage]\n";
    for (int i = 1; i <= 50; ++i) ini += "BENCH MESSAGE " + std::to_string(i) + "|=c:\\x\\m.exe\n";
    // The message windows never report; a long warning time keeps them healthy, as servers
    // that answer are.
    ini += "[Timing]\nNoResponseWarning=30000\n";
    p.WriteConfig(ini);
    ReadConfiguration(nullptr, true);

    int windows = 0;
    LARGE_INTEGER start, end;
    const int rounds = 50;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < rounds; ++i) {
        windows = 0;
        EnumWindows(CountWindow, (LPARAM)&windows);
    }
    QueryPerformanceCounter(&end);
    const double enumeration = Milliseconds(start, end) / rounds;

    TimePasses(p.host, 10, true);  // warm up: windows found, first probes made
    const PassCost withSnapshot = TimePasses(p.host, 110, true);
    const PassCost perEntry = TimePasses(p.host, 110, false);
    printf("top-level windows on the desktop: %d\n", windows);
    printf("one bare enumeration (titles read):  %8.3f ms\n", enumeration);
    printf("                                      without probes   mean with probes\n");
    printf("one pass, one snapshot per pass:     %8.3f ms      %8.3f ms\n", withSnapshot.median,
           withSnapshot.mean);
    printf("one pass, one enumeration per entry: %8.3f ms      %8.3f ms\n", perEntry.median,
           perEntry.mean);
    return 0;
}
