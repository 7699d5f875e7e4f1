/* A scripted spooler for the enumerations behind the seam: EnumPortsA
   (level 2), EnumPrintersA (level 2: local printers, or the connections
   when PRINTER_ENUM_CONNECTIONS is asked), EnumPrinterDriversA (levels 1
   and 2) and GetVersionExA (the platform).

   It answers like the real spooler's two-call protocol: a call whose
   buffer is too small fails with ERROR_INSUFFICIENT_BUFFER (set with
   SetLastError, so the real GetLastError reads it) and reports the bytes
   needed; an empty list answers TRUE with 0 bytes needed, as Wine does for
   connections. Entries come first in the buffer, their strings after them.

   Use: InstallFakeSpooler() in a test (after SeamTest's SetUp) resets the
   script below to "NT, nothing listed, every call succeeds" and binds the
   four Sys entries; fill Spooler's lists, change a mode to script a
   failure, and read the recorded calls afterwards. */
#ifndef VANTREL_FAKE_SPOOLER_H
#define VANTREL_FAKE_SPOOLER_H

#include <windows.h>
#include <string>
#include <vector>

struct FAKE_PORT {
    std::string name;
    std::string description;
    std::string monitor;
};

struct FAKE_PRINTER {
    std::string name;
    std::string port;
    DWORD attributes;
};

enum FAKE_ENUM_MODE {
    FAKE_ENUM_OK,
    FAKE_ENUM_PROBE_FAILS,  /* the size probe fails with probeError, 0 bytes needed */
    FAKE_ENUM_FILL_FAILS,   /* the probe succeeds, the filling call fails with fillError */
    FAKE_ENUM_GROWS         /* the list grows by one entry between probe and fill */
};

/* One call as it reached the fake. */
struct FAKE_ENUM_CALL {
    std::string function;   /* "EnumPortsA", "EnumPrintersA", "EnumPrinterDriversA" */
    bool hasName;           /* a server or printer name was passed */
    DWORD flags;            /* EnumPrintersA's flags, else 0 */
    DWORD level;
    bool hasBuffer;
    DWORD bufferSize;
    BOOL result;
    DWORD needed;
    DWORD returned;
};

struct FAKE_LIST_SCRIPT {
    FAKE_ENUM_MODE mode;
    DWORD probeError;       /* default ERROR_ACCESS_DENIED */
    DWORD fillError;        /* default ERROR_ACCESS_DENIED */
};

struct FAKE_SPOOLER {
    DWORD platformId;                       /* VER_PLATFORM_WIN32_NT or _WINDOWS */
    std::vector<FAKE_PORT> ports;
    std::vector<FAKE_PRINTER> printers;     /* local printers */
    std::vector<FAKE_PRINTER> connections;  /* the user's printer connections */
    std::vector<std::string> drivers;
    FAKE_LIST_SCRIPT portScript;
    FAKE_LIST_SCRIPT printerScript;
    FAKE_LIST_SCRIPT connectionScript;
    FAKE_LIST_SCRIPT driverScript;
    std::vector<FAKE_ENUM_CALL> calls;
};

extern FAKE_SPOOLER Spooler;

/* A port of the local monitor, and a list of them described alike. */
FAKE_PORT LocalPort(const std::string &name, const std::string &description = "Local Port",
                    const std::string &monitor = "Local Monitor");
std::vector<FAKE_PORT> LocalPorts(const std::vector<std::string> &names);

void InstallFakeSpooler(void);

/* The calls recorded for one function, in order. */
std::vector<FAKE_ENUM_CALL> FakeSpoolerCalls(const char *function);

#endif
