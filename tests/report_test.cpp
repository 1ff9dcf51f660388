// The fatal error report: exit code, trace and the page's exact bytes.
#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace test;

static const char SUPPORT[] = SUPPORT_EMAIL;

static std::string Page(const std::string& exe, const std::string& msg, const std::string& msg2)
{
    return "<html><head><title>RATS !!</title></head><body><pre>\r\n" + exe +
           " died :(\r\n<h1><b>" + msg + "\r\n" + msg2 +
           "</b></h1>\r\n\r\nPLEASE email this to   " + SUPPORT +
           "\r\n<h5>(if you could just copy and paste this into an email...\r\n"
           " control-A control-C, open email, control-V)</h5>\r\n"
           "<br><br><img border=\"0\" src=\"works1.png\">  sorry  <img border=\"0\" "
           "src=\"screwed.jpg\">  sorry  <img border=\"0\" src=\"works2.png\"></body></html>";
}

// The child lives in the tests folder, so its diagnostics directory is
// <AppData>\tests\etc; the page goes to c:\ while that does not exist.
class Report : public ::testing::Test {
protected:
    std::string child = Beside("child.exe");
    std::string etc = AppDataDir() + "\\" + HereDir().substr(HereDir().rfind('\\') + 1) + "\\etc";
    void SetUp() override
    {
        RemoveTree(etc);
        DeleteFileA("c:\\rats.html");
    }
    void TearDown() override { RemoveTree(etc); }
    ChildRun Run(const std::string& args) { return RunChild("\"" + child + "\" " + args); }
};

TEST_F(Report, DieWritesThePageToCIfNoDiagnosticsFolder)
{
    auto run = Run("die \"File::Put  WriteFile\" \"50% of 100%s\"");
    EXPECT_EQ(run.exitCode, 99u);
    EXPECT_EQ(ReadFile("c:\\rats.html"), Page(child, "File::Put  WriteFile", "50% of 100%s"));
}

TEST_F(Report, DieWritesThePageIntoAnExistingDiagnosticsFolder)
{
    CreateDirectoryA((AppDataDir() + "\\tests").c_str(), 0);
    CreateDirectoryA(etc.c_str(), 0);
    auto run = Run("die \"first\" -null");
    EXPECT_EQ(run.exitCode, 99u);
    run = Run("die \"second\" -null");
    EXPECT_EQ(run.exitCode, 99u);
    // The later report replaces the earlier page; a missing msg2 is empty.
    std::string page = ReadFile(etc + "\\rats.html");
    EXPECT_EQ(page, Page(child, "second", ""));
    EXPECT_NE(page.find("\r\n</b></h1>\r\n"), std::string::npos);
    EXPECT_FALSE(Exists("c:\\rats.html"));
}

TEST_F(Report, DieTracesEveryStepInOneScope)
{
    auto run = Run("die \"the msg\" -null");
    std::vector<std::string> bodies;
    for (auto& l : run.trace)
        bodies.push_back(Body(l));
    std::vector<std::string> want = {"{ Die msg=the msg msg2=(null) rc=99 ExitProcess=y",
                                     "  die a",
                                     "  die b",
                                     "  die c",
                                     "  c:\\rats.html",
                                     "  (who opened it)",
                                     "  die d",
                                     "} Die"};
    ASSERT_GE(bodies.size(), want.size());
    std::vector<std::string> got(bodies.end() - want.size(), bodies.end());
    // The desktop shell, or this process where there is none: either way said.
    EXPECT_NE(got[5].find("opened c:\\rats.html by "), std::string::npos) << got[5];
    got[5] = want[5];
    EXPECT_EQ(got, want);
}

TEST_F(Report, ErrAddsTheSystemTextOfTheLastError)
{
    auto run = Run("err 5 \"RegPut::RegPut  x\"");
    EXPECT_EQ(run.exitCode, 99u);
    char text[260];
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, 0, 5,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text), 0);
    EXPECT_EQ(ReadFile("c:\\rats.html"), Page(child, "RegPut::RegPut  x", text));
}

TEST_F(Report, ErrWithoutSystemTextNamesTheCode)
{
    auto run = Run("err 0x2BADF00D \"some call\"");
    EXPECT_EQ(run.exitCode, 99u);
    EXPECT_EQ(ReadFile("c:\\rats.html"), Page(child, "some call", "GetLastError=732819469"));
}

TEST_F(Report, AnOverlongPageIsCutAt1023Bytes)
{
    auto run = Run("die " + std::string(2000, 'm') + " -null");
    EXPECT_EQ(run.exitCode, 99u);
    std::string page = ReadFile("c:\\rats.html");
    EXPECT_EQ(page.size(), 1023u);
    EXPECT_EQ(page, Page(child, std::string(2000, 'm'), "").substr(0, 1023));
}

TEST_F(Report, APageThatCannotBeWrittenStillEndsTheProcess)
{
    // A folder named rats.html: the page cannot be created; the report goes on.
    CreateDirectoryA((AppDataDir() + "\\tests").c_str(), 0);
    CreateDirectoryA(etc.c_str(), 0);
    CreateDirectoryA((etc + "\\rats.html").c_str(), 0);
    auto run = Run("die \"no page\" -null");
    EXPECT_EQ(run.exitCode, 99u);
    bool traced = false;
    for (auto& l : run.trace)
        traced |=
            Body(l).find("Couldn't File::Open('" + etc + "\\rats.html','w')") != std::string::npos;
    EXPECT_TRUE(traced);
}
