#include "bed_spooler.h"

#include <winspool.h>

#include <algorithm>
#include <functional>

/* The two-call protocol: the size, then the list. */
static bool List(const std::function<BOOL(BYTE *, DWORD, DWORD *, DWORD *)> &call, std::vector<BYTE> *buffer,
                 DWORD *count)
{
    DWORD needed = 0;
    *count = 0;
    call(NULL, 0, &needed, count);
    buffer->assign(needed + 1, 0);
    if (!call(buffer->data(), needed, &needed, count)) {
        *count = 0;
        return false;
    }
    return true;
}

bool ListSpoolerPorts(std::vector<std::string> *names)
{
    std::vector<BYTE> buffer;
    DWORD count;
    bool ok = List([](BYTE *b, DWORD size, DWORD *needed, DWORD *n) { return EnumPortsA(NULL, 2, b, size, needed, n); },
                   &buffer, &count);
    names->clear();
    for (DWORD i = 0; i < count; ++i)
        names->push_back(((PORT_INFO_2A *)buffer.data())[i].pPortName);
    return ok;
}

bool ListSpoolerPrinters(DWORD flags, std::vector<BED_PRINTER> *printers)
{
    std::vector<BYTE> buffer;
    DWORD count;
    bool ok = List([flags](BYTE *b, DWORD size, DWORD *needed, DWORD *n) {
        return EnumPrintersA(flags, NULL, 2, b, size, needed, n);
    }, &buffer, &count);
    printers->clear();
    for (DWORD i = 0; i < count; ++i) {
        const PRINTER_INFO_2A &printer = ((PRINTER_INFO_2A *)buffer.data())[i];
        printers->push_back({printer.pPrinterName, printer.pPortName ? printer.pPortName : ""});
    }
    return ok;
}

bool ListSpoolerDrivers(std::vector<std::string> *names)
{
    std::vector<BYTE> buffer;
    DWORD count;
    bool ok = List([](BYTE *b, DWORD size, DWORD *needed, DWORD *n) {
        return EnumPrinterDriversA(NULL, NULL, 1, b, size, needed, n);
    }, &buffer, &count);
    names->clear();
    for (DWORD i = 0; i < count; ++i)
        names->push_back(((DRIVER_INFO_1A *)buffer.data())[i].pName);
    return ok;
}

std::vector<std::string> TemporaryPrinters(void)
{
    std::vector<BED_PRINTER> printers;
    std::vector<std::string> names;
    ListSpoolerPrinters(PRINTER_ENUM_LOCAL, &printers);
    for (const BED_PRINTER &printer : printers)
        if (printer.name.rfind("Temporary Printer", 0) == 0)
            names.push_back(printer.name);
    return names;
}

HANDLE AddRawPrinter(const std::string &name, const std::string &port)
{
    std::vector<std::string> drivers;
    if (!ListSpoolerDrivers(&drivers) || drivers.empty())
        return NULL;
    char processor[] = "winprint", type[] = "RAW";
    PRINTER_INFO_2A info;
    ZeroMemory(&info, sizeof info);
    info.pPrinterName = const_cast<char *>(name.c_str());
    info.pPortName = const_cast<char *>(port.c_str());
    info.pDriverName = &drivers[0][0];
    info.pPrintProcessor = processor;
    info.pDatatype = type;
    return AddPrinterA(NULL, 2, (LPBYTE)&info);
}

bool SendRawJob(HANDLE printer, const std::string &docName, const void *bytes, size_t count)
{
    const size_t Piece = 524288;
    char type[] = "RAW";
    DOC_INFO_1A document = {const_cast<char *>(docName.c_str()), NULL, type};
    if (!StartDocPrinterA(printer, 1, (LPBYTE)&document))
        return false;
    bool ok = StartPagePrinter(printer) != FALSE;
    for (size_t offset = 0; ok && offset < count; offset += Piece) {
        DWORD piece = (DWORD)std::min(Piece, count - offset);
        DWORD written = 0;
        ok = WritePrinter(printer, (BYTE *)bytes + offset, piece, &written) && written == piece;
    }
    ok = EndPagePrinter(printer) && ok;
    return EndDocPrinter(printer) && ok;
}
