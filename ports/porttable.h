/* The table's build steps, shared by the first fill and the refresh, and
   the index that matches list texts to rows. Only ports/ uses them. */
#ifndef VANTREL_PORTTABLE_H
#define VANTREL_PORTTABLE_H

#include "ports.h"

#include <winspool.h>

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

/* Rows by their szPortName. List and table are matched by that text, so a
   text names one row only, and matching hundreds of ports must not scan
   the table once per port. */
struct PORT_INDEX {
    int *slots;         /* row numbers; -1 marks a free slot */
    unsigned mask;      /* slot count - 1, the count a power of two */
};

void EnumPortsAndConnections(SPOOLER_LISTS *lists);
int EnumLocalPrinters(PRINTER_INFO_2A **printers);
void AllocatePortTable(const SPOOLER_LISTS *lists);
bool StorePortRows(const SPOOLER_LISTS *lists);
void FreeSpoolerLists(SPOOLER_LISTS *lists);

bool InitPortIndex(PORT_INDEX *index, int rowCount);
bool AddPortRow(PORT_INDEX *index, int row);
int FindPortRow(const PORT_INDEX *index, const char *text);
void FreePortIndex(PORT_INDEX *index);

/* portlist.cpp */
void InsertPortListItem(int index, const char *portText, const char *descriptionText);

#endif
