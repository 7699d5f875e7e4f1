/* Vista's driver level 8 as the system's headers give it: the program
   reads its head by a layout of its own, which this checks. */
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "fake_system.h"

#include <stdio.h>
#include <stddef.h>
#include <string.h>
#include <algorithm>
#include <process.h>

FAKE_SYSTEM Fake;

/* Under Wine an unhandled exception starts the debugger, which may wait
   for ever; a crash or a caught overflow ends the test program at once. */
static LONG WINAPI EndOnCrash(EXCEPTION_POINTERS *exception)
{
    fprintf(stderr, "crashed with exception %08lx at %p\n", exception->ExceptionRecord->ExceptionCode,
            exception->ExceptionRecord->ExceptionAddress);
    ExitProcess(3);
}
static const LPTOP_LEVEL_EXCEPTION_FILTER PreviousFilter = SetUnhandledExceptionFilter(EndOnCrash);

/* A file's bytes repeat with a prime period longer than a chunk: a byte
   sent at the wrong offset, by a chunk repeated or skipped or by an offset
   cut to 32 bits, differs from the file's. Held twice over, so that a run
   of up to a period is one copy. Copies the bytes at offset into bytes, or
   compares received with them. */
static bool Content(uint64_t offset, BYTE *bytes, const BYTE *received, DWORD count)
{
    static const size_t Period = 1000003;
    static std::vector<BYTE> pattern;
    for (size_t i = pattern.size(); i < 2 * Period; ++i)
        pattern.push_back((BYTE)(((i % Period) * 0x9E3779B97F4A7C15ull) >> 56));
    for (DWORD done = 0; done < count;) {
        const BYTE *from = &pattern[(offset + done) % Period];
        DWORD run = (DWORD)std::min<uint64_t>(count - done, Period);
        if (bytes)
            memcpy(bytes + done, from, run);
        else if (memcmp(received + done, from, run) != 0)
            return false;
        done += run;
    }
    return true;
}

static BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

static bool Fails(const FAKE_FAULT *fault)
{
    return fault != NULL && fault->answer == FAULT_FAILS;
}

void FakeExpect(bool holds, const std::string &problem)
{
    if (!holds)
        Fake.problems.push_back(problem);
}

int FakeCalls(const char *entry)
{
    int count = 0;
    for (const std::string &line : Fake.log)
        count += line.compare(0, strlen(entry) + 1, std::string(entry) + " ") == 0;
    return count;
}

/* Logs the call and answers the fault that covers it, if any. */
static FAKE_FAULT *Enter(const char *entry, const std::string &detail)
{
    std::string line = std::string(entry) + " " + detail;
    Fake.log.push_back(line);
    FAKE_FAULT *fired = NULL;
    for (FAKE_FAULT &fault : Fake.faults) {
        bool covered = (line + " ").compare(0, fault.entry.size() + 1, fault.entry + " ") == 0;
        if (covered && (++fault.seen == fault.nth || fault.nth == 0) && fired == NULL) {
            fault.firedAt = (int)Fake.log.size() - 1;
            fired = &fault;
        }
    }
    return fired;
}

/* The count a read or write moves: the normal answer, cut by a short fault. */
static DWORD Moved(FAKE_FAULT *fault, DWORD normal)
{
    if (fault != NULL)
        fault->normal = normal;
    return fault != NULL && fault->answer == FAULT_SHORT ? std::min(normal, fault->value) : normal;
}

/* The count a call gives back: the truth, or more under a fault that claims more. */
static DWORD Claimed(const FAKE_FAULT *fault, uint64_t truth)
{
    uint64_t more = fault != NULL && fault->answer == FAULT_MORE ? fault->value : 0;
    return (DWORD)std::min<uint64_t>(truth + more, MAXDWORD);
}

static HANDLE NewHandle(char kind, const std::string &name, int job)
{
    static uintptr_t last = 0x10000;
    last += 4;
    Fake.handles[last] = FAKE_HANDLE{kind, name, true, 0, job, false, false, false, false};
    return (HANDLE)last;
}

/* A call on a handle, logged with its name: the open handle of one of the
   kinds, else NULL and a problem. */
