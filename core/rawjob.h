/* One spooler job whose bytes reach the port unchanged: its document and
   single page, started and then either ended or aborted. The printer
   handle belongs to the caller. */
#ifndef VANTREL_RAWJOB_H
#define VANTREL_RAWJOB_H

#include "send.h"

/* The data types that hand the bytes to the port untouched, since no
   print processor may interpret a firmware image: RAW, and XPS_PASS on a
   queue whose driver is XPS-based, where RAW would go through the
   driver's filters and never print (datatype.cpp). */
extern char RawDatatype[];
extern char XpsPassDatatype[];
/* Levels 1, 3 or 8 of driver information: of the printer's own driver,
   or without a printer, of every installed driver. NULL when the spooler
   cannot give it or answers what cannot be true; the caller frees it. */
BYTE *ReadDriverInfo(HANDLE printer, DWORD level, DWORD *size, DWORD *count);
/* The data type a queue's jobs carry, by its open handle, or by its
   driver's name for a temporary printer not yet added. */
char *GetPrinterDatatype(HANDLE printer);
char *GetDriverDatatype(const char *driverName);
/* A queue's, by its name: opened, asked and closed, as a send would. */
char *GetQueueDatatype(const char *printerName);

/* The job's number, 0 when it could not start. */
DWORD StartRawJob(HANDLE printer, const char *path, char *datatype);
BOOL WriteRawChunk(HANDLE printer, const void *bytes, DWORD count, DWORD *taken);
SEND_RESULT EndRawJob(HANDLE printer, SEND_RESULT copied);

#endif
