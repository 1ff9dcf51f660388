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

TEST_F(Crash, DumpIsWrittenIntoTheDiagnosticsFolder)
{
    WithDbghelp(); // a copy beside the program changes nothing: the system's is used
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

// As on a fresh machine: no diagnostics folder yet, no dbghelp.dll beside the
// program. The folder is made, and the page goes beside the dump.
TEST_F(Crash, AMissingDiagnosticsFolderIsMade)
{
    EXPECT_EQ(RunCrash(), 99u);
    EXPECT_EQ(ReadFile(etc + "\\rats.dmp").substr(0, 4), "MDMP");
    std::string page = ReadFile(etc + "\\rats.html");
    EXPECT_NE(page.find("Pleeease send this file to Zavik:\r\n" + etc + "\\rats.dmp"),
              std::string::npos)
        << page;
}

// A program folder whose name leaves the diagnostics path no room for
// "\rats.html" sends dump and page to c:; one character less still fits.
TEST_F(Crash, ADiagnosticsPathWithoutRoomGoesToC)
{
    size_t fits = 259 - 10 - 4 - 1 - AppDataDir().size();
    for (size_t n : {fits + 1, fits}) {
        std::string name(n, 'L'), home = "C:\\" + name,
                                  etcHere = AppDataDir() + "\\" + name + "\\etc";
        CreateDirectoryA(home.c_str(), 0);
        ASSERT_TRUE(CopyFileA(Beside("child.exe").c_str(), (home + "\\child.exe").c_str(), FALSE));
        DeleteFileA("c:\\rats.dmp");
        EXPECT_EQ(RunChild("\"" + home + "\\child.exe\" crash", false).exitCode, 99u);
        std::string where = n > fits ? "c:" : etcHere;
        EXPECT_EQ(ReadFile(where + "\\rats.dmp").substr(0, 4), "MDMP") << n;
        EXPECT_NE(ReadFile(where + "\\rats.html").find(where + "\\rats.dmp</b></h1>"),
                  std::string::npos)
            << n;
        RemoveTree(home);
        RemoveTree(AppDataDir() + "\\" + name);
    }
    DeleteFileA("c:\\rats.dmp");
}
