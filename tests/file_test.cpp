// Whole-file operations, directory chains and child processes.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "sys/File.h"
#include "sys/Str.h"

using namespace test;

class FileOps : public ::testing::Test {
protected:
    ScratchDir dir{"file"};
};

TEST_F(FileOps, PutCreatesNestedMissingDirectories)
{
    std::string path = dir / "one\\two\\three\\f.bin";
    std::string data("a\0b\r\nc", 6);
    EXPECT_EQ(File::Put(path.c_str(), data.data(), 6), 6u);
    EXPECT_TRUE(IsDir(dir / "one\\two\\three"));
    EXPECT_EQ(ReadFile(path), data);
}

TEST_F(FileOps, PutReplacesALongerFileEntirely)
{
    std::string path = dir / "f.txt";
    WriteFile(path, std::string(5000, 'z'));
    EXPECT_EQ(File::Put(path.c_str(), "short", 5), 5u);
    EXPECT_EQ(ReadFile(path), "short");
}

TEST_F(FileOps, PutOfNothingMakesAnEmptyFileAndTellsItWasOpened)
{
    std::string path = dir / "empty";
    WriteFile(path, "old contents");
    bool opened = false;
    EXPECT_EQ(File::Put(path.c_str(), "", 0, &opened), 0u);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(ReadFile(path), "");
}

TEST_F(FileOps, PutToAFileHeldOpenReturnsZeroAndTraces)
{
    std::string path = dir / "held.exe";
    WriteFile(path, "running");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    TraceCapture trace;
    bool opened = true;
    EXPECT_EQ(File::Put(path.c_str(), "new", 3, &opened), 0u);
    EXPECT_FALSE(opened);
    CloseHandle(h);
    EXPECT_EQ(ReadFile(path), "running");
    auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Body(lines[0]).rfind("Couldn't File::Open('" + path + "','w')  ", 0), 0u) << lines[0];
}

TEST_F(FileOps, GetReadsAtMostTheCapacity)
{
    std::string path = dir / "v.txt";
    WriteFile(path, "20261208\r\n");
    char buf[16] = {};
    EXPECT_EQ(File::Get(path.c_str(), buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "2026");
    EXPECT_EQ(File::Get(path.c_str(), buf, sizeof(buf)), 10u);
    EXPECT_EQ(std::string(buf, 10), "20261208\r\n");
    EXPECT_EQ(File::Get((dir / "missing").c_str(), buf, sizeof(buf)), 0u);
}

TEST_F(FileOps, SizeIsZeroForMissingEmptyAndDirectory)
{
    WriteFile(dir / "three", "abc");
    WriteFile(dir / "none", "");
    EXPECT_EQ(File::Size((dir / "three").c_str()), 3u);
    EXPECT_EQ(File::Size((dir / "none").c_str()), 0u);
    EXPECT_EQ(File::Size((dir / "missing").c_str()), 0u);
    EXPECT_EQ(File::Size(dir.path().c_str()), 0u);
}

TEST_F(FileOps, PathMakeCreatesEachMissingLevel)
{
    std::string path = dir / "x\\y\\z";
    File::PathMake(path.c_str());
    EXPECT_TRUE(IsDir(dir / "x"));
    EXPECT_TRUE(IsDir(path));
    // Again: it exists, nothing to do, and a trailing backslash is fine too.
    File::PathMake(path.c_str());
    File::PathMake((path + "\\").c_str());
    File::PathMake((dir / "x\\w\\").c_str());
    EXPECT_TRUE(IsDir(dir / "x\\w"));
}

TEST_F(FileOps, PathMakeOfADriveOrItsRootCreatesNothing)
{
    File::PathMake("C:");
    File::PathMake("C:\\");
    SUCCEED();
}

TEST_F(FileOps, PathMakeThroughAFileDiesNamingThatComponent)
{
    WriteFile(dir / "plain", "I am a file");
    auto run =
        RunChild("\"" + Beside("child.exe") + "\" pathmake \"" + (dir / "plain\\sub") + "\"");
    EXPECT_EQ(run.exitCode, 99u);
    bool named = false;
    for (auto& l : run.trace)
        named |=
            Body(l).find("{ Die msg=File::PathMake  CreateDirectory died msg2=" + (dir / "plain") +
                         " rc=99") != std::string::npos;
    EXPECT_TRUE(named);
}

TEST_F(FileOps, PathMakeWithACountUndoesWhatItMadeWhenALevelFails)
{
    // Counted, and taken away again by PathUnmake, deepest first.
    unsigned made = 7;
    EXPECT_EQ(File::PathMake((dir / "a\\b\\c").c_str(), &made), 0u);
    EXPECT_EQ(made, 3u);
    File::PathUnmake((dir / "a\\b\\c").c_str(), made);
    EXPECT_FALSE(Exists(dir / "a"));
    EXPECT_TRUE(IsDir(dir.path()));
    // A level the system refuses after two were made: both go again, and the
    // error is the caller's to say, not fatal.
    made = 7;
    EXPECT_NE(File::PathMake((dir / "n1\\n2\\bad*name\\n3").c_str(), &made), 0u);
    EXPECT_EQ(made, 0u);
    EXPECT_FALSE(Exists(dir / "n1"));
    // A file in the way, no level made.
    WriteFile(dir / "plain", "in the way");
    EXPECT_EQ(File::PathMake((dir / "plain\\sub").c_str(), &made),
              (unsigned long)ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadFile(dir / "plain"), "in the way");
}

TEST_F(FileOps, PutWithOpenedLeavesAFailedWriteToTheCaller)
{
    // Wine's Z: is the host: /dev/full takes the open and refuses the write.
    bool opened = false;
    EXPECT_EQ(File::Put("Z:\\dev\\full", "abc", 3, &opened), 0u);
    EXPECT_TRUE(opened);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DISK_FULL);
}

TEST_F(FileOps, PathWithoutARootDies)
{
    for (std::string path : {"nowhere\\deeper", ""}) {
        auto run = RunChild("\"" + Beside("child.exe") + "\" pathmake \"" + path + "\"");
        EXPECT_EQ(run.exitCode, 99u) << path;
        bool said = false;
        for (auto& l : run.trace)
            said |= Body(l).find("msg=File::PathMake  couldn't get path root msg2=" + path + " ") !=
                    std::string::npos;
        EXPECT_TRUE(said) << path;
    }
    // File::Put of a bare name has an empty directory part.
    auto run = RunChild("\"" + Beside("child.exe") + "\" put bare.txt");
    EXPECT_EQ(run.exitCode, 99u);
}

TEST(RunWait, ReturnsTheChildsExitCodeAfterItEnds)
{
    std::string cmd = "\"" + Beside("child.exe") + "\" exit 7";
    EXPECT_EQ(RunWait(cmd.c_str()), 7u);
    cmd = "\"" + Beside("child.exe") + "\" exit 0";
    EXPECT_EQ(RunWait(cmd.c_str()), 0u);
}

TEST(ExePath, NamesTheRunningProgram)
{
    char buf[PATHBUF];
    char want[MAX_PATH];
    GetModuleFileNameA(0, want, MAX_PATH);
    EXPECT_STREQ(ExePath(buf), want);
}
