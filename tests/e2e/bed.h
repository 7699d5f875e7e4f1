/* The test bed as the end-to-end tests see it (testbed/up): files under its
   folder, the far ends of its ports, Wine's registry and its Unix side.

   A file's fingerprint is "SIZE SHA256", the form of the listener's .done
   files, so that what arrived and what was sent compare as two strings. */
#ifndef VANTREL_BED_H
#define VANTREL_BED_H

#include <windows.h>
#include <stdint.h>
#include <functional>
#include <string>
#include <vector>

/* Deadlines for a loaded 2-core machine, a Wine process start included. */
#define START_DEADLINE  60000
#define RUN_DEADLINE    120000

/* Polls the condition until it holds or the time is up. */
bool WaitUntil(DWORD milliseconds, const std::function<bool()> &condition);

std::string WindowsPath(const std::string &unixPath);  /* Z:\... */
std::string BedUnixPath(const std::string &relative);
std::string BedPath(const std::string &relative);       /* relative with '/' */
std::string BedProfile(void);                           /* "spool" or "direct" */
std::string QueuePort(void);                            /* CUPS:<queue>, the installed road */

/* A file's bytes, "" when it cannot be read. */
std::string ReadBedFile(const std::string &path);

/* "SIZE SHA256" of a file (Z:\...), or a text saying why there is none;
   given a size, the file is first made of that many random bytes. */
std::string Fingerprint(const std::string &path, const std::string &sizeToMake = "");

/* Random bytes under the bed's folder (never, but by a chance too small to
   count, a leading PostScript job ticket, which Wine strips on the way to
   CUPS). */
struct BED_FILE {
    std::string path;
    std::string fingerprint;
};
BED_FILE MakeBedFile(const std::string &relative, uint64_t size);

/* Sinks: the regular files the LPT ports lead to ("spool-lpt1.bin" for
   jobs on LPT1:, "device-lpt1.bin" for direct writes). */
std::string SinkPath(const std::string &name);
bool FillSink(const std::string &name, const std::string &bytes);
std::string StaleFingerprint(void);                     /* of a sink filled with StaleBytes */
extern const char StaleBytes[];

/* The listener numbers a queue's jobs from 1 ("raw" is vantrel_raw's,
   "xps" vantrel_xps's); job N's fingerprint once it is complete, "" when
   it did not come within the time. */
int CountListenerJobs(const char *queue = "raw");
std::string ListenerJob(int number, DWORD milliseconds, const char *queue = "raw");

/* Wine's registry, read and written here so that this process never loads
   the spooler: the port list, and the spooler's mappings of ports to Unix
   targets. A value set, or deleted (NULL); a key's values (name and text),
   or with subkeys its subkeys' names; the printers whose names begin with
   "Temporary Printer". */
struct BED_KEY {
    HKEY root;
    const char *path;
};
extern const BED_KEY PortsKey, SpoolerKey;
bool SetValue(const BED_KEY &key, const std::string &name, const char *text);
std::vector<std::pair<std::string, std::string>> ListKey(const BED_KEY &key, bool subkeys);
std::vector<std::string> TemporaryPrinters(void);

/* Starts a command line; standard handles, when given, are inherited. */
bool StartProcess(const std::string &line, PROCESS_INFORMATION *process, HANDLE in = NULL, HANDLE out = NULL,
                  HANDLE err = NULL);

/* Runs a command of the Unix side through /bin/sh and waits for it. */
bool RunUnixCommand(const std::string &command, DWORD milliseconds);

#endif
