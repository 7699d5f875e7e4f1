/* One RAW spooler job: its document and single page, started and then
   either ended or aborted. The printer handle belongs to the caller. */
#ifndef VANTREL_RAWJOB_H
#define VANTREL_RAWJOB_H

#include "send.h"

BOOL StartRawJob(HANDLE printer, const char *path);
BOOL WriteRawChunk(HANDLE printer, const void *bytes, DWORD count, DWORD *taken);
SEND_RESULT EndRawJob(HANDLE printer, SEND_RESULT copied);

#endif