static FAKE_HANDLE *EnterOn(const char *entry, HANDLE handle, const char *kinds, FAKE_FAULT **fault,
                            const std::string &detail = "")
{
    auto found = Fake.handles.find((uintptr_t)handle);
    bool known = found != Fake.handles.end() && strchr(kinds, found->second.kind);
    std::string name = known ? found->second.name : "?";
    *fault = Enter(entry, name + detail);
    FakeExpect(known && found->second.open, entry + (" on " + name) + (known ? " after its close" : ", not a handle"));
    return known && found->second.open ? &found->second : NULL;
}

static FAKE_HANDLE *OpenPrinterHandle(HANDLE handle)
{
    auto found = Fake.handles.find((uintptr_t)handle);
    return found != Fake.handles.end() && found->second.kind == 'P' && found->second.open ? &found->second : NULL;
}

static FAKE_JOB *JobOf(FAKE_HANDLE *handle)
{
    return handle->job >= 0 ? &Fake.jobs[handle->job] : NULL;
}

static FAKE_PRINTER *FindPrinter(const std::string &name)
{
    for (FAKE_PRINTER &printer : Fake.printers)
        if (printer.name == name)
            return &printer;
    return NULL;
}

/* The spooler's two-call protocol: entries first, their texts after them,
   each text's pointer at its offset in the entry; a buffer too small fails
   with ERROR_INSUFFICIENT_BUFFER and the bytes needed; an empty list
   succeeds with 0 bytes, as Wine's does. */
static BOOL Enumerate(const char *entry, bool rightLevel, size_t entrySize, const std::vector<size_t> &offsets,
                      const std::vector<std::vector<std::string>> &items, LPBYTE buffer, DWORD size, LPDWORD needed,
                      LPDWORD returned)
{
    FAKE_FAULT *fault = Enter(entry, buffer ? "fill" : "probe");
    FakeExpect(rightLevel, std::string(entry) + " at another level");
    *needed = *returned = 0;
    if (Fails(fault))
        return Fail(fault->value);
    size_t total = entrySize * items.size();
    for (const auto &item : items)
        for (const std::string &text : item)
            total += text.size() + 1;
    *needed = Claimed(fault, total);
    if (total > 0 && (buffer == NULL || size < total))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    char *next = (char *)buffer + entrySize * items.size();
    for (size_t i = 0; i < items.size(); ++i) {
        ZeroMemory(buffer + i * entrySize, entrySize);
        for (size_t j = 0; j < items[i].size(); ++j) {
            *(char **)(buffer + i * entrySize + offsets[j]) = (char *)memcpy(next, items[i][j].c_str(), items[i][j].size() + 1);
            next += items[i][j].size() + 1;
        }
    }
    *returned = Claimed(fault, items.size());
    return TRUE;
}

static BOOL WINAPI FakeEnumPortsA(LPSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned)
{
    std::vector<std::vector<std::string>> items;
    for (const FAKE_PORT &port : Fake.ports)
        items.push_back({port.name, port.monitor, port.description});
    return Enumerate("EnumPortsA", level == 2, sizeof(PORT_INFO_2A), {offsetof(PORT_INFO_2A, pPortName),
                     offsetof(PORT_INFO_2A, pMonitorName), offsetof(PORT_INFO_2A, pDescription)},
                     items, buffer, size, needed, returned);
}

/* The local printers, or the connections. */
static BOOL WINAPI FakeEnumPrintersA(DWORD flags, LPSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                                     LPDWORD returned)
{
    bool connections = (flags & PRINTER_ENUM_CONNECTIONS) != 0;
    std::vector<std::vector<std::string>> items;
    for (const FAKE_PRINTER &printer : Fake.printers)
        if (printer.connection == connections)
            items.push_back({printer.name, printer.port});
    return Enumerate(connections ? "EnumPrintersA connections" : "EnumPrintersA local", level == 2,
                     sizeof(PRINTER_INFO_2A), {offsetof(PRINTER_INFO_2A, pPrinterName), offsetof(PRINTER_INFO_2A, pPortName)},
                     items, buffer, size, needed, returned);
}

/* Levels 1, 3 and 8 of the drivers given (a spooler without level 8: a
   fault of ERROR_INVALID_LEVEL). The dependent files go as a list of
   texts, each NUL-ended, the list ended by one more NUL. */
