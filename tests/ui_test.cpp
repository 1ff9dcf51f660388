// The dialog framework, the command-table walk, tips and fonts.
#include <gtest/gtest.h>

#include "TestSupport.h"

#include <commctrl.h>

#include "app/Application.h"
#include "ui/CtlTip.h"
#include "ui/DialogTop.h"
#include "ui/GDIFont.h"

using namespace test;

namespace {

// A dialog that records every virtual call it receives.
class Recorder : public DialogTop {
public:
    Recorder(unsigned icon = 0) : DialogTop(icon, 300) {}
    std::vector<std::string> calls;
    bool allowClose = true;
    bool handleMsg = false;
    INT_PTR msgResult = 1;

    void Open() override { calls.push_back("Open"); }
    bool Close() override
    {
        calls.push_back("Close");
        return allowClose;
    }
    void Size(const char* state, unsigned short w, unsigned short h) override
    {
        calls.push_back(std::string("Size ") + state + " " + std::to_string(w) + "x" +
                        std::to_string(h));
    }
    bool Sizing(const char* edge, RECT*) override
    {
        calls.push_back(std::string("Sizing [") + edge + "]");
        return false;
    }
    bool Do(int id, int code, LPARAM extra) override
    {
        calls.push_back("Do " + std::to_string(id) + " " + std::to_string(code) + " " +
                        std::to_string((long long)extra));
        return id == 42;
    }
    bool Msg(INT_PTR* result, HWND, UINT msg, WPARAM, LPARAM) override
    {
        calls.push_back("Msg " + std::to_string(msg) + " in=" + std::to_string((long long)*result));
        *result = msgResult;
        return handleMsg;
    }
};

HWND PlainWindow(HWND parent = 0)
{
    return CreateWindowExA(0, "STATIC", "", parent ? WS_CHILD : WS_POPUP, 0, 0, 10, 10, parent, 0,
                           0, 0);
}

} // namespace

class Framework : public ::testing::Test {
protected:
    void SetUp() override
    {
        App = Application();
        App.instance = GetModuleHandleA(0);
    }
    void TearDown() override { App = Application(); }
};

// A recording dialog made current, bound to a plain window.
class CurrentDialog : public Framework {
protected:
    Recorder r;
    HWND w = PlainWindow();
    void SetUp() override
    {
        Framework::SetUp();
        r.wnd = w;
        App.current = &r;
    }
    void TearDown() override
    {
        if (IsWindow(w))
            DestroyWindow(w);
        Framework::TearDown();
    }
};

TEST_F(Framework, WithoutACurrentDialogNothingIsCalled)
{
    HWND w = PlainWindow();
    EXPECT_EQ(DlgProc(w, WM_SETFONT, 0, 0), FALSE);
    EXPECT_EQ(DlgProc(w, WM_COMMAND, 1, 0), FALSE);
    EXPECT_EQ(DlgProc(w, WM_SIZING, 1, 0), FALSE);
    EXPECT_EQ(DlgProc(w, WM_CLOSE, 0, 0), FALSE);
    EXPECT_EQ(DlgProc(w, WM_DESTROY, 0, 0), FALSE);
    EXPECT_EQ(DlgProc(w, WM_SIZE, 0, 0), TRUE);
    EXPECT_EQ(DlgProc(w, WM_EXITSIZEMOVE, 0, 0), TRUE);
    DestroyWindow(w);
}

TEST_F(CurrentDialog, CommandsReachDoWithTheCodeSignExtended)
{
    EXPECT_EQ(DlgProc(w, WM_COMMAND, MAKEWPARAM(42, 0xFFFF), 77), TRUE);
    EXPECT_EQ(DlgProc(w, WM_COMMAND, MAKEWPARAM(65535, 0x8000), 0), FALSE); // to Msg, not handled
    // Esc: IDCANCEL with code 0, no route, Msg declines: the dialog stays.
    EXPECT_EQ(DlgProc(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0), FALSE);
    NMHDR nm{w, 42, (UINT)-12};
    EXPECT_EQ(DlgProc(w, WM_NOTIFY, 0, (LPARAM)&nm), TRUE);
    ASSERT_GE(r.calls.size(), 5u);
    EXPECT_EQ(r.calls[0], "Do 42 -1 77");
    EXPECT_EQ(r.calls[1], "Do 65535 -32768 0");
    EXPECT_EQ(r.calls[2], "Msg 273 in=1");
    EXPECT_EQ(r.calls[5], "Do 42 -12 " + std::to_string((long long)(LPARAM)&nm));
}

