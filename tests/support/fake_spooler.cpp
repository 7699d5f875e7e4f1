#include "fake_spooler.h"
#include "syscalls.h"

#include <string.h>
#include <winspool.h>

FAKE_SPOOLER Spooler;

namespace {

/* Lays out entries followed by their strings, the way the spooler fills a
   caller's buffer: first measures, then writes when the buffer is big
   enough. */
class Packer {
public:
    Packer(DWORD entrySize, size_t count) : entrySize_(entrySize), count_(count), strings_(0) {}

    void AddString(const std::string &text) { strings_ += text.size() + 1; }
    DWORD Needed() const { return (DWORD)(entrySize_ * count_ + strings_); }

    void Begin(BYTE *buffer)
    {
        buffer_ = buffer;
        next_ = buffer + entrySize_ * count_;
    }
    BYTE *Entry(size_t index) { return buffer_ + entrySize_ * index; }
    LPSTR Store(const std::string &text)
    {
        LPSTR stored = (LPSTR)next_;
        memcpy(next_, text.c_str(), text.size() + 1);
        next_ += text.size() + 1;
        return stored;
    }

private:
    DWORD entrySize_;
    size_t count_;
    size_t strings_;
    BYTE *buffer_ = nullptr;
    BYTE *next_ = nullptr;
};

void ResetScript(FAKE_LIST_SCRIPT *script)
{
    script->mode = FAKE_ENUM_OK;
    script->probeError = ERROR_ACCESS_DENIED;
    script->fillError = ERROR_ACCESS_DENIED;
}

/* The common answer of every enumeration: decides from the script whether
   this call fails, then whether the buffer is big enough, and fills it. */
template <typename FILL>
BOOL Answer(FAKE_ENUM_CALL call, const FAKE_LIST_SCRIPT &script, DWORD needed, size_t count,
            DWORD grownNeeded, LPBYTE buffer, LPDWORD pcbNeeded, LPDWORD pcReturned, FILL fill)
{
    bool probe = buffer == NULL || call.bufferSize == 0;
    BOOL result = FALSE;
    DWORD returned = 0;
    if (pcbNeeded == NULL || pcReturned == NULL) {
        SetLastError(RPC_X_NULL_REF_POINTER);
        needed = 0;
    } else if (probe && script.mode == FAKE_ENUM_PROBE_FAILS) {
        SetLastError(script.probeError);
        needed = 0;
    } else if (!probe && script.mode == FAKE_ENUM_FILL_FAILS) {
        SetLastError(script.fillError);
    } else if (!probe && script.mode == FAKE_ENUM_GROWS && call.bufferSize < grownNeeded) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        needed = grownNeeded;
    } else if (needed == 0) {
        result = TRUE;
    } else if (call.bufferSize < needed || buffer == NULL) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    } else {
        fill(buffer);
        returned = (DWORD)count;
        result = TRUE;
    }
    if (pcbNeeded)
        *pcbNeeded = needed;
    if (pcReturned)
        *pcReturned = returned;
    call.result = result;
    call.needed = needed;
    call.returned = returned;
    Spooler.calls.push_back(call);
    return result;
}

BOOL WINAPI FakeEnumPortsA(LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                           LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    FAKE_ENUM_CALL call = {"EnumPortsA", name != NULL, 0, level, buffer != NULL, size, FALSE, 0, 0};
    if (level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        Spooler.calls.push_back(call);
        return FALSE;
    }
    const std::vector<FAKE_PORT> &ports = Spooler.ports;
    Packer packer(sizeof(PORT_INFO_2A), ports.size());
    for (const FAKE_PORT &port : ports) {
        packer.AddString(port.name);
        packer.AddString(port.monitor);
        packer.AddString(port.description);
    }
    DWORD grown = packer.Needed() + sizeof(PORT_INFO_2A) + 16;
    return Answer(call, Spooler.portScript, packer.Needed(), ports.size(), grown, buffer,
                  pcbNeeded, pcReturned, [&](BYTE *out) {
        packer.Begin(out);
        for (size_t i = 0; i < ports.size(); ++i) {
            PORT_INFO_2A *entry = (PORT_INFO_2A *)packer.Entry(i);
            entry->pPortName = packer.Store(ports[i].name);
            entry->pMonitorName = packer.Store(ports[i].monitor);
            entry->pDescription = packer.Store(ports[i].description);
            entry->fPortType = PORT_TYPE_WRITE;
            entry->Reserved = 0;
        }
    });
}

