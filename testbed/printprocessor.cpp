/* The bed's print processor. Wine's own takes jobs of data type RAW only;
   Windows passes XPS_PASS jobs to the port unchanged as well, which is
   what a queue with an XPS-based driver needs. Put in winprint's place,
   this one does the same as Wine's for both, and records the data type of
   every job it is given, a line "PRINTER<tab>DATATYPE" each, in
   C:\windows\temp\vantrel-datatypes.txt. */
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#define DATATYPE_LOG L"C:\\windows\\temp\\vantrel-datatypes.txt"

static const WCHAR *const Datatypes[] = {L"RAW", L"XPS_PASS"};

struct PROCESSOR {
    HANDLE port;
    WCHAR document[MAX_PATH];
    WCHAR printer[MAX_PATH];
    WCHAR datatype[32];
};

static void AppendLine(const WCHAR *printer, const WCHAR *datatype)
{
    char line[2 * MAX_PATH + 64];
    int length = WideCharToMultiByte(CP_UTF8, 0, printer, -1, line, MAX_PATH, NULL, NULL);
    if (length <= 0)
        return;
    line[length - 1] = '\t';
    length += WideCharToMultiByte(CP_UTF8, 0, datatype, -1, line + length, 32, NULL, NULL);
    line[length - 1] = '\n';
    HANDLE log = CreateFileW(DATATYPE_LOG, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD written;
    if (log != INVALID_HANDLE_VALUE) {
        WriteFile(log, line, (DWORD)length, &written, NULL);
        CloseHandle(log);
    }
}

extern "C" {

BOOL WINAPI EnumPrintProcessorDatatypesW(LPWSTR, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                                         LPDWORD returned)
{
    const DWORD count = sizeof Datatypes / sizeof Datatypes[0];
    DWORD total = count * sizeof(DATATYPES_INFO_1W);
    for (DWORD i = 0; i < count; ++i)
        total += (lstrlenW(Datatypes[i]) + 1) * sizeof(WCHAR);
    *needed = total;
    *returned = 0;
    if (level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (buffer == NULL || size < total) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    DATATYPES_INFO_1W *info = (DATATYPES_INFO_1W *)buffer;
    WCHAR *text = (WCHAR *)(info + count);
    for (DWORD i = 0; i < count; ++i) {
        info[i].pName = text;
        lstrcpyW(text, Datatypes[i]);
        text += lstrlenW(Datatypes[i]) + 1;
    }
    *returned = count;
    return TRUE;
}

HANDLE WINAPI OpenPrintProcessor(LPWSTR port, PPRINTPROCESSOROPENDATA open)
{
    if (port == NULL || open == NULL || open->pDatatype == NULL ||
        (lstrcmpW(open->pDatatype, Datatypes[0]) != 0 && lstrcmpW(open->pDatatype, Datatypes[1]) != 0)) {
        SetLastError(ERROR_INVALID_DATATYPE);
        return NULL;
    }
    PROCESSOR *processor = (PROCESSOR *)LocalAlloc(LPTR, sizeof(PROCESSOR));
    if (processor == NULL)
        return NULL;
    if (!OpenPrinterW(port, &processor->port, NULL)) {
        LocalFree(processor);
        return NULL;
    }
    lstrcpynW(processor->document, open->pDocumentName ? open->pDocumentName : L"", MAX_PATH);
    lstrcpynW(processor->printer, open->pPrinterName ? open->pPrinterName : L"", MAX_PATH);
    lstrcpynW(processor->datatype, open->pDatatype, 32);
    return processor;
}

/* The job's bytes from the spool file to the port, as they are. */
BOOL WINAPI PrintDocumentOnPrintProcessor(HANDLE handle, LPWSTR job)
{
    PROCESSOR *processor = (PROCESSOR *)handle;
    HANDLE spooled;
    if (!OpenPrinterW(job, &spooled, NULL))
        return FALSE;
    AppendLine(processor->printer, processor->datatype);
    DOC_INFO_1W document = {processor->document, NULL, (LPWSTR)L"RAW"};
    if (StartDocPrinterW(processor->port, 1, (LPBYTE)&document) == 0) {
        ClosePrinter(spooled);
        return FALSE;
    }
    BOOL passed = TRUE;
    BYTE chunk[4096];
    DWORD read, written;
    while (passed && ReadPrinter(spooled, chunk, sizeof chunk, &read) && read > 0)
        passed = WritePrinter(processor->port, chunk, read, &written) && written == read;
    ClosePrinter(spooled);
    return EndDocPrinter(processor->port) && passed;
}

BOOL WINAPI ControlPrintProcessor(HANDLE, DWORD)
{
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

BOOL WINAPI ClosePrintProcessor(HANDLE handle)
{
    PROCESSOR *processor = (PROCESSOR *)handle;
    ClosePrinter(processor->port);
    LocalFree(processor);
    return TRUE;
}

}
