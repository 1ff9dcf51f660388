// The unhandled-exception filter: a minidump, then the error report.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

LONG WINAPI CrashDump(EXCEPTION_POINTERS* info);
