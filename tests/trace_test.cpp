// The debug trace as the debugger output receives it.
#include <gtest/gtest.h>

#include <thread>

#include "TestSupport.h"
#include "diag/Diag.h"

using namespace test;

static std::string Tid()
{
    return std::to_string(GetCurrentThreadId());
}

TEST(Trace, LinesCarryTheThreadIdAndIndentByScope)
{
    TraceCapture trace;
    DBG("{ SETUP::Inst");
    DBGF("making start menu at %s", "C:\\x");
    DBG("} SETUP::Inst");
    DBG("after");
    auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], Tid() + " { SETUP::Inst");
    EXPECT_EQ(lines[1], Tid() + "   making start menu at C:\\x");
    EXPECT_EQ(lines[2], Tid() + " } SETUP::Inst");
    EXPECT_EQ(lines[3], Tid() + " after");
}

TEST(Trace, BracesAtEitherEnd)
{
    TraceCapture trace;
    DBG("open {");
    DBG("{ nested");
    DBG("} closes first, opens again {"); // one level out, level unchanged
    DBG("inner");
    DBG("{ opens, closes }");
    DBG("");
    DBG("}");
    DBG("closing }");
    DBG("level 0");
    auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], Tid() + " open {");
    EXPECT_EQ(lines[1], Tid() + "   { nested");
    EXPECT_EQ(lines[2], Tid() + "   } closes first, opens again {");
    EXPECT_EQ(lines[3], Tid() + "     inner");
    EXPECT_EQ(lines[4], Tid() + "   { opens, closes }");
    EXPECT_EQ(lines[5], Tid() + "     ");
    EXPECT_EQ(lines[6], Tid() + "   }");
    EXPECT_EQ(lines[7], Tid() + " closing }");
    EXPECT_EQ(lines[8], Tid() + " level 0");
}

TEST(Trace, ClosingAtLevelZeroStaysAtZero)
{
    TraceCapture trace;
    DBG("} stray close");
    DBG("} and another");
    DBG("{ open");
    DBG("in");
    DBG("} close");
    auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], Tid() + " } stray close");
    EXPECT_EQ(lines[3], Tid() + "   in"); // no wrap round to 65535 levels
    EXPECT_EQ(lines[4], Tid() + " } close");
}

TEST(Trace, LongLineIsCutWithDots)
{
    std::string prefix = Tid() + " ";
    size_t p = prefix.size();
    TraceCapture trace;
    DBG(std::string(15999 - p, 'a').c_str());
    DBG(std::string(16000 - p, 'b').c_str());
    DBG(std::string(40000, 'c').c_str());
    auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 15999u);
    EXPECT_EQ(lines[0].back(), 'a');
    EXPECT_EQ(lines[1].size(), 15998u);
    EXPECT_EQ(lines[1], prefix + std::string(15995 - p, 'b') + "...");
    EXPECT_EQ(lines[2].size(), 15998u);
}

TEST(Trace, DeepIndentationNeverOverrunsTheLine)
{
    TraceCapture trace;
    for (int i = 0; i < 9000; ++i)
        DBG("{");
    DBG(std::string(20000, 'd').c_str());
    for (int i = 0; i < 9000; ++i)
        DBG("}");
    DBG("home");
    auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 18002u);
    EXPECT_LE(lines[9000].size(), 15999u);
    EXPECT_EQ(lines[9000].substr(lines[9000].size() - 3), "...");
    EXPECT_EQ(lines.back(), Tid() + " home");
}

TEST(Trace, FormattedLineIsCutAt1024Bytes)
{
    TraceCapture trace;
    DBGF("%s", std::string(3000, 'f').c_str());
    auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Body(lines[0]).size(), 1023u);
}

TEST(Trace, EachThreadHasItsOwnLevel)
{
    TraceCapture trace;
    DBG("{ main scope");
    std::string other;
    std::thread t([&] {
        other = std::to_string(GetCurrentThreadId());
        DBG("from another thread");
    });
    t.join();
    DBG("} main scope");
    auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], other + " from another thread");
    EXPECT_EQ(lines[2], Tid() + " } main scope");
}

TEST(Trace, TheEleventhThreadIsRefusedOnce)
{
    // The child's first thread traces nothing; ten threads fill the table.
    auto ten = RunChild("\"" + Beside("child.exe") + "\" threads 10");
    EXPECT_EQ(ten.exitCode, 0u);
    auto eleven = RunChild("\"" + Beside("child.exe") + "\" threads 11");
    EXPECT_EQ(eleven.exitCode, 99u);
    int reports = 0;
    for (auto& l : eleven.trace)
        reports += Body(l).rfind("{ Die msg=too many threads to debug msg2=(null) rc=99", 0) == 0;
    EXPECT_EQ(reports, 1);
}

TEST(Hey, TracesItsTextAndDefaultCaption)
{
    // A message box needs a user; the child has none, so the box is closed by
    // a timer that finds it.
    TraceCapture trace;
    std::thread closer([] {
        for (int i = 0; i < 200; ++i) {
            Sleep(50);
            if (HWND box = FindWindowA("#32770", "Hey...")) {
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
        }
    });
    Hey("some text", nullptr);
    closer.join();
    auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], Tid() + " { Hey");
    EXPECT_EQ(lines[1], Tid() + "   some text");
    EXPECT_EQ(lines[2], Tid() + "   Hey...");
    EXPECT_EQ(lines[3], Tid() + " } Hey");
}
