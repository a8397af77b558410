// shutter.exe, run for real against the windows of fakesvc.exe instances.
#include <gtest/gtest.h>
#include <algorithm>
#include "programs.h"
#include "support/temp_dir.h"

namespace {

const char HEADER[] = "Gefundene Fenstertitel:";

std::string UpperAtoZ(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return text;
}

int CountLines(const ShutterRun& run, const std::string& line)
{
    return (int)std::count(run.lines.begin(), run.lines.end(), line);
}

// The banner: "SHUTTER.EXE", two blanks, a notice, as the whole first line.
void ExpectBanner(const ShutterRun& run)
{
    ASSERT_FALSE(run.lines.empty());
    const std::string& banner = run.lines[0];
    EXPECT_EQ(0u, banner.find("SHUTTER.EXE  ")) << banner;
    EXPECT_GT(banner.size(), 13u) << "no notice after the file name";
    if (banner.size() > 13) {
        EXPECT_NE(' ', banner[13]) << banner;
    }
}

std::vector<std::string> Only(const std::vector<std::string>& lines,
                              const std::vector<std::string>& wanted)
{
    std::vector<std::string> result;
    for (const std::string& line : lines)
        if (std::find(wanted.begin(), wanted.end(), line) != wanted.end()) result.push_back(line);
    return result;
}

}  // namespace

TEST(Shutter, ListModePrintsBannerHeaderAndEveryTitle)
{
    TempDir dir;
    std::string shown = UniqueText("Shown list ");
    std::string hidden = UniqueText("Hidden list ");
    FakeService a, b;
    ASSERT_TRUE(a.Start("--title " + Quoted(shown), dir.file("a.log")));
    ASSERT_TRUE(b.Start("--title " + Quoted(hidden), dir.file("b.log"), SW_HIDE));
    ASSERT_FALSE(IsWindowVisible(b.frame()));

    ShutterRun run = RunShutter("");
    ASSERT_TRUE(run.started);
    EXPECT_EQ(1u, run.exitCode);
    ExpectBanner(run);
    ASSERT_GE(run.lines.size(), 3u);
    EXPECT_EQ(run.lines[0] + "\n" + HEADER + "\n\n", run.out.substr(0, run.lines[0].size() + 26));
    EXPECT_EQ(1, CountLines(run, shown));
    EXPECT_EQ(1, CountLines(run, hidden));  // hidden windows are listed too
    EXPECT_EQ(1, CountLines(run, HEADER));

    // Listing closes nothing.
    Sleep(300);
    EXPECT_TRUE(a.Running());
    EXPECT_TRUE(b.Running());
    EXPECT_EQ(std::string::npos, a.Log().find("close"));
}

TEST(Shutter, OutputLinesEndAsTheRunTimeWritesText)
{
    ShutterRun run = RunShutter("");
    ASSERT_TRUE(run.started);
    ExpectBanner(run);
    // printf in the C run-time's text mode: every "\n" of the specified texts reaches the pipe
    // as "\r\n"; the tests compare the texts with "\n".
    EXPECT_EQ(0u, run.raw.find(run.lines[0] + "\r\n" + HEADER + "\r\n\r\n"));
}

TEST(Shutter, ListFollowsTheEnumerationOrder)
{
    std::vector<std::string> titles = {UniqueText("Order "), UniqueText("Order "),
                                        UniqueText("Order ")};
    FakeService services[3];
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(services[i].Start("--title " + Quoted(titles[i])));

    std::vector<std::string> expected = Only(WindowTitles(), titles);
    ShutterRun run = RunShutter("");
    ASSERT_EQ(3u, expected.size());
    EXPECT_EQ(expected, Only(run.lines, titles));
}

TEST(Shutter, EmptyArgumentListsWithoutTheHeader)
{
    std::string title = UniqueText("Empty argument ");
    FakeService service;
    ASSERT_TRUE(service.Start("--title " + Quoted(title)));

    ShutterRun run = RunShutter("\"\"");
    ASSERT_TRUE(run.started);
    EXPECT_EQ(1u, run.exitCode);
    ExpectBanner(run);
    EXPECT_EQ(0, CountLines(run, HEADER));
    EXPECT_EQ(1, CountLines(run, title));
    ASSERT_GE(run.lines.size(), 2u);
    EXPECT_NE("", run.lines[1]);  // the titles follow the banner at once
    EXPECT_TRUE(service.Running());
}

