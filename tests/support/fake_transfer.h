/* A scripted machine behind the seam for the transfer roads.

   - Input files of any 64-bit size; their bytes are made from the file's
     seed and the offset, so nothing is held in memory (a 5 GiB file costs
     nothing but the time to make its bytes).
   - Printers (queues that OpenPrinterA opens) and port devices that
     CreateFileA opens for writing. The list of drivers is the fake
     spooler's (fake_spooler.h).
   - Sinks: what each printer and port device received. Every byte is
     compared as it arrives with the byte at the same offset of the input
     file opened last, so a sink knows whether its stream is intact without
     keeping it. A printer's offset starts at 0 with every job, a device's
     with every open.
   - Faults: any call in FAKE_CALL can be made to fail, or to answer short
     (ReadFile returns, WriteFile and WritePrinter take, at most a given
     count), by call number or by a schedule function.
   - A log of every call, in order, and a record of every handle given out:
     Problems() lists double closes, unknown handles and calls out of order,
     OpenHandles() what was never closed.
   - A record of every fault that changed an answer (injected), and of every
     job a printer started and every open of a port device (jobs), with
     what each received.

   Failures set the thread's last error with SetLastError, as the fake
   spooler's do. Bind() puts it behind Sys (the SeamTest fixture puts the
   real API back); one is bound at a time. It binds none of the
   enumerations and not MessageBoxA. */
#ifndef VANTREL_FAKE_TRANSFER_H
#define VANTREL_FAKE_TRANSFER_H

#include <windows.h>
#include <stdint.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

enum FAKE_CALL {
    FAKE_CreateFileA, FAKE_ReadFile, FAKE_WriteFile, FAKE_GetFileSize,
    FAKE_GetFileAttributesA, FAKE_CloseHandle, FAKE_AddPrinterA,
    FAKE_DeletePrinter, FAKE_OpenPrinterA, FAKE_ClosePrinter,
    FAKE_StartDocPrinterA, FAKE_StartPagePrinter, FAKE_WritePrinter,
    FAKE_EndPagePrinter, FAKE_EndDocPrinter, FAKE_CALL_COUNT
};

/* What a call does instead of its normal answer. */
struct FAKE_FAULT {
    enum { NONE, FAIL, SHORT } kind;
    DWORD value;        /* FAIL: the last-error code; SHORT: the byte count */
};

/* Asked before every call that no Fail or Short entry covers; nth counts
   the calls of that kind from 1. */
typedef std::function<FAKE_FAULT(FAKE_CALL call, int nth)> FAKE_SCHEDULE;

struct FAKE_SINK {
    uint64_t bytes = 0;         /* received, over every job or open */
    bool intact = true;         /* every byte matched the input file's */
    int jobsStarted = 0;
    int jobsEnded = 0;          /* EndDocPrinter succeeded */
    std::string docName;        /* the DOC_INFO_1 of the last job */
    std::string datatype;
    bool outputFileNull = true;
};

/* A fault that was asked for, and what the call answered with it. */
struct FAKE_INJECTION {
    size_t logIndex;
    FAKE_CALL call;
    FAKE_FAULT fault;
    DWORD requested;        /* ReadFile, WriteFile, WritePrinter: the count asked */
    uint64_t available;     /* what the normal answer would have given */
    DWORD answered;         /* what this answer gave */
};

/* One job on a printer (StartDocPrinterA to EndDocPrinter), or one open of
   a port device (CreateFileA to CloseHandle). */
struct FAKE_JOB {
    std::string sink;
    size_t logIndex;        /* of the call that started it */
    uint64_t bytes = 0;
    bool intact = true;
    bool ended = false;     /* EndDocPrinter succeeded; a device: closed */
};

struct FAKE_ADDED_PRINTER {     /* the PRINTER_INFO_2 handed to AddPrinterA */
    std::string name, port, driver, processor, datatype;
    bool otherFieldsZero;
    size_t logIndex;            /* of the AddPrinterA that added it */
};

