// Helpers shared by the tests: scratch folders, files, child runs and the
// capture of the trace as the debugger output receives it.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <vector>

namespace test {

// A fresh folder under the temp directory, removed with its files at the end.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& tag);
    ~ScratchDir();
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void RemoveTree(const std::string& path);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
bool IsDir(const std::string& path);
bool Exists(const std::string& path);

// The directory of the running test program, and a program beside it.
std::string HereDir();
std::string Beside(const std::string& exe);

struct ChildRun {
    DWORD exitCode;
    std::vector<std::string> trace; // the child's debugger output, in order
};

// Runs a command line to its end, collecting the child's OutputDebugString
// lines as a debugger does. A debugged process never reaches its unhandled-
// exception filter, so crash tests run without the debugger (and no trace).
ChildRun RunChild(const std::string& cmdLine, bool debug = true, DWORD timeoutMs = 60000);

// The trace lines this process writes while an object lives (a vectored
// handler sees each OutputDebugStringA as DBG_PRINTEXCEPTION_C first).
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    std::vector<std::string> lines() const;

private:
    PVOID handler_;
};

// The text of a trace line after "<thread id> ".
std::string Body(const std::string& line);

std::string AppDataDir();

// A registry value as stored: its type, its data without the terminating
// NUL, and its stored size.
struct RegValue {
    bool present = false;
    DWORD type = 0;
    std::string data;
    DWORD size = 0;
};
RegValue RegRead(HKEY root, const std::string& key, const std::string& name);

} // namespace test
