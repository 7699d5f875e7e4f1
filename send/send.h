/* Sending: the three roads that move the file to one port, and the worker
   thread that runs one send over the ticked ports and tells the user. */
#ifndef VANTREL_SEND_H
#define VANTREL_SEND_H

#include <windows.h>

/* The result of one transfer to one port; callers branch on the names. */
typedef int SEND_RESULT;
#define SEND_OK                 0
#define SEND_WRITE_FAILED       1
#define SEND_BAD_FILE_NAME      2
#define SEND_READ_FAILED        3
#define SEND_OPEN_FAILED        6
#define SEND_PORT_OPEN_FAILED   (-1)

#define SEND_CHUNK_SIZE         524288

/* How a road reports its progress: SEND_STARTED when the bytes are about
   to move, then the percentage done after every chunk. */
#define SEND_STARTED            (-1)
typedef void (*SEND_PROGRESS)(const char *portName, int percent);

/* Transfer roads (transfer.cpp). They move bytes and nothing else: the
   caller reads the path and shows what happened. A NULL path stands for a
   text too long to be a path, which fails as a bad file name would. */
SEND_RESULT PrintOnInstalledPrinter(const char *path, const char *printerName, const char *portName,
                                    SEND_PROGRESS progress);
HANDLE AddTemporaryPrinter(const char *portName);
SEND_RESULT PrintOnTemporaryPrinter(HANDLE printer, const char *path, const char *portName,
                                    SEND_PROGRESS progress);
SEND_RESULT CopyFileToPort(const char *path, const char *portName, SEND_PROGRESS progress);

/* Send run (sendrun.cpp) */
void __cdecl SendThreadProc(void *argument);

#endif
