/* The port table: one row per port a file can be sent to, built from the
   spooler's ports, local printers and (NT family) printer connections. It
   touches no window. */
#include "ports.h"
#include "spoolerlist.h"
#include "syscalls.h"

#include <winspool.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

PORT_ENTRY *PortTable;
int PortTableCount;

/* The spooler's three lists as one build reads them; FreeSpoolerLists
   releases the buffers. */
struct SPOOLER_LISTS {
    bool nonNt;
    PORT_INFO_2A *ports;
    int portCount;
    int excludedCount;
    PRINTER_INFO_2A *printers;
    int printerCount;               /* -1: the enumeration failed */
    PRINTER_INFO_2A *connections;   /* NT family only */
    int connectionCount;            /* -1: the enumeration failed */
};

static bool IsNonNtPlatform(void)
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    Sys.GetVersionExA(&version);
    return version.dwPlatformId != VER_PLATFORM_WIN32_NT;
}

/* The size probe may fail only for want of a buffer; an empty list
   answers success with 0 bytes needed, as Wine does for connections. The
   result is the bytes needed, 0 for an empty list, or -1. */
static long ProbeResult(BOOL probed, DWORD needed)
{
    if (probed)
        return 0;
    if (Sys.GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed > 0x7FFFFFFF)
        return -1;
    return (long)needed;
}

/* The texts the table reads from each entry. */
static const size_t PortTexts[] = {offsetof(PORT_INFO_2A, pPortName), offsetof(PORT_INFO_2A, pMonitorName),
                                   offsetof(PORT_INFO_2A, pDescription)};
static const size_t PrinterTexts[] = {offsetof(PRINTER_INFO_2A, pPrinterName), offsetof(PRINTER_INFO_2A, pPortName)};

static int EnumLocalPorts(PORT_INFO_2A **ports)
{
    DWORD needed = 0, returned = 0;
    *ports = NULL;
    BOOL probed = Sys.EnumPortsA(NULL, 2, NULL, 0, &needed, &returned);
    long size = ProbeResult(probed, needed);
    if (size <= 0)
        return 0;
    BYTE *buffer = (BYTE *)malloc(size);
    if (buffer == NULL)
        return 0;
    if (!Sys.EnumPortsA(NULL, 2, buffer, size, &needed, &returned)
        || !IsListInBuffer(buffer, size, returned, sizeof(PORT_INFO_2A), PortTexts, 3)) {
        free(buffer);
        return 0;
    }
    *ports = (PORT_INFO_2A *)buffer;
    return (int)returned;
}

/* Both printer lists: the local printers and the connections differ in
   their flags only. */
static int EnumPrinterList(DWORD flags, PRINTER_INFO_2A **printers)
{
    DWORD needed = 0, returned = 0;
    *printers = NULL;
    BOOL probed = Sys.EnumPrintersA(flags, NULL, 2, NULL, 0, &needed, &returned);
    long size = ProbeResult(probed, needed);
    if (size <= 0)
        return (int)size;
    BYTE *buffer = (BYTE *)malloc(size);
    if (buffer == NULL)
        return -1;
    if (!Sys.EnumPrintersA(flags, NULL, 2, buffer, size, &needed, &returned)
        || !IsListInBuffer(buffer, size, returned, sizeof(PRINTER_INFO_2A), PrinterTexts, 2)) {
        free(buffer);
        return -1;
    }
    *printers = (PRINTER_INFO_2A *)buffer;
    return (int)returned;
}

static int EnumLocalPrinters(PRINTER_INFO_2A **printers)
{
    return EnumPrinterList(IsNonNtPlatform() ? PRINTER_ENUM_LOCAL : PRINTER_ENUM_NAME, printers);
}

static int EnumPrinterConnections(PRINTER_INFO_2A **connections)
{
    return EnumPrinterList(PRINTER_ENUM_CONNECTIONS, connections);
}

static bool PrefixMatches(const char *text, const char *prefix, int length)
{
    for (int i = 0; i < length; ++i) {
        if (text == NULL || prefix == NULL || text[i] == '\0' || prefix[i] == '\0')
            return false;
        if (text[i] != prefix[i])
            return false;
    }
    return true;
}

static bool IsExcludedPortName(const char *portName)
{
    return PrefixMatches(portName, "COM", 3) || PrefixMatches(portName, "FILE", 4);
}

static int CountExcludedPorts(const PORT_INFO_2A *ports, int count)
{
    int excluded = 0;
    for (int i = 0; i < count; ++i)
        if (IsExcludedPortName(ports[i].pPortName))
            ++excluded;
    return excluded;
}

