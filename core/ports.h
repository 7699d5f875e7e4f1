/* The port table: one row per port a file can be sent to, built from the
   spooler's lists. Both front ends use it; neither builds one of its own. */
#ifndef VANTREL_PORTS_H
#define VANTREL_PORTS_H

#include <windows.h>

#define PORT_NO_PRINTER     (-1)
/* Each text field of a row holds 99 characters: in UTF-8 up to three bytes
   each. */
#define PORT_TEXT_CHARS     99
#define PORT_FIELD_SIZE     (3 * PORT_TEXT_CHARS + 1)
#define PORT_LABEL_SIZE     (2 * PORT_FIELD_SIZE)   /* a connection label, a list item's text */

struct PORT_ENTRY {
    char szPortName[PORT_FIELD_SIZE];     /* port name, or a connection's label */
    char szDescription[PORT_FIELD_SIZE];
    char szPrinterName[PORT_FIELD_SIZE];  /* the queue found on the port */
    char szMonitorName[PORT_FIELD_SIZE];
    LONG Attributes;                      /* the queue's, or PORT_NO_PRINTER */
};

/* The one table, replaced whole at every build. */
extern PORT_ENTRY *PortTable;
extern int PortTableCount;

/* The build at start: no ports, or no list of printers, fails it. */
bool BuildPortTable(void);
/* The build before every run: never fails; without a list of printers the
   rows have no printer, without ports there are fewer rows. */
void RefreshPortTable(void);

/* Rows by their szPortName. A front end that shows the table matches its
   items to rows by that text, so a text names one row only, and matching
   hundreds of ports must not scan the table once per port. */
struct PORT_INDEX {
    int *slots;         /* row numbers; -1 marks a free slot */
    unsigned mask;      /* slot count - 1, the count a power of two */
};

bool InitPortIndex(PORT_INDEX *index, int rowCount);
/* False when an indexed row already has this row's text. */
bool AddPortRow(PORT_INDEX *index, int row);
int FindPortRow(const PORT_INDEX *index, const char *text);
void FreePortIndex(PORT_INDEX *index);

#endif
