/* The temporary printer a port without a queue gets for one job: the
   first installed driver, the first free name "Temporary Printer_n", the
   print processor winprint and the data type that driver's jobs carry.
   The road that sends through it deletes it (transfer.cpp). */
#include "rawjob.h"
#include "syscalls.h"

#include <stdio.h>
#include <stdlib.h>

#define TEMPORARY_PRINTER_NAME  "Temporary Printer"
#define TEMPORARY_PRINTER_TRIES 1000

static char WinPrintProcessor[] = "winprint";

/* A name is free only when the spooler says no printer has it. Any other
   failure to open (access denied, say) may hide a user's printer, which
   Wine's AddPrinterA would overwrite instead of failing, and the road would
   then delete. */
static BOOL IsPrinterNameTaken(char *name)
{
    HANDLE existing;
    if (!Sys.OpenPrinterA(name, &existing, NULL))
        return Sys.GetLastError() != ERROR_INVALID_PRINTER_NAME;
    Sys.ClosePrinter(existing);
    return TRUE;
}

/* The first free number wins. Only a name in use sends the search on to the
   next number; any other failure would repeat for every name. */
static HANDLE AddPrinterUnderFreeName(char *driverName, const char *portName, char *datatype, BOOL *refused)
{
    char name[64];
    PRINTER_INFO_2A info;
    ZeroMemory(&info, sizeof info);
    info.pPrinterName = name;
    info.pPortName = const_cast<char *>(portName);
    info.pDriverName = driverName;
    info.pPrintProcessor = WinPrintProcessor;
    info.pDatatype = datatype;

    for (long number = 1; number <= TEMPORARY_PRINTER_TRIES; ++number) {
        snprintf(name, sizeof name, "%s_%ld", TEMPORARY_PRINTER_NAME, number);
        if (IsPrinterNameTaken(name))
            continue;
        HANDLE printer = Sys.AddPrinterA(NULL, 2, (LPBYTE)&info);
        if (printer != NULL)
            return printer;
        DWORD error = Sys.GetLastError();
        if (error != ERROR_PRINTER_ALREADY_EXISTS) {
            *refused = error == ERROR_ACCESS_DENIED;
            return NULL;
        }
    }
    return NULL;
}

/* The installed drivers, the first of which a temporary printer uses;
   NULL when there is none or the list cannot be read. The caller frees it. */
static DRIVER_INFO_1A *EnumPrinterDrivers(void)
{
    DWORD size, count;
    BYTE *drivers = ReadDriverInfo(NULL, 1, &size, &count);
    if (drivers != NULL && count > 0)
        return (DRIVER_INFO_1A *)drivers;
    free(drivers);
    return NULL;
}

/* No driver, or no list of drivers, gives none: the run then writes to the
   port device itself. */
HANDLE AddTemporaryPrinter(const char *portName, char **datatype, BOOL *refused)
{
    *datatype = RawDatatype;
    *refused = FALSE;
    DRIVER_INFO_1A *drivers = EnumPrinterDrivers();
    if (drivers == NULL)
        return NULL;
    *datatype = GetDriverDatatype(drivers->pName);
    HANDLE printer = AddPrinterUnderFreeName(drivers->pName, portName, *datatype, refused);
    /* pDriverName pointed into the list until AddPrinterA returned. */
    free(drivers);
    return printer;
}

BOOL GetTemporaryPrinterDriver(TEMPORARY_DRIVER *driver)
{
    DRIVER_INFO_1A *drivers = EnumPrinterDrivers();
    if (drivers == NULL)
        return FALSE;
    snprintf(driver->szName, sizeof driver->szName, "%s", drivers->pName ? drivers->pName : "");
    driver->datatype = GetDriverDatatype(drivers->pName);
    free(drivers);
    return TRUE;
}

/* Adding a printer takes the right to administer the print server. Only a
   plain refusal says the right is missing; a server that cannot be asked
   says nothing either way. */
BOOL MayAddPrinters(void)
{
    PRINTER_DEFAULTSA administer = {NULL, NULL, SERVER_ACCESS_ADMINISTER};
    HANDLE server;
    if (!Sys.OpenPrinterA(NULL, &server, &administer))
        return Sys.GetLastError() != ERROR_ACCESS_DENIED;
    Sys.ClosePrinter(server);
    return TRUE;
}