static BOOL EnumerateDrivers(const char *entry, DWORD level, const std::vector<FAKE_DRIVER> &drivers,
                             LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned)
{
    std::vector<std::vector<std::string>> items;
    for (const FAKE_DRIVER &driver : drivers) {
        std::string files;
        for (const std::string &file : driver.dependentFiles)
            files += file + std::string(1, '\0');
        items.push_back(level == 1 ? std::vector<std::string>{driver.name} : std::vector<std::string>{driver.name, files});
    }
    std::string name = std::string(entry) + " " + std::to_string(level);
    size_t entrySize = level == 1 ? sizeof(DRIVER_INFO_1A) : level == 3 ? sizeof(DRIVER_INFO_3A) : sizeof(DRIVER_INFO_8A);
    std::vector<size_t> offsets = {offsetof(DRIVER_INFO_1A, pName)};
    if (level != 1)
        offsets = {offsetof(DRIVER_INFO_3A, pName), offsetof(DRIVER_INFO_3A, pDependentFiles)};
    BOOL filled = Enumerate(name.c_str(), level == 1 || level == 3 || level == 8, entrySize, offsets, items, buffer,
                            size, needed, returned);
    for (size_t i = 0; filled && level == 8 && i < drivers.size(); ++i)
        ((DRIVER_INFO_8A *)(buffer + i * entrySize))->dwPrinterDriverAttributes = drivers[i].attributes;
    return filled;
}

static BOOL WINAPI FakeEnumPrinterDriversA(LPSTR, LPSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                                           LPDWORD returned)
{
    return EnumerateDrivers("EnumPrinterDriversA", level, Fake.drivers, buffer, size, needed, returned);
}

static HANDLE WINAPI FakeAddPrinterA(LPSTR server, DWORD level, LPBYTE buffer)
{
    PRINTER_INFO_2A info = *(PRINTER_INFO_2A *)buffer;
    std::string name = info.pPrinterName, port = info.pPortName;
    FAKE_FAULT *fault = Enter("AddPrinterA", name + " on " + port);
    std::string datatype = info.pDatatype ? info.pDatatype : "";
    FakeExpect(server == NULL && level == 2 && info.pDriverName && !strcmp(info.pPrintProcessor, "winprint") &&
               (datatype == "RAW" || datatype == "XPS_PASS"), "AddPrinterA " + name + " not a local printer of raw bytes");
    if (Fails(fault))
        return Fail(fault->value), (HANDLE)NULL;
    FakeExpect(!FindPrinter(name), "AddPrinterA over the existing printer " + name);
    if (FindPrinter(name))
        return Fail(ERROR_PRINTER_ALREADY_EXISTS), (HANDLE)NULL;
    Fake.printers.push_back({name, port, false, datatype});
    HANDLE printer = NewHandle('P', name, -1);
    Fake.handles[(uintptr_t)printer].added = true;
    return printer;
}

/* No name opens the print server, for its administration. */
static BOOL WINAPI FakeOpenPrinterA(LPSTR name, LPHANDLE handle, LPPRINTER_DEFAULTSA defaults)
{
    FAKE_FAULT *fault = Enter("OpenPrinterA", name ? name : "(server)");
    if (Fails(fault))
        return Fail(fault->value);
    if (name == NULL) {
        FakeExpect(defaults && defaults->DesiredAccess == SERVER_ACCESS_ADMINISTER, "the server opened for another use");
    } else if (!FindPrinter(name)) {
        return Fail(ERROR_INVALID_PRINTER_NAME);
    }
    *handle = NewHandle('P', name ? name : "(server)", -1);
    return TRUE;
}

/* Every printer's driver is the first installed one. */
static BOOL WINAPI FakeGetPrinterDriverA(HANDLE handle, LPSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    FakeExpect(OpenPrinterHandle(handle) && !Fake.drivers.empty(), "GetPrinterDriverA without an open printer's driver");
    std::vector<FAKE_DRIVER> first(Fake.drivers.begin(), Fake.drivers.begin() + std::min<size_t>(Fake.drivers.size(), 1));
    DWORD returned;
    return EnumerateDrivers("GetPrinterDriverA", level, first, buffer, size, needed, &returned);
}

