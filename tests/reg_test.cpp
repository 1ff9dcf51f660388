// Registry writers and readers against Wine's registry.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "sys/Reg.h"

using namespace test;

namespace {

const char KEY[] = "Software\\TunewranglerTest\\Reg";

} // namespace

class Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TunewranglerTest");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\TunewranglerTest");
    }
    void TearDown() override { SetUp(); }
};

TEST_F(Registry, RootLetterPicksTheHive)
{
    {
        RegPut("u", KEY).Put("v", "user");
    }
    {
        RegPut("m", KEY).Put("v", "machine");
    }
    {
        RegPut("x", KEY).Put("w", "any other letter is the machine");
    }
    {
        RegPut("cTunewranglerTest", "TunewranglerTestType").Put("", "classes");
    }
    EXPECT_EQ(RegRead(HKEY_CURRENT_USER, KEY, "v").data, "user");
    EXPECT_EQ(RegRead(HKEY_LOCAL_MACHINE, KEY, "v").data, "machine");
    EXPECT_EQ(RegRead(HKEY_LOCAL_MACHINE, KEY, "w").data, "any other letter is the machine");
    EXPECT_EQ(RegRead(HKEY_CLASSES_ROOT, "TunewranglerTestType", "").data, "classes");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "TunewranglerTestType");
}

TEST_F(Registry, ValueTypeFollowsThePercentSigns)
{
    struct {
        const char* data;
        DWORD type;
    } table[] = {
        {"%SystemRoot%\\x", REG_EXPAND_SZ},
        {"%PATH%", REG_EXPAND_SZ},
        {"%1", REG_SZ},
        {"%%1", REG_SZ},
        {"%%", REG_SZ},
        {"50% and 20%", REG_SZ},
        {"%%%", REG_EXPAND_SZ},
        {"x%%y%", REG_EXPAND_SZ},
        {"50%\tand\t20%", REG_EXPAND_SZ},
        {"\"C:\\a\\Fendrick.exe\" %1", REG_SZ},
        {"", REG_SZ},
    };
    RegPut key("m", KEY);
    for (auto& row : table) {
        key.Put("v", row.data);
        RegValue v = RegRead(HKEY_LOCAL_MACHINE, KEY, "v");
        EXPECT_EQ(v.type, row.type) << row.data;
        EXPECT_EQ(v.data, row.data);
        EXPECT_EQ(v.size, strlen(row.data) + 1) << "the NUL is stored";
    }
}

TEST_F(Registry, WritingKeepsOtherValuesAndReplacesTheSame)
{
    {
        RegPut("m", KEY).Put("a", "1");
    }
    {
        RegPut key("m", KEY);
        key.Put("b", "2");
        key.Put("a", "3");
    }
    EXPECT_EQ(RegRead(HKEY_LOCAL_MACHINE, KEY, "a").data, "3");
    EXPECT_EQ(RegRead(HKEY_LOCAL_MACHINE, KEY, "b").data, "2");
}

TEST_F(Registry, MissingKeyValueOrOversizeReadsEmpty)
{
    char buf[260] = "junk";
    EXPECT_STREQ(RegGet("Software\\TunewranglerTest\\Nothing").Get("x", buf), "");
    {
        RegPut("m", KEY).Put("long", std::string(300, 'L').c_str());
    }
    {
        RegPut("m", KEY).Put("fits", std::string(259, 'F').c_str());
    }
    RegGet get(KEY);
    strcpy(buf, "junk");
    EXPECT_STREQ(get.Get("missing", buf), "");
    EXPECT_STREQ(get.Get("long", buf), "");
    EXPECT_EQ(std::string(get.Get("fits", buf)), std::string(259, 'F'));
}

TEST_F(Registry, StringWithoutTerminatorComesBackTerminated)
{
    HKEY h;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, KEY, 0, 0, 0, KEY_ALL_ACCESS, 0, &h, 0);
    RegSetValueExA(h, "raw", 0, REG_SZ, (const BYTE*)"abcXYZ", 3);
    RegSetValueExA(h, "full", 0, REG_SZ, (const BYTE*)std::string(260, 'q').data(), 260);
    RegCloseKey(h);
    char buf[261];
    memset(buf, '#', sizeof(buf));
    RegGet get(KEY);
    EXPECT_STREQ(get.Get("raw", buf), "abc");
    memset(buf, '#', sizeof(buf));
    EXPECT_STREQ(get.Get("full", buf), "");
    EXPECT_EQ(buf[260], '#') << "nothing written past 260 bytes";
}

TEST_F(Registry, ExpandableValueComesBackUnexpanded)
{
    {
        RegPut("m", KEY).Put("e", "%SystemRoot%\\x");
    }
    char buf[260];
    EXPECT_STREQ(RegGet(KEY).Get("e", buf), "%SystemRoot%\\x");
}

TEST_F(Registry, ReadingANumberEndsTheProcess)
{
    HKEY h;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, KEY, 0, 0, 0, KEY_ALL_ACCESS, 0, &h, 0);
    DWORD one = 1;
    RegSetValueExA(h, "n", 0, REG_DWORD, (const BYTE*)&one, 4);
    RegCloseKey(h);
    auto run = RunChild("\"" + Beside("child.exe") + "\" regget " + KEY + " n");
    EXPECT_EQ(run.exitCode, 99u);
    bool said = false;
    for (auto& l : run.trace)
        said |= Body(l) == "{ Die msg=RegGet::Get  RegQueryValueEx  not string! msg2=(null) rc=99 "
                           "ExitProcess=y";
    EXPECT_TRUE(said);
}

TEST_F(Registry, AFailedCreateReportsTheSystemTextAndALongNameSafely)
{
    // A value name where a key is expected: a key cannot be created below a
    // path whose component is longer than the registry allows.
    std::string longKey = "Software\\TunewranglerTest\\" + std::string(600, 'k');
    auto run = RunChild("\"" + Beside("child.exe") + "\" regput m " + longKey + " v d");
    EXPECT_EQ(run.exitCode, 99u);
    bool said = false;
    for (auto& l : run.trace) {
        std::string b = Body(l);
        if (b.rfind("{ Die msg=RegPut::RegPut  RegCreateKeyEx died  u=m keyName=Software", 0) ==
            0) {
            said = true;
            // The message is cut to its 260-byte buffer.
            size_t msg2 = b.find(" msg2=");
            EXPECT_EQ(msg2 - strlen("{ Die msg="), 259u);
        }
    }
    EXPECT_TRUE(said);
}
