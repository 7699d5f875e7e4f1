/* The data type that takes a job's bytes to the port unchanged, chosen by
   the queue's driver. An XPS-based driver (Windows 8's class drivers, many
   vendors' current ones, every driver under protected print mode) runs a
   RAW job through its filter pipeline, and nothing prints; XPS_PASS passes
   its bytes on as they are. A driver is XPS-based when the spooler says so
   (level 8, Vista on) or when it depends on a filter pipeline's
   configuration (level 3). A driver whose information cannot be read, or
   cannot be true, is taken for what every driver was before: RAW. */
#include "rawjob.h"
#include "spoolerlist.h"
#include "syscalls.h"

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

char RawDatatype[] = "RAW";
char XpsPassDatatype[] = "XPS_PASS";

/* The head of Vista's DRIVER_INFO_8A, which begins as DRIVER_INFO_6A does.
   This program is built against the Windows 2000 API, whose headers lack
   it; a spooler without level 8 answers ERROR_INVALID_LEVEL. */
struct DRIVER_INFO_8_HEAD {
    DRIVER_INFO_6A info;
    LPSTR pszPrintProcessor;
    LPSTR pszVendorSetup;
    LPSTR pszzColorProfiles;
    LPSTR pszInfPath;
    DWORD dwPrinterDriverAttributes;
};
#define PRINTER_DRIVER_XPS      0x00000002
#define PIPELINE_CONFIG_FILE    "pipelineconfig.xml"

/* The texts read: level 1's name; levels 3 and 8, which begin as
   DRIVER_INFO_3A, the name and the dependent files. */
static const size_t NameText[] = {offsetof(DRIVER_INFO_1A, pName)};
static const size_t DriverTexts[] = {offsetof(DRIVER_INFO_3A, pName), offsetof(DRIVER_INFO_3A, pDependentFiles)};

static size_t DriverEntrySize(DWORD level)
{
    return level == 8 ? sizeof(DRIVER_INFO_8_HEAD) : level == 3 ? sizeof(DRIVER_INFO_3A) : sizeof(DRIVER_INFO_1A);
}

BYTE *ReadDriverInfo(HANDLE printer, DWORD level, DWORD *size, DWORD *count)
{
    DWORD needed = 0;
    *count = 1;
    if (printer != NULL)
        Sys.GetPrinterDriverA(printer, NULL, level, NULL, 0, &needed);
    else
        Sys.EnumPrinterDriversA(NULL, NULL, level, NULL, 0, &needed, count);
    if (needed == 0 || needed > 0x7FFFFFFF)
        return NULL;
    *size = needed;
    BYTE *info = (BYTE *)malloc(*size);
    BOOL filled = info != NULL &&
                  (printer != NULL ? Sys.GetPrinterDriverA(printer, NULL, level, info, *size, &needed)
                                   : Sys.EnumPrinterDriversA(NULL, NULL, level, info, *size, &needed, count));
    if (filled && IsListInBuffer(info, *size, *count, DriverEntrySize(level), level == 1 ? NameText : DriverTexts,
                                 level == 1 ? 1 : 2))
        return info;
    free(info);
    return NULL;
}

/* A text the spooler gave, NULL or not ended within its buffer, is not read. */
static bool IsTextInBuffer(const char *text, const BYTE *end)
{
    return text != NULL && memchr(text, '\0', (size_t)((const char *)end - text)) != NULL;
}

/* The file name of a path, compared in ASCII: a locale's word sort would
   take "pipeline-config.xml" for the same name. */
static bool IsPipelineConfig(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p != '\0'; p = CharNextA(p))
        if (*p == '\\' || *p == '/')
            name = p + 1;
    const char *wanted = PIPELINE_CONFIG_FILE;
    for (; *name != '\0' && *wanted != '\0'; ++name, ++wanted) {
        char c = *name >= 'A' && *name <= 'Z' ? (char)(*name - 'A' + 'a') : *name;
        if (c != *wanted)
            return false;
    }
    return *name == '\0' && *wanted == '\0';
}

/* The dependent files: full paths one after another, each ended by a NUL,
   the list by an empty one; none at all may be NULL. */
static bool DependsOnPipelineConfig(const char *files, const BYTE *end)
{
    for (const char *file = files; file < (const char *)end && IsTextInBuffer(file, end) && *file != '\0';
         file += strlen(file) + 1) {
        if (IsPipelineConfig(file))
            return true;
    }
    return false;
}

static bool IsXpsEntry(const BYTE *entry, DWORD level, const BYTE *end)
{
    if (level == 8 && (((const DRIVER_INFO_8_HEAD *)entry)->dwPrinterDriverAttributes & PRINTER_DRIVER_XPS))
        return true;
    return DependsOnPipelineConfig(((const DRIVER_INFO_3A *)entry)->pDependentFiles, end);
}

/* The printer's own driver, or the installed driver of that name: level 8
   where the spooler answers it, else level 3. */
static bool IsXpsDriver(HANDLE printer, const char *name)
{
    static const DWORD Levels[] = {8, 3};
    for (DWORD level : Levels) {
        DWORD size, count;
        BYTE *info = ReadDriverInfo(printer, level, &size, &count);
        bool found = false, xps = false;
        for (DWORD i = 0; info != NULL && i < count && !found; ++i) {
            const BYTE *entry = info + i * DriverEntrySize(level);
            const char *entryName = ((const DRIVER_INFO_3A *)entry)->pName;
            found = printer != NULL ||
                    (name != NULL && IsTextInBuffer(entryName, info + size) && strcmp(entryName, name) == 0);
            xps = found && IsXpsEntry(entry, level, info + size);
        }
        free(info);
        if (found)
            return xps;
    }
    return false;
}

char *GetPrinterDatatype(HANDLE printer)
{
    return IsXpsDriver(printer, NULL) ? XpsPassDatatype : RawDatatype;
}

char *GetDriverDatatype(const char *driverName)
{
    return IsXpsDriver(NULL, driverName) ? XpsPassDatatype : RawDatatype;
}

char *GetQueueDatatype(const char *printerName)
{
    HANDLE printer;
    if (!Sys.OpenPrinterA(const_cast<char *>(printerName), &printer, NULL))
        return RawDatatype;
    char *datatype = GetPrinterDatatype(printer);
    Sys.ClosePrinter(printer);
    return datatype;
}
