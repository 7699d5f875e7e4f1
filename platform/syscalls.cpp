#include "syscalls.h"

#include <process.h>

static const SYSTEM_CALLS RealSystemCalls = {
    ::EnumPortsA,
    ::EnumPrintersA,
    ::EnumPrinterDriversA,
    ::GetPrinterDriverA,
    ::AddPrinterA,
    ::DeletePrinter,
    ::OpenPrinterA,
    ::ClosePrinter,
    ::StartDocPrinterA,
    ::StartPagePrinter,
    ::WritePrinter,
    ::EndPagePrinter,
    ::EndDocPrinter,
    ::AbortPrinter,
    ::GetJobA,

    ::CreateFileA,
    ::ReadFile,
    ::WriteFile,
    ::GetFileSize,
    ::GetFileAttributesA,
    ::CloseHandle,
    ::FindFirstFileA,
    ::FindClose,
    ::GetModuleFileNameA,

    ::GetVersionExA,
    ::GetLastError,
    ::GetTickCount,
    ::Sleep,

    ::MessageBoxA,
    ::_beginthread,
};

SYSTEM_CALLS Sys = RealSystemCalls;

void ResetSystemCalls(void)
{
    Sys = RealSystemCalls;
}