TEST(Shutter, WindowWithoutTitleIsNeverListed)
{
    TempDir dir;
    FakeService untitled;
    ASSERT_TRUE(untitled.Start("--title \"\"", dir.file("untitled.log")));
    char text[10] = "x";
    ASSERT_EQ(0, GetWindowTextA(untitled.frame(), text, sizeof(text)));

    for (const char* arguments : {"", "\"\""}) {
        ShutterRun run = RunShutter(arguments);
        EXPECT_EQ(1u, run.exitCode);
        size_t first = arguments[0] ? 1 : 3;  // after the banner (and the header with its blank)
        ASSERT_GE(run.lines.size(), first);
        for (size_t i = first; i < run.lines.size(); ++i)
            EXPECT_NE("", run.lines[i]) << "empty title listed as line " << i;
    }
    EXPECT_TRUE(untitled.Running());
    EXPECT_EQ(std::string::npos, untitled.Log().find("close"));
}

TEST(Shutter, ChildWindowsAreNotListed)
{
    std::string parentTitle = UniqueText("Parent ");
    std::string childTitle = UniqueText("Child ");
    HWND parent = CreateWindowExA(0, "STATIC", parentTitle.c_str(), WS_POPUP, 0, 0, 100, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, parent);
    HWND child = CreateWindowExA(0, "STATIC", childTitle.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 50,
                                 20, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, child);

    ShutterRun run = RunShutter("");
    EXPECT_EQ(1, CountLines(run, parentTitle));
    EXPECT_EQ(0, CountLines(run, childTitle));
    DestroyWindow(parent);
}

TEST(Shutter, ClosesEveryMatchingWindowWithOneLineEach)
{
    TempDir dir;
    std::string key = UniqueText("fAx");  // upper case: "FAX<digits>X<digits>"
    std::string match1 = "Fax" + key.substr(3) + " one";
    std::string match2 = "the FAX" + UpperAtoZ(key.substr(3)) + "TWO";
    std::string match3 = "hidden fax" + key.substr(3);
    std::string other = "Fa" + key.substr(3) + " (no match)";
    FakeService services[4];
    ASSERT_TRUE(services[0].Start("--title " + Quoted(match1), dir.file("1.log")));
    ASSERT_TRUE(services[1].Start("--title " + Quoted(match2), dir.file("2.log")));
    ASSERT_TRUE(services[2].Start("--title " + Quoted(match3), dir.file("3.log"), SW_HIDE));
    ASSERT_TRUE(services[3].Start("--title " + Quoted(other), dir.file("4.log")));

    ShutterRun run = RunShutter(key);
    ASSERT_TRUE(run.started);
    EXPECT_EQ(1u, run.exitCode);
    ExpectBanner(run);
    std::string closed = "Beendet: " + UpperAtoZ(key);
    EXPECT_EQ(run.lines[0] + "\n" + closed + "\n" + closed + "\n" + closed + "\n", run.out);

    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(services[i].WaitExit(10000)) << "window " << i << " not closed";
        EXPECT_EQ(0u, services[i].ExitCode());
        EXPECT_NE(std::string::npos, services[i].Log().find("close\n")) << i;
    }
    EXPECT_TRUE(services[3].Running());
    EXPECT_EQ(std::string::npos, services[3].Log().find("close"));
}

TEST(Shutter, MatchesAnywhereInTheTitleForEitherCaseOfAtoZ)
{
    std::string digits = UniqueText("");
    // Lower-case search text against mixed and upper-case titles ...
    FakeService notepad, footnotes;
    ASSERT_TRUE(notepad.Start("--title " + Quoted("Note" + digits + "pad")));
    ASSERT_TRUE(footnotes.Start("--title " + Quoted("FOOTNOTE" + UpperAtoZ(digits) + "S")));
    ShutterRun run = RunShutter("note" + digits);
    EXPECT_EQ(2, CountLines(run, "Beendet: NOTE" + UpperAtoZ(digits)));
    EXPECT_EQ(3u, run.lines.size());
    EXPECT_TRUE(notepad.WaitExit(10000));
    EXPECT_TRUE(footnotes.WaitExit(10000));

    // ... and upper-case search text against lower-case titles.
    digits = UniqueText("");
    ASSERT_TRUE(notepad.Start("--title " + Quoted("note" + digits + "pad")));
    ASSERT_TRUE(footnotes.Start("--title " + Quoted("footnote" + digits + "s")));
    run = RunShutter(UpperAtoZ("NOTE" + digits));
    EXPECT_EQ(2, CountLines(run, "Beendet: NOTE" + UpperAtoZ(digits)));
    EXPECT_EQ(3u, run.lines.size());
    EXPECT_TRUE(notepad.WaitExit(10000));
    EXPECT_TRUE(footnotes.WaitExit(10000));
}

