/* One press of "Go", on a worker thread of its own: refresh the ports, send
   the file to every ticked one by the road its row calls for, report each
   failure, and give the window back. */
#include "send.h"
#include "ports.h"
#include "shell.h"
#include "syscalls.h"

#include <commctrl.h>
#include <process.h>
#include <stdio.h>

/* Closing a modal box enables its owner, even one that was disabled before
   the box (seen under Wine). The run goes on after the box, and its window
   must stay disabled until the run gives it back: enabled, its close box
   would end the program in the middle of a transfer. */
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

static SEND_RESULT SendToRow(HWND owner, const PORT_ENTRY *row)
{
    if (row->Attributes != PORT_NO_PRINTER)
        return PrintOnInstalledPrinter(row->szPrinterName, row->szPortName);

    HANDLE printer = AddTemporaryPrinter(row->szPortName);
    if (printer != NULL)
        return PrintOnTemporaryPrinter(printer, row->szPortName);

    SEND_RESULT result = CopyFileToPort(row->szPortName);
    if (result != SEND_OK)
        ShowPortError(owner, "Could not print to %s! Please check your printer connection.",
                      row->szPortName, "Printer Error");
    return result;
}

/* Tells the user what a result means. True when the run must stop: an
   input-file failure would fail on every port alike. */
static bool ReportSendResult(HWND owner, SEND_RESULT result, const char *portName)
{
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
        /* SEND_OK; SEND_PORT_OPEN_FAILED has had its box already. */
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
        SEND_RESULT result = SendToRow(owner, row);
        if (ReportSendResult(owner, result, row->szPortName))
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
    EnableMainControls(owner, TRUE);
    if (focusFileName)
        FocusFileName();
    _endthread();
}