BOOL WINAPI FakeEnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                              LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    FAKE_ENUM_CALL call = {"EnumPrintersA", name != NULL, flags, level, buffer != NULL, size, FALSE, 0, 0};
    if (level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        Spooler.calls.push_back(call);
        return FALSE;
    }
    bool connections = (flags & PRINTER_ENUM_CONNECTIONS) != 0;
    const std::vector<FAKE_PRINTER> &printers = connections ? Spooler.connections : Spooler.printers;
    const FAKE_LIST_SCRIPT &script = connections ? Spooler.connectionScript : Spooler.printerScript;
    Packer packer(sizeof(PRINTER_INFO_2A), printers.size());
    for (const FAKE_PRINTER &printer : printers) {
        packer.AddString(printer.name);
        packer.AddString(printer.port);
    }
    DWORD grown = packer.Needed() + sizeof(PRINTER_INFO_2A) + 16;
    return Answer(call, script, packer.Needed(), printers.size(), grown, buffer,
                  pcbNeeded, pcReturned, [&](BYTE *out) {
        packer.Begin(out);
        for (size_t i = 0; i < printers.size(); ++i) {
            PRINTER_INFO_2A *entry = (PRINTER_INFO_2A *)packer.Entry(i);
            memset(entry, 0, sizeof(*entry));
            entry->pPrinterName = packer.Store(printers[i].name);
            entry->pPortName = packer.Store(printers[i].port);
            entry->Attributes = printers[i].attributes;
        }
    });
}

BOOL WINAPI FakeEnumPrinterDriversA(LPSTR name, LPSTR environment, DWORD level, LPBYTE buffer,
                                    DWORD size, LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    (void)environment;
    FAKE_ENUM_CALL call = {"EnumPrinterDriversA", name != NULL, 0, level, buffer != NULL, size, FALSE, 0, 0};
    if (level != 1 && level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        Spooler.calls.push_back(call);
        return FALSE;
    }
    const std::vector<std::string> &drivers = Spooler.drivers;
    DWORD entrySize = level == 1 ? sizeof(DRIVER_INFO_1A) : sizeof(DRIVER_INFO_2A);
    Packer packer(entrySize, drivers.size());
    for (const std::string &driver : drivers)
        packer.AddString(driver);
    DWORD grown = packer.Needed() + entrySize + 16;
    return Answer(call, Spooler.driverScript, packer.Needed(), drivers.size(), grown, buffer,
                  pcbNeeded, pcReturned, [&](BYTE *out) {
        packer.Begin(out);
        for (size_t i = 0; i < drivers.size(); ++i) {
            if (level == 1) {
                ((DRIVER_INFO_1A *)packer.Entry(i))->pName = packer.Store(drivers[i]);
            } else {
                DRIVER_INFO_2A *entry = (DRIVER_INFO_2A *)packer.Entry(i);
                memset(entry, 0, sizeof(*entry));
                entry->cVersion = 3;
                entry->pName = packer.Store(drivers[i]);
            }
        }
    });
}

BOOL WINAPI FakeGetVersionExA(LPOSVERSIONINFOA info)
{
    if (info == NULL || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    bool nt = Spooler.platformId == VER_PLATFORM_WIN32_NT;
    info->dwMajorVersion = nt ? 5 : 4;
    info->dwMinorVersion = nt ? 1 : 10;
    info->dwBuildNumber = nt ? 2600 : 2222;
    info->dwPlatformId = Spooler.platformId;
    info->szCSDVersion[0] = '\0';
    return TRUE;
}

} // namespace

void InstallFakeSpooler(void)
{
    Spooler.platformId = VER_PLATFORM_WIN32_NT;
    Spooler.ports.clear();
    Spooler.printers.clear();
    Spooler.connections.clear();
    Spooler.drivers.clear();
    ResetScript(&Spooler.portScript);
    ResetScript(&Spooler.printerScript);
    ResetScript(&Spooler.connectionScript);
    ResetScript(&Spooler.driverScript);
    Spooler.calls.clear();

    Sys.EnumPortsA = FakeEnumPortsA;
    Sys.EnumPrintersA = FakeEnumPrintersA;
    Sys.EnumPrinterDriversA = FakeEnumPrinterDriversA;
    Sys.GetVersionExA = FakeGetVersionExA;
}

std::vector<FAKE_ENUM_CALL> FakeSpoolerCalls(const char *function)
{
    std::vector<FAKE_ENUM_CALL> selected;
    for (const FAKE_ENUM_CALL &call : Spooler.calls)
        if (call.function == function)
            selected.push_back(call);
    return selected;
}

FAKE_PORT LocalPort(const std::string &name, const std::string &description, const std::string &monitor)
{
    return {name, description, monitor};
}

std::vector<FAKE_PORT> LocalPorts(const std::vector<std::string> &names)
{
    std::vector<FAKE_PORT> ports;
    for (const std::string &name : names)
        ports.push_back(LocalPort(name));
    return ports;
}
