// Helpers shared by the tests.
#include "TestSupport.h"

#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <mutex>

namespace test {

static std::mutex traceLock;
static std::vector<std::string>* traceSink;

ScratchDir::ScratchDir(const std::string& tag)
{
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    static unsigned counter;
    path_ = std::string(tmp) + "tw_" + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter);
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), 0);
}

ScratchDir::~ScratchDir()
{
    RemoveTree(path_);
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    if (!RemoveDirectoryA(path.c_str()))
        DeleteFileA(path.c_str());
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
}

bool IsDir(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string HereDir()
{
    char buf[MAX_PATH];
    GetModuleFileNameA(0, buf, MAX_PATH);
    std::string s = buf;
    return s.substr(0, s.rfind('\\'));
}

std::string Beside(const std::string& exe)
{
    return HereDir() + "\\" + exe;
}

ChildRun RunChild(const std::string& cmdLine, bool debug, DWORD timeoutMs)
{
    ChildRun run{~0u, {}};
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::string cmd = cmdLine;
    if (!CreateProcessA(0, &cmd[0], 0, 0, FALSE, debug ? DEBUG_ONLY_THIS_PROCESS : 0, 0, 0, &si,
                        &pi))
        return run;
    if (!debug) {
        if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0)
            TerminateProcess(pi.hProcess, 0xDEAD);
        WaitForSingleObject(pi.hProcess, 10000);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return run;
    }
    DWORD start = GetTickCount();
    for (;;) {
        DEBUG_EVENT ev;
        if (!WaitForDebugEvent(&ev, 1000)) {
            if (GetTickCount() - start > timeoutMs) {
                TerminateProcess(pi.hProcess, 0xDEAD);
            }
            continue;
        }
        DWORD status = DBG_CONTINUE;
        if (ev.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT) {
            const auto& info = ev.u.DebugString;
            std::string text(info.nDebugStringLength, '\0');
            SIZE_T got = 0;
            ReadProcessMemory(pi.hProcess, info.lpDebugStringData, &text[0], text.size(), &got);
            text.resize(got);
            while (!text.empty() && text.back() == '\0')
                text.pop_back();
            run.trace.push_back(text);
        } else if (ev.dwDebugEventCode == EXCEPTION_DEBUG_EVENT) {
            // Not ours to handle: let the child's own filters see it.
            if (ev.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                status = DBG_EXCEPTION_NOT_HANDLED;
        } else if (ev.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) {
            CloseHandle(ev.u.CreateProcessInfo.hFile);
        } else if (ev.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
            CloseHandle(ev.u.LoadDll.hFile);
        }
        bool done = ev.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT;
        if (done)
            run.exitCode = ev.u.ExitProcess.dwExitCode;
        ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
        if (done)
            break;
    }
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return run;
}

static LONG CALLBACK Catch(EXCEPTION_POINTERS* e)
{
    const EXCEPTION_RECORD* r = e->ExceptionRecord;
    if (r->ExceptionCode != DBG_PRINTEXCEPTION_C || r->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    std::lock_guard<std::mutex> hold(traceLock);
    if (traceSink)
        traceSink->push_back((const char*)r->ExceptionInformation[1]);
    return EXCEPTION_CONTINUE_EXECUTION;
}

static std::vector<std::string> captured;

TraceCapture::TraceCapture()
{
    std::lock_guard<std::mutex> hold(traceLock);
    captured.clear();
    traceSink = &captured;
    handler_ = AddVectoredExceptionHandler(1, Catch);
}

TraceCapture::~TraceCapture()
{
    RemoveVectoredExceptionHandler(handler_);
    std::lock_guard<std::mutex> hold(traceLock);
    traceSink = 0;
}

std::vector<std::string> TraceCapture::lines() const
{
    std::lock_guard<std::mutex> hold(traceLock);
    return captured;
}

std::string Body(const std::string& line)
{
    size_t sp = line.find(' ');
    return sp == std::string::npos ? line : line.substr(sp + 1);
}

std::string AppDataDir()
{
    char buf[MAX_PATH];
    SHGetFolderPathA(0, CSIDL_APPDATA, 0, SHGFP_TYPE_CURRENT, buf);
    return buf;
}

RegValue RegRead(HKEY root, const std::string& key, const std::string& name)
{
    RegValue v;
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h))
        return v;
    char buf[4096];
    DWORD size = sizeof(buf);
    if (!RegQueryValueExA(h, name.c_str(), 0, &v.type, (BYTE*)buf, &size)) {
        v.present = true;
        v.size = size;
        v.data.assign(buf, size && buf[size - 1] == 0 ? size - 1 : size);
    }
    RegCloseKey(h);
    return v;
}

} // namespace test