/* The server is what lies between the printer name's first two characters
   (normally the leading backslashes) and the next backslash. The search
   walks by characters: in a double-byte code page a trail byte may be 0x5C. */
static void FormatConnectionLabel(const char *portName, const char *printerName, char *label)
{
    snprintf(label, PORT_LABEL_SIZE, "%s on ", portName ? portName : "");
    if (printerName == NULL || printerName[0] == '\0' || printerName[1] == '\0')
        return;
    const char *server = printerName + 2;
    const char *end = server;
    while (*end != '\0' && *end != '\\')
        end = CharNextA(end);
    if (*end == '\0')
        return;
    size_t used = strlen(label);
    size_t length = (size_t)(end - server);
    if (length > PORT_LABEL_SIZE - 1 - used)
        length = PORT_LABEL_SIZE - 1 - used;
    memcpy(label + used, server, length);
    label[used + length] = '\0';
}

/* A field holds PORT_TEXT_CHARS characters as the system counts them:
   UTF-16 units where the "A" calls take UTF-8 (a character of four bytes
   is two), else the code page's bytes. CharNextA steps byte by byte in
   UTF-8, so its characters are walked here by their lead bytes; a text
   that is not UTF-8 still never takes more bytes than the field has. */
static size_t StoredLength(const char *text)
{
    bool utf8 = GetACP() == CP_UTF8;
    size_t characters = 0;
    const char *end = text;
    while (*end != '\0') {
        const char *next = end + 1;
        size_t count;
        if (utf8) {
            while ((*next & 0xC0) == 0x80)
                ++next;
            count = (unsigned char)*end >= 0xF0 ? 2 : 1;
        } else {
            next = CharNextA(end);
            count = (size_t)(next - end);
        }
        if (characters + count > PORT_TEXT_CHARS || next - text > PORT_FIELD_SIZE - 1)
            break;
        characters += count;
        end = next;
    }
    return (size_t)(end - text);
}

/* Texts that are only shown (descriptions, monitors, connection labels)
   are cut to a field's characters, before one that would not fit whole;
   the list item shows the same cut text, so that the two still match. */
static void CopyFieldText(char *field, const char *text)
{
    if (text == NULL)
        text = "";
    size_t length = StoredLength(text);
    memcpy(field, text, length);
    field[length] = '\0';
}

/* Ports and printers are addressed by their names alone. A name that a
   row cannot hold whole is never used: cut short, it could name another
   port or printer. */
static bool FitsField(const char *text)
{
    return text != NULL && text[StoredLength(text)] == '\0';
}

/* A printer uses the port whose whole name it gives; a port name that
   merely begins another one ("LPT2:" of "LPT2:,LPT3:") is another port. */
static bool FindPrinterForPort(PORT_ENTRY *row, const PRINTER_INFO_2A *printers, int count)
{
    for (int i = 0; i < count; ++i) {
        const char *portName = printers[i].pPortName;
        if (portName != NULL && strcmp(row->szPortName, portName) == 0 && FitsField(printers[i].pPrinterName)) {
            row->Attributes = (LONG)printers[i].Attributes;
            CopyFieldText(row->szPrinterName, printers[i].pPrinterName);
            return true;
        }
    }
    return false;
}

static void EnumPortsAndConnections(SPOOLER_LISTS *lists)
{
    ZeroMemory(lists, sizeof(*lists));
    lists->nonNt = IsNonNtPlatform();
    lists->portCount = EnumLocalPorts(&lists->ports);
    lists->excludedCount = CountExcludedPorts(lists->ports, lists->portCount);
    if (!lists->nonNt)
        lists->connectionCount = EnumPrinterConnections(&lists->connections);
}

/* Room for every port not excluded and every connection; excluded or
   repeated connections leave rooms unused. */
static int CountRowRooms(const SPOOLER_LISTS *lists)
{
    int rooms = lists->portCount - lists->excludedCount;
    if (!lists->nonNt && lists->connectionCount > 0)
        rooms += lists->connectionCount;
    return rooms;
}

/* An allocation that fails leaves no table: the build then stores no rows. */
static void AllocatePortTable(const SPOOLER_LISTS *lists)
{
    int rooms = CountRowRooms(lists);
    free(PortTable);
    PortTable = (PORT_ENTRY *)calloc(rooms > 0 ? rooms : 1, sizeof(PORT_ENTRY));
    PortTableCount = 0;
}

/* Local ports first, in the spooler's order, then the connections. A row
   whose text an earlier row already has is dropped: the list could not
   tell the two apart, and every later item would show the row before its
   own. False when there is no memory for the table or its
   index: no rows. */
