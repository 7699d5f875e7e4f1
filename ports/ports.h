/* Port discovery: the port table built from the spooler's lists, the
   check-box list that shows it, and the refresh before every run. */
#ifndef VANTREL_PORTS_H
#define VANTREL_PORTS_H

#include <windows.h>
#include <winspool.h>

#define PORT_NO_PRINTER     (-1)
#define PORT_FIELD_SIZE     100     /* each text field of a row */
#define PORT_LABEL_SIZE     200     /* a connection label, a list item's text */

/* Check states by state-image index */
#define PORT_CHECK_NONE     0
#define PORT_UNCHECKED      1
#define PORT_CHECKED        2

struct PORT_ENTRY {
    char szPortName[PORT_FIELD_SIZE];     /* port name, or a connection's label */
    char szDescription[PORT_FIELD_SIZE];
    char szPrinterName[PORT_FIELD_SIZE];  /* the queue found on the port */
    char szMonitorName[PORT_FIELD_SIZE];
    LONG Attributes;                      /* the queue's, or PORT_NO_PRINTER */
};

/* The one table, replaced whole at every build; list item i shows row i. */
extern PORT_ENTRY *PortTable;
extern int PortTableCount;

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

/* Port table (porttable.cpp) */
bool IsNonNtPlatform(void);
int EnumLocalPorts(PORT_INFO_2A **ports);
int EnumLocalPrinters(PRINTER_INFO_2A **printers);
int EnumPrinterConnections(PRINTER_INFO_2A **connections);
bool PrefixMatches(const char *text, const char *prefix, int length);
bool IsExcludedPortName(const char *portName);
int CountExcludedPorts(const PORT_INFO_2A *ports, int count);
void FormatConnectionLabel(const char *portName, const char *printerName, char *label);
bool FindPrinterForPort(PORT_ENTRY *row, const PRINTER_INFO_2A *printers, int count);
bool FillPortTable(void);
void EnumPortsAndConnections(SPOOLER_LISTS *lists);
void AllocatePortTable(const SPOOLER_LISTS *lists);
bool StorePortRows(const SPOOLER_LISTS *lists);
void FreeSpoolerLists(SPOOLER_LISTS *lists);
bool InitPortIndex(PORT_INDEX *index, int rowCount);
bool AddPortRow(PORT_INDEX *index, int row);
int FindPortRow(const PORT_INDEX *index, const char *text);
void FreePortIndex(PORT_INDEX *index);

/* Port list view (portlist.cpp) */
extern HWND PortListWindow;
bool InitPortList(HWND mainWindow);
void GetPortColumnWidths(int listWidth, int *portWidth, int *descriptionWidth);
void InsertPortListItem(int index, const char *portText, const char *descriptionText);
void GetPortListItemText(int index, int column, char *text);
int GetPortCheckState(int index);
void SetPortCheckState(int index, int state);
bool IsAnyPortChecked(void);
void TogglePortCheck(int index);

/* Port refresh before a run (portrefresh.cpp) */
void RebuildPortTable(void);
void ReconcilePortList(int rowCount);
bool IsPortInTable(const char *text, int rowCount);
bool IsPortInList(const char *text);

#endif
