/* The real spooler as the bed tests look at it, for tests that run the
   product in this process: its lists through the two-call protocol, a
   printer added on a port with the first driver, and a bare RAW job. Not
   for the end-to-end driver, which must not load the spooler. */
#ifndef VANTREL_BED_SPOOLER_H
#define VANTREL_BED_SPOOLER_H

#include <windows.h>
#include <string>
#include <vector>

struct BED_PRINTER {
    std::string name;
    std::string port;
};

/* Each false, with nothing listed, when the filling call fails. */
bool ListSpoolerPorts(std::vector<std::string> *names);
bool ListSpoolerPrinters(DWORD flags, std::vector<BED_PRINTER> *printers);
bool ListSpoolerDrivers(std::vector<std::string> *names);

/* The local printers whose names begin with "Temporary Printer". */
std::vector<std::string> TemporaryPrinters(void);

/* AddPrinterA at level 2 on the local machine: this name and port, the
   first driver listed, "winprint", RAW. NULL when it fails or there is no
   driver. */
HANDLE AddRawPrinter(const std::string &name, const std::string &port);

/* One RAW job of these bytes, written in 512 KiB pieces, as a sender
   without windows makes it. True when every call succeeded. */
bool SendRawJob(HANDLE printer, const std::string &docName, const void *bytes, size_t count);

#endif
