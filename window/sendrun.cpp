/* One press of "Go", on a worker thread of its own: refresh the ports, send
   the file to every ticked one by the road its row calls for, and give the
   window back. The window's way of telling the user: the progress texts,
   the wait cursor, a box for every message of a result, "Error" and
   "Ready", and the focus. */
#include "send.h"
#include "portlist.h"
#include "shell.h"
#include "syscalls.h"

#include <commctrl.h>
#include <process.h>
#include <stdio.h>

#define PROGRESS_TEXT_SIZE  (PORT_FIELD_SIZE + 64)

/* "Writing to PORT" when the bytes start to move, then the port at the left
   and the percentage at the right edge (two tabs) after every chunk; the
   status bar is only reached when the text changes. The wait cursor is set
   once per transfer, at its first report, which carries no bytes yet. The
   window never stops a transfer. */
BOOL ShowSendProgress(const char *portName, int percent, ULONGLONG bytesSent)
{
    char text[PROGRESS_TEXT_SIZE];
    if (percent == SEND_STARTED)
        snprintf(text, sizeof text, "Writing to %s", portName);
    else
        snprintf(text, sizeof text, "Writing to %s\t\t%d%% Completed", portName, percent);
    if (bytesSent == 0)
        SetCursor(LoadCursorA(NULL, IDC_WAIT));
    SetStatusText(text);
    return TRUE;
}

/* Closing a modal box enables its owner, even one that was disabled before
   the box (seen under Wine). The run goes on after the box, and its window
   must stay disabled until the run gives it back. */
static void ShowSendError(HWND owner, const char *text, const char *caption)
{
    Sys.MessageBoxA(owner, text, caption, MB_OK | MB_ICONERROR);
    EnableWindow(owner, FALSE);
}

/* A box for every message of the result, then the status: "Ready" with the
   focus back at the file's name after an invalid one, "Error" after any
   other failure but a port that could not be opened. A temporary printer's
   failed job shows "Error" while its box is up. True when the run stops. */
static bool ReportSendResult(HWND owner, SEND_RESULT result, const char *portName, const SEND_ROUTE *route)
{
    SEND_OUTCOME outcome;
    DescribeSendResult(result, route, NULL, portName, &outcome);
    if ((result == SEND_WRITE_FAILED || result == SEND_READ_FAILED) && route->road == ROAD_TEMPORARY)
        ShowErrorStatus();
    for (int i = 0; i < outcome.messageCount; ++i)
        ShowSendError(owner, outcome.messages[i].text, outcome.messages[i].caption);
    if (result == SEND_BAD_FILE_NAME)
        ShowReadyStatus();
    else if (result != SEND_OK && result != SEND_PORT_OPEN_FAILED)
        ShowErrorStatus();
    return outcome.stopsRun;
}

/* True when the run stopped on an invalid file name. The items are counted
   after the refresh: a ticked port that a new one pushed down is still
   sent. Item i shows row i; a row past the end of the table is never read.
   The path is read anew for every port; a text too long to be a path goes
   on as NULL, and each road refuses it at its own first check. */
static bool SendToCheckedPorts(HWND owner)
{
    RebuildPortTable();
    int count = (int)SendMessageA(PortListWindow, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count && i < PortTableCount; ++i) {
        if (GetPortCheckState(i) != PORT_CHECKED)
            continue;
        const PORT_ENTRY *row = &PortTable[i];
        char buffer[INPUT_PATH_SIZE];
        const char *path = GetInputPath(buffer) ? buffer : NULL;
        SEND_ROUTE route;
        SEND_RESULT result = SendToPort(row, path, ShowSendProgress, NULL, &route);
        if (ReportSendResult(owner, result, row->szPortName, &route))
            return result == SEND_BAD_FILE_NAME;
    }
    return false;
}

/* The focus can only be set from the thread that owns the edit, and only
   once the edit is enabled again: borrow that thread's input state. */
static void FocusFileName(void)
{
    DWORD worker = GetCurrentThreadId();
    DWORD owner = GetWindowThreadProcessId(FileEditWindow, NULL);
    BOOL attached = owner != worker && AttachThreadInput(worker, owner, TRUE);
    SetFocus(FileEditWindow);
    if (attached)
        AttachThreadInput(worker, owner, FALSE);
}

void __cdecl SendThreadProc(void *argument)
{
    HWND owner = *(HWND *)argument;
    bool focusFileName = false;

    if (!IsAnyPortChecked())
        ShowSendError(owner, "No ports are selected! Please select a port.", "Selection Error");
    else
        focusFileName = SendToCheckedPorts(owner);

    ShowReadyStatus();
    /* From here on nothing is cut short by closing the window. */
    InterlockedExchange(&SendRunActive, FALSE);
    EnableMainControls(owner, TRUE);
    if (focusFileName)
        FocusFileName();
    _endthread();
}
