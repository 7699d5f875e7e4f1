/* One fake of the system behind the seam, one model: ports, local printers
   and connections, drivers, input files, port devices, print jobs and
   every handle given out.

   - An input file has only a size: its bytes are made from their offsets,
     so a file of 4 GiB and more costs nothing to hold.
   - A job (StartDocPrinterA on a printer handle) and an open of a port
     device are sinks: every byte is compared with the file's byte at its
     offset as it arrives, and counted.
   - A printer added by AddPrinterA is listed by EnumPrintersA and opens by
     name until DeletePrinter removes it; adding over an existing name is a
     problem (Wine would overwrite the user's printer).
   - Problems lists what a caller did wrong: a handle closed twice or used
     after its close, a call out of a job's order, a printer closed with its
     job open or before the printer it added was deleted, a file or device
     opened or a printer added otherwise than the roads must.
   - A log of every call: the entry's name and what it was asked.
   - Faults: the nth call (0: every call) of an entry fails with an error,
     or a read or write answers short, or a call that gives back a count
     claims more than is true: a read or write more bytes than moved, an
     enumeration more bytes needed and more entries than it stored, a file
     a larger size. An entry may be narrowed by the log's words
     ("EnumPrintersA local" is the local printers' list; a spooler without
     driver level 8 fails "EnumPrinterDriversA 8" with ERROR_INVALID_LEVEL).

   InstallFakeSystem() binds the Sys entries of the spooler, files,
   devices, time and MessageBoxA to the fake and empties the model; the
   last error, the platform's version and the entries only start-up uses
   stay the system's. Time passes only by Sleep. ResetSystemCalls() puts the real
   API back. One thread at a time. */
#ifndef VANTREL_FAKE_SYSTEM_H
#define VANTREL_FAKE_SYSTEM_H

#include "syscalls.h"

#include <stdint.h>
#include <map>
#include <set>
#include <string>
#include <vector>

struct FAKE_PORT { std::string name, description = "Local Port", monitor = "Local Monitor"; };
/* Every printer's driver is the first installed one; an added printer
   keeps the data type it was added with. */
struct FAKE_PRINTER { std::string name, port; bool connection; std::string datatype = ""; };
/* Level 8's attributes and the dependent files of levels 3 and 8. */
struct FAKE_DRIVER { std::string name; DWORD attributes = 0; std::vector<std::string> dependentFiles = {}; };
/* What GetJobA answers of an ended job at one look: its status bits and
   text, or a failure with error. */
struct FAKE_LOOK { DWORD status; std::string text = ""; DWORD error = 0; DWORD pages = 0, printed = 0; };

enum FAKE_ANSWER {
    FAULT_FAILS,            /* with value as the last error */
    FAULT_SHORT,            /* at most value bytes move */
    FAULT_MORE              /* the counts given back are value more than the truth, at most 0xFFFFFFFF */
};

struct FAKE_FAULT {
    std::string entry;      /* the calls whose log line begins with this word or words */
    int nth;                /* the nth of them from 1; 0 for every one */
    FAKE_ANSWER answer;
    DWORD value;
    int seen = 0;
    int firedAt = -1;       /* the call log's index where it last fired */
    DWORD normal = 0;       /* the unfaulted answer of the read or write it cut */
};

/* A job on a printer handle, or an open of a port device. */
struct FAKE_JOB {
    std::string target;
    bool device;
    uint64_t bytes;
    bool intact;            /* every byte was the file's byte at its offset */
    bool paged, ended, aborted;
    std::string document, datatype;
    int looks = 0;          /* GetJobA's looks at it */
};

struct FAKE_HANDLE {
    char kind;              /* 'F' an input file, 'D' a port device, 'P' a printer */
    std::string name;
    bool open;
    uint64_t position;      /* a file's next byte */
    int job;                /* index into jobs, -1 for none */
    bool inDocument, inPage, added, deleted;
};

struct FAKE_SYSTEM {
    std::vector<FAKE_PORT> ports;
    std::vector<FAKE_PRINTER> printers;
    std::vector<FAKE_DRIVER> drivers;
    std::vector<FAKE_LOOK> looks;           /* GetJobA's answers, look by look; the last repeats; none: gone */
    std::map<std::string, uint64_t> files;
    std::set<std::string> devices;
    std::vector<FAKE_FAULT> faults;

    std::vector<std::string> log;
    std::vector<FAKE_JOB> jobs;
    std::map<uintptr_t, FAKE_HANDLE> handles;
    std::vector<std::string> problems;
    std::vector<std::string> boxes;         /* "caption: text" of each MessageBoxA */
    DWORD clock = 0;                        /* GetTickCount, moved on by Sleep alone */
};

extern FAKE_SYSTEM Fake;

void InstallFakeSystem(void);
/* A problem of the caller's, unless it holds. */
void FakeExpect(bool holds, const std::string &problem);
/* The calls of an entry in the log so far. */
int FakeCalls(const char *entry);
/* What is wrong now: the problems and every handle still open. */
std::vector<std::string> FakeDefects(void);
/* What a fault answers, as "fails 31", "moves at most 0", "claims 1 more". */
std::string FakeAnswer(const FAKE_FAULT &fault);
/* The call log, faulted calls marked. */
std::string FakeLog(void);

#endif
