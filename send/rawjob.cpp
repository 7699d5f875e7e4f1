/* One RAW spooler job: the document and its single page. The printer handle
   belongs to the caller; nothing here closes it. */
#include "send.h"
#include "syscalls.h"

#include <winspool.h>

/* RAW hands the bytes to the port untouched: no print processor may
   interpret a firmware image. */
static char RawDatatype[] = "RAW";

HANDLE OpenRawJob(const char *printerName, const char *path)
{
    HANDLE printer;
    if (!Sys.OpenPrinterA(const_cast<char *>(printerName), &printer, NULL))
        return NULL;
    if (!StartRawJob(printer, path)) {
        Sys.ClosePrinter(printer);
        return NULL;
    }
    return printer;
}

BOOL StartRawJob(HANDLE printer, const char *path)
{
    DOC_INFO_1A document;
    document.pDocName = const_cast<char *>(path);
    document.pOutputFile = NULL;
    document.pDatatype = RawDatatype;
    if (Sys.StartDocPrinterA(printer, 1, (LPBYTE)&document) == 0)
        return FALSE;
    if (!Sys.StartPagePrinter(printer)) {
        Sys.EndDocPrinter(printer);
        return FALSE;
    }
    return TRUE;
}

/* A chunk the spooler takes only in part is a failure: the rest of it would
   be missing from the printer's stream. The job is ended here, so the caller
   only has its own handles left to close. */
BOOL WriteRawChunk(HANDLE printer, const void *bytes, DWORD count, DWORD *taken)
{
    *taken = 0;
    if (!Sys.WritePrinter(printer, const_cast<void *>(bytes), count, taken) || *taken != count) {
        EndRawJob(printer);
        return FALSE;
    }
    return TRUE;
}

/* The document is ended even when the page could not be: a job left open
   would hold the printer. */
BOOL EndRawJob(HANDLE printer)
{
    BOOL pageEnded = Sys.EndPagePrinter(printer);
    BOOL documentEnded = Sys.EndDocPrinter(printer);
    return pageEnded && documentEnded;
}