TEST(Shutter, LettersOutsideAtoZAreComparedAsTheyAre)
{
    // The texts travel as ANSI through command lines and window titles.
    ASSERT_EQ(1252u, GetACP()) << "the test expects the Windows code page 1252";
    std::string digits = UniqueText("");
    FakeService lower, upper;
    ASSERT_TRUE(lower.Start("--title " + Quoted("Gr\xe4" "fin" + digits)));  // "Gräfin"
    ASSERT_TRUE(upper.Start("--title " + Quoted("GR\xc4" "F" + digits)));    // "GRÄF"

    // An umlaut of the other case does not match; a to z of either case do.
    ShutterRun run = RunShutter("GR\xc4" "FIN" + digits);
    EXPECT_EQ(1u, run.lines.size());
    run = RunShutter("gr\xe4" "f" + digits);
    EXPECT_EQ(1u, run.lines.size());
    Sleep(300);
    EXPECT_TRUE(lower.Running());
    EXPECT_TRUE(upper.Running());

    // The same umlaut matches, and only a to z are upper-cased in the report line.
    run = RunShutter("gR\xe4" "fIn" + digits);
    EXPECT_EQ(2u, run.lines.size());
    EXPECT_EQ(1, CountLines(run, "Beendet: GR\xe4" "FIN" + UpperAtoZ(digits)));
    EXPECT_TRUE(lower.WaitExit(10000));
    run = RunShutter("gr\xc4" "f" + digits);
    EXPECT_EQ(1, CountLines(run, "Beendet: GR\xc4" "F" + UpperAtoZ(digits)));
    EXPECT_TRUE(upper.WaitExit(10000));
}

TEST(Shutter, OnlyTheFirstArgumentIsUsed)
{
    std::string first = UniqueText("first");
    std::string second = UniqueText("second");
    FakeService one, two;
    ASSERT_TRUE(one.Start("--title " + Quoted(first)));
    ASSERT_TRUE(two.Start("--title " + Quoted(second)));
    ShutterRun run = RunShutter(first + " " + second);
    ExpectBanner(run);
    EXPECT_EQ(2u, run.lines.size());
    EXPECT_EQ(1, CountLines(run, "Beendet: " + UpperAtoZ(first)));
    EXPECT_TRUE(one.WaitExit(10000));
    EXPECT_TRUE(two.Running());
}

TEST(Shutter, TitlesAreCutTo199Characters)
{
    std::string title = UniqueText("long") + "-";
    for (int i = 0; title.size() < 300; ++i) title += (char)('a' + i % 26);
    FakeService service;
    ASSERT_TRUE(service.Start("--title " + Quoted(title)));

    ShutterRun run = RunShutter("");
    EXPECT_EQ(1, CountLines(run, title.substr(0, 199)));
    EXPECT_EQ(0, CountLines(run, title));

    // Only the first 199 characters take part in the search.
    run = RunShutter(title.substr(0, 200));
    EXPECT_EQ(1u, run.lines.size());
    Sleep(300);
    EXPECT_TRUE(service.Running());
    run = RunShutter(title.substr(0, 199));
    EXPECT_EQ(1, CountLines(run, "Beendet: " + UpperAtoZ(title.substr(0, 199))));
    EXPECT_TRUE(service.WaitExit(10000));
}

TEST(Shutter, LongSearchTextsAreHarmless)
{
    // At most 999 characters of the search text are used; no title (cut to 199) can contain
    // that many, so such a search closes nothing and reports nothing, however long it is.
    std::string key = UniqueText("Q");
    FakeService service;
    ASSERT_TRUE(service.Start("--title " + Quoted(key)));
    for (size_t length : {999u, 1000u, 20000u}) {
        std::string search = key + std::string(length - key.size(), 'q');
        ShutterRun run = RunShutter(search);
        ASSERT_TRUE(run.started) << length;
        EXPECT_EQ(1u, run.exitCode) << length;
        ExpectBanner(run);
        EXPECT_EQ(1u, run.lines.size()) << length;
    }
    Sleep(300);
    EXPECT_TRUE(service.Running());
}

TEST(Shutter, WindowIgnoringCloseIsStillReported)
{
    TempDir dir;
    std::string title = UniqueText("Stubborn ");
    FakeService service;
    ASSERT_TRUE(service.Start("--ignore-close --title " + Quoted(title), dir.file("s.log")));
    ShutterRun run = RunShutter(Quoted(title));
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ(1, CountLines(run, "Beendet: " + UpperAtoZ(title)));
    EXPECT_TRUE(WaitUntil([&] {
        return service.Log().find("close ignored") != std::string::npos;
    }, 5000));
    EXPECT_TRUE(service.Running());
    EXPECT_TRUE(IsWindow(service.frame()));
}

TEST(Shutter, ExitStatusIsOneWhenTheEnumerationRanToItsEnd)
{
    ShutterRun run = RunShutter(Quoted(UniqueText("nothing matches ")));
    ASSERT_TRUE(run.started);
    EXPECT_EQ(1u, run.exitCode);
    ExpectBanner(run);
    EXPECT_EQ(1u, run.lines.size());
}
