/* Sending: the worker thread that runs one send over the ticked ports, and
   the three roads that move the file to one port. */
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

/* Send run (sendrun.cpp) */
void __cdecl SendThreadProc(void *argument);

/* Transfer roads (transfer.cpp) */
SEND_RESULT PrintOnInstalledPrinter(const char *printerName, const char *portName);
HANDLE AddTemporaryPrinter(const char *portName);
SEND_RESULT PrintOnTemporaryPrinter(HANDLE printer, const char *portName);
SEND_RESULT CopyFileToPort(const char *portName);

/* Gives SEND_OK, SEND_WRITE_FAILED or SEND_READ_FAILED; on return the input
   file is closed and the job ended, either way. */
SEND_RESULT CopyFileToJob(HANDLE file, HANDLE printer, const char *prefix);

/* RAW spooler jobs (rawjob.cpp) */
HANDLE OpenRawJob(const char *printerName, const char *path);
BOOL StartRawJob(HANDLE printer, const char *path);
BOOL WriteRawChunk(HANDLE printer, const void *bytes, DWORD count, DWORD *taken);
BOOL EndRawJob(HANDLE printer);

#endif