TEST_F(CurrentDialog, FallbackReturnsWhatMsgSets)
{
    r.handleMsg = true;
    r.msgResult = 1234;
    EXPECT_EQ(DlgProc(w, WM_USER + 5, 0, 0), 1234);
    r.handleMsg = false;
    EXPECT_EQ(DlgProc(w, WM_USER + 5, 0, 0), FALSE);
}

TEST_F(CurrentDialog, SizeAndSizingCodes)
{
    DlgProc(w, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(300, 200));
    DlgProc(w, WM_SIZE, 9, 0);
    DlgProc(w, WM_SIZING, WMSZ_BOTTOMRIGHT, 0);
    DlgProc(w, WM_SIZING, 0, 0);
    DlgProc(w, WM_SIZING, WMSZ_TOP, 0);
    EXPECT_EQ(DlgProc(w, WM_EXITSIZEMOVE, 0, 0), TRUE);
    std::vector<std::string> want = {"Size .> 300x200", "Size ? 0x0",   "Sizing [br]",
                                     "Msg 532 in=1",    "Sizing [??]",  "Msg 532 in=1",
                                     "Sizing [t ]",     "Msg 532 in=1", "Size .x 10x10"};
    EXPECT_EQ(r.calls, want);
}

TEST_F(CurrentDialog, CloseFalseKeepsTheDialogListed)
{
    Application::DlgIns(w);
    r.allowClose = false;
    EXPECT_EQ(DlgProc(w, WM_CLOSE, 0, 0), TRUE);
    EXPECT_TRUE(IsWindow(w));
    EXPECT_EQ(App.nDialogs, 1);
    // WM_CLOSE to another window goes to Msg instead.
    HWND other = PlainWindow();
    DlgProc(other, WM_CLOSE, 0, 0);
    EXPECT_EQ(r.calls.back(), "Msg 16 in=1");
    r.allowClose = true;
    EXPECT_EQ(DlgProc(w, WM_CLOSE, 0, 0), TRUE);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(App.nDialogs, 0);
    DestroyWindow(other);
}

TEST_F(Framework, PrivateCloseDestroysAnyWindowWithoutAsking)
{
    Recorder r;
    HWND listed = PlainWindow(), unlisted = PlainWindow();
    r.wnd = listed;
    App.current = &r;
    Application::DlgIns(listed);
    EXPECT_EQ(DlgProc(unlisted, WM_APP + 10, 0, 0), TRUE);
    EXPECT_FALSE(IsWindow(unlisted));
    EXPECT_EQ(App.nDialogs, 1);
    EXPECT_EQ(DlgProc(listed, WM_APP + 10, 0, 0), TRUE);
    EXPECT_FALSE(IsWindow(listed));
    EXPECT_EQ(App.nDialogs, 0);
    for (auto& c : r.calls)
        EXPECT_NE(c, "Close");
}

