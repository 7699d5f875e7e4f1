/* One RAW spooler job. Whoever starts a job with StartRawJob ends it with
   EndRawJob, on every path; nothing here closes the printer. */
#include "rawjob.h"
#include "syscalls.h"

#include <winspool.h>

/* The document and its page; a document whose page cannot start holds no
   bytes and is aborted, so nothing stays started. */
DWORD StartRawJob(HANDLE printer, const char *path, char *datatype)
{
    DOC_INFO_1A document;
    document.pDocName = const_cast<char *>(path);
    document.pOutputFile = NULL;
    document.pDatatype = datatype;
    DWORD job = Sys.StartDocPrinterA(printer, 1, (LPBYTE)&document);
    if (job == 0)
        return 0;
    if (!Sys.StartPagePrinter(printer)) {
        Sys.AbortPrinter(printer);
        return 0;
    }
    return job;
}

/* A chunk the spooler takes only in part is a failure: the rest of it would
   be missing from the printer's stream. */
BOOL WriteRawChunk(HANDLE printer, const void *bytes, DWORD count, DWORD *taken)
{
    *taken = 0;
    return Sys.WritePrinter(printer, const_cast<void *>(bytes), count, taken) && *taken == count;
}

/* Ending a job hands it to the printer, so only a job that holds every byte
   is ended; one that failed part-way is aborted, which deletes what was
   spooled: a truncated firmware image must never be printed. The document
   is ended even when the page could not be, and until both are ended the
   spooler has not accepted the job. */
SEND_RESULT EndRawJob(HANDLE printer, SEND_RESULT copied)
{
    if (copied != SEND_OK) {
        Sys.AbortPrinter(printer);
        return copied;
    }
    BOOL pageEnded = Sys.EndPagePrinter(printer);
    BOOL documentEnded = Sys.EndDocPrinter(printer);
    return pageEnded && documentEnded ? SEND_OK : SEND_WRITE_FAILED;
}
