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

/* Set by the console's control handler, read by the transfer's progress
   report: the road then aborts its job, deletes its temporary printer and
   closes what it opened. RunEnded tells a handler that must keep the
   process alive (the console is closing) that all of that is done; it
   lives as long as the process, since a handler may still wait on it. */
static volatile LONG CancelRequested;
static HANDLE RunEnded;

/* The bytes the far end has taken of the current port's transfer. */
static ULONGLONG BytesSent;

/* --wait: each job is followed to the printer, for at most FollowSeconds. */
static bool FollowingJobs;
static DWORD FollowSeconds;

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

/* Where the print server refuses its administration, a temporary printer
   will be refused too: a send then tries the port device instead. */
int ListPorts(void)
{
    if (!BuildTable())
        return EXIT_PORT_NOT_OFFERED;
    TEMPORARY_DRIVER driver;
    bool anyDriver = GetTemporaryPrinterDriver(&driver);
    bool anyTemporary = false;
    for (int i = 0; i < PortTableCount; ++i) {
        const char *detail, *datatype;
        SEND_ROAD road = GetPortRoad(&PortTable[i], anyDriver ? &driver : NULL, &detail, &datatype);
        PrintOutput("%s\t%s\t%s\t%s\n", PortTable[i].szPortName, RoadWord(road), detail, datatype ? datatype : "-");
        anyTemporary |= road == ROAD_TEMPORARY;
    }
    if (anyTemporary && !MayAddPrinters())
        PrintError("vantrel-send: adding a temporary printer needs administrator rights, which this user lacks: "
                   "a send to a port listed as temporary tries the port device instead. Run vantrel-send as an "
                   "administrator, or install a printer on the port.\n");
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
BOOL WINAPI OnConsoleControl(DWORD event)
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

/* While a job is followed: what the spooler says of it, updated in place. */
static BOOL ShowJobState(const char *portName, const char *state)
{
    char line[PROGRESS_LINE_SIZE];
    snprintf(line, sizeof line, "Waiting for %s to print: %s", portName, state);
    ShowProgressLine(line);
    return !CancelRequested;
}

static const char *JobWord(SEND_RESULT result, const JOB_FOLLOWING *following)
{
    if (result != SEND_OK)
        return "-";
    switch (following->outcome) {
    case JOB_PRINTED:
        return "delivered";
    case JOB_DELETED:
        return "deleted";
    default:
        return "unconfirmed";
    }
}

/* The exit code that wins: a cancel, then a failed file, then a failed
   port, then a job not yet printed. A following stopped by Ctrl+C is a
   cancel: the job is left alone, and nothing after it is sent. */
static int WorseExitCode(int exitCode, SEND_VERDICT verdict)
{
    static const int Ranked[] = {EXIT_SENT, EXIT_UNCONFIRMED, EXIT_PORT_FAILED, EXIT_FILE_FAILED, EXIT_CANCELLED};
    int code = EXIT_SENT;
    switch (verdict) {
    case VERDICT_UNCONFIRMED:
        code = CancelRequested ? EXIT_CANCELLED : EXIT_UNCONFIRMED;
        break;
    case VERDICT_PORT_FAILED:
        code = EXIT_PORT_FAILED;
        break;
    case VERDICT_FILE_FAILED:
        code = EXIT_FILE_FAILED;
        break;
    case VERDICT_CANCELLED:
        code = EXIT_CANCELLED;
        break;
    default:
        break;
    }
    int rank = 0, current = 0;
    for (int i = 0; i < (int)(sizeof Ranked / sizeof Ranked[0]); ++i) {
        rank = Ranked[i] == code ? i : rank;
        current = Ranked[i] == exitCode ? i : current;
    }
    return rank > current ? code : exitCode;
}

/* The result line, then the messages the window would show in its boxes.
   Returns the run's exit code so far. */
static int ReportResult(const PORT_ENTRY *row, SEND_RESULT result, const SEND_ROUTE *route,
                        const JOB_FOLLOWING *following, int exitCode)
{
    ClearProgressLine();
    PrintOutput("%s\t%s\t%llu\t%s", row->szPortName, result == SEND_OK ? "sent" : "failed",
                (unsigned long long)BytesSent, RoadWord(route->road));
    PrintOutput(following != NULL ? "\t%s\n" : "%s\n", following != NULL ? JobWord(result, following) : "");
    SEND_OUTCOME outcome;
    DescribeSendResult(result, route, following, row->szPortName, &outcome);
    for (int i = 0; i < outcome.messageCount; ++i)
        PrintError("%s\n", outcome.messages[i].text);
    return WorseExitCode(exitCode, outcome.verdict);
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
        JOB_FOLLOWING following = {FollowSeconds, ShowJobState, JOB_NOT_FOLLOWED, ""};
        SEND_ROUTE route;
        SEND_RESULT result = SendToPort(rows[i], path, ShowConsoleProgress, FollowingJobs ? &following : NULL, &route);
        exitCode = ReportResult(rows[i], result, &route, FollowingJobs ? &following : NULL, exitCode);
        /* A following stopped by Ctrl+C goes on to say which ports got nothing. */
        if (result == SEND_CANCELLED || exitCode == EXIT_FILE_FAILED)
            break;
    }
    return exitCode;
}

/* Every name is checked before any byte moves: a run that could not reach
   all of its ports does not start. */
int SendFileToPorts(const char *path, char *const *portNames, int portCount, bool following, DWORD waitSeconds)
{
    FollowingJobs = following;
    FollowSeconds = waitSeconds;
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