static bool StorePortRows(const SPOOLER_LISTS *lists)
{
    PORT_INDEX index;
    if (PortTable == NULL || !InitPortIndex(&index, CountRowRooms(lists)))
        return false;

    int r = 0;
    for (int i = 0; i < lists->portCount; ++i) {
        const PORT_INFO_2A *port = &lists->ports[i];
        if (IsExcludedPortName(port->pPortName) || !FitsField(port->pPortName))
            continue;
        PORT_ENTRY *row = &PortTable[r];
        ZeroMemory(row, sizeof(*row));
        CopyFieldText(row->szMonitorName, port->pMonitorName);
        CopyFieldText(row->szPortName, port->pPortName);
        CopyFieldText(row->szDescription, port->pDescription);
        if (!FindPrinterForPort(row, lists->printers, lists->printerCount))
            row->Attributes = PORT_NO_PRINTER;
        if (AddPortRow(&index, r))
            ++r;
    }

    /* A connection is its own printer. Connections on other servers may
       have ports of the same name: taking the first of them would send to
       another printer than the row shows. */
    for (int i = 0; !lists->nonNt && i < lists->connectionCount; ++i) {
        const PRINTER_INFO_2A *connection = &lists->connections[i];
        if (IsExcludedPortName(connection->pPortName) || !FitsField(connection->pPrinterName))
            continue;
        char label[PORT_LABEL_SIZE];
        FormatConnectionLabel(connection->pPortName, connection->pPrinterName, label);
        PORT_ENTRY *row = &PortTable[r];
        ZeroMemory(row, sizeof(*row));
        CopyFieldText(row->szPortName, label);
        CopyFieldText(row->szDescription, connection->pPrinterName);
        CopyFieldText(row->szPrinterName, connection->pPrinterName);
        row->Attributes = (LONG)connection->Attributes;
        if (AddPortRow(&index, r))
            ++r;
    }

    PortTableCount = r;
    FreePortIndex(&index);
    return true;
}

static void FreeSpoolerLists(SPOOLER_LISTS *lists)
{
    free(lists->ports);
    free(lists->printers);
    free(lists->connections);
    ZeroMemory(lists, sizeof(*lists));
}

/* A port list, however it failed, leaves the table as it was: there is
   nothing to offer. */
bool BuildPortTable(void)
{
    SPOOLER_LISTS lists;
    EnumPortsAndConnections(&lists);
    bool built = false;
    if (lists.portCount > 0) {
        AllocatePortTable(&lists);
        lists.printerCount = EnumLocalPrinters(&lists.printers);
        built = lists.printerCount >= 0 && StorePortRows(&lists);
    }
    FreeSpoolerLists(&lists);
    return built;
}

void RefreshPortTable(void)
{
    SPOOLER_LISTS lists;
    EnumPortsAndConnections(&lists);
    AllocatePortTable(&lists);
    lists.printerCount = EnumLocalPrinters(&lists.printers);
    StorePortRows(&lists);
    FreeSpoolerLists(&lists);
}

static unsigned HashText(const char *text)
{
    unsigned hash = 2166136261u;
    for (; *text; ++text)
        hash = (hash ^ (unsigned char)*text) * 16777619u;
    return hash;
}

bool InitPortIndex(PORT_INDEX *index, int rowCount)
{
    unsigned slots = 16;
    while (slots < 2u * (unsigned)(rowCount > 0 ? rowCount : 0))
        slots *= 2;
    index->mask = slots - 1;
    index->slots = (int *)malloc(slots * sizeof(int));
    if (index->slots == NULL)
        return false;
    for (unsigned i = 0; i < slots; ++i)
        index->slots[i] = -1;
    return true;
}

/* The slot that holds the row with this text, or the free slot where it
   belongs. The index is never more than half full, so a free slot exists. */
static unsigned FindPortSlot(const PORT_INDEX *index, const char *text)
{
    unsigned slot = HashText(text) & index->mask;
    while (index->slots[slot] >= 0 && strcmp(PortTable[index->slots[slot]].szPortName, text) != 0)
        slot = (slot + 1) & index->mask;
    return slot;
}

/* False when an indexed row already has this row's text. The caller adds
   no more rows than it gave InitPortIndex. */
bool AddPortRow(PORT_INDEX *index, int row)
{
    unsigned slot = FindPortSlot(index, PortTable[row].szPortName);
    if (index->slots[slot] >= 0)
        return false;
    index->slots[slot] = row;
    return true;
}

int FindPortRow(const PORT_INDEX *index, const char *text)
{
    return index->slots[FindPortSlot(index, text)];
}

void FreePortIndex(PORT_INDEX *index)
{
    free(index->slots);
    index->slots = NULL;
}
