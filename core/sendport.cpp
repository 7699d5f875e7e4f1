/* The road a row of the port table calls for, and what a transfer's result
   means to the user. Both front ends show these words and follow the stop
   rule; neither decides them itself. */
#include "rawjob.h"

#include <stdio.h>

SEND_ROAD GetPortRoad(const PORT_ENTRY *row, const TEMPORARY_DRIVER *driver, const char **detail,
                      const char **datatype)
{
    if (row->Attributes != PORT_NO_PRINTER) {
        *detail = row->szPrinterName;
        *datatype = GetQueueDatatype(row->szPrinterName);
        return ROAD_INSTALLED;
    }
    if (driver != NULL) {
        *detail = driver->szName;
        *datatype = driver->datatype;
        return ROAD_TEMPORARY;
    }
    *detail = row->szPortName;
    *datatype = NULL;
    return ROAD_DIRECT;
}

/* A queue on the port takes the job; without one a temporary queue is
   added for it, and without any driver to add one with, or the right to,
   the port device is written itself. A device that took every byte has
   them: nothing is left to follow. */
SEND_RESULT SendToPort(const PORT_ENTRY *row, const char *path, SEND_PROGRESS progress, JOB_FOLLOWING *following,
                       SEND_ROUTE *route)
{
    route->road = ROAD_INSTALLED;
    route->addRefused = FALSE;
    if (row->Attributes != PORT_NO_PRINTER)
        return PrintOnInstalledPrinter(path, row->szPrinterName, row->szPortName, progress, following);
    route->road = ROAD_TEMPORARY;
    char *datatype;
    HANDLE printer = AddTemporaryPrinter(row->szPortName, &datatype, &route->addRefused);
    if (printer != NULL)
        return PrintOnTemporaryPrinter(printer, datatype, path, row->szPortName, progress, following);
    route->road = ROAD_DIRECT;
    SEND_RESULT result = CopyFileToPort(path, row->szPortName, progress);
    if (result == SEND_OK && following != NULL)
        following->outcome = JOB_PRINTED;
    return result;
}

/* The port goes in as an argument, never as a format: a port may be named
   with a percent sign. Texts without a port are taken as they stand. */
static void AddMessage(SEND_OUTCOME *outcome, const char *caption, const char *format, const char *portName)
{
    SEND_MESSAGE *message = &outcome->messages[outcome->messageCount++];
    message->caption = caption;
    if (portName != NULL)
        snprintf(message->text, sizeof message->text, format, portName);
    else
        snprintf(message->text, sizeof message->text, "%s", format);
}

/* A followed job that did not print: the port did not get the file, or
   has not yet. Its state can be as long as a field: it goes in whole. */
static void DescribeJobOutcome(const JOB_FOLLOWING *following, const char *portName, SEND_OUTCOME *outcome)
{
    if (following == NULL || following->outcome == JOB_PRINTED || following->outcome == JOB_NOT_FOLLOWED)
        return;
    SEND_MESSAGE *message = &outcome->messages[outcome->messageCount++];
    if (following->outcome == JOB_DELETED) {
        outcome->verdict = VERDICT_PORT_FAILED;
        message->caption = "Printer Job Deleted";
        snprintf(message->text, sizeof message->text,
                 "The job for %s was deleted before it printed! The port did not get the file.", portName);
    } else {
        outcome->verdict = VERDICT_UNCONFIRMED;
        message->caption = "Printer Job Waiting";
        snprintf(message->text, sizeof message->text,
                 "%s has not printed the file yet: its job is still in the queue (%s).", portName, following->state);
    }
}

/* A failure on the direct road first names the port that could not be
   written, then, where a temporary printer was refused for want of the
   right to add one, the real cause: the connection may well be fine. A
   cancelled transfer is the user's own doing, no fault of the port's. */
void DescribeSendResult(SEND_RESULT result, const SEND_ROUTE *route, const JOB_FOLLOWING *following,
                        const char *portName, SEND_OUTCOME *outcome)
{
    outcome->messageCount = 0;
    outcome->stopsRun = false;
    outcome->verdict = VERDICT_DELIVERED;
    if (result == SEND_OK) {
        DescribeJobOutcome(following, portName, outcome);
        return;
    }
    outcome->verdict = VERDICT_PORT_FAILED;
    if (route->road == ROAD_DIRECT && result != SEND_CANCELLED)
        AddMessage(outcome, "Printer Error", "Could not print to %s! Please check your printer connection.", portName);
    if (route->addRefused && (result == SEND_WRITE_FAILED || result == SEND_PORT_OPEN_FAILED))
        AddMessage(outcome, "Printer Rights Error",
                   "A temporary printer could not be added on %s, since adding a printer needs administrator "
                   "rights. Start Vantrel as an administrator, or install a printer on the port.", portName);
    switch (result) {
    case SEND_WRITE_FAILED:
        AddMessage(outcome, "Write to Printer Error", "Error writing to %s! Please check your printer connection.",
                   portName);
        break;
    case SEND_BAD_FILE_NAME:
        AddMessage(outcome, "Input File Error", "Selected Filename is invalid!\nPlease check validity of the file.",
                   NULL);
        outcome->verdict = VERDICT_FILE_FAILED;
        break;
    case SEND_READ_FAILED:
        AddMessage(outcome, "Input File Read Error", "Selected file could not be read", NULL);
        outcome->verdict = VERDICT_FILE_FAILED;
        break;
    case SEND_OPEN_FAILED:
        AddMessage(outcome, "Input File Error", "Input file can't be opened!", NULL);
        outcome->verdict = VERDICT_FILE_FAILED;
        break;
    case SEND_CANCELLED:
        AddMessage(outcome, "Transfer Cancelled",
                   "Sending to %s was cancelled! The port did not get the whole file.", portName);
        outcome->verdict = VERDICT_CANCELLED;
        break;
    default:
        /* SEND_PORT_OPEN_FAILED has had its "Printer Error". */
        break;
    }
    outcome->stopsRun = outcome->verdict == VERDICT_FILE_FAILED || outcome->verdict == VERDICT_CANCELLED;
}
