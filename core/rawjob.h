/* One RAW spooler job: its document and single page, started and then
   either ended or aborted. The printer handle belongs to the caller. */
#ifndef VANTREL_RAWJOB_H
#define VANTREL_RAWJOB_H

#include "send.h"

/* RAW hands the bytes to the port untouched: no print processor may
   interpret a firmware image. Every job and temporary printer uses it. */
extern char RawDatatype[];

BOOL StartRawJob(HANDLE printer, const char *path);
BOOL WriteRawChunk(HANDLE printer, const void *bytes, DWORD count, DWORD *taken);
SEND_RESULT EndRawJob(HANDLE printer, SEND_RESULT copied);

#endif