static DWORD WINAPI FakeStartDocPrinterA(HANDLE handle, DWORD level, LPBYTE buffer)
{
    const DOC_INFO_1A *document = (const DOC_INFO_1A *)buffer;
    FAKE_FAULT *fault;
    FAKE_HANDLE *printer = EnterOn("StartDocPrinterA", handle, "P", &fault);
    if (printer == NULL || Fails(fault))
        return Fail(fault ? fault->value : ERROR_INVALID_HANDLE);
    FakeExpect(level == 1 && !document->pOutputFile && !printer->inDocument, "StartDocPrinterA not a new job");
    FAKE_PRINTER *added = printer->added ? FindPrinter(printer->name) : NULL;
    FakeExpect(!added || (document->pDatatype && added->datatype == document->pDatatype),
               "a job of another data type than its temporary printer's");
    Fake.jobs.push_back({printer->name, false, 0, true, false, false, false,
                         document->pDocName ? document->pDocName : "", document->pDatatype ? document->pDatatype : ""});
    printer->job = (int)Fake.jobs.size() - 1;
    printer->inDocument = true;
    return (DWORD)Fake.jobs.size();
}

/* The other calls on a printer handle, each allowed in its state of the
   job. A failed EndDocPrinter ends the job all the same: not ended, and
   nothing more to do with it. */
enum PRINTER_STEP { STEP_START_PAGE, STEP_END_PAGE, STEP_END_DOC, STEP_ABORT, STEP_DELETE, STEP_CLOSE };

static BOOL PrinterStep(PRINTER_STEP step, const char *entry, HANDLE handle)
{
    FAKE_FAULT *fault;
    FAKE_HANDLE *printer = EnterOn(entry, handle, "P", &fault);
    if (printer == NULL)
        return Fail(ERROR_INVALID_HANDLE);
    bool done = !Fails(fault);
    std::string on = std::string(entry) + " on " + printer->name;
    switch (step) {
    case STEP_START_PAGE:
        FakeExpect(printer->inDocument && !printer->inPage, on + " outside a job or within a page");
        printer->inPage |= done;
        if (printer->inDocument)
            JobOf(printer)->paged |= done;
        break;
    case STEP_END_PAGE:
        FakeExpect(printer->inPage, on + " outside a page");
        printer->inPage &= !done;
        break;
    case STEP_END_DOC:
    case STEP_ABORT:
        FakeExpect(step == STEP_ABORT || printer->inDocument, on + " outside a job");
        if (printer->inDocument && done)
            (step == STEP_END_DOC ? JobOf(printer)->ended : JobOf(printer)->aborted) = true;
        if (done || step == STEP_END_DOC)
            printer->inDocument = printer->inPage = false;
        break;
    case STEP_DELETE:
        printer->deleted = true;
        for (size_t i = 0; done && i < Fake.printers.size(); ++i)
            if (Fake.printers[i].name == printer->name)
                Fake.printers.erase(Fake.printers.begin() + i);
        break;
    case STEP_CLOSE:
        FakeExpect(!printer->inDocument, on + " with its job neither ended nor aborted");
        FakeExpect(!printer->added || printer->deleted, on + " before DeletePrinter");
        printer->open = false;
        break;
    }
    return done ? TRUE : Fail(fault->value);
}

static BOOL WINAPI FakeStartPagePrinter(HANDLE h) { return PrinterStep(STEP_START_PAGE, "StartPagePrinter", h); }
static BOOL WINAPI FakeEndPagePrinter(HANDLE h) { return PrinterStep(STEP_END_PAGE, "EndPagePrinter", h); }
static BOOL WINAPI FakeEndDocPrinter(HANDLE h) { return PrinterStep(STEP_END_DOC, "EndDocPrinter", h); }
static BOOL WINAPI FakeAbortPrinter(HANDLE h) { return PrinterStep(STEP_ABORT, "AbortPrinter", h); }
static BOOL WINAPI FakeDeletePrinter(HANDLE h) { return PrinterStep(STEP_DELETE, "DeletePrinter", h); }
static BOOL WINAPI FakeClosePrinter(HANDLE h) { return PrinterStep(STEP_CLOSE, "ClosePrinter", h); }

