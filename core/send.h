/* Sending: the three roads that move the file to one port, the choice of
   road for a row of the port table, and what each result means to the
   user. Nothing here touches a window: both front ends build on it. */
#ifndef VANTREL_SEND_H
#define VANTREL_SEND_H

#include "ports.h"

#include <windows.h>

/* The result of one transfer to one port; callers branch on the names. */
typedef int SEND_RESULT;
#define SEND_OK                 0
#define SEND_WRITE_FAILED       1
#define SEND_BAD_FILE_NAME      2
#define SEND_READ_FAILED        3
#define SEND_OPEN_FAILED        6
#define SEND_CANCELLED          7
#define SEND_PORT_OPEN_FAILED   (-1)

#define SEND_CHUNK_SIZE         524288

/* How a road reports its progress: SEND_STARTED when the bytes are about
   to move, then the percentage done and the bytes the far end has taken
   after every chunk. Returning FALSE stops the transfer: the road aborts
   what it started, closes what it opened and gives SEND_CANCELLED. */
#define SEND_STARTED            (-1)
typedef BOOL (*SEND_PROGRESS)(const char *portName, int percent, ULONGLONG bytesSent);

/* Transfer roads (transfer.cpp). They move bytes and nothing else: the
   caller names the file and shows what happened. A NULL path stands for a
   text too long to be a path, which fails as a bad file name would. */
SEND_RESULT PrintOnInstalledPrinter(const char *path, const char *printerName, const char *portName,
                                    SEND_PROGRESS progress);
HANDLE AddTemporaryPrinter(const char *portName);
SEND_RESULT PrintOnTemporaryPrinter(HANDLE printer, const char *path, const char *portName,
                                    SEND_PROGRESS progress);
SEND_RESULT CopyFileToPort(const char *path, const char *portName, SEND_PROGRESS progress);
/* The driver a temporary printer would use; FALSE when there is none. */
BOOL GetTemporaryPrinterDriver(char *name, int size);

/* Which road a row calls for, and the send by it (sendport.cpp). */
enum SEND_ROAD { ROAD_INSTALLED, ROAD_TEMPORARY, ROAD_DIRECT };
/* The road a send would take now, given the driver a temporary printer
   would use (GetTemporaryPrinterDriver's, asked once for all rows; NULL
   for none), and what it would go through: the queue's name, the driver's,
   or the port itself. */
SEND_ROAD GetPortRoad(const PORT_ENTRY *row, const char *driver, const char **detail);
SEND_RESULT SendToPort(const PORT_ENTRY *row, const char *path, SEND_PROGRESS progress, SEND_ROAD *road);

/* What a result means to the user: the messages in the order they are
   shown, and whether the run stops (the input file failed, which every
   later port would fail alike, or the user stopped it). */
#define SEND_MESSAGE_SIZE       (PORT_FIELD_SIZE + 100)
struct SEND_MESSAGE {
    const char *caption;
    char text[SEND_MESSAGE_SIZE];
};
struct SEND_OUTCOME {
    int messageCount;
    SEND_MESSAGE messages[2];
    bool stopsRun;
};
void DescribeSendResult(SEND_RESULT result, SEND_ROAD road, const char *portName, SEND_OUTCOME *outcome);

#endif
