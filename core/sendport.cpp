/* The road a row of the port table calls for, and what a transfer's result
   means to the user. Both front ends show these words and follow the stop
   rule; neither decides them itself. */
#include "send.h"

#include <stdio.h>

SEND_ROAD GetPortRoad(const PORT_ENTRY *row, const char *driver, const char **detail)
{
    if (row->Attributes != PORT_NO_PRINTER) {
        *detail = row->szPrinterName;
        return ROAD_INSTALLED;
    }
    if (driver != NULL) {
        *detail = driver;
        return ROAD_TEMPORARY;
    }
    *detail = row->szPortName;
    return ROAD_DIRECT;
}

/* A queue on the port takes the job; without one a temporary queue is
   added for it, and without any driver to add one with, the port device
   is written itself. */
SEND_RESULT SendToPort(const PORT_ENTRY *row, const char *path, SEND_PROGRESS progress, SEND_ROAD *road)
{
    *road = ROAD_INSTALLED;
    if (row->Attributes != PORT_NO_PRINTER)
        return PrintOnInstalledPrinter(path, row->szPrinterName, row->szPortName, progress);
    *road = ROAD_TEMPORARY;
    HANDLE printer = AddTemporaryPrinter(row->szPortName);
    if (printer != NULL)
        return PrintOnTemporaryPrinter(printer, path, row->szPortName, progress);
    *road = ROAD_DIRECT;
    return CopyFileToPort(path, row->szPortName, progress);
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

/* A failure on the direct road first names the port that could not be
   written. A cancelled transfer is the user's own doing, no fault of the
   port's. */
void DescribeSendResult(SEND_RESULT result, SEND_ROAD road, const char *portName, SEND_OUTCOME *outcome)
{
    outcome->messageCount = 0;
    outcome->stopsRun = false;
    if (result == SEND_OK)
        return;
    if (road == ROAD_DIRECT && result != SEND_CANCELLED)
        AddMessage(outcome, "Printer Error", "Could not print to %s! Please check your printer connection.", portName);
    switch (result) {
    case SEND_WRITE_FAILED:
        AddMessage(outcome, "Write to Printer Error", "Error writing to %s! Please check your printer connection.",
                   portName);
        break;
    case SEND_BAD_FILE_NAME:
        AddMessage(outcome, "Input File Error", "Selected Filename is invalid!\nPlease check validity of the file.",
                   NULL);
        outcome->stopsRun = true;
        break;
    case SEND_READ_FAILED:
        AddMessage(outcome, "Input File Read Error", "Selected file could not be read", NULL);
        outcome->stopsRun = true;
        break;
    case SEND_OPEN_FAILED:
        AddMessage(outcome, "Input File Error", "Input file can't be opened!", NULL);
        outcome->stopsRun = true;
        break;
    case SEND_CANCELLED:
        AddMessage(outcome, "Transfer Cancelled",
                   "Sending to %s was cancelled! The port did not get the whole file.", portName);
        outcome->stopsRun = true;
        break;
    default:
        /* SEND_PORT_OPEN_FAILED has had its "Printer Error". */
        break;
    }
}
