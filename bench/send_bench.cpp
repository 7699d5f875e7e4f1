/* Runs one transfer road the way the program does: the run's own progress
   display, into a real status bar of a window owned by another thread.

     vantrel_send_bench [--hidden | --silent] direct PORT FILE
     vantrel_send_bench [--hidden | --silent] installed QUEUE PORT FILE

   --hidden leaves the window hidden, so that the status bar is never
   painted: what the progress display costs shows against a visible one.
   --silent shows no progress at all: the road's own cost. The road starts
   once the window's thread has had nothing to do for a while, as when a
   user presses "Go" in a window shown long before.

   Prints "start", "end" (seconds since 1970, taken just before and after
   the road), "result", and the process's working set before the road and
   at its peak, in bytes. */
#include "send.h"
#include "shell.h"

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <stdio.h>
#include <string.h>

static double UnixNow(void)
{
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    ULONGLONG ticks = ((ULONGLONG)now.dwHighDateTime << 32) | now.dwLowDateTime;
    return (double)(ticks - 116444736000000000ull) / 1e7;
}

static HANDLE WindowsReady;
static bool Hidden;
static bool Silent;

#define SETTLED_MS  300

static BOOL ShowNoProgress(const char *, int, ULONGLONG)
{
    return TRUE;
}

/* The user-interface thread: owns the status bar and pumps its messages
   while the main thread sends. */
static DWORD WINAPI WindowThread(LPVOID)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    HWND main = CreateWindowA("STATIC", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 500, 200,
                              NULL, NULL, GetModuleHandleA(NULL), NULL);
    StatusBarWindow = CreateStatusBar(main);
    if (!Hidden && !Silent)
        ShowWindow(main, SW_SHOW);
    MSG message;
    for (;;) {
        if (MsgWaitForMultipleObjects(0, NULL, FALSE, SETTLED_MS, QS_ALLINPUT) == WAIT_TIMEOUT)
            break;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    SetEvent(WindowsReady);
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

static SIZE_T WorkingSet(bool peak)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize;
}

int main(int argc, char **argv)
{
    Hidden = argc > 1 && strcmp(argv[1], "--hidden") == 0;
    Silent = argc > 1 && strcmp(argv[1], "--silent") == 0;
    if (Hidden || Silent) {
        --argc;
        ++argv;
    }
    bool direct = argc == 4 && strcmp(argv[1], "direct") == 0;
    bool installed = argc == 5 && strcmp(argv[1], "installed") == 0;
    if (!direct && !installed) {
        fprintf(stderr, "usage: vantrel_send_bench [--hidden | --silent] direct PORT FILE | installed QUEUE PORT FILE\n");
        return 2;
    }
    WindowsReady = CreateEventA(NULL, TRUE, FALSE, NULL);
    CreateThread(NULL, 0, WindowThread, NULL, 0, NULL);
    WaitForSingleObject(WindowsReady, INFINITE);

    SIZE_T before = WorkingSet(false);
    double start = UnixNow();
    const char *path = argv[argc - 1];
    SEND_PROGRESS progress = Silent ? ShowNoProgress : ShowSendProgress;
    SEND_RESULT result = direct ? CopyFileToPort(path, argv[2], progress)
                                : PrintOnInstalledPrinter(path, argv[2], argv[3], progress, NULL);
    double end = UnixNow();
    printf("start %.6f\nend %.6f\nresult %d\nworking_set_before %lu\nworking_set_peak %lu\n",
           start, end, result, (unsigned long)before, (unsigned long)WorkingSet(true));
    return result == SEND_OK ? 0 : 1;
}
