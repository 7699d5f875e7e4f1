/* The three roads that move the printer file to one port: a RAW job on the
   queue installed there, a RAW job through a temporary queue, or direct
   writes to the port device. Each reads the file in chunks of
   SEND_CHUNK_SIZE bytes, passes them on unchanged, reports its progress and
   closes everything it opened before it returns. None touches a window. */
#include "rawjob.h"
#include "syscalls.h"

#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>

/* One transfer at a time runs, on the worker thread: one buffer serves them
   all, and the file is never held whole. */
static BYTE ChunkBuffer[SEND_CHUNK_SIZE];

/* Writes one chunk to its target; the count taken is what was passed on. */
typedef BOOL (*CHUNK_WRITER)(HANDLE target, const void *bytes, DWORD count, DWORD *taken);

/* The path must name something; NULL is a text too long to be a path,
   refused rather than cut short, since the shorter text could name
   another file. */
static BOOL IsInputPathValid(const char *path)
{
    return path != NULL && Sys.GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

/* No sharing: nobody may change the file while its bytes go out. */
static HANDLE OpenInputFile(const char *path)
{
    return Sys.CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

/* The job roads' file checks, in their order: the path must name
   something, then the file must open. */
static SEND_RESULT CheckAndOpenInput(const char *path, HANDLE *file)
{
    if (!IsInputPathValid(path))
        return SEND_BAD_FILE_NAME;
    *file = OpenInputFile(path);
    return *file == INVALID_HANDLE_VALUE ? SEND_OPEN_FAILED : SEND_OK;
}

/* The percentage is the double-precision quotient times 100, truncated.
   Each step is stored as a double: x87 code would otherwise carry 64-bit
   mantissas through and show 29 where 15,204,352 / 52,428,800 * 100 gives
   28.999999999999996. */
static int ProgressPercent(ULONGLONG done, ULONGLONG size)
{
    if (size == 0)
        return 0;   /* an empty file: 0 / 0 would be no number at all */
    volatile double quotient = (double)done / (double)size;
    volatile double percent = quotient * 100.0;
    return (int)percent;
}

static BOOL GetInputFileSize(HANDLE file, ULONGLONG *size)
{
    DWORD high = 0;
    DWORD low = Sys.GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && Sys.GetLastError() != NO_ERROR)
        return FALSE;
    *size = ((ULONGLONG)high << 32) | low;
    return TRUE;
}

/* Fills the chunk buffer with the next `expected` bytes of the file. A read
   may return less than asked before the end (a network file): read on until
   the chunk is full. A file that ends before the size it had is a failed
   read, never a stream sent short; so is a read that claims more than it
   was asked, which would wrap the count and send bytes from wrong places. */
static BOOL ReadChunk(HANDLE file, DWORD expected, DWORD *count)
{
    DWORD got = 0;
    do {
        DWORD asked = SEND_CHUNK_SIZE - got;
        DWORD read = 0;
        if (!Sys.ReadFile(file, ChunkBuffer + got, asked, &read, NULL) || read > asked)
            return FALSE;
        if (read == 0)
            break;
        got += read;
    } while (got < expected);
    *count = got;
    return got == expected;
}

/* A file of s bytes takes s / SEND_CHUNK_SIZE + 1 reads and as many writes:
   the last chunk holds the remainder, and is written even when empty. The
   counts are 64-bit, so files of 4 GiB and more are sent whole. */
static SEND_RESULT CopyChunks(HANDLE file, HANDLE target, CHUNK_WRITER write, const char *portName,
                              SEND_PROGRESS progress)
{
    ULONGLONG size;
    if (!GetInputFileSize(file, &size))
        return SEND_READ_FAILED;

    ULONGLONG remaining = size;
    ULONGLONG total = 0;
    for (;;) {
        DWORD expected = remaining < SEND_CHUNK_SIZE ? (DWORD)remaining : SEND_CHUNK_SIZE;
        DWORD count;
        DWORD taken;
        if (!ReadChunk(file, expected, &count))
            return SEND_READ_FAILED;
        if (!write(target, ChunkBuffer, count, &taken))
            return SEND_WRITE_FAILED;
        total += taken;
        if (!progress(portName, ProgressPercent(total, size), total))
            return SEND_CANCELLED;
        if (remaining < SEND_CHUNK_SIZE)
            return SEND_OK;
        remaining -= SEND_CHUNK_SIZE;
    }
}

/* Gives SEND_OK, SEND_WRITE_FAILED, SEND_READ_FAILED or SEND_CANCELLED;
   the job and the file stay with the caller. */
static SEND_RESULT CopyFileToJob(HANDLE file, HANDLE printer, const char *portName, SEND_PROGRESS progress)
{
    return CopyChunks(file, printer, WriteRawChunk, portName, progress);
}

/* The input file is closed before the job is followed: that can take
   minutes, and the file is held unshared. */
static SEND_RESULT EndJob(HANDLE printer, DWORD job, HANDLE file, SEND_RESULT copied, const char *portName,
                          JOB_FOLLOWING *following)
{
    SEND_RESULT result = EndRawJob(printer, copied);
    Sys.CloseHandle(file);
    if (result == SEND_OK && following != NULL)
        FollowJob(printer, job, portName, following);
    return result;
}

SEND_RESULT PrintOnInstalledPrinter(const char *path, const char *printerName, const char *portName,
                                    SEND_PROGRESS progress, JOB_FOLLOWING *following)
{
    HANDLE file;
    SEND_RESULT result = CheckAndOpenInput(path, &file);
    if (result != SEND_OK)
        return result;

    HANDLE printer;
    if (!Sys.OpenPrinterA(const_cast<char *>(printerName), &printer, NULL)) {
        Sys.CloseHandle(file);
        return SEND_WRITE_FAILED;
    }
    DWORD job = StartRawJob(printer, path, GetPrinterDatatype(printer));
    if (job == 0) {
        Sys.CloseHandle(file);
        result = SEND_WRITE_FAILED;
    } else {
        result = progress(portName, SEND_STARTED, 0) ? CopyFileToJob(file, printer, portName, progress)
                                                     : SEND_CANCELLED;
        result = EndJob(printer, job, file, result, portName, following);
    }
    Sys.ClosePrinter(printer);
    return result;
}

/* Everything but the printer itself, which the caller deletes whatever
   happens here. */
static SEND_RESULT SendToTemporaryPrinter(HANDLE printer, char *datatype, const char *path, const char *portName,
                                          SEND_PROGRESS progress, JOB_FOLLOWING *following)
{
    HANDLE file;
    SEND_RESULT result = CheckAndOpenInput(path, &file);
    if (result != SEND_OK)
        return result;

    if (!progress(portName, SEND_STARTED, 0)) {
        Sys.CloseHandle(file);
        return SEND_CANCELLED;
    }
    DWORD job = StartRawJob(printer, path, datatype);
    if (job == 0) {
        Sys.CloseHandle(file);
        return SEND_WRITE_FAILED;
    }
    return EndJob(printer, job, file, CopyFileToJob(file, printer, portName, progress), portName, following);
}

SEND_RESULT PrintOnTemporaryPrinter(HANDLE printer, char *datatype, const char *path, const char *portName,
                                    SEND_PROGRESS progress, JOB_FOLLOWING *following)
{
    SEND_RESULT result = SendToTemporaryPrinter(printer, datatype, path, portName, progress, following);
    /* A job already ended survives: the spooler only marks a printer with
       queued jobs for deletion, and removes it once they are printed. */
    Sys.DeletePrinter(printer);
    Sys.ClosePrinter(printer);
    return result;
}

/* A device may take less than it was given: write the rest until the chunk
   is all taken. A write that succeeds but takes nothing would repeat for
   ever, and one that claims more than it was given is not to be believed. */
static BOOL WritePortChunk(HANDLE port, const void *bytes, DWORD count, DWORD *taken)
{
    const BYTE *next = (const BYTE *)bytes;
    DWORD left = count;
    *taken = 0;
    do {
        DWORD written = 0;
        if (!Sys.WriteFile(port, next, left, &written, NULL))
            return FALSE;
        if (written > left || (written == 0 && left > 0))
            return FALSE;
        next += written;
        left -= written;
        *taken += written;
    } while (left > 0);
    return TRUE;
}

/* The direct road checks the port before the file: a port that cannot be
   opened is told apart from a file that cannot. */
SEND_RESULT CopyFileToPort(const char *path, const char *portName, SEND_PROGRESS progress)
{
    if (!IsInputPathValid(path))
        return SEND_BAD_FILE_NAME;
    HANDLE port = Sys.CreateFileA(portName, GENERIC_WRITE, FILE_SHARE_READ, NULL,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (port == INVALID_HANDLE_VALUE)
        return SEND_PORT_OPEN_FAILED;
    HANDLE file = OpenInputFile(path);
    if (file == INVALID_HANDLE_VALUE) {
        Sys.CloseHandle(port);
        return SEND_OPEN_FAILED;
    }

    SEND_RESULT result = progress(portName, 0, 0) ? CopyChunks(file, port, WritePortChunk, portName, progress)
                                                  : SEND_CANCELLED;
    Sys.CloseHandle(port);
    Sys.CloseHandle(file);
    return result;
}
