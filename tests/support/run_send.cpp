/* Kept apart from the windows: a test program that never runs a send does
   not need the send run and the port refresh linked in. */
#include "send_windows.h"
#include "send.h"
#include "shell.h"

#include <process.h>

/* The worker ends itself with _endthread, so it opens a handle on itself
   first: the one _beginthread returns is closed when the thread ends. */
static HANDLE WorkerThread;
static HANDLE WorkerStarted;

static void __cdecl RunWorker(void *argument)
{
    WorkerThread = OpenThread(SYNCHRONIZE, FALSE, GetCurrentThreadId());
    SetEvent(WorkerStarted);
    SendThreadProc(argument);
}

bool SendWindows::RunSend()
{
    MainWindowHandle = main;
    EnableMainControls(main, FALSE);
    WorkerStarted = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (_beginthread(RunWorker, 0, &MainWindowHandle) == (uintptr_t)-1)
        return false;
    WaitForSingleObject(WorkerStarted, INFINITE);
    CloseHandle(WorkerStarted);

    DWORD deadline = GetTickCount() + 60000;
    bool ended = false;
    while (!ended && (int)(deadline - GetTickCount()) > 0) {
        DWORD wait = MsgWaitForMultipleObjects(1, &WorkerThread, FALSE, 100, QS_ALLINPUT);
        ended = wait == WAIT_OBJECT_0;
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    CloseHandle(WorkerThread);
    return ended;
}
