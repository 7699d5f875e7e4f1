#include "fake_transfer.h"
#include "syscalls.h"

#include <stdio.h>
#include <string.h>
#include <winspool.h>

#include <algorithm>

static FakeTransfer *Bound;

static std::string Format(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

/* Eight bytes at a time from a multiplicative hash of the seed and the
   word's index: a chunk sent twice, skipped or shifted by any offset does
   not match. */
static uint64_t ContentWord(uint32_t seed, uint64_t index)
{
    uint64_t x = (index + ((uint64_t)seed << 40)) * 0x9E3779B97F4A7C15ull;
    return x ^ (x >> 29);
}

void FakeTransfer::FillContent(uint32_t seed, uint64_t offset, BYTE *out, size_t count)
{
    while (count > 0 && (offset & 7) != 0) {
        *out++ = (BYTE)(ContentWord(seed, offset >> 3) >> (8 * (offset & 7)));
        ++offset;
        --count;
    }
    for (; count >= 8; count -= 8, offset += 8, out += 8) {
        uint64_t word = ContentWord(seed, offset >> 3);
        memcpy(out, &word, 8);
    }
    for (uint64_t word = ContentWord(seed, offset >> 3); count > 0; --count, ++offset)
        *out++ = (BYTE)(word >> (8 * (offset & 7)));
}

void FakeTransfer::AddFile(const std::string &path, uint64_t size)
{
    uint32_t seed = (uint32_t)files.size() + 1;
    files[path] = FILE_RECORD{size, seed, false, false};
}

void FakeTransfer::AddDirectory(const std::string &path) { files[path] = FILE_RECORD{0, 0, true, false}; }
void FakeTransfer::HoldOpen(const std::string &path) { files.at(path).heldOpen = true; }
void FakeTransfer::InstallPrinter(const std::string &name) { printers[name] = true; }
void FakeTransfer::AddPortDevice(const std::string &name) { portDevices[name] = true; }

void FakeTransfer::Fail(FAKE_CALL call, int nth, DWORD error)
{
    faults[{call, nth}] = FAKE_FAULT{FAKE_FAULT::FAIL, error};
}

void FakeTransfer::Short(FAKE_CALL call, int nth, DWORD count)
{
    faults[{call, nth}] = FAKE_FAULT{FAKE_FAULT::SHORT, count};
}

int FakeTransfer::LogIndex(const std::string &entry) const
{
    auto found = std::find(log.begin(), log.end(), entry);
    return found == log.end() ? -1 : (int)(found - log.begin());
}

bool FakeTransfer::PrinterExists(const std::string &name) const
{
    auto found = printers.find(name);
    return found != printers.end() && found->second;
}

std::vector<std::string> FakeTransfer::OpenHandles() const
{
    std::vector<std::string> open;
    for (const auto &entry : handles)
        if (entry.second.open)
            open.push_back(entry.second.name);
    return open;
}

FAKE_FAULT FakeTransfer::Enter(FAKE_CALL call, const std::string &entry)
{
    log.push_back(entry);
    int nth = ++callCounts[call];
    auto fault = faults.find({call, nth});
    FAKE_FAULT chosen = FAKE_FAULT{FAKE_FAULT::NONE, 0};
    if (fault != faults.end())
        chosen = fault->second;
    else if (schedule)
        chosen = schedule(call, nth);
    /* Every call honours a failure; a short answer is recorded by the calls
       that move bytes, when it changed what they gave. */
    if (chosen.kind == FAKE_FAULT::FAIL)
        injected.push_back(FAKE_INJECTION{log.size() - 1, call, chosen, 0, 0, 0});
    return chosen;
}

void FakeTransfer::Answered(FAKE_CALL call, const FAKE_FAULT &fault, DWORD requested, uint64_t available, DWORD answered)
{
    if (fault.kind == FAKE_FAULT::FAIL) {
        injected.back().requested = requested;
        injected.back().available = available;
    } else if (fault.kind == FAKE_FAULT::SHORT && answered < available) {
        injected.push_back(FAKE_INJECTION{log.size() - 1, call, fault, requested, available, answered});
    }
}

int FakeTransfer::StartJob(const std::string &sink)
{
    FAKE_JOB job;
    job.sink = sink;
    job.logIndex = log.size() - 1;
    jobs.push_back(job);
    return (int)jobs.size() - 1;
}

DWORD FakeTransfer::Failed(DWORD error)
{
    SetLastError(error);
    return 0;
}

HANDLE FakeTransfer::NewHandle(HANDLE_KIND kind, const std::string &name)
{
    uintptr_t value = nextHandle;
    nextHandle += 4;
    handles[value] = HANDLE_RECORD{kind, name, true, 0, 0, false, false, false, false, false, -1};
    return (HANDLE)value;
}

FakeTransfer::HANDLE_RECORD *FakeTransfer::Find(HANDLE handle, int kinds, const char *call)
{
    auto found = handles.find((uintptr_t)handle);
    if (found == handles.end() || !(found->second.kind & kinds)) {
        problems.push_back(Format("%s on an unknown handle %p", call, handle));
        return NULL;
    }
    if (!found->second.open) {
        problems.push_back(Format("%s on %s after it was closed", call, found->second.name.c_str()));
        return NULL;
    }
    return &found->second;
}

void FakeTransfer::Receive(HANDLE_RECORD *record, const void *bytes, DWORD count)
{
    static std::vector<BYTE> expected;
    FAKE_SINK &sink = sinks[record->name];
    FAKE_JOB *job = record->job >= 0 ? &jobs[record->job] : NULL;
    uint64_t offset = record->position;
    record->position += count;
    sink.bytes += count;
    if (job)
        job->bytes += count;
    if (count == 0)
        return;
    expected.resize(count);
    FillContent(sourceSeed, offset, expected.data(), count);
    if (memcmp(expected.data(), bytes, count) != 0) {
        sink.intact = false;
        if (job)
            job->intact = false;
    }
}

/* The seam's entries: each logs itself, asks for a fault, checks its
   handle, then does what the machine says. */
struct FakeTransferCalls {
    typedef FakeTransfer F;

    static HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES,
                                     DWORD creation, DWORD flags, HANDLE)
    {
        FAKE_FAULT fault = Bound->Enter(FAKE_CreateFileA,
            Format("CreateFileA %s access=%lx share=%lu creation=%lu flags=%lx",
                   path, access, share, creation, flags));
        if (fault.kind == FAKE_FAULT::FAIL)
            return Bound->Failed(fault.value), INVALID_HANDLE_VALUE;
        if (access & GENERIC_WRITE) {
            if (!Bound->portDevices.count(path))
                return Bound->Failed(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
        {
            HANDLE handle = Bound->NewHandle(F::HANDLE_PORT, path);
            Bound->handles[(uintptr_t)handle].job = Bound->StartJob(path);
            return handle;
        }
        }
        auto file = Bound->files.find(path);
        if (file == Bound->files.end())
            return Bound->Failed(ERROR_FILE_NOT_FOUND), INVALID_HANDLE_VALUE;
        if (file->second.directory)
            return Bound->Failed(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
        if (file->second.heldOpen)
            return Bound->Failed(ERROR_SHARING_VIOLATION), INVALID_HANDLE_VALUE;
        HANDLE handle = Bound->NewHandle(F::HANDLE_FILE, path);
        Bound->handles[(uintptr_t)handle].seed = file->second.seed;
        Bound->sourceSeed = file->second.seed;
        return handle;
    }

    static BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED)
    {
        FAKE_FAULT fault = Bound->Enter(FAKE_ReadFile, Format("ReadFile %lu", count));
        F::HANDLE_RECORD *file = Bound->Find(handle, F::HANDLE_FILE, "ReadFile");
        *read = 0;
        if (!file)
            return Bound->Failed(ERROR_INVALID_HANDLE);
        uint64_t left = Bound->files[file->name].size - std::min(file->position, Bound->files[file->name].size);
        DWORD asked = count;
        if (fault.kind == FAKE_FAULT::SHORT)
            count = std::min(count, fault.value);
        DWORD got = fault.kind == FAKE_FAULT::FAIL ? 0 : (DWORD)std::min<uint64_t>(count, left);
        Bound->Answered(FAKE_ReadFile, fault, asked, std::min<uint64_t>(asked, left), got);
        if (fault.kind == FAKE_FAULT::FAIL)
            return Bound->Failed(fault.value);
        F::FillContent(file->seed, file->position, (BYTE *)buffer, got);
        file->position += got;
        *read = got;
        return TRUE;
    }

    static BOOL WINAPI WriteFile(HANDLE handle, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED)
    {
        FAKE_FAULT fault = Bound->Enter(FAKE_WriteFile, Format("WriteFile %lu", count));
        F::HANDLE_RECORD *port = Bound->Find(handle, F::HANDLE_PORT, "WriteFile");
        *written = 0;
        if (!port)
            return Bound->Failed(ERROR_INVALID_HANDLE);
        DWORD asked = count;
        if (fault.kind == FAKE_FAULT::SHORT)
            count = std::min(count, fault.value);
        Bound->Answered(FAKE_WriteFile, fault, asked, asked, fault.kind == FAKE_FAULT::FAIL ? 0 : count);
        if (fault.kind == FAKE_FAULT::FAIL)
            return Bound->Failed(fault.value);
        Bound->Receive(port, bytes, count);
        *written = count;
        return TRUE;
    }

    static DWORD WINAPI GetFileSize(HANDLE handle, LPDWORD high)
    {
        FAKE_FAULT fault = Bound->Enter(FAKE_GetFileSize, "GetFileSize");
        F::HANDLE_RECORD *file = Bound->Find(handle, F::HANDLE_FILE, "GetFileSize");
        if (!file || fault.kind == FAKE_FAULT::FAIL) {
            Bound->Failed(file ? fault.value : ERROR_INVALID_HANDLE);
            return INVALID_FILE_SIZE;
        }
        uint64_t size = Bound->files[file->name].size;
        if (high)
            *high = (DWORD)(size >> 32);
        if ((DWORD)size == INVALID_FILE_SIZE)
            SetLastError(NO_ERROR);     /* the low part alone is ambiguous */
        return (DWORD)size;
    }

    static DWORD WINAPI GetFileAttributesA(LPCSTR path)
    {
        FAKE_FAULT fault = Bound->Enter(FAKE_GetFileAttributesA, Format("GetFileAttributesA %s", path));
        auto file = Bound->files.find(path);
        if (fault.kind == FAKE_FAULT::FAIL || file == Bound->files.end()) {
            Bound->Failed(fault.kind == FAKE_FAULT::FAIL ? fault.value : ERROR_FILE_NOT_FOUND);
            return INVALID_FILE_ATTRIBUTES;
        }
        return file->second.directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    }

    static BOOL WINAPI CloseHandle(HANDLE handle)
    {
        auto found = Bound->handles.find((uintptr_t)handle);
        FAKE_FAULT fault = Bound->Enter(FAKE_CloseHandle,
            "CloseHandle " + (found != Bound->handles.end() ? found->second.name : "?"));
        F::HANDLE_RECORD *record = Bound->Find(handle, F::HANDLE_FILE | F::HANDLE_PORT, "CloseHandle");
        if (!record)
            return Bound->Failed(ERROR_INVALID_HANDLE);
        record->open = false;
        if (record->job >= 0)
            Bound->jobs[record->job].ended = true;
        return fault.kind == FAKE_FAULT::FAIL ? Bound->Failed(fault.value) : TRUE;
    }

    /* The calls on a printer handle share this shape: check the handle, log,
       ask for a fault. */
    static F::HANDLE_RECORD *PrinterCall(FAKE_CALL call, const char *name, HANDLE handle, FAKE_FAULT *fault)
    {
        F::HANDLE_RECORD *printer = Bound->Find(handle, F::HANDLE_PRINTER, name);
        *fault = Bound->Enter(call, Format("%s %s", name, printer ? printer->name.c_str() : "?"));
        return printer;
    }

    static HANDLE WINAPI AddPrinterA(LPSTR server, DWORD level, LPBYTE buffer)
    {
        PRINTER_INFO_2A info = *(PRINTER_INFO_2A *)buffer;
        FAKE_FAULT fault = Bound->Enter(FAKE_AddPrinterA, Format("AddPrinterA %s", info.pPrinterName));
        if (server || level != 2)
            Bound->problems.push_back("AddPrinterA not on the local machine at level 2");
        FAKE_ADDED_PRINTER added{info.pPrinterName, info.pPortName ? info.pPortName : "",
                                 info.pDriverName ? info.pDriverName : "",
                                 info.pPrintProcessor ? info.pPrintProcessor : "",
                                 info.pDatatype ? info.pDatatype : "", false,
                                 Bound->log.size() - 1};
        PRINTER_INFO_2A zero, rest = info;
        ZeroMemory(&zero, sizeof zero);
        rest.pPrinterName = rest.pPortName = rest.pDriverName = rest.pPrintProcessor = rest.pDatatype = NULL;
        added.otherFieldsZero = memcmp(&rest, &zero, sizeof zero) == 0;
        if (fault.kind == FAKE_FAULT::FAIL)
            return Bound->Failed(fault.value), (HANDLE)NULL;
        if (Bound->PrinterExists(added.name) && !Bound->wineAddPrinter)
            return Bound->Failed(ERROR_PRINTER_ALREADY_EXISTS), (HANDLE)NULL;
        Bound->added.push_back(added);
        Bound->printers[added.name] = true;
        HANDLE handle = Bound->NewHandle(F::HANDLE_PRINTER, added.name);
        Bound->handles[(uintptr_t)handle].addedHere = true;
        return handle;
    }

    static BOOL WINAPI DeletePrinter(HANDLE handle)
    {
        FAKE_FAULT fault;
        F::HANDLE_RECORD *printer = PrinterCall(FAKE_DeletePrinter, "DeletePrinter", handle, &fault);
        if (!printer)
            return Bound->Failed(ERROR_INVALID_HANDLE);
        printer->deleteTried = true;
        if (fault.kind == FAKE_FAULT::FAIL)
            return Bound->Failed(fault.value);
        printer->deleted = true;
        Bound->printers[printer->name] = false;
        return TRUE;
    }

    static BOOL WINAPI OpenPrinterA(LPSTR name, LPHANDLE handle, LPPRINTER_DEFAULTSA defaults)
    {
        FAKE_FAULT fault = Bound->Enter(FAKE_OpenPrinterA, Format("OpenPrinterA %s", name));
        if (defaults)
            Bound->problems.push_back("OpenPrinterA with defaults");
        if (fault.kind == FAKE_FAULT::FAIL)
            return Bound->Failed(fault.value);
        if (!Bound->PrinterExists(name))
            return Bound->Failed(ERROR_INVALID_PRINTER_NAME);
        *handle = Bound->NewHandle(F::HANDLE_PRINTER, name);
        return TRUE;
    }

    static BOOL WINAPI ClosePrinter(HANDLE handle)
    {
        FAKE_FAULT fault;
        F::HANDLE_RECORD *printer = PrinterCall(FAKE_ClosePrinter, "ClosePrinter", handle, &fault);
        if (!printer)
            return Bound->Failed(ERROR_INVALID_HANDLE);
        if (printer->inDocument)
            Bound->problems.push_back("ClosePrinter " + printer->name + " with its job still open");
        if (printer->addedHere && !printer->deleteTried)
            Bound->problems.push_back("ClosePrinter " + printer->name + " before it was deleted");
        printer->open = false;
        return fault.kind == FAKE_FAULT::FAIL ? Bound->Failed(fault.value) : TRUE;
    }

    static DWORD WINAPI StartDocPrinterA(HANDLE handle, DWORD level, LPBYTE buffer)
    {
        FAKE_FAULT fault;
        F::HANDLE_RECORD *printer = PrinterCall(FAKE_StartDocPrinterA, "StartDocPrinterA", handle, &fault);
        if (!printer)
            return Bound->Failed(ERROR_INVALID_HANDLE);
        if (fault.kind == FAKE_FAULT::FAIL)
            return Bound->Failed(fault.value);
        if (level != 1 || printer->inDocument)
            Bound->problems.push_back("StartDocPrinterA not at level 1, or within a job");
        const DOC_INFO_1A *document = (const DOC_INFO_1A *)buffer;
        FAKE_SINK &sink = Bound->sinks[printer->name];
        sink.jobsStarted++;
        sink.docName = document->pDocName ? document->pDocName : "";
        sink.datatype = document->pDatatype ? document->pDatatype : "";
        sink.outputFileNull = document->pOutputFile == NULL;
        printer->inDocument = true;
        printer->position = 0;
        printer->job = Bound->StartJob(printer->name);
        return (DWORD)sink.jobsStarted;
    }

    static BOOL WINAPI StartPagePrinter(HANDLE handle)
    {
        FAKE_FAULT fault;
        F::HANDLE_RECORD *printer = PrinterCall(FAKE_StartPagePrinter, "StartPagePrinter", handle, &fault);
        if (!printer)
            return Bound->Failed(ERROR_INVALID_HANDLE);
        if (!printer->inDocument || printer->inPage)
            Bound->problems.push_back("StartPagePrinter outside a job, or within a page");
        if (fault.kind == FAKE_FAULT::FAIL)
            return Bound->Failed(fault.value);
        printer->inPage = true;
        return TRUE;
    }

    static BOOL WINAPI WritePrinter(HANDLE handle, LPVOID bytes, DWORD count, LPDWORD written)
    {
        F::HANDLE_RECORD *printer = Bound->Find(handle, F::HANDLE_PRINTER, "WritePrinter");
        FAKE_FAULT fault = Bound->Enter(FAKE_WritePrinter,
            Format("WritePrinter %s %lu", printer ? printer->name.c_str() : "?", count));
        *written = 0;
        if (!printer)
            return Bound->Failed(ERROR_INVALID_HANDLE);
        if (!printer->inPage)
            Bound->problems.push_back("WritePrinter outside a page");
        DWORD asked = count;
        if (fault.kind == FAKE_FAULT::SHORT)
            count = std::min(count, fault.value);
        Bound->Answered(FAKE_WritePrinter, fault, asked, asked, fault.kind == FAKE_FAULT::FAIL ? 0 : count);
        if (fault.kind == FAKE_FAULT::FAIL)
            return Bound->Failed(fault.value);
        Bound->Receive(printer, bytes, count);
        *written = count;
        return TRUE;
    }

    static BOOL WINAPI EndPagePrinter(HANDLE handle)
    {
        FAKE_FAULT fault;
        F::HANDLE_RECORD *printer = PrinterCall(FAKE_EndPagePrinter, "EndPagePrinter", handle, &fault);
        if (!printer)
            return Bound->Failed(ERROR_INVALID_HANDLE);
        if (!printer->inPage)
            Bound->problems.push_back("EndPagePrinter outside a page");
        printer->inPage = false;
        return fault.kind == FAKE_FAULT::FAIL ? Bound->Failed(fault.value) : TRUE;
    }

    static BOOL WINAPI EndDocPrinter(HANDLE handle)
    {
        FAKE_FAULT fault;
        F::HANDLE_RECORD *printer = PrinterCall(FAKE_EndDocPrinter, "EndDocPrinter", handle, &fault);
        if (!printer)
            return Bound->Failed(ERROR_INVALID_HANDLE);
        if (!printer->inDocument || printer->inPage)
            Bound->problems.push_back("EndDocPrinter outside a job, or within a page");
        printer->inDocument = printer->inPage = false;
        if (fault.kind == FAKE_FAULT::FAIL)
            return Bound->Failed(fault.value);
        Bound->sinks[printer->name].jobsEnded++;
        if (printer->job >= 0)
            Bound->jobs[printer->job].ended = true;
        return TRUE;
    }
};

void FakeTransfer::Bind()
{
    Bound = this;
    typedef FakeTransferCalls C;
    Sys.CreateFileA = C::CreateFileA;
    Sys.ReadFile = C::ReadFile;
    Sys.WriteFile = C::WriteFile;
    Sys.GetFileSize = C::GetFileSize;
    Sys.GetFileAttributesA = C::GetFileAttributesA;
    Sys.CloseHandle = C::CloseHandle;
    Sys.AddPrinterA = C::AddPrinterA;
    Sys.DeletePrinter = C::DeletePrinter;
    Sys.OpenPrinterA = C::OpenPrinterA;
    Sys.ClosePrinter = C::ClosePrinter;
    Sys.StartDocPrinterA = C::StartDocPrinterA;
    Sys.StartPagePrinter = C::StartPagePrinter;
    Sys.WritePrinter = C::WritePrinter;
    Sys.EndPagePrinter = C::EndPagePrinter;
    Sys.EndDocPrinter = C::EndDocPrinter;
}

FAKE_ARRANGE FailingCall(FAKE_CALL call, int nth)
{
    return [call, nth](FakeTransfer &fake, SendWindows &) { fake.Fail(call, nth); };
}

FAKE_ARRANGE ShortCall(FAKE_CALL call, int nth, DWORD count)
{
    return [call, nth, count](FakeTransfer &fake, SendWindows &) { fake.Short(call, nth, count); };
}
