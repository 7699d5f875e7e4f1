/* One press of "Go", on a worker thread of its own: refresh the ports, send
   the file to every ticked one by the road its row calls for, and give the
   window back. This is the one place that tells the user what happened:
   the progress texts, the wait cursor, every box, "Error" and "Ready", and
   the focus. */
#include "send.h"
#include "ports.h"
#include "shell.h"
#include "syscalls.h"

#include <commctrl.h>
#include <process.h>
#include <stdio.h>

#define PROGRESS_TEXT_SIZE  (PORT_FIELD_SIZE + 64)

/* "Writing to PORT" when the bytes start to move, then the port at the left
   and the percentage at the right edge (two tabs) after every chunk. */
static void ShowSendProgress(const char *portName, int percent)
{
    char text[PROGRESS_TEXT_SIZE];
    if (percent == SEND_STARTED)
        snprintf(text, sizeof text, "Writing to %s", portName);
    else
        snprintf(text, sizeof text, "Writing to %s\t\t%d%% Completed", portName, percent);
    SetCursor(LoadCursorA(NULL, IDC_WAIT));
    SetStatusText(text);
}

/* Closing a modal box enables its owner, even one that was disabled before
   the box (seen under Wine). The run goes on after the box, and its window
   must stay disabled until the run gives it back. */
static void ShowSendError(HWND owner, const char *text, const char *caption)
{
    Sys.MessageBoxA(owner, text, caption, MB_OK | MB_ICONERROR);
    EnableWindow(owner, FALSE);
}

static void ShowPortError(HWND owner, const char *format, const char *portName, const char *caption)
{
    char text[256];
    snprintf(text, sizeof text, format, portName);
    ShowSendError(owner, text, caption);
}

enum SEND_ROAD { ROAD_INSTALLED, ROAD_TEMPORARY, ROAD_DIRECT };

/* The road the row calls for. The path is read anew for every port; a text
   too long to be a path goes on as NULL, and each road refuses it at its
   own first check. */
static SEND_RESULT SendToRow(const PORT_ENTRY *row, SEND_ROAD *road)
{
    char buffer[INPUT_PATH_SIZE];
    const char *path = GetInputPath(buffer) ? buffer : NULL;
    *road = ROAD_INSTALLED;
    if (row->Attributes != PORT_NO_PRINTER)
        return PrintOnInstalledPrinter(path, row->szPrinterName, row->szPortName, ShowSendProgress);
    *road = ROAD_TEMPORARY;
    HANDLE printer = AddTemporaryPrinter(row->szPortName);
    if (printer != NULL)
        return PrintOnTemporaryPrinter(printer, path, row->szPortName, ShowSendProgress);
    *road = ROAD_DIRECT;
    return CopyFileToPort(path, row->szPortName, ShowSendProgress);
}

/* Tells the user what a result means. True when the run must stop: an
   input-file failure would fail on every port alike. A failure on the
   direct road first names the port that could not be written; one of a
   temporary printer's job shows "Error" while its box is up. */
static bool ReportSendResult(HWND owner, SEND_RESULT result, const char *portName, SEND_ROAD road)
{
    if (result != SEND_OK && road == ROAD_DIRECT)
        ShowPortError(owner, "Could not print to %s! Please check your printer connection.",
                      portName, "Printer Error");
    if ((result == SEND_WRITE_FAILED || result == SEND_READ_FAILED) && road == ROAD_TEMPORARY)
        ShowErrorStatus();
    switch (result) {
    case SEND_WRITE_FAILED:
        ShowPortError(owner, "Error writing to %s! Please check your printer connection.",
                      portName, "Write to Printer Error");
        ShowErrorStatus();
        return false;
    case SEND_BAD_FILE_NAME:
        ShowSendError(owner, "Selected Filename is invalid!\nPlease check validity of the file.",
                      "Input File Error");
        ShowReadyStatus();
        return true;
    case SEND_READ_FAILED:
        ShowSendError(owner, "Selected file could not be read", "Input File Read Error");
        ShowErrorStatus();
        return true;
    case SEND_OPEN_FAILED:
        ShowSendError(owner, "Input file can't be opened!", "Input File Error");
        ShowErrorStatus();
        return true;
    default:
        /* SEND_OK; SEND_PORT_OPEN_FAILED has had its "Printer Error". */
        return false;
    }
}

/* True when the run stopped on an invalid file name. The items are counted
   after the refresh: a ticked port that a new one pushed down is still
   sent. Item i shows row i; a row past the end of the table is never read. */
static bool SendToCheckedPorts(HWND owner)
{
    RebuildPortTable();
    int count = (int)SendMessageA(PortListWindow, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count && i < PortTableCount; ++i) {
        if (GetPortCheckState(i) != PORT_CHECKED)
            continue;
        const PORT_ENTRY *row = &PortTable[i];
        SEND_ROAD road;
        SEND_RESULT result = SendToRow(row, &road);
        if (ReportSendResult(owner, result, row->szPortName, road))
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