/* An ended job's state at each look (a probe and its fill), from
   Fake.looks; without any, the job has left the queue, which Windows
   answers with ERROR_INVALID_PARAMETER. Only the printer that ended the job
   asks, and before it is deleted. */
static BOOL WINAPI FakeGetJobA(HANDLE handle, DWORD id, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    FAKE_HANDLE *printer = OpenPrinterHandle(handle);
    FAKE_JOB *job = printer && printer->job >= 0 && (DWORD)printer->job + 1 == id ? JobOf(printer) : NULL;
    FakeExpect(job && job->ended && !printer->deleted && level == 1, "GetJobA not on the printer that ended the job");
    if (job != NULL && buffer == NULL)
        ++job->looks;
    int look = job ? std::min<int>(job->looks, (int)Fake.looks.size()) - 1 : -1;
    const FAKE_LOOK *state = look >= 0 ? &Fake.looks[look] : NULL;
    if (state == NULL || state->error != 0) {
        *needed = 0;
        Enter("GetJobA", buffer ? "fill" : "probe");
        return Fail(state ? state->error : ERROR_INVALID_PARAMETER);
    }
    DWORD returned;
    BOOL filled = Enumerate("GetJobA", true, sizeof(JOB_INFO_1A), {offsetof(JOB_INFO_1A, pStatus)}, {{state->text}},
                            buffer, size, needed, &returned);
    if (filled && buffer != NULL) {
        JOB_INFO_1A *info = (JOB_INFO_1A *)buffer;
        info->Status = state->status;
        info->TotalPages = state->pages;
        info->PagesPrinted = state->printed;
    }
    return filled;
}

static DWORD WINAPI FakeGetTickCount(void)
{
    return Fake.clock;
}

static void WINAPI FakeSleep(DWORD milliseconds)
{
    Fake.clock += milliseconds;
}

/* A sink takes what a write moves and checks it against the file. */
static BOOL Write(const char *entry, const char *kind, HANDLE handle, const void *bytes, DWORD count, LPDWORD written)
{
    FAKE_FAULT *fault;
    FAKE_HANDLE *sink = EnterOn(entry, handle, kind, &fault, " " + std::to_string(count));
    *written = 0;
    if (sink == NULL || Fails(fault))
        return Fail(fault ? fault->value : ERROR_INVALID_HANDLE);
    FAKE_JOB *job = JobOf(sink);
    FakeExpect(job && (sink->kind == 'D' || sink->inPage), std::string(entry) + " outside a page");
    DWORD moved = Moved(fault, count);
    if (job != NULL) {
        job->intact &= Content(job->bytes, NULL, (const BYTE *)bytes, moved);
        job->bytes += moved;
    }
    *written = Claimed(fault, moved);
    return TRUE;
}

static BOOL WINAPI FakeWritePrinter(HANDLE handle, LPVOID bytes, DWORD count, LPDWORD written)
{
    return Write("WritePrinter", "P", handle, bytes, count, written);
}

static BOOL WINAPI FakeWriteFile(HANDLE handle, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED)
{
    return Write("WriteFile", "D", handle, bytes, count, written);
}

/* An input file is read alone; a port device is written, shared for reading. */
static HANDLE WINAPI FakeCreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD creation,
                                     DWORD, HANDLE)
{
    FAKE_FAULT *fault = Enter("CreateFileA", path);
    bool device = access == GENERIC_WRITE;
    FakeExpect((device ? share == FILE_SHARE_READ : access == GENERIC_READ && share == 0) && creation == OPEN_EXISTING,
           std::string("CreateFileA ") + path + " neither a file's reading nor a device's writing");
    if (Fails(fault))
        return Fail(fault->value), INVALID_HANDLE_VALUE;
    if (device ? !Fake.devices.count(path) : !Fake.files.count(path))
        return Fail(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
    if (!device)
        return NewHandle('F', path, -1);
    Fake.jobs.push_back({path, true, 0, true, false, false, false, "", ""});
    return NewHandle('D', path, (int)Fake.jobs.size() - 1);
}

static BOOL WINAPI FakeReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED)
{
    FAKE_FAULT *fault;
    FAKE_HANDLE *file = EnterOn("ReadFile", handle, "F", &fault, " " + std::to_string(count));
    *read = 0;
    if (file == NULL || Fails(fault))
        return Fail(fault ? fault->value : ERROR_INVALID_HANDLE);
    uint64_t size = Fake.files[file->name];
    DWORD moved = Moved(fault, (DWORD)std::min<uint64_t>(count, size - std::min(size, file->position)));
    Content(file->position, (BYTE *)buffer, NULL, moved);
    file->position += moved;
    *read = Claimed(fault, moved);
    return TRUE;
}

