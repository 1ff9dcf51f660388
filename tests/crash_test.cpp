// The crash handler, in a copy of the child program that crashes on purpose.
#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace test;

class Crash : public ::testing::Test {
protected:
    ScratchDir dir{"crash"};
    std::string folder = dir.path().substr(dir.path().rfind('\\') + 1);
    std::string etc = AppDataDir() + "\\" + folder + "\\etc";
    std::string exe = dir / "child.exe";

    void SetUp() override
    {
        CopyFileA(Beside("child.exe").c_str(), exe.c_str(), FALSE);
        DeleteFileA("c:\\rats.html");
    }
    void TearDown() override { RemoveTree(AppDataDir() + "\\" + folder); }
    void WithDbghelp()
    {
        char sys[MAX_PATH];
        GetSystemDirectoryA(sys, MAX_PATH);
        ASSERT_TRUE(CopyFileA((std::string(sys) + "\\dbghelp.dll").c_str(),
                              (dir / "dbghelp.dll").c_str(), FALSE));
    }
    void WithEtc()
    {
        CreateDirectoryA((AppDataDir() + "\\" + folder).c_str(), 0);
        CreateDirectoryA(etc.c_str(), 0);
    }
    // A debugger would keep the filter from running, so no trace here.
    DWORD RunCrash() { return RunChild("\"" + exe + "\" crash", false).exitCode; }
};

TEST_F(Crash, NoDbghelpBesideTheProgram)
{
    EXPECT_EQ(RunCrash(), 99u);
    std::string page = ReadFile("c:\\rats.html");
    EXPECT_NE(page.find("<h1><b>gotta BUG :(  but can't load my dbghelp.dll\r\n" +
                        (dir / "dbghelp.dll") + "</b></h1>"),
              std::string::npos)
        << page;
}

TEST_F(Crash, DumpIsWrittenIntoTheDiagnosticsFolder)
{
    WithDbghelp();
    WithEtc();
    WriteFile(etc + "\\rats.dmp", "an earlier dump");
    EXPECT_EQ(RunCrash(), 99u);
    std::string dump = ReadFile(etc + "\\rats.dmp");
    EXPECT_EQ(dump.substr(0, 4), "MDMP");
    EXPECT_GT(dump.size(), 1000u);
    std::string page = ReadFile(etc + "\\rats.html");
    EXPECT_NE(page.find("<h1><b>Gotta BUG :(   Pleeease send this file to Zavik:\r\n" + etc +
                        "\\rats.dmp</b></h1>"),
              std::string::npos)
        << page;
}

TEST_F(Crash, NoDiagnosticsFolderMeansNoDump)
{
    WithDbghelp();
    EXPECT_EQ(RunCrash(), 99u);
    EXPECT_FALSE(Exists(etc + "\\rats.dmp"));
    std::string page = ReadFile("c:\\rats.html");
    EXPECT_NE(page.find("<h1><b>gotta BUG :(  but can't write .dmp file\r\n" + etc +
                        "\\rats.dmp</b></h1>"),
              std::string::npos)
        << page;
}
