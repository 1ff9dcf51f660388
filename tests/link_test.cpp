// Shortcut files, read back through the shell's own link object.
#include <gtest/gtest.h>

#include <objidl.h>
#include <shlobj.h>

#include "TestSupport.h"
#include "sys/File.h"

using namespace test;

namespace {

struct LinkFields {
    std::string path, workDir, args, icon;
    int iconIndex = -1;
};

LinkFields ReadLink(const std::string& file)
{
    LinkFields f;
    IShellLinkA* link = 0;
    IPersistFile* pf = 0;
    CoCreateInstance(CLSID_ShellLink, 0, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link);
    link->QueryInterface(IID_IPersistFile, (void**)&pf);
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(pf->Load(wide, STGM_READ))) {
        char buf[1024] = "";
        link->GetPath(buf, sizeof(buf), 0, SLGP_RAWPATH);
        f.path = buf;
        buf[0] = 0;
        link->GetWorkingDirectory(buf, sizeof(buf));
        f.workDir = buf;
        buf[0] = 0;
        link->GetArguments(buf, sizeof(buf));
        f.args = buf;
        buf[0] = 0;
        link->GetIconLocation(buf, sizeof(buf), &f.iconIndex);
        f.icon = buf;
    }
    pf->Release();
    link->Release();
    return f;
}

} // namespace

class Links : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(0); }
    void TearDown() override { CoUninitialize(); }
    ScratchDir dir{"link"};
};

TEST_F(Links, ProgramLinkHasTheFixedFields)
{
    std::string target = dir / "Fendrick.exe";
    WriteFile(target, "MZ");
    File::Link((dir / "Fendrick.lnk").c_str(), target.c_str(), 0);
    LinkFields f = ReadLink(dir / "Fendrick.lnk");
    EXPECT_EQ(f.path, target);
    EXPECT_EQ(f.workDir, "");
    EXPECT_EQ(f.args, "");
    EXPECT_EQ(f.icon, "");
    EXPECT_EQ(f.iconIndex, 0);
    // The link object reads a stored 0 back as a normal window, so the
    // stored field itself (ShowCommand, offset 0x3C of the header) is checked.
    std::string raw = ReadFile(dir / "Fendrick.lnk");
    ASSERT_GE(raw.size(), 0x40u);
    EXPECT_EQ(raw.substr(0x3C, 4), std::string(4, '\0'));
}

TEST_F(Links, WorkingDirectoryIsPassedUnchanged)
{
    std::string target = dir / "Tunewrangler.exe";
    WriteFile(target, "MZ");
    File::Link((dir / "a.lnk").c_str(), target.c_str(), "C:\\Program Files\\Tunewrangler");
    EXPECT_EQ(ReadLink(dir / "a.lnk").workDir, "C:\\Program Files\\Tunewrangler");
}

TEST_F(Links, WebAddressTargetIsStoredAsTheTarget)
{
    File::Link((dir / "_Tunewrangler_Homepage.lnk").c_str(), "https://tunewrangler.example/",
               "C:\\x");
    ASSERT_TRUE(Exists(dir / "_Tunewrangler_Homepage.lnk"));
    LinkFields f = ReadLink(dir / "_Tunewrangler_Homepage.lnk");
    EXPECT_NE(f.path.find("tunewrangler.example"), std::string::npos) << f.path;
    EXPECT_EQ(f.workDir, "C:\\x");
}

TEST_F(Links, ASaveIntoAMissingFolderEndsTheProcess)
{
    std::string lnk = dir / "missing\\x.lnk";
    auto run = RunChild("\"" + Beside("child.exe") + "\" link \"" + lnk + "\" C:\\x.exe -null");
    EXPECT_EQ(run.exitCode, 99u);
    bool said = false;
    for (auto& l : run.trace)
        said |=
            Body(l).rfind("{ Die msg=File::Link  IPersistFile.Save msg2=" + lnk + " rc=99", 0) == 0;
    EXPECT_TRUE(said);
}