static DWORD WINAPI FakeGetFileSize(HANDLE handle, LPDWORD high)
{
    FAKE_FAULT *fault;
    FAKE_HANDLE *file = EnterOn("GetFileSize", handle, "F", &fault);
    if (file == NULL || Fails(fault))
        return Fail(fault ? fault->value : ERROR_INVALID_HANDLE), INVALID_FILE_SIZE;
    uint64_t size = Fake.files[file->name];
    if (fault != NULL && fault->answer == FAULT_MORE)
        size += fault->value;
    *high = (DWORD)(size >> 32);
    SetLastError(NO_ERROR);     /* a low part of INVALID_FILE_SIZE is then a size */
    return (DWORD)size;
}

static DWORD WINAPI FakeGetFileAttributesA(LPCSTR path)
{
    FAKE_FAULT *fault = Enter("GetFileAttributesA", path);
    if (Fails(fault) || !Fake.files.count(path))
        return Fail(fault ? fault->value : ERROR_FILE_NOT_FOUND), INVALID_FILE_ATTRIBUTES;
    return FILE_ATTRIBUTE_ARCHIVE;
}

/* Closing a device ends what it was given. */
static BOOL WINAPI FakeCloseHandle(HANDLE handle)
{
    FAKE_FAULT *fault;
    FAKE_HANDLE *closed = EnterOn("CloseHandle", handle, "FD", &fault);
    if (closed == NULL)
        return Fail(ERROR_INVALID_HANDLE);
    closed->open = false;
    if (JobOf(closed) != NULL)
        JobOf(closed)->ended = true;
    return Fails(fault) ? Fail(fault->value) : TRUE;
}

static int WINAPI FakeMessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT)
{
    Enter("MessageBoxA", std::string(caption) + ": " + text);
    Fake.boxes.push_back(std::string(caption) + ": " + text);
    return IDOK;
}

/* Every entry in the seam's order, so that a new one fails the build here;
   those that neither the roads nor the port table and list call (start-up
   and the worker's start) stay the system's. */
void InstallFakeSystem(void)
{
    Fake = FAKE_SYSTEM();
    Sys = SYSTEM_CALLS{FakeEnumPortsA, FakeEnumPrintersA, FakeEnumPrinterDriversA, FakeGetPrinterDriverA,
                       FakeAddPrinterA, FakeDeletePrinter, FakeOpenPrinterA, FakeClosePrinter, FakeStartDocPrinterA,
                       FakeStartPagePrinter, FakeWritePrinter, FakeEndPagePrinter, FakeEndDocPrinter, FakeAbortPrinter,
                       FakeGetJobA, FakeCreateFileA, FakeReadFile, FakeWriteFile, FakeGetFileSize,
                       FakeGetFileAttributesA, FakeCloseHandle, FindFirstFileA, FindClose, GetModuleFileNameA,
                       GetVersionExA, GetLastError, FakeGetTickCount, FakeSleep, FakeMessageBoxA, _beginthread};
}

std::vector<std::string> FakeDefects(void)
{
    std::vector<std::string> defects = Fake.problems;
    for (const auto &entry : Fake.handles)
        if (entry.second.open)
            defects.push_back("left open: " + entry.second.name);
    return defects;
}

std::string FakeAnswer(const FAKE_FAULT &fault)
{
    const char *const forms[] = {"fails ", "moves at most ", "claims "};
    return forms[fault.answer] + std::to_string(fault.value) + (fault.answer == FAULT_MORE ? " more" : "");
}

std::string FakeLog(void)
{
    std::string text;
    for (size_t i = 0; i < Fake.log.size(); ++i) {
        text += "\n    " + Fake.log[i];
        for (const FAKE_FAULT &fault : Fake.faults)
            if (fault.firedAt == (int)i)
                text += "  <- " + FakeAnswer(fault);
    }
    return text;
}