TEST_F(CurrentDialog, DestroyOfTheCurrentDialogPostsQuit)
{
    HWND other = PlainWindow();
    MSG m;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
    }
    DlgProc(other, WM_DESTROY, 0, 0); // not ours: to Msg, no quit
    EXPECT_FALSE(PeekMessageA(&m, 0, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(DlgProc(w, WM_DESTROY, 0, 0), TRUE);
    EXPECT_EQ(App.current, nullptr);
    ASSERT_TRUE(PeekMessageA(&m, 0, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, 0u);
    DestroyWindow(other);
}

// The WM_SETICON calls and Open, in order, up to Open.
static std::vector<std::string> IconsThenOpen(const std::vector<std::string>& calls)
{
    std::vector<std::string> out;
    for (auto& c : calls) {
        if (c == "Msg 128 in=1" || c == "Open")
            out.push_back(c);
        if (c == "Open")
            break;
    }
    return out;
}

TEST_F(Framework, InitDialogBindsListsSetsIconsAndOpens)
{
    Recorder withIcon(103), without(0);
    withIcon.Init();
    HWND w = withIcon.wnd;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(App.current, &withIcon);
    EXPECT_EQ(App.main, w);
    EXPECT_EQ(App.nDialogs, 1);
    // The icons go out through the bound dialog (its Msg sees WM_SETICON), then Open.
    EXPECT_EQ(IconsThenOpen(withIcon.calls),
              (std::vector<std::string>{"Msg 128 in=1", "Msg 128 in=1", "Open"}));
    EXPECT_NE(SendMessageA(w, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(w, WM_GETICON, ICON_SMALL, 0), 0);
    without.Init();
    EXPECT_EQ(SendMessageA(without.wnd, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(IconsThenOpen(without.calls), (std::vector<std::string>{"Open"}))
        << "an icon id of 0 sends no icon";
    EXPECT_EQ(App.nDialogs, 2);
    EXPECT_EQ(App.current, &without);
    DestroyWindow(w);
    DestroyWindow(without.wnd);
}

TEST_F(Framework, DialogListKeepsOrderAndHoldsSixteen)
{
    HWND h[16];
    for (int i = 0; i < 16; ++i)
        Application::DlgIns(h[i] = (HWND)(INT_PTR)(100 + i));
    EXPECT_EQ(App.nDialogs, 16);
    Application::DlgDel((HWND)(INT_PTR)105);
    Application::DlgDel((HWND)(INT_PTR)999); // not listed: nothing changes
    EXPECT_EQ(App.nDialogs, 15);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(App.dialogs[i], h[i < 5 ? i : i + 1]);
}

TEST(DialogList, TheSeventeenthEndsTheProcess)
{
    auto run = RunChild("\"" + Beside("child.exe") + "\" dialogs 16");
    EXPECT_EQ(run.exitCode, 0u);
    run = RunChild("\"" + Beside("child.exe") + "\" dialogs 17");
    EXPECT_EQ(run.exitCode, 99u);
    bool said = false;
    for (auto& l : run.trace)
        said |= Body(l).rfind("{ Die msg=Application::DlgIns  too many:( msg2=(null)", 0) == 0;
    EXPECT_TRUE(said);
}

// The command table of a class, walked the way every Do walks it.
namespace {
struct Routed {
    std::vector<std::string> ran;
    void A(LPARAM x) { ran.push_back("A" + std::to_string((long long)x)); }
    void B(LPARAM x) { ran.push_back("B" + std::to_string((long long)x)); }
    static const CmdTab<Routed> cmds[];
};
const CmdTab<Routed> Routed::cmds[] = {
    {1026, BN_CLICKED, &Routed::A},
    {1016, BN_CLICKED, &Routed::B},
    {1016, BN_CLICKED, &Routed::A}, // never reached: the first match wins
    {7, -1, &Routed::B},
    {0},
};
} // namespace

TEST(CommandTable, FirstMatchWinsAndCodesCompareSigned)
{
    Routed r;
    EXPECT_TRUE(CmdWalk(&r, Routed::cmds, 1016, BN_CLICKED, 5));
    EXPECT_TRUE(CmdWalk(&r, Routed::cmds, 1026, BN_CLICKED, 6));
    EXPECT_TRUE(CmdWalk(&r, Routed::cmds, 7, (short)0xFFFF, 8));
    EXPECT_FALSE(CmdWalk(&r, Routed::cmds, 7, 0xFFFF, 9));
    EXPECT_FALSE(CmdWalk(&r, Routed::cmds, 1016, BN_DBLCLK, 9));
    EXPECT_FALSE(CmdWalk(&r, Routed::cmds, 0, 0, 9)); // the end mark is no route
    EXPECT_EQ(r.ran, (std::vector<std::string>{"B5", "A6", "B8"}));
}

TEST(CommandLine, TailAfterTheProgramName)
{
    const char* table[][2] = {
        {"\"C:\\Program Files\\x\\setup.exe\"  /x", "/x"},
        {"setup.exe", ""},
        {"\"C:\\no closing quote", ""},
        {" setup.exe arg", "setup.exe arg"},
        {"", ""},
        {"set\xE9up.exe arg", "up.exe arg"},
        {"setup.exe \xA0\xFF arg", "arg"},
        {"\"a b\"arg", "arg"},
    };
    for (auto& row : table)
        EXPECT_STREQ(CmdTail(row[0]), row[1]) << "[" << row[0] << "]";
    const char* empty = "setup.exe";
    EXPECT_EQ(CmdTail(empty), empty + 9) << "points at the terminating NUL";
}

// Tips: the relay hook and the tooltip's settings.
namespace {
std::vector<UINT> relayed;
LRESULT CALLBACK FakeTip(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == TTM_RELAYEVENT)
        relayed.push_back(((MSG*)lp)->message);
    return DefWindowProcA(w, msg, wp, lp);
}
} // namespace

class Tips : public Framework {};

TEST_F(Tips, HookRelaysSingleClicksAndMovesOverDescendants)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = FakeTip;
    wc.hInstance = GetModuleHandleA(0);
    wc.lpszClassName = "FakeTip";
    RegisterClassA(&wc);
    HWND parent = PlainWindow(), child = PlainWindow(parent), grandchild = PlainWindow(child);
    HWND stranger = PlainWindow();
    App.tipParent = parent;
    App.tipWindow = CreateWindowExA(0, "FakeTip", "", WS_POPUP, 0, 0, 1, 1, 0, 0, 0, 0);
    relayed.clear();
    auto hook = [](int code, HWND w, UINT msg) {
        MSG m{w, msg, 0, 0, 0, {0, 0}};
        CtlTip::Hook(code, PM_REMOVE, (LPARAM)&m);
    };
    for (UINT msg : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP})
        hook(0, child, msg);
    hook(0, grandchild, WM_MOUSEMOVE);
    hook(0, child, WM_LBUTTONDBLCLK);
    hook(0, child, WM_MBUTTONDOWN);
    hook(0, child, WM_MOUSEWHEEL);
    hook(0, parent, WM_MOUSEMOVE);
    hook(0, stranger, WM_MOUSEMOVE);
    hook(-1, child, WM_MOUSEMOVE);
    EXPECT_EQ(relayed, (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                          WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MOUSEMOVE}));
    for (HWND w : {grandchild, child, parent, stranger, App.tipWindow})
        DestroyWindow(w);
}

TEST_F(Tips, TooltipGetsItsDelayWidthFontAndTools)
{
    LoadLibraryA("comctl32.dll"); // the program gets the class through its manifest
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, 0, 0, 0, 0);
    HWND edit = PlainWindow(parent);
    CtlTip::Init(parent);
    ASSERT_NE(App.tipWindow, nullptr);
    char cls[64];
    GetClassNameA(App.tipWindow, cls, sizeof(cls));
    EXPECT_STREQ(cls, "tooltips_class32");
    EXPECT_EQ(GetWindow(App.tipWindow, GW_OWNER), parent);
    EXPECT_EQ(SendMessageA(App.tipWindow, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 32767);
    ASSERT_NE(CtlTip::Font(), nullptr);
    EXPECT_EQ(SendMessageA(App.tipWindow, TTM_GETMAXTIPWIDTH, 0, 0), 70 * CtlTip::Font()->aveWidth);
    // The tooltip may keep its own copy of the font: compare what it is.
    LOGFONTA set{}, got{};
    GetObjectA(CtlTip::Font()->font, sizeof(set), &set);
    GetObjectA((HFONT)SendMessageA(App.tipWindow, WM_GETFONT, 0, 0), sizeof(got), &got);
    EXPECT_EQ(got.lfHeight, set.lfHeight);
    EXPECT_STREQ(got.lfFaceName, "Courier New");
    EXPECT_NE(App.tipHook, nullptr);
    EXPECT_TRUE(CtlTip::Add(edit, "line one\r\nline two"));
    EXPECT_EQ(SendMessageA(App.tipWindow, TTM_GETTOOLCOUNT, 0, 0), 1);
    UnhookWindowsHookEx(App.tipHook);
    DestroyWindow(parent);
}

TEST(Fonts, NinePointsAt96DpiIsTwelvePixelsHigh)
{
    HDC dc = GetDC(0);
    ASSERT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    {
        GDIFont f(dc);
        LOGFONTA lf{};
        GetObjectA(f.font, sizeof(lf), &lf);
        EXPECT_EQ(lf.lfHeight, -12);
        EXPECT_STREQ(lf.lfFaceName, "Courier New");
        EXPECT_EQ(lf.lfPitchAndFamily, FIXED_PITCH | FF_DONTCARE);
        TEXTMETRICA tm;
        HGDIOBJ old = SelectObject(dc, f.font);
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        EXPECT_EQ(f.aveWidth, tm.tmAveCharWidth);
        EXPECT_EQ(f.lineHeight, tm.tmHeight + tm.tmExternalLeading);
        EXPECT_GT(f.aveWidth, 0);
    }
    ReleaseDC(0, dc);
}
