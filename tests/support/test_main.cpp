#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    // Crash dialogs would hang an unattended test run.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // The results are out: end at once. Threads the tests started (the FileSync worker among
    // them) are still there, and the ordinary exit runs every library's detach code beside
    // them, which now and then never returned under a loaded Wine after a test had passed.
    fflush(stdout);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), (UINT)result);
    return result;
}
