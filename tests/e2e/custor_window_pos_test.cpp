#include <gtest/gtest.h>
#include "installation.h"
#include "support/registry_value.h"
#include <string>

namespace {
RECT Place(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

// Asks the frame to close as the system does at log-off: the question, then the end.
void EndSession(HWND frame)
{
    DWORD_PTR agreed = 0;
    EXPECT_NE(0, SendMessageTimeoutA(frame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                     SMTO_ABORTIFHUNG, 10000, &agreed));
    EXPECT_EQ(TRUE, (BOOL)agreed);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(frame, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 10000,
                        &ignored);
}

void CloseMessage(HWND frame) { PostMessageA(frame, WM_CLOSE, 0, 0); }
}  // namespace

// The frame comes back where it was stored, and a close by the system stores where the
// operator has moved it since, with the list's column widths.
TEST(CustorWindowPosition, ComesBackWhereStoredAndIsStoredAgainWhenTheSystemCloses)
{
    struct Case {
        const char* how;
        void (*close)(HWND frame);
    };
    const Case kCases[] = {{"end of session", EndSession}, {"WM_CLOSE", CloseMessage}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.how);
        // The machine's own values come back when the case ends.
        RegistryValue position("Postrel", "custor_pos");
        RegistryValue widths("Postrel", "42");
        position.Set("120,80,300,200");
        widths.Remove();

        Installation inst;
        inst.dir.write("custor.ini", "[ByTitle]\nNO SUCH PROGRAM=c:\\nothing\\none.exe\n");
        ASSERT_TRUE(inst.Start());
        HWND frame = inst.frame;
        // Supervision has started, and fitted the frame to the list without moving it.
        ASSERT_TRUE(WaitUntil([&] { return StatusBarText(frame).find("V 1.56") == 0; }, 15000));
        EXPECT_EQ(120, Place(frame).left);
        EXPECT_EQ(80, Place(frame).top);

        SetWindowPos(frame, nullptr, 250, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(WaitUntil([&] { return Place(frame).left == 250 && Place(frame).top == 160; },
                              10000));
        EXPECT_EQ("120,80,300,200", position.Get());  // stored only when closing
        const RECT moved = Place(frame);

        c.close(frame);
        EXPECT_EQ(0, inst.custor.Wait(15000));
        const std::string expected = "250,160," + std::to_string(moved.right - moved.left) + "," +
                                     std::to_string(moved.bottom - moved.top);
        EXPECT_EQ(expected, position.Get());
        EXPECT_EQ("160,80,80", widths.Get());
        const std::string log = inst.Log();
        ASSERT_GE(log.size(), 15u);
        EXPECT_EQ(" Custor: End \r\n", log.substr(log.size() - 15));
        EXPECT_FALSE(inst.dir.exists("Custor.LOK"));
    }
}
