/* The test bed the tests run on (testbed/up): its folders as seen from
   Windows, the jobs its printer listener recorded, the sinks of its LPT
   ports, Wine's port list and spooler mappings, and SHA-256 for comparing
   what arrived with what was sent. */
#ifndef VANTREL_BED_H
#define VANTREL_BED_H

#include <windows.h>
#include <stdint.h>
#include <string>

/* A path under the bed's folder ($VANTREL_BED), relative with '/'. */
std::string BedUnixPath(const std::string &relative);
std::string BedWindowsPath(const std::string &relative);   /* Z:\... */

/* "spool" (the raw queue exists, a driver is installed) or "direct". */
std::string BedProfile(void);
std::string BedQueueName(void);          /* the raw CUPS queue */
std::string BedQueuePortName(void);      /* CUPS:<queue>, in Wine's port list */

/* The listener numbers jobs from 1 on. A job is complete when the sender
   has closed its connection. */
int CountListenerJobs(void);
bool WaitForListenerJob(int number, DWORD timeoutMs, uint64_t *size, std::string *sha256);

/* Sinks: regular files the LPT ports lead to ("spool-lpt1.bin" for jobs of
   printers on LPT1:, "device-lpt1.bin" for direct writes to LPT1:). Wine
   does not truncate a device target, so empty it before each use. */
std::string SinkWindowsPath(const std::string &name);
bool EmptySink(const std::string &name);
bool HashSink(const std::string &name, uint64_t *size, std::string *sha256);

/* Wine's list of ports, in the registry the spooler reads. */
bool AddPortToList(const std::string &port);
bool RemovePortFromList(const std::string &port);
/* Where the spooler delivers jobs of printers on an LPT port ("" removes). */
bool SetSpoolerMapping(const std::string &port, const std::string &unixTarget);

/* SHA-256 as lower-case hex. */
std::string Sha256OfBytes(const void *bytes, size_t count);
bool Sha256OfFile(const std::string &windowsPath, uint64_t *size, std::string *sha256);

/* Writes a file of pseudo-random bytes (never beginning with a PostScript
   job ticket, which Wine strips on the way to CUPS); returns its SHA-256. */
std::string WriteTestFile(const std::string &windowsPath, uint64_t size, unsigned seed);

/* A test file under the bed's folder ("send/x.prn": the folder is made),
   with what it holds; a gtest failure when it cannot be written. */
struct BED_FILE {
    std::string path;       /* as Windows sees it */
    uint64_t size;
    std::string sha256;
};
BED_FILE MakeBedFile(const std::string &relative, uint64_t size, unsigned seed);

/* Fills a sink with bytes that any delivery would change: a job replaces
   a spooler sink's content, a direct write overwrites a device sink's
   first bytes. */
bool SpoilSink(const std::string &name);

/* gtest expectations on what arrived: the sink holds exactly the file, or
   still its stale bytes; the listener's job `number` is the file. */
void ExpectSinkHolds(const std::string &sink, const BED_FILE &file);
void ExpectSinkSpoilt(const std::string &sink);
void ExpectListenerJob(int number, const BED_FILE &file, DWORD timeoutMs = 60000);

#endif
