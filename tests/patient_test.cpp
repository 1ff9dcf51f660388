// File operations that ride out a short hold, and give up on a long one.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "sys/Patient.h"

using namespace test;

namespace {

// A file held by another party (a scanner, an ended program's image) until
// ms after the hold began, sharing reads only.
class Hold {
public:
    Hold(const std::string& path, DWORD ms) : ms_(ms)
    {
        handle_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0);
        thread_ = CreateThread(0, 0, Release, this, 0, 0);
    }
    ~Hold()
    {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    static DWORD WINAPI Release(void* self)
    {
        Hold* h = (Hold*)self;
        Sleep(h->ms_);
        CloseHandle(h->handle_);
        return 0;
    }
    DWORD ms_;
    HANDLE handle_, thread_;
};

int Waits(const TraceCapture& trace)
{
    int n = 0;
    for (const std::string& l : trace.lines())
        n += Body(l).rfind("held: ", 0) == 0;
    return n;
}

} // namespace

class Patient : public ::testing::Test {
protected:
    ScratchDir dir{"patient"};
};

TEST_F(Patient, ShortHoldsAreWaitedOutAndEachWaitTraced)
{
    std::string staged = dir / "staged", placed = dir / "placed.exe", gone = dir / "gone.exe";
    WriteFile(staged, "new");
    WriteFile(placed, "old");
    WriteFile(gone, "x");
    {
        TraceCapture trace;
        Hold target(placed, 400); // the earlier uninstaller's image, let go late
        ASSERT_TRUE(target.held());
        EXPECT_EQ(MovePatiently(staged.c_str(), placed.c_str()), 0u);
        EXPECT_GE(Waits(trace), 2);
    }
    EXPECT_EQ(ReadFile(placed), "new");
    EXPECT_FALSE(Exists(staged));
    {
        TraceCapture trace;
        Hold scanner(gone, 300);
        EXPECT_EQ(ProbePatiently(gone.c_str()), 0u);
        EXPECT_EQ(RemovePatiently(gone.c_str()), 0u);
        EXPECT_GE(Waits(trace), 1);
    }
    EXPECT_FALSE(Exists(gone));
}

TEST_F(Patient, ALongHoldGetsItsErrorAfterAboutThreeSeconds)
{
    std::string path = dir / "running.exe";
    WriteFile(path, "the product");
    TraceCapture trace;
    Hold running(path, 5000);
    DWORD t0 = GetTickCount();
    unsigned long error = RemovePatiently(path.c_str());
    DWORD took = GetTickCount() - t0;
    EXPECT_TRUE(error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) << error;
    EXPECT_EQ(Waits(trace), (int)PATIENT_TRIES);
    EXPECT_GE(took, 2700u);
    EXPECT_LT(took, 4500u);
    EXPECT_TRUE(Exists(path));
}

TEST_F(Patient, OtherFailuresReturnAtOnce)
{
    std::string missing = dir / "missing.exe", to = dir / "to.exe";
    TraceCapture trace;
    EXPECT_EQ(RemovePatiently(missing.c_str()), (unsigned long)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ProbePatiently(missing.c_str()), (unsigned long)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(MovePatiently(missing.c_str(), to.c_str()), (unsigned long)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Waits(trace), 0);
}
