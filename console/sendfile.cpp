/* The ports as the window lists them, and one file sent to the ports named
   on the command line, each by the road its row calls for, with the
   window's stop rule: a failure of the input file stops the run, a
   failure of one port goes on to the next. */
#include "console.h"
#include "send.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define DRIVER_NAME_SIZE    256

/* Set by the console's control handler, read by the transfer's progress
   report: the road then aborts its job, deletes its temporary printer and
   closes what it opened. RunEnded tells a handler that must keep the
   process alive (the console is closing) that all of that is done; it
   lives as long as the process, since a handler may still wait on it. */
static volatile LONG CancelRequested;
static HANDLE RunEnded;

/* The bytes the far end has taken of the current port's transfer. */
static ULONGLONG BytesSent;

static const char *RoadWord(SEND_ROAD road)
{
    switch (road) {
    case ROAD_INSTALLED:
        return "queue";
    case ROAD_TEMPORARY:
        return "temporary";
    default:
        return "device";
    }
}

/* The same table as the window's first fill: without ports or a list of
   printers there is nothing to offer. */
static bool BuildTable(void)
{
    if (BuildPortTable())
        return true;
    PrintError("Printer List could not be initialised!\n");
    return false;
}

int ListPorts(void)
{
    if (!BuildTable())
        return EXIT_PORT_NOT_OFFERED;
    char driver[DRIVER_NAME_SIZE];
    bool anyDriver = GetTemporaryPrinterDriver(driver, sizeof driver);
    for (int i = 0; i < PortTableCount; ++i) {
        const char *detail;
        SEND_ROAD road = GetPortRoad(&PortTable[i], anyDriver ? driver : NULL, &detail);
        PrintOutput("%s\t%s\t%s\n", PortTable[i].szPortName, RoadWord(road), detail);
    }
    return EXIT_SENT;
}

/* Only a port the list offers is ever opened: a name is matched whole
   against the rows' texts, never taken as a device or file name. */
static const PORT_ENTRY *FindOfferedPort(const char *name)
{
    for (int i = 0; i < PortTableCount; ++i)
        if (strcmp(PortTable[i].szPortName, name) == 0)
            return &PortTable[i];
    return NULL;
}

/* Ctrl+C and Ctrl+Break only ask the run to stop. When the console closes
   or the session ends, the process is ended once the handler returns: it
   waits until the run has unwound. */
static BOOL WINAPI OnConsoleControl(DWORD event)
{
    InterlockedExchange(&CancelRequested, TRUE);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(RunEnded, INFINITE);
    return TRUE;
}

static BOOL ShowConsoleProgress(const char *portName, int percent, ULONGLONG bytesSent)
{
    char line[PROGRESS_LINE_SIZE];
    if (percent == SEND_STARTED)
        snprintf(line, sizeof line, "Writing to %s", portName);
    else
        snprintf(line, sizeof line, "Writing to %s  %d%% Completed", portName, percent);
    ShowProgressLine(line);
    BytesSent = bytesSent;
    return !CancelRequested;
}

/* The result line, then the messages the window would show in its boxes.
   Returns the run's exit code so far. */
static int ReportResult(const PORT_ENTRY *row, SEND_RESULT result, SEND_ROAD road, int exitCode)
{
    ClearProgressLine();
    PrintOutput("%s\t%s\t%llu\t%s\n", row->szPortName, result == SEND_OK ? "sent" : "failed",
                (unsigned long long)BytesSent, RoadWord(road));
    SEND_OUTCOME outcome;
    DescribeSendResult(result, road, row->szPortName, &outcome);
    for (int i = 0; i < outcome.messageCount; ++i)
        PrintError("%s\n", outcome.messages[i].text);
    if (result == SEND_CANCELLED)
        return EXIT_CANCELLED;
    if (outcome.stopsRun)
        return EXIT_FILE_FAILED;
    return result == SEND_OK ? exitCode : EXIT_PORT_FAILED;
}

static int SendToRows(const char *path, const PORT_ENTRY *const *rows, int count)
{
    int exitCode = EXIT_SENT;
    for (int i = 0; i < count; ++i) {
        if (CancelRequested) {
            PrintError("Sending was cancelled before %s: it and the ports after it got nothing.\n",
                       rows[i]->szPortName);
            return EXIT_CANCELLED;
        }
        BytesSent = 0;
        SEND_ROAD road;
        SEND_RESULT result = SendToPort(rows[i], path, ShowConsoleProgress, &road);
        exitCode = ReportResult(rows[i], result, road, exitCode);
        if (exitCode == EXIT_CANCELLED || exitCode == EXIT_FILE_FAILED)
            break;
    }
    return exitCode;
}

/* Every name is checked before any byte moves: a run that could not reach
   all of its ports does not start. */
int SendFileToPorts(const char *path, char *const *portNames, int portCount)
{
    if (!BuildTable())
        return EXIT_PORT_NOT_OFFERED;
    const PORT_ENTRY **rows = (const PORT_ENTRY **)calloc(portCount, sizeof *rows);
    if (rows == NULL) {
        PrintError("vantrel-send: out of memory\n");
        return EXIT_PORT_NOT_OFFERED;
    }
    bool offered = true;
    for (int i = 0; i < portCount; ++i) {
        rows[i] = FindOfferedPort(portNames[i]);
        if (rows[i] == NULL) {
            PrintError("vantrel-send: %s is not a port Vantrel offers (see vantrel-send --list)\n", portNames[i]);
            offered = false;
        }
    }

    int exitCode = EXIT_PORT_NOT_OFFERED;
    if (offered) {
        RunEnded = CreateEventA(NULL, TRUE, FALSE, NULL);
        SetConsoleCtrlHandler(OnConsoleControl, TRUE);
        exitCode = SendToRows(path, rows, portCount);
        if (RunEnded != NULL)
            SetEvent(RunEnded);
    }
    free(rows);
    return exitCode;
}