class FakeTransfer {
public:
    FakeTransfer() = default;
    void Bind();

    /* The machine */
    void AddFile(const std::string &path, uint64_t size);
    void AddDirectory(const std::string &path);
    void HoldOpen(const std::string &path);     /* opening fails: sharing violation */
    void InstallPrinter(const std::string &name);
    void AddPortDevice(const std::string &name);
    bool wineAddPrinter = false;    /* AddPrinterA overwrites a taken name, as Wine's does */

    /* Faults */
    void Fail(FAKE_CALL call, int nth, DWORD error = ERROR_GEN_FAILURE);
    void Short(FAKE_CALL call, int nth, DWORD count);
    FAKE_SCHEDULE schedule;

    /* What happened */
    std::vector<std::string> log;   /* "Name argument", one entry per call */
    int Calls(FAKE_CALL call) const { return callCounts[call]; }
    int LogIndex(const std::string &entry) const;   /* first index, or -1 */
    FAKE_SINK &Sink(const std::string &name) { return sinks[name]; }
    bool PrinterExists(const std::string &name) const;
    std::vector<FAKE_ADDED_PRINTER> added;
    std::vector<FAKE_INJECTION> injected;
    std::vector<FAKE_JOB> jobs;
    const std::vector<std::string> &Problems() const { return problems; }
    std::vector<std::string> OpenHandles() const;

    /* The bytes of the file with this seed (files get 1, 2, ... in the
       order they are added) from an offset on. */
    static void FillContent(uint32_t seed, uint64_t offset, BYTE *out, size_t count);

private:
    friend struct FakeTransferCalls;
    enum HANDLE_KIND { HANDLE_FILE = 1, HANDLE_PORT = 2, HANDLE_PRINTER = 4 };   /* bits, for Find */
    struct FILE_RECORD {
        uint64_t size;
        uint32_t seed;
        bool directory;
        bool heldOpen;
    };
    struct HANDLE_RECORD {
        HANDLE_KIND kind;
        std::string name;
        bool open;
        uint64_t position;      /* file: read offset; device, job: bytes received */
        uint32_t seed;          /* file: its content */
        bool inDocument, inPage, deleted;
        bool addedHere;         /* printer: from AddPrinterA, to be deleted before it is closed */
        bool deleteTried;       /* DeletePrinter was called, whatever it answered */
        int job;                /* index in jobs of the current job or open, or -1 */
    };

    FAKE_FAULT Enter(FAKE_CALL call, const std::string &entry);
    DWORD Failed(DWORD error);
    HANDLE NewHandle(HANDLE_KIND kind, const std::string &name);
    HANDLE_RECORD *Find(HANDLE handle, int kinds, const char *call);
    void Receive(HANDLE_RECORD *record, const void *bytes, DWORD count);
    void Answered(FAKE_CALL call, const FAKE_FAULT &fault, DWORD requested, uint64_t available, DWORD answered);
    int StartJob(const std::string &sink);

    std::map<std::string, FILE_RECORD> files;
    std::map<std::string, bool> printers;       /* name -> still installed */
    std::map<std::string, bool> portDevices;
    std::map<std::string, FAKE_SINK> sinks;
    std::map<uintptr_t, HANDLE_RECORD> handles;
    std::map<std::pair<int, int>, FAKE_FAULT> faults;
    int callCounts[FAKE_CALL_COUNT] = {};
    std::vector<std::string> problems;
    uint32_t sourceSeed = 0;
    uintptr_t nextHandle = 0x1000;
};

/* A row of a table of scripted runs arranges the machine and the send
   windows; these rows only fail the nth call, or make it answer short. */
class SendWindows;
typedef std::function<void(FakeTransfer &, SendWindows &)> FAKE_ARRANGE;
FAKE_ARRANGE FailingCall(FAKE_CALL call, int nth);
FAKE_ARRANGE ShortCall(FAKE_CALL call, int nth, DWORD count);

#endif
