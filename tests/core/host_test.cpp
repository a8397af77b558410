#include <gtest/gtest.h>
#include "core/host.h"

TEST(HostClock, SecondsSince1970FromLocalDate)
{
    SYSTEMTIME t = {};
    t.wYear = 1970; t.wMonth = 1; t.wDay = 1;
    EXPECT_EQ(0, Host_SecondsOf(t));
    t.wYear = 2024; t.wMonth = 3; t.wDay = 5; t.wHour = 14; t.wMinute = 7; t.wSecond = 9;
    EXPECT_EQ(1709647629, Host_SecondsOf(t));
    t.wYear = 2024; t.wMonth = 2; t.wDay = 29; t.wHour = 0; t.wMinute = 0; t.wSecond = 0;
    EXPECT_EQ(1709164800, Host_SecondsOf(t));  // leap day
}
